// The short shooting texts and the two compositions built from them.
#include "exif/Exifana.h"
#include "exif/LensTable.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t BufferSize = 256;

constexpr uint16_t TagExposureTime = 0x829A;
constexpr uint16_t TagFNumber = 0x829D;
constexpr uint16_t TagExposureProgram = 0x8822;
constexpr uint16_t TagISO = 0x8827;
constexpr uint16_t TagDateTimeOriginal = 0x9003;
constexpr uint16_t TagExposureBias = 0x9204;
constexpr uint16_t TagMeteringMode = 0x9207;
constexpr uint16_t TagFlash = 0x9209;
constexpr uint16_t TagFocalLength = 0x920A;
constexpr uint16_t TagWhiteBalance = 0xA403;
constexpr uint16_t TagFocalLength35 = 0xA405;
constexpr uint16_t TagModel = 0x0110;
constexpr uint16_t TagPentaxFocusMode = 0x000D;
constexpr uint16_t TagPentaxLens = 0x003F;

bool Put(char* buf, const char* text)
{
    std::snprintf(buf, BufferSize, "%s", text);
    return true;
}

// A real number with a fixed count of decimals and always a decimal point: printf's %f
// would follow the user's locale, which Qt switches on at start-up.
std::string Fixed(double value, int decimals)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("?");
}

} // namespace

bool TExifRoot::ReadExifRational(uint16_t tag, uint32_t& n, uint32_t& d) const
{
    if (!HasExif)
        return false;
    // Type and count are not consulted: the value field is always the offset of the pair.
    const unsigned char* e = FindEntry(ExifDir, tag);
    if (!e)
        return false;
    const unsigned char* p = Locate(ExifDir.Origin, EntryValue(e), 8);
    if (!p)
        return false;
    n = Read32(p);
    d = Read32(p + 4);
    return true;
}

bool TExifRoot::ReadExifShort(uint16_t tag, uint16_t& value) const
{
    if (!HasExif)
        return false;
    const unsigned char* e = FindEntry(ExifDir, tag);
    if (!e)
        return false;
    value = Read16(e + 8);
    return true;
}

bool TExifRoot::GetExposureTime(char* buf) const
{
    uint32_t n = 0, d = 0;
    if (!ReadExifRational(TagExposureTime, n, d))
        return false;
    // Unsigned formats: a numerator above 2^31 is a (silly) number of seconds, not a negative one.
    if (d <= 1) {
        std::snprintf(buf, BufferSize, "%" PRIu32, n);
    } else if (n <= 1) {
        std::snprintf(buf, BufferSize, "%" PRIu32 "/%" PRIu32, n, d);
    } else if (d % n == 0) {
        std::snprintf(buf, BufferSize, "1/%" PRIu32, d / n);
    } else {
        const double v = double(n) / double(d);
        Put(buf, Fixed(v, v >= 0.3 ? 1 : v >= 0.03 ? 2 : 4).c_str());
    }
    return true;
}

bool TExifRoot::GetFNumber(char* buf) const
{
    uint32_t n = 0, d = 0;
    if (!ReadExifRational(TagFNumber, n, d) || d == 0)
        return false;
    std::snprintf(buf, BufferSize, "F%s", Fixed(double(n) / double(d), 1).c_str());
    return true;
}

bool TExifRoot::GetFocalLength(char* buf) const
{
    uint32_t n = 0, d = 0;
    if (!ReadExifRational(TagFocalLength, n, d) || d == 0)
        return false;
    const double mm = double(n) / double(d);
    uint16_t mm35 = 0;
    if (ReadExifShort(TagFocalLength35, mm35))
        std::snprintf(buf, BufferSize, "%s(%u)mm", Fixed(mm, 1).c_str(), unsigned(mm35));
    else
        std::snprintf(buf, BufferSize, "%smm", Fixed(mm, 1).c_str());
    return true;
}

bool TExifRoot::GetISO(char* buf) const
{
    uint16_t iso = 0;
    if (!ReadExifShort(TagISO, iso))
        return false;
    std::snprintf(buf, BufferSize, "ISO%u", unsigned(iso));
    return true;
}

bool TExifRoot::GetExposureBias(char* buf) const
{
    uint32_t un = 0, ud = 0;
    if (!ReadExifRational(TagExposureBias, un, ud))
        return false;
    const int32_t n = int32_t(un), d = int32_t(ud);
    if (n == 0 || d == 0)
        return Put(buf, "EV±0");
    // 64-bit magnitudes: |INT32_MIN| does not fit 32 bits.
    const int64_t a = std::llabs(int64_t(n)), b = std::llabs(int64_t(d));
    const char sign = (n < 0) != (d < 0) ? '-' : '+';
    if (b == 1)
        std::snprintf(buf, BufferSize, "EV%c%" PRId64, sign, a);
    else if (b % a == 0)
        std::snprintf(buf, BufferSize, "EV%c1/%" PRId64, sign, b / a);
    else
        std::snprintf(buf, BufferSize, "EV%c%" PRId64 "/%" PRId64, sign, a, b);
    return true;
}

