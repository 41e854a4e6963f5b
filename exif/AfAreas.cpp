#include "exif/AfAreas.h"

#include "exif/Exifana.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

constexpr uint16_t TagMake = 0x010F;
constexpr uint16_t TagModel = 0x0110;
constexpr uint16_t TagMakerNote = 0x927C;
constexpr uint16_t TagPixelXDimension = 0xA002;
constexpr uint16_t TagPixelYDimension = 0xA003;

enum : uint16_t { TByte = 1, TAscii = 2, TShort = 3, TLong = 4, TRational = 5, TUndefined = 7,
                  TSShort = 8, TSRational = 10, TIfdType = 13 };

// A directory count above this is taken for the other byte order (or for no directory).
constexpr uint16_t MaxEntries = 512;
// A recorded frame whose shape differs more than this from the picture's is another frame.
constexpr double ShapeTolerance = 0.02;
// A point alone is shown as a square of this share of the picture's shorter side.
constexpr double PointShare = 0.05;

std::size_t TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

// The TIFF bytes; every read is checked against their length and none wraps.
struct TBytes {
    const unsigned char* Data = nullptr;
    std::size_t Length = 0;
    bool Has(std::size_t at, std::size_t n) const { return at <= Length && n <= Length - at; }
    uint16_t U16(std::size_t at, bool intel) const
    {
        const unsigned char* p = Data + at;
        return intel ? uint16_t(p[0] | (p[1] << 8)) : uint16_t((p[0] << 8) | p[1]);
    }
    uint32_t U32(std::size_t at, bool intel) const
    {
        const uint32_t a = U16(at, intel), b = U16(at + 2, intel);
        return intel ? a | (b << 16) : (a << 16) | b;
    }
};

// One value of a makernote directory: its type, count and where its bytes lie.
struct TField {
    uint16_t Type = 0;
    uint32_t Count = 0;
    std::size_t At = 0;
};

// A makernote directory with a byte order and an offset base of its own.
struct TIfd {
    const TBytes* Bytes = nullptr;
    bool Intel = true;
    std::size_t Base = 0;
    std::size_t Dir = 0;
    uint16_t Count = 0;

    uint16_t U16(std::size_t at) const { return Bytes->U16(at, Intel); }
    uint32_t U32(std::size_t at) const { return Bytes->U32(at, Intel); }

    // The entry with this tag whose value lies wholly inside the bytes.
    std::optional<TField> Find(uint16_t tag) const
    {
        for (uint16_t i = 0; i < Count; ++i) {
            const std::size_t e = Dir + 2 + 12 * std::size_t(i);
            if (U16(e) != tag)
                continue;
            TField f{U16(e + 2), U32(e + 4), e + 8};
            const std::size_t size = TypeSize(f.Type);
            if (size == 0 || f.Count > (1u << 24))
                return std::nullopt;
            const std::size_t bytes = size * f.Count;
            if (bytes > 4) {
                const uint32_t offset = U32(e + 8);
                if (offset > Bytes->Length - std::min(Base, Bytes->Length))
                    return std::nullopt;
                f.At = Base + offset;
            }
            if (!Bytes->Has(f.At, bytes))
                return std::nullopt;
            return f;
        }
        return std::nullopt;
    }

    // At least `count` 16-bit values of one of the short types.
    std::optional<TField> Shorts(uint16_t tag, uint32_t count) const
    {
        const std::optional<TField> f = Find(tag);
        if (!f || (f->Type != TShort && f->Type != TSShort) || f->Count < count)
            return std::nullopt;
        return f;
    }
};

// Opens the directory at `dir`. The byte order given first is tried first; makers do not
// all keep the TIFF's, so a count that makes no sense in it is read in the other.
std::optional<TIfd> OpenIfd(const TBytes& bytes, bool intel, std::size_t base, std::size_t dir)
{
    if (!bytes.Has(dir, 2))
        return std::nullopt;
    const auto plausible = [](uint16_t n) { return n > 0 && n <= MaxEntries; };
    uint16_t stored = bytes.U16(dir, intel);
    if (!plausible(stored)) {
        intel = !intel;
        stored = bytes.U16(dir, intel);
        if (!plausible(stored))
            return std::nullopt;
    }
    const std::size_t room = (bytes.Length - dir - 2) / 12;
    return TIfd{&bytes, intel, base, dir, uint16_t(std::min<std::size_t>(stored, room))};
}

