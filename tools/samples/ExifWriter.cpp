#include "tools/samples/ExifWriter.h"

#include <cstring>

namespace {

enum : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7, kSRational = 10 };

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> data;   // the value bytes, big-endian
    int pointsTo = -1;           // index of a directory whose offset is the value
    uint32_t pointsBefore = 0;   // the value names this many bytes before that directory
};

struct Directory {
    std::vector<Entry> entries;
    int next = -1;               // index of the next directory in the chain
    std::vector<uint8_t> prefix; // bytes written before the directory (the makernote header)
};

void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back(v >> 8); b.push_back(v & 0xFF); }
void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.push_back((v >> s) & 0xFF);
}
void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (24 - 8 * i)) & 0xFF;
}

Entry Ascii(uint16_t tag, const std::string& s)
{
    Entry e{tag, kAscii, uint32_t(s.size() + 1), {s.begin(), s.end()}};
    e.data.push_back(0);
    return e;
}
Entry Short(uint16_t tag, uint16_t v)
{
    Entry e{tag, kShort, 1, {}};
    Put16(e.data, v);
    return e;
}
Entry Long(uint16_t tag, uint32_t v)
{
    Entry e{tag, kLong, 1, {}};
    Put32(e.data, v);
    return e;
}
Entry Rational(uint16_t tag, uint32_t n, uint32_t d, uint16_t type = kRational)
{
    Entry e{tag, type, 1, {}};
    Put32(e.data, n);
    Put32(e.data, d);
    return e;
}
Entry Pointer(uint16_t tag, int directory)
{
    Entry e = Long(tag, 0);
    e.pointsTo = directory;
    return e;
}

// Lays out the directories one after another, each followed by its out-of-line values.
// Values that point at a directory, or at the blob (the thumbnail), are patched at the end.
std::vector<uint8_t> Serialize(std::vector<Directory>& dirs, const std::vector<uint8_t>& blob, int blobDir)
{
    std::vector<uint8_t> out = {'M', 'M', 0, 42, 0, 0, 0, 8};
    std::vector<uint32_t> dirOffset(dirs.size());
    struct Patch { size_t at; int dir; uint32_t before; };
    std::vector<Patch> patches;
    size_t blobPatch = 0;

    for (size_t d = 0; d < dirs.size(); ++d) {
        Directory& dir = dirs[d];
        out.insert(out.end(), dir.prefix.begin(), dir.prefix.end());
        dirOffset[d] = uint32_t(out.size());
        const size_t start = out.size();
        size_t dataAt = start + 2 + 12 * dir.entries.size() + 4;
        std::vector<uint8_t> outOfLine;
        Put16(out, uint16_t(dir.entries.size()));
        for (const Entry& e : dir.entries) {
            Put16(out, e.tag);
            Put16(out, e.type);
            Put32(out, e.count);
            if (e.pointsTo >= 0)
                patches.push_back({out.size(), e.pointsTo, e.pointsBefore});
            if (e.data.size() <= 4) {
                std::vector<uint8_t> field = e.data;
                field.resize(4, 0);
                out.insert(out.end(), field.begin(), field.end());
            } else {
                Put32(out, uint32_t(dataAt + outOfLine.size()));
                outOfLine.insert(outOfLine.end(), e.data.begin(), e.data.end());
                if (outOfLine.size() % 2)
                    outOfLine.push_back(0);
            }
        }
        if (dir.next >= 0)
            patches.push_back({out.size(), dir.next, 0});
        Put32(out, 0);
        out.insert(out.end(), outOfLine.begin(), outOfLine.end());
        if (int(d) == blobDir) {
            // the thumbnail offset is the entry with tag 0x0201 of this directory
            for (size_t i = 0; i < dir.entries.size(); ++i)
                if (dir.entries[i].tag == 0x0201)
                    blobPatch = start + 2 + 12 * i + 8;
        }
    }
    for (const Patch& p : patches)
        Set32(out, p.at, dirOffset[p.dir] - p.before);
    if (blobPatch) {
        Set32(out, blobPatch, uint32_t(out.size()));
        out.insert(out.end(), blob.begin(), blob.end());
    }
    return out;
}

} // namespace

std::vector<uint8_t> BuildSampleExif(const SampleShot& s, const std::vector<uint8_t>& thumbnailJpeg)
{
    enum { kIfd0, kExif, kMaker, kIfd1 };
    std::vector<Directory> dirs(4);

    dirs[kIfd0].entries = {
        Ascii(0x010F, "PENTAX Corporation"),
        Ascii(0x0110, "PENTAX *ist D"),
        Short(0x0112, 1),
        Rational(0x011A, 72, 1),
        Rational(0x011B, 72, 1),
        Short(0x0128, 2),
        Ascii(0x0131, "*ist D Ver 1.00"),
        Ascii(0x0132, s.dateTime),
        Pointer(0x8769, kExif),
    };
    dirs[kIfd0].next = kIfd1;

    Entry lens{0x003F, kByte, 2, {s.lensGroup, s.lensNumber}};
    Entry version{0x0000, kByte, 4, {3, 0, 0, 0}};
    dirs[kMaker].prefix = {'A', 'O', 'C', 0, 'M', 'M'};
    dirs[kMaker].entries = {version, Short(0x000D, s.focusMode), Short(0x000E, s.afPoint), lens};

    Entry exifVersion{0x9000, kUndefined, 4, {'0', '2', '2', '1'}};
    Entry makerNote = Pointer(0x927C, kMaker);
    makerNote.type = kUndefined;
    makerNote.count = 6 + 2 + 4 * 12 + 4;
    makerNote.pointsBefore = 6;  // the value names the 6-byte header, not the directory
    dirs[kExif].entries = {
        Rational(0x829A, s.exposureNum, s.exposureDen),
        Rational(0x829D, s.fNumberNum, s.fNumberDen),
        Short(0x8822, s.program),
        Short(0x8827, s.iso),
        exifVersion,
        Ascii(0x9003, s.dateTime),
        Ascii(0x9004, s.dateTime),
        Rational(0x9204, uint32_t(s.biasNum), uint32_t(s.biasDen), kSRational),
        Short(0x9207, s.metering),
        Short(0x9209, s.flash),
        Rational(0x920A, s.focalNum, s.focalDen),
        makerNote,
        Short(0xA001, 1),
        Long(0xA002, s.width),
        Long(0xA003, s.height),
        Short(0xA403, s.whiteBalance),
        Short(0xA405, s.focal35),
    };

    dirs[kIfd1].entries = {
        Short(0x0103, 6),
        Rational(0x011A, 72, 1),
        Rational(0x011B, 72, 1),
        Short(0x0128, 2),
        Long(0x0201, 0),
        Long(0x0202, uint32_t(thumbnailJpeg.size())),
    };

    return Serialize(dirs, thumbnailJpeg, kIfd1);
}