bool TExifRoot::GetExposureProgram(char* buf) const
{
    static const char* const names[] = {"露出ﾓｰﾄﾞ不明", "M", "P", "Av", "Tv", "高速P", "低速P", "ﾎﾟｰﾄﾚｲﾄ", "風景"};
    uint16_t v = 0;
    if (!ReadExifShort(TagExposureProgram, v))
        return false;
    return Put(buf, v < std::size(names) ? names[v] : names[0]);
}

bool TExifRoot::GetMeteringMode(char* buf) const
{
    if (!HasExif)
        return false;
    uint16_t v = 0;
    // Cameras leave the metering entry out in manual exposure.
    if (!ReadExifShort(TagMeteringMode, v))
        return Put(buf, "ﾏﾆｭｱﾙ露出");
    switch (v) {
    case 1: return Put(buf, "平均測光");
    case 2: return Put(buf, "中央重点");
    case 3: return Put(buf, "ｽﾎﾟｯﾄ");
    case 4: return Put(buf, "ﾏﾙﾁｽﾎﾟｯﾄ");
    case 5: return Put(buf, "多分割");
    case 6: return Put(buf, "部分");
    case 255: return Put(buf, "その他");
    default: return Put(buf, "不明");
    }
}

bool TExifRoot::GetFlash(char* buf) const
{
    uint16_t v = 0;
    if (!ReadExifShort(TagFlash, v))
        return false;
    if (!(v & 1))
        return Put(buf, "F非発光");
    // Fired, but the strobe's return light was not detected.
    if ((v & 6) == 4)
        return Put(buf, "不明");
    return Put(buf, "F発光");
}

bool TExifRoot::GetWhiteBalance(char* buf) const
{
    uint16_t v = 0;
    if (!ReadExifShort(TagWhiteBalance, v))
        return false;
    return Put(buf, (v & 1) ? "WBﾏﾆｭｱﾙ" : "WBｵｰﾄ");
}

bool TExifRoot::GetModel(char* buf) const
{
    return GetString(Dirs[0], TagModel, buf);
}

bool TExifRoot::GetDateTimeOriginal(char* buf) const
{
    return HasExif && GetString(ExifDir, TagDateTimeOriginal, buf);
}

bool TExifRoot::GetFocusMode(char*) const { return false; }
bool TExifRoot::GetLensName(char*) const { return false; }

bool TExifRootPENTAXistD::GetFocusMode(char* buf) const
{
    if (!HasMakerNote)
        return false;
    const unsigned char* e = FindEntry(MakerDir, TagPentaxFocusMode);
    if (!e)
        return false;
    switch (Read16(e + 8)) {
    case 3: return Put(buf, "MF");
    case 16: return Put(buf, "AF-S");
    case 17: return Put(buf, "AF-C");
    default: return false;
    }
}

bool TExifRootPENTAXistD::GetLensName(char* buf) const
{
    if (!HasMakerNote)
        return false;
    const unsigned char* e = FindEntry(MakerDir, TagPentaxLens);
    if (!e)
        return false;
    // Group and number are the first two bytes of the value field, in any byte order.
    return Put(buf, FindLensName(e[8], e[9]));
}

namespace {

using Getter = bool (TExifRoot::*)(char*) const;

void AppendItem(std::string& out, const TExifRoot& reader, Getter getter)
{
    char buf[BufferSize] = {};
    if ((reader.*getter)(buf)) {
        out += buf;
        out += ' ';
    }
}

} // namespace

std::string MakeSummaryText(const TExifRoot& reader)
{
    std::string out;
    AppendItem(out, reader, &TExifRoot::GetExposureTime);
    AppendItem(out, reader, &TExifRoot::GetFNumber);
    AppendItem(out, reader, &TExifRoot::GetFocalLength);
    char name[BufferSize] = {};
    if (reader.GetLensName(name) || reader.GetModel(name)) {
        out += '"';
        out += name;
        out += "\" ";
    }
    for (Getter g : {&TExifRoot::GetISO, &TExifRoot::GetExposureBias, &TExifRoot::GetExposureProgram,
                     &TExifRoot::GetMeteringMode, &TExifRoot::GetFocusMode, &TExifRoot::GetWhiteBalance,
                     &TExifRoot::GetFlash})
        AppendItem(out, reader, g);
    return out;
}

TChooserTexts MakeChooserTexts(const TExifRoot& reader)
{
    TChooserTexts t;
    char buf[BufferSize] = {};
    t.ShotDate = reader.GetDateTimeOriginal(buf) ? buf : "不明";
    for (Getter g : {&TExifRoot::GetExposureTime, &TExifRoot::GetFNumber, &TExifRoot::GetFocalLength,
                     &TExifRoot::GetISO, &TExifRoot::GetExposureBias, &TExifRoot::GetExposureProgram,
                     &TExifRoot::GetMeteringMode, &TExifRoot::GetFocusMode, &TExifRoot::GetWhiteBalance,
                     &TExifRoot::GetFlash})
        AppendItem(t.ShotExposure, reader, g);
    if (reader.GetModel(buf)) {
        t.ShotCamera += buf;
        t.ShotCamera += ' ';
    }
    if (reader.GetLensName(buf))
        t.ShotCamera += buf;
    return t;
}