// A recorded place: a rectangle, or a point where W is 0.
struct TSpot {
    double X = 0, Y = 0, W = 0, H = 0;
};

// What one makernote records. Positions are in a frame of FrameW x FrameH; with Fractions,
// they are fractions of the frame, whose shape is then the Exif's own when it gives one.
struct TRecorded {
    double FrameW = 0, FrameH = 0;
    bool Fractions = false;
    std::vector<TSpot> Spots;
};

struct TContext {
    std::string Make, Model;
    double ExifW = 0, ExifH = 0;  // Exif's pixel dimensions, 0 when absent
};

TSpot Point(double x, double y) { return TSpot{x, y, 0, 0}; }

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// "K-3" names the K-3 and K-3 II/III, not the K-30.
bool NamesModel(const std::string& model, const char* name)
{
    const std::size_t at = model.find(name);
    if (at == std::string::npos)
        return false;
    const std::size_t end = at + std::strlen(name);
    return end == model.size() || !std::isalnum(static_cast<unsigned char>(model[end]));
}

// PENTAX's 11-point layout (*ist D, K10D and later): upper-left, top, upper-right, left,
// mid-left, centre, mid-right, right, lower-left, bottom, lower-right, as fractions.
constexpr double Pentax11[11][2] = {{0.38, 0.36}, {0.50, 0.36}, {0.62, 0.36}, {0.30, 0.50}, {0.40, 0.50},
                                    {0.50, 0.50}, {0.60, 0.50}, {0.70, 0.50}, {0.38, 0.64}, {0.50, 0.64},
                                    {0.62, 0.64}};
// The 9-point layout: three rows of three, top-left first.
constexpr double Pentax9[9][2] = {{0.36, 0.36}, {0.50, 0.36}, {0.64, 0.36}, {0.36, 0.50}, {0.50, 0.50},
                                  {0.64, 0.50}, {0.36, 0.64}, {0.50, 0.64}, {0.64, 0.64}};
// Nikon's 11-point layout (Multi-CAM 2000 and its kin): centre, top, bottom, mid-left,
// mid-right, upper-left, upper-right, lower-left, lower-right, far left, far right.
constexpr double Nikon11[11][2] = {{0.50, 0.50}, {0.50, 0.36}, {0.50, 0.64}, {0.37, 0.50}, {0.63, 0.50},
                                   {0.37, 0.38}, {0.63, 0.38}, {0.37, 0.62}, {0.63, 0.62}, {0.24, 0.50},
                                   {0.76, 0.50}};

template <std::size_t N>
void AddBits(TRecorded& r, uint32_t bits, const double (&layout)[N][2])
{
    for (std::size_t i = 0; i < N; ++i)
        if (bits & (1u << i))
            r.Spots.push_back(Point(layout[i][0], layout[i][1]));
}

TRecorded ReadPentax(const TIfd& ifd, const TContext& c)
{
    TRecorded r;
    r.Fractions = true;
    // The K-1 and K-3 keep 33- and 27-point layouts under the same tags.
    const bool otherLayout = NamesModel(c.Model, "K-1") || NamesModel(c.Model, "K-3");
    if (!otherLayout) {
        if (const auto f = ifd.Shorts(0x000E, 1)) {
            const uint16_t v = ifd.U16(f->At);
            if (v >= 1 && v <= 11)
                r.Spots.push_back(Point(Pentax11[v - 1][0], Pentax11[v - 1][1]));
            else if (v == 0xFFFE)  // "Fixed Center"
                r.Spots.push_back(Point(0.5, 0.5));
        }
        if (const auto f = ifd.Shorts(0x000F, 1)) {
            const uint16_t v = ifd.U16(f->At);
            if (v >= 1 && v <= 9)
                r.Spots.push_back(Point(Pentax9[v - 1][0], Pentax9[v - 1][1]));
        }
    }
    // The *ist D's own record: bits 16-26 the selected points, 0-10 those in focus.
    if (const auto f = ifd.Find(0x003C); f && f->Type == TLong && f->Count >= 1) {
        const uint32_t v = ifd.U32(f->At);
        const uint32_t selected = (v >> 16) & 0x7FF;
        if (selected != 0x7FF)
            AddBits(r, selected, Pentax11);
        AddBits(r, v & 0x7FF, Pentax11);
    }
    return r;
}

