// The HEIC plug-in's reading of the sizes a file declares besides its primary's: files built
// box by box, each declaring one canvas or coded picture, and a file libheif itself wrote.
#include "plugins/heif/HeifSizes.h"
#include "support/PictureWriters.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>

namespace {

void Put(Bytes& out, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

Bytes Box(const char* type, const Bytes& body, int fullBoxVersion = -1)
{
    Bytes out;
    Put(out, body.size() + 8 + (fullBoxVersion >= 0 ? 4 : 0), 4);
    out.insert(out.end(), type, type + 4);
    if (fullBoxVersion >= 0) Put(out, uint64_t(fullBoxVersion) << 24, 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct BitWriter {
    Bytes bytes;
    int used = 8;
    void Bit(int b)
    {
        if (used == 8) bytes.push_back(0), used = 0;
        bytes.back() |= static_cast<unsigned char>(b << (7 - used++));
    }
    void Bits(uint64_t v, int n) { for (int i = n - 1; i >= 0; --i) Bit(i < 64 ? int(v >> i) & 1 : 0); }
    void Ue(uint32_t v)
    {
        int n = 0;
        while ((uint64_t(v) + 1) >> (n + 1)) ++n;
        Bits(0, n);
        Bits(uint64_t(v) + 1, n + 1);
    }
};

// An HEVC SPS NAL for width x height, its profile fields zero (so that emulation prevention
// bytes appear, as in real streams), with `subLayers` sub-layers described.
Bytes Sps(uint32_t width, uint32_t height, int subLayers)
{
    BitWriter w;
    w.Bits(0, 4), w.Bits(uint64_t(subLayers), 3), w.Bit(1), w.Bits(0, 96);
    for (int i = 0; i < subLayers; ++i) w.Bits(3, 2);
    if (subLayers > 0) w.Bits(0, 2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i) w.Bits(0, 96);
    w.Ue(0), w.Ue(1), w.Ue(width), w.Ue(height), w.Bit(1);
    Bytes nal = {0x42, 0x01};
    int zeros = 0;
    for (unsigned char b : w.bytes) {
        if (zeros >= 2 && b <= 3) nal.push_back(3), zeros = 0;
        zeros = b == 0 ? zeros + 1 : 0;
        nal.push_back(b);
    }
    return nal;
}

Bytes Hvcc(const Bytes& sps)
{
    Bytes c(22, 0);
    c.push_back(1), c.push_back(0x80 | 33), Put(c, 1, 2), Put(c, sps.size(), 2);
    return c + sps;
}

// An AV1 sequence header OBU (reduced still picture header) for width x height.
Bytes Av1Sequence(uint32_t width, uint32_t height)
{
    BitWriter w;
    w.Bits(0, 3), w.Bit(1), w.Bit(1), w.Bits(0, 5), w.Bits(15, 4), w.Bits(15, 4);
    w.Bits(width - 1, 16), w.Bits(height - 1, 16);
    Bytes obu = {0x0a, static_cast<unsigned char>(w.bytes.size())};
    return obu + w.bytes;
}

// A file of one image item of `type` whose data (in 'idat') is `data`, with `property` as
// its only property.
Bytes File(const char* type, const Bytes& data, const Bytes& property = {})
{
    Bytes infe;
    Put(infe, 1, 2), Put(infe, 0, 2), infe.insert(infe.end(), type, type + 4), infe.push_back(0);
    Bytes iinf;
    Put(iinf, 1, 2);
    Bytes iloc = {0x44, 0x00};
    Put(iloc, 1, 2), Put(iloc, 1, 2), Put(iloc, 1, 2), Put(iloc, 0, 2), Put(iloc, 1, 2), Put(iloc, 0, 4),
        Put(iloc, data.size(), 4);
    const Bytes meta = Box("iinf", iinf + Box("infe", infe, 2), 0) + Box("iloc", iloc, 1) + Box("idat", data) +
                       Box("iprp", Box("ipco", property));
    return Box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0}) + Box("meta", meta, 0);
}

Bytes Canvas(int version, int flags, uint32_t width, uint32_t height, bool overlay)
{
    Bytes d = {static_cast<unsigned char>(version), static_cast<unsigned char>(flags)};
    d.resize(overlay ? 10 : 4, 0);
    Put(d, width, flags & 1 ? 4 : 2), Put(d, height, flags & 1 ? 4 : 2);
    return d;
}

bool Fits(const Bytes& file, uint64_t maxPixels)
{
    return HeifDeclaredSizesFit(file.data(), file.size(), maxPixels) != 0;
}

} // namespace

TEST(HeifSizes, EachDeclaredCanvasAndCodedSizeIsReadAndBounded)
{
    const uint64_t limit = 2048 * 3072;
    struct Case {
        const char* what;
        Bytes file;
        bool fits;
    } cases[] = {
        {"grid of its primary's size", File("grid", Canvas(0, 0, 2048, 3072, false)), true},
        {"grid far beyond it", File("grid", Canvas(0, 0, 28009, 28005, false)), false},
        {"grid with 32-bit sizes", File("grid", Canvas(0, 1, 70000, 70000, false)), false},
        {"overlay canvas beyond it", File("iovl", Canvas(0, 0, 60000, 60000, true)), false},
        {"parameter set of the size", File("hvc1", {}, Box("hvcC", Hvcc(Sps(2048, 3072, 0)))), true},
        {"parameter set beyond it", File("hvc1", {}, Box("hvcC", Hvcc(Sps(20000, 20000, 0)))), false},
        {"behind sub-layer profiles", File("hvc1", {}, Box("hvcC", Hvcc(Sps(20000, 20000, 3)))), false},
        {"in the coded data itself", File("hvc1", Bytes{0, 0, 0, uint8_t(Sps(9000, 9000, 1).size())} +
                                                      Sps(9000, 9000, 1)), false},
        {"AV1 sequence header of the size", File("av01", {}, Box("av1C", Bytes(4, 0) + Av1Sequence(2048, 3000))), true},
        {"AV1 sequence header beyond it", File("av01", Av1Sequence(65536, 65536)), false},
    };
    for (const Case& c : cases) EXPECT_EQ(Fits(c.file, limit), c.fits) << c.what;
    // A structure that cannot be followed is not let through.
    Bytes cut = cases[0].file;
    cut.resize(cut.size() - 20);
    EXPECT_FALSE(Fits(cut, limit));
}

TEST(HeifSizes, ReadsTheParameterSetsOfAFileLibheifWrote)
{
    const QImage picture(QSize(200, 120), QImage::Format_RGB32);
    const QByteArray heic = WriteHeic(picture, true, {});
    if (heic.isEmpty()) GTEST_SKIP() << "libheif has no HEVC encoder here";
    const Bytes file(heic.begin(), heic.end());
    EXPECT_TRUE(Fits(file, 2 * (200 + 64) * (120 + 64)));
    EXPECT_FALSE(Fits(file, 200 * 100)) << "its coded picture was not found";
}
