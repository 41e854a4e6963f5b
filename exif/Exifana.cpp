#include "exif/Exifana.h"

#include <algorithm>
#include <cstring>

namespace {

// Only the first 4200 bytes are searched, so a large JPEG costs no more than a small one.
constexpr std::size_t SearchWindow = 4200;
constexpr uint16_t TagExifPointer = 0x8769;
constexpr uint16_t TagMakerNote = 0x927C;
constexpr uint16_t TagModel = 0x0110;
constexpr std::size_t EntrySize = 12;
constexpr std::size_t MaxEntries = 256;
constexpr int MaxChain = 8;

// Slots from Count on are always empty, so only the used ones need clearing.
void ClearDirectory(TExifDirectory& d, const unsigned char* origin)
{
    std::fill(d.Entries, d.Entries + std::min<std::size_t>(d.Count, MaxEntries), nullptr);
    d.Origin = origin;
    d.Count = 0;
}

} // namespace

const unsigned char* FindExifBlock(const unsigned char* data, std::size_t length)
{
    if (!data || length <= 8 || data[0] != 0xFF || data[1] != 0xD8)
        return nullptr;
    if (length < 16)
        return nullptr;
    const std::size_t end = std::min(length, SearchWindow) - 16;
    std::size_t pos = 2;
    while (pos < end) {
        // pos + 9 < length here, so the marker and its "Exif\0" lie inside.
        if (data[pos] == 0xFF && data[pos + 1] == 0xE1) {
            if (std::memcmp(data + pos + 4, "Exif\0", 5) == 0)
                return data + pos + 10;
            return nullptr; // the first APP1 decides
        }
        pos += data[pos] == 0xFF ? 2 : 1;
    }
    return nullptr;
}

TExifRoot::TExifRoot()
    : ByteOrder(boIntel), Origin(nullptr), Length(0), RanPastEnd(false), NeededLength(0), DirectoryCount(0), HasExif(false), HasMakerNote(false)
{
}

uint16_t TExifRoot::Read16(const unsigned char* p) const
{
    if (ByteOrder == boIntel)
        return uint16_t(p[0] | (p[1] << 8));
    return uint16_t((p[0] << 8) | p[1]);
}