// Canon's AF records: positions from the centre of an AF image, in 16-bit values.
TRecorded ReadCanon(const TIfd& ifd, const TContext& c)
{
    TRecorded r;
    const bool eos = c.Model.find("EOS") != std::string::npos;
    std::optional<TField> f = ifd.Shorts(0x0026, 8);
    if (!f)
        f = ifd.Shorts(0x003C, 8);
    const bool second = f.has_value();
    if (!f)
        f = ifd.Shorts(0x0012, 8);
    if (!f)
        return r;
    const auto v = [&](uint32_t i) { return ifd.U16(f->At + 2 * std::size_t(i)); };
    const auto s = [&](uint32_t i) { return double(int16_t(v(i))); };
    const uint32_t n = second ? v(2) : v(0);
    const uint32_t valid = std::min<uint32_t>(n, second ? v(3) : v(1));
    const uint32_t words = (n + 15) / 16;
    const uint32_t first = 8;
    // AFInfo2: widths, heights, x, y, in focus, selected; AFInfo: one width and height.
    const uint32_t xs = second ? first + 2 * n : first, ys = xs + n, focus = ys + n;
    const uint32_t need = focus + words * (second && eos ? 2 : 1);
    if (n == 0 || n > 4096 || f->Count < need)
        return r;
    r.FrameW = v(second ? 6 : 4);
    r.FrameH = v(second ? 7 : 5);
    // EOS models count y upwards, PowerShots downwards.
    const auto spot = [&](uint32_t i) {
        const double w = second ? s(first + i) : s(6), h = second ? s(first + n + i) : s(7);
        const double cx = r.FrameW / 2 + s(xs + i), cy = r.FrameH / 2 + (eos ? -s(ys + i) : s(ys + i));
        return w > 0 && h > 0 ? TSpot{cx - w / 2, cy - h / 2, w, h} : Point(cx, cy);
    };
    const auto add = [&](uint32_t at) {
        for (uint32_t i = 0; i < valid; ++i)
            if (v(at + i / 16) & (1u << (i % 16)))
                r.Spots.push_back(spot(i));
    };
    if (second && eos)
        add(focus + words);
    add(focus);
    return r;
}

TRecorded ReadNikon(const TIfd& ifd, const TContext& c)
{
    TRecorded r;
    // AFInfo2: the AF area in an AF image, for contrast-detect AF (live view, mirrorless).
    if (const auto f = ifd.Find(0x00B7); f && f->Type == TUndefined && f->Count >= 8) {
        const std::string version(reinterpret_cast<const char*>(ifd.Bytes->Data + f->At), 4);
        const unsigned contrast = ifd.Bytes->Data[f->At + 4];
        std::size_t at = 0;
        if (version == "0100")
            at = 0x10;
        else if (version == "0101" && contrast == 1)
            at = 0x46;
        else if (StartsWith(version, "03") && (contrast == 2 || (contrast == 1 && version == "0301")))
            at = 0x2A;
        else if (version == "0400")  // the Z 9's, for every AF mode
            at = 0x3E;
        if (at != 0 && f->Count >= at + 12) {
            const auto v = [&](int i) { return double(ifd.U16(f->At + at + 2 * std::size_t(i))); };
            const double w = v(4), h = v(5);
            r.FrameW = v(0);
            r.FrameH = v(1);
            if (r.FrameW > 0 && r.FrameH > 0 && v(2) > 0 && v(3) > 0) {
                r.Spots.push_back(w > 0 && h > 0 ? TSpot{v(2) - w / 2, v(3) - h / 2, w, h} : Point(v(2), v(3)));
                return r;
            }
        }
        // Phase-detect AF of the 11-point bodies that keep only this record (D90, D3000 to
        // D5100): the primary point, then the points used (16 bits, always little-endian), both
        // in this record's own order: centre, top, bottom, then the left points inside out,
        // then the right ones.
        const unsigned char* p = ifd.Bytes->Data + f->At;
        if (version == "0100" && f->Count >= 10 && p[6] == 2) {
            static constexpr int Layout[11] = {0, 1, 2, 3, 5, 7, 9, 4, 6, 8, 10};  // to Nikon11's order
            TRecorded phase;
            phase.Fractions = true;
            if (p[7] >= 1 && p[7] <= 11)
                phase.Spots.push_back(Point(Nikon11[Layout[p[7] - 1]][0], Nikon11[Layout[p[7] - 1]][1]));
            const unsigned used = p[8] | (p[9] << 8);
            for (int i = 0; i < 11; ++i)
                if (used & (1u << i))
                    phase.Spots.push_back(Point(Nikon11[Layout[i]][0], Nikon11[Layout[i]][1]));
            if (!phase.Spots.empty())
                return phase;
        }
    }
    // AFInfo: the selected point and the points in focus of the 11-point layout.
    r = TRecorded();
    r.Fractions = true;
    if (const auto f = ifd.Find(0x0088); f && f->Type == TUndefined && f->Count >= 4) {
        const unsigned char* p = ifd.Bytes->Data + f->At;
        const bool big = StartsWith(c.Model, "NIKON D");
        const uint32_t inFocus = big ? (p[2] << 8) | p[3] : p[2] | (p[3] << 8);
        if (p[1] <= 10)
            r.Spots.push_back(Point(Nikon11[p[1]][0], Nikon11[p[1]][1]));
        AddBits(r, inFocus, Nikon11);
    }
    return r;
}

// The sub-directory a makernote entry points at (Olympus' camera settings).
std::optional<TIfd> SubIfd(const TIfd& ifd, uint16_t tag)
{
    const std::optional<TField> f = ifd.Find(tag);
    if (!f)
        return std::nullopt;
    if ((f->Type == TLong || f->Type == TIfdType) && f->Count == 1) {
        const uint32_t offset = ifd.U32(f->At);
        if (offset > ifd.Bytes->Length - std::min(ifd.Base, ifd.Bytes->Length))
            return std::nullopt;
        return OpenIfd(*ifd.Bytes, ifd.Intel, ifd.Base, ifd.Base + offset);
    }
    if (f->Type == TUndefined)  // the directory stored as the value itself
        return OpenIfd(*ifd.Bytes, ifd.Intel, ifd.Base, f->At);
    return std::nullopt;
}

TRecorded ReadOlympus(const TIfd& ifd, const TContext&)
{
    TRecorded r;
    r.Fractions = true;
    const std::optional<TIfd> settings = SubIfd(ifd, 0x2020);
    if (!settings)
        return r;
    // AFPointSelected: a value nobody uses, then the area's corners as fractions.
    const std::optional<TField> f = settings->Find(0x0305);
    if (!f || f->Type != TSRational || f->Count < 5)
        return r;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const auto n = int32_t(settings->U32(f->At + 8 * std::size_t(i + 1)));
        const auto d = int32_t(settings->U32(f->At + 8 * std::size_t(i + 1) + 4));
        if (d == 0)
            return r;
        v[i] = double(n) / double(d);
    }
    if (v[0] < 0 || v[1] < 0 || v[2] > 1 || v[3] > 1 || v[2] < v[0] || v[3] < v[1])
        return r;
    if (v[2] == v[0] && v[3] == v[1])
        r.Spots.push_back(Point(v[0], v[1]));
    else
        r.Spots.push_back(TSpot{v[0], v[1], v[2] - v[0], v[3] - v[1]});
    return r;
}

TRecorded ReadSony(const TIfd& ifd, const TContext&)
{
    TRecorded r;
    // FocusLocation: the frame's width and height, then the point.
    const std::optional<TField> f = ifd.Shorts(0x2027, 4);
    if (!f || f->Type != TShort)
        return r;
    r.FrameW = ifd.U16(f->At);
    r.FrameH = ifd.U16(f->At + 2);
    const double x = ifd.U16(f->At + 4), y = ifd.U16(f->At + 6);
    if (r.FrameW == 0 || r.FrameH == 0)  // a panorama's
        return r;
    // FocusFrameSize: the frame around it, when its third value says it is there.
    if (const auto size = ifd.Shorts(0x2037, 3); size && ifd.U16(size->At + 4) != 0) {
        const double w = ifd.U16(size->At), h = ifd.U16(size->At + 2);
        if (w > 0 && h > 0) {
            r.Spots.push_back(TSpot{x - w / 2, y - h / 2, w, h});
            return r;
        }
    }
    r.Spots.push_back(Point(x, y));
    return r;
}