uint32_t TExifRoot::Read32(const unsigned char* p) const
{
    if (ByteOrder == boIntel)
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint16_t TExifRoot::EntryTag(const unsigned char* entry) const { return Read16(entry); }
uint16_t TExifRoot::EntryType(const unsigned char* entry) const { return Read16(entry + 2); }
uint32_t TExifRoot::EntryCount(const unsigned char* entry) const { return Read32(entry + 4); }
uint32_t TExifRoot::EntryValue(const unsigned char* entry) const { return Read32(entry + 8); }

const unsigned char* TExifRoot::Locate(const unsigned char* base, uint32_t offset, std::size_t length) const
{
    if (!Origin || !base)
        return nullptr;
    // Compare as integers: the base may come from anywhere, and pointers into
    // different objects must not be compared or subtracted.
    const auto start = reinterpret_cast<std::uintptr_t>(Origin);
    const auto at = reinterpret_cast<std::uintptr_t>(base);
    if (at < start)
        return nullptr;
    if (at - start > Length) {
        if (!RanPastEnd || at - start + offset + length < NeededLength)
            NeededLength = at - start + offset + length;
        RanPastEnd = true;
        return nullptr;
    }
    const std::size_t baseOffset = at - start;
    const std::size_t room = Length - baseOffset;
    if (offset > room || length > room - offset) {
        const std::size_t end = baseOffset + offset + length;
        if (!RanPastEnd || end < NeededLength)
            NeededLength = end;
        RanPastEnd = true;
        return nullptr;
    }
    return Origin + baseOffset + offset;
}

bool TExifRoot::ReadDirectoryInto(TExifDirectory& record, const unsigned char* origin, const unsigned char* p,
                                  const unsigned char** next)
{
    ClearDirectory(record, origin);
    *next = nullptr;
    if (!Locate(p, 0, 2))
        return false;
    const uint16_t stored = Read16(p);
    const auto start = reinterpret_cast<std::uintptr_t>(Origin);
    const std::size_t room = Length - (reinterpret_cast<std::uintptr_t>(p) - start) - 2;
    // Only whole entries inside the bytes, and never more than the 256 slots.
    const std::size_t kept = std::min({std::size_t(stored), MaxEntries, room / EntrySize});
    for (std::size_t i = 0; i < kept; ++i)
        record.Entries[i] = p + 2 + EntrySize * i;
    record.Count = uint16_t(kept);

    if (const unsigned char* link = Locate(p, uint32_t(2 + EntrySize * stored), 4)) {
        const uint32_t offset = Read32(link);
        if (offset != 0)
            *next = Locate(origin, offset, 2);
    }
    return true;
}

const unsigned char* TExifRoot::ReadDirectory(TExifDirectory& record, const unsigned char* origin,
                                              const unsigned char* p)
{
    const unsigned char* next = nullptr;
    ReadDirectoryInto(record, origin, p, &next);
    return next;
}

void TExifRoot::Parse(const unsigned char* origin, std::size_t length, int maxDirectories)
{
    Origin = origin;
    Length = origin ? length : 0;
    RanPastEnd = false;
    NeededLength = 0;
    DirectoryCount = 0;
    HasExif = false;
    HasMakerNote = false;
    ClearDirectory(ExifDir, origin);
    ClearDirectory(MakerDir, origin);
    for (TExifDirectory& d : Dirs)
        ClearDirectory(d, origin);
    ByteOrder = Length >= 2 && origin[0] == 'I' && origin[1] == 'I' ? boIntel : boMotorola;
    if (Length < 8) {
        RanPastEnd = origin != nullptr;
        NeededLength = 8;
        return;
    }

    const int max = std::clamp(maxDirectories, 0, MaxChain);
    // Offset 0 would make the header itself a directory: no valid file has it.
    const uint32_t first = Read32(origin + 4);
    const unsigned char* p = first != 0 ? Locate(origin, first, 2) : nullptr;
    while (p && DirectoryCount < max) {
        const unsigned char* next = nullptr;
        if (!ReadDirectoryInto(Dirs[DirectoryCount], origin, p, &next))
            break;
        ++DirectoryCount;
        p = next;
    }
    if (DirectoryCount == 0)
        return;

    const unsigned char* pointer = FindEntry(Dirs[0], TagExifPointer);
    if (!pointer)
        return;
    const uint32_t exifOffset = EntryValue(pointer);
    const unsigned char* exif = exifOffset != 0 ? Locate(origin, exifOffset, 2) : nullptr;
    const unsigned char* ignored = nullptr;
    if (!exif || !ReadDirectoryInto(ExifDir, origin, exif, &ignored))
        return;
    HasExif = true;
    for (uint16_t i = 0; i < ExifDir.Count; ++i) {
        const unsigned char* e = ExifDir.Entries[i];
        if (EntryTag(e) == TagMakerNote)
            ReadMakerNote(Locate(origin, EntryValue(e), 0));
    }
}

const unsigned char* TExifRoot::FindEntry(const TExifDirectory& directory, uint16_t tag) const
{
    for (uint16_t i = 0; i < directory.Count && i < MaxEntries; ++i) {
        const unsigned char* e = directory.Entries[i];
        if (e && EntryTag(e) == tag)
            return e;
    }
    return nullptr;
}

bool TExifRoot::GetString(const TExifDirectory& directory, uint16_t tag, char* buffer) const
{
    const unsigned char* e = FindEntry(directory, tag);
    // Type 2 only; a text of 4 bytes or fewer lives inside the entry and counts as absent.
    if (!e || EntryType(e) != 2)
        return false;
    const uint32_t count = EntryCount(e);
    if (count <= 4)
        return false;
    const unsigned char* text = Locate(directory.Origin, EntryValue(e), count);
    if (!text)
        return false;
    const std::size_t n = std::min<std::size_t>(count, 255);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return true;
}

void TExifRoot::ReadMakerNote(const unsigned char*)
{
}

bool TExifRootPENTAXistD::ModelIsPentax() const
{
    const unsigned char* e = FindEntry(Dirs[0], TagModel);
    if (!e || EntryType(e) != 2 || EntryCount(e) <= 4)
        return false;
    const std::size_t need = std::max<std::size_t>(EntryCount(e), 6);
    const unsigned char* text = Locate(Dirs[0].Origin, EntryValue(e), need);
    return text && std::memcmp(text, "PENTAX", 6) == 0;
}

void TExifRootPENTAXistD::ReadMakerNote(const unsigned char* makerNote)
{
    // The decision rests on the camera model alone; the makernote's own 6-byte
    // header is skipped unread. With several makernotes the last one decides.
    HasMakerNote = false;
    ClearDirectory(MakerDir, Origin);
    if (!ModelIsPentax() || !makerNote)
        return;
    const unsigned char* dir = Locate(makerNote, 6, 2);
    const unsigned char* ignored = nullptr;
    if (dir && ReadDirectoryInto(MakerDir, Origin, dir, &ignored))
        HasMakerNote = true;
}