TRecorded ReadFujifilm(const TIfd& ifd, const TContext& c)
{
    TRecorded r;
    // FocusPixel, in the pixels of the camera's own picture (the Exif's size).
    const std::optional<TField> f = ifd.Shorts(0x1023, 2);
    if (!f || f->Type != TShort)
        return r;
    r.FrameW = c.ExifW;
    r.FrameH = c.ExifH;
    r.Spots.push_back(Point(ifd.U16(f->At), ifd.U16(f->At + 2)));
    return r;
}

TRecorded ReadPanasonic(const TIfd& ifd, const TContext&)
{
    TRecorded r;
    r.Fractions = true;
    // AFPointPosition: the primary area's centre as fractions of the frame.
    const std::optional<TField> f = ifd.Find(0x004D);
    if (!f || f->Type != TRational || f->Count < 2)
        return r;
    double v[2];
    for (int i = 0; i < 2; ++i) {
        const uint32_t n = ifd.U32(f->At + 8 * std::size_t(i)), d = ifd.U32(f->At + 8 * std::size_t(i) + 4);
        if (d == 0)
            return r;
        v[i] = double(n) / double(d);
    }
    r.Spots.push_back(Point(v[0], v[1]));
    return r;
}

std::string Text(const TExifRoot& reader, uint16_t tag)
{
    char buffer[256];
    return reader.DirectoryCount > 0 && reader.GetString(reader.Dirs[0], tag, buffer) ? std::string(buffer)
                                                                                      : std::string();
}

double ExifDimension(const TExifRoot& reader, uint16_t tag)
{
    const unsigned char* e = reader.HasExif ? reader.FindEntry(reader.ExifDir, tag) : nullptr;
    if (!e || reader.EntryCount(e) != 1)
        return 0;
    if (reader.EntryType(e) == TShort)
        return reader.Read16(e + 8);
    return reader.EntryType(e) == TLong ? reader.EntryValue(e) : 0;
}

// Finds the maker by the makernote's own header (or the camera's make where it has none)
// and reads what it records.
TRecorded ReadMakerNote(const TExifRoot& reader, const TContext& c)
{
    const unsigned char* e = reader.HasExif ? reader.FindEntry(reader.ExifDir, TagMakerNote) : nullptr;
    if (!e || !reader.Origin)
        return {};
    const TBytes bytes{reader.Origin, reader.Length};
    const bool intel = reader.ByteOrder == boIntel;
    const std::size_t at = reader.EntryValue(e);
    // Tells a caller that parsed the first bytes of a file to read on as far as the makernote
    // reaches (its values may lie anywhere, but nearly always inside it).
    reader.Locate(reader.Origin, reader.EntryValue(e), reader.EntryCount(e));
    if (!bytes.Has(at, 2))
        return {};
    const auto head = [&](const char* text, std::size_t n) {
        return bytes.Has(at, n) && std::memcmp(bytes.Data + at, text, n) == 0;
    };
    const auto read = [&](TRecorded (*maker)(const TIfd&, const TContext&), bool order, std::size_t base,
                          std::size_t dir) {
        const std::optional<TIfd> ifd = OpenIfd(bytes, order, base, dir);
        return ifd ? maker(*ifd, c) : TRecorded();
    };
    if (head("Nikon\0\x02", 7)) {
        // A TIFF header of its own 10 bytes in; offsets count from it.
        const std::size_t tiff = at + 10;
        if (!bytes.Has(tiff, 8) || (bytes.Data[tiff] != 'I' && bytes.Data[tiff] != 'M'))
            return {};
        const bool order = bytes.Data[tiff] == 'I';
        const uint32_t first = bytes.U32(tiff + 4, order);
        if (first > bytes.Length - tiff)
            return {};
        return read(ReadNikon, order, tiff, tiff + first);
    }
    if (head("AOC\0", 4)) {
        const bool order = head("AOC\0II", 6) ? true : head("AOC\0MM", 6) ? false : intel;
        return read(ReadPentax, order, 0, at + 6);
    }
    if (head("PENTAX \0", 8))
        return read(ReadPentax, head("PENTAX \0II", 10), at, at + 10);
    if (head("OLYMPUS\0", 8))
        return read(ReadOlympus, head("OLYMPUS\0II", 10), at, at + 12);
    if (head("OM SYSTEM\0", 10))
        return read(ReadOlympus, head("OM SYSTEM\0\0\0II", 14), at, at + 16);
    if (head("OLYMP\0", 6))
        return read(ReadOlympus, intel, 0, at + 8);
    if (head("SONY DSC ", 9) || head("SONY CAM ", 9))
        return read(ReadSony, intel, 0, at + 12);
    if (head("FUJIFILM", 8)) {
        // Always Intel order, offsets from the makernote's start.
        if (!bytes.Has(at + 8, 4))
            return {};
        const uint32_t dir = bytes.U32(at + 8, true);
        if (dir > bytes.Length - at)
            return {};
        return read(ReadFujifilm, true, at, at + dir);
    }
    if (head("Panasonic\0", 10))
        return read(ReadPanasonic, intel, 0, at + 12);
    if (StartsWith(c.Make, "Canon"))
        return read(ReadCanon, intel, 0, at);
    if (StartsWith(c.Make, "SONY"))
        return read(ReadSony, intel, 0, at);
    return {};
}

// The recorded spots in the picture's pixels, clipped to it; a spot wholly outside is dropped.
std::vector<TAfArea> Place(const TRecorded& r, const TContext& c, int width, int height)
{
    std::vector<TAfArea> areas;
    if (r.Spots.empty() || width <= 0 || height <= 0)
        return areas;
    const double frameW = r.Fractions ? c.ExifW : r.FrameW > 0 ? r.FrameW : width;
    const double frameH = r.Fractions ? c.ExifH : r.FrameH > 0 ? r.FrameH : height;
    if (!r.Fractions && (!(frameW > 0) || !(frameH > 0)))
        return areas;
    if (frameW > 0 && frameH > 0 &&
        std::abs(frameW * height - frameH * width) > ShapeTolerance * frameW * height)
        return areas;
    const double sx = r.Fractions ? width : width / frameW, sy = r.Fractions ? height : height / frameH;
    const double side = std::max(1.0, std::round(PointShare * std::min(width, height)));
    for (const TSpot& s : r.Spots) {
        double x0 = s.X * sx, y0 = s.Y * sy, x1 = (s.X + s.W) * sx, y1 = (s.Y + s.H) * sy;
        if (s.W <= 0 || s.H <= 0) {
            // A point outside the picture is a malformed one, not an area at its edge.
            if (x0 < 0 || y0 < 0 || x0 >= width || y0 >= height)
                continue;
            x0 -= side / 2, y0 -= side / 2, x1 = x0 + side, y1 = y0 + side;
        }
        const int left = int(std::clamp(std::round(x0), 0.0, double(width)));
        const int top = int(std::clamp(std::round(y0), 0.0, double(height)));
        const int right = int(std::clamp(std::round(x1), 0.0, double(width)));
        const int bottom = int(std::clamp(std::round(y1), 0.0, double(height)));
        const TAfArea a{left, top, right - left, bottom - top};
        if (a.Width > 0 && a.Height > 0 && std::find(areas.begin(), areas.end(), a) == areas.end())
            areas.push_back(a);
    }
    return areas;
}

} // namespace

std::vector<TAfArea> ReadAfAreas(const TExifRoot& reader, int width, int height)
{
    TContext c;
    c.Make = Text(reader, TagMake);
    c.Model = Text(reader, TagModel);
    c.ExifW = ExifDimension(reader, TagPixelXDimension);
    c.ExifH = ExifDimension(reader, TagPixelYDimension);
    return Place(ReadMakerNote(reader, c), c, width, height);
}

std::vector<TAfArea> ReadAfAreas(const unsigned char* tiff, std::size_t length, int width, int height)
{
    TExifRoot reader;
    reader.Parse(tiff, length, 1);
    return ReadAfAreas(reader, width, height);
}

std::string AfAreasText(const std::vector<TAfArea>& areas)
{
    if (areas.empty())
        return "-";
    std::string text;
    for (const TAfArea& a : areas) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(a.X) + ',' + std::to_string(a.Y) + ',' + std::to_string(a.Width) + ',' +
                std::to_string(a.Height);
    }
    return text;
}
