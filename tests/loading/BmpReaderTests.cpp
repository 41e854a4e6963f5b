#include "loading/BmpReader.h"
#include "loading/LoadErrors.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

namespace {

const std::vector<QRgb> Palette4 = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

struct Loaded {
    QImage image;
    TPixelFormat format = TPixelFormat::pfDevice;
};

Loaded Read(const QByteArray& bytes)
{
    Loaded l;
    ReadBmpData(reinterpret_cast<const unsigned char*>(bytes.constData()),
                static_cast<std::size_t>(bytes.size()), l.image, l.format);
    return l;
}

// A 3 x 2 picture; the top row differs from the bottom one so a flipped read shows.
struct DepthCase {
    const char* name;
    BmpSpec spec;
    TPixelFormat format;
    QImage::Format qtFormat;
    std::vector<QRgb> expected;   // rows from the top
};

BmpSpec ThreeByTwo(int bits, std::vector<uint32_t> pixels, std::vector<QRgb> palette = {})
{
    BmpSpec s;
    s.Width = 3;
    s.Height = 2;
    s.Bits = bits;
    s.Pixels = std::move(pixels);
    s.Palette = std::move(palette);
    return s;
}

std::vector<DepthCase> DepthCases()
{
    std::vector<DepthCase> cases;
    const std::vector<QRgb> rgb = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                   qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(8, 16, 24)};
    cases.push_back({"1 bit", ThreeByTwo(1, {1, 0, 1, 0, 0, 1}, {qRgb(10, 20, 30), qRgb(200, 210, 220)}),
                     TPixelFormat::pf1bit, QImage::Format_Mono,
                     {qRgb(200, 210, 220), qRgb(10, 20, 30), qRgb(200, 210, 220), qRgb(10, 20, 30),
                      qRgb(10, 20, 30), qRgb(200, 210, 220)}});
    cases.push_back({"4 bit", ThreeByTwo(4, {1, 2, 3, 0, 3, 1}, Palette4), TPixelFormat::pf4bit,
                     QImage::Format_Indexed8,
                     {Palette4[1], Palette4[2], Palette4[3], Palette4[0], Palette4[3], Palette4[1]}});
    cases.push_back({"8 bit", ThreeByTwo(8, {3, 2, 1, 0, 1, 2}, Palette4), TPixelFormat::pf8bit,
                     QImage::Format_Indexed8,
                     {Palette4[3], Palette4[2], Palette4[1], Palette4[0], Palette4[1], Palette4[2]}});
    cases.push_back({"16 bit 555", ThreeByTwo(16, {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0, 0x0421}),
                     TPixelFormat::pf15bit, QImage::Format_RGB555,
                     {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                      qRgb(0, 0, 0), qRgb(8, 8, 8)}});
    BmpSpec s565 = ThreeByTwo(16, {0xF800, 0x07E0, 0x001F, 0xFFFF, 0, 0x0841});
    s565.Compression = 3;
    s565.Masks[0] = 0xF800; s565.Masks[1] = 0x07E0; s565.Masks[2] = 0x001F;
    cases.push_back({"16 bit 565 bit fields", s565, TPixelFormat::pf16bit, QImage::Format_RGB16,
                     {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                      qRgb(0, 0, 0), qRgb(8, 8, 8)}});
    BmpSpec s444 = ThreeByTwo(16, {0x0F00, 0x00F0, 0x000F, 0x0FFF, 0, 0x0888});
    s444.Compression = 3;
    s444.Masks[0] = 0x0F00; s444.Masks[1] = 0x00F0; s444.Masks[2] = 0x000F;
    cases.push_back({"16 bit 444 bit fields", s444, TPixelFormat::pfCustom, QImage::Format_RGB32,
                     {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                      qRgb(0, 0, 0), qRgb(136, 136, 136)}});
    cases.push_back({"24 bit", ThreeByTwo(24, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x081018}),
                     TPixelFormat::pf24bit, QImage::Format_BGR888, rgb});
    cases.push_back({"32 bit", ThreeByTwo(32, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x081018}),
                     TPixelFormat::pf32bit, QImage::Format_RGB32, rgb});
    BmpSpec sTop = ThreeByTwo(24, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x081018});
    sTop.TopDown = true;
    cases.push_back({"24 bit top-down", sTop, TPixelFormat::pf24bit, QImage::Format_BGR888, rgb});
    BmpSpec sCore = ThreeByTwo(8, {3, 2, 1, 0, 1, 2}, Palette4);
    sCore.HeaderKind = BmpSpec::Core;
    cases.push_back({"core header palette", sCore, TPixelFormat::pf8bit, QImage::Format_Indexed8,
                     {Palette4[3], Palette4[2], Palette4[1], Palette4[0], Palette4[1], Palette4[2]}});
    for (BmpSpec::Header h : {BmpSpec::V4, BmpSpec::V5}) {
        BmpSpec s = ThreeByTwo(32, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x081018});
        s.HeaderKind = h;
        s.Compression = 3;
        s.Masks[0] = 0xFF0000; s.Masks[1] = 0xFF00; s.Masks[2] = 0xFF;
        cases.push_back({h == BmpSpec::V4 ? "V4 header" : "V5 header", s, TPixelFormat::pf32bit,
                         QImage::Format_RGB32, rgb});
    }
    return cases;
}

TEST(BmpReader, EveryDepthKeepsItsFormatAndPixels)
{
    for (const DepthCase& c : DepthCases()) try {
        SCOPED_TRACE(c.name);
        const Loaded l = Read(BuildBmp(c.spec));
        ASSERT_EQ(l.image.size(), QSize(3, 2)) << c.name;
        EXPECT_EQ(l.format, c.format) << c.name;
        EXPECT_EQ(l.image.format(), c.qtFormat) << c.name;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(l.image.pixel(i % 3, i / 3) | 0xFF000000u, c.expected[i] | 0xFF000000u)
                << c.name << " pixel " << i;
    } catch (const EStreamError& e) {
        ADD_FAILURE() << c.name << ": " << e.what();
    }
}

TEST(BmpReader, RunLengthEncodedPictures)
{
    // RLE8, 4 x 2: bottom row "run of 3 x index 1, absolute 2", then end of line,
    // top row "delta right 1", "run of 2 x index 3", end of bitmap.
    BmpSpec s8;
    s8.Width = 4; s8.Height = 2; s8.Bits = 8; s8.Compression = 1; s8.Palette = Palette4;
    s8.RawData = QByteArray("\x03\x01\x00\x03\x02\x02\x02\x00\x00\x00\x00\x02\x01\x00\x02\x03\x00\x01", 18);
    const Loaded l8 = Read(BuildBmp(s8));
    EXPECT_EQ(l8.format, TPixelFormat::pf8bit);
    const int top8[4] = {0, 3, 3, 0}, bottom8[4] = {1, 1, 1, 2};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(l8.image.pixelIndex(x, 0), top8[x]) << x;
        EXPECT_EQ(l8.image.pixelIndex(x, 1), bottom8[x]) << x;
    }
    // RLE4, 4 x 1: a run of 4 alternating 1/2, end of bitmap.
    BmpSpec s4;
    s4.Width = 4; s4.Height = 1; s4.Bits = 4; s4.Compression = 2; s4.Palette = Palette4;
    s4.RawData = QByteArray("\x04\x12\x00\x01", 4);
    const Loaded l4 = Read(BuildBmp(s4));
    EXPECT_EQ(l4.format, TPixelFormat::pf4bit);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(l4.image.pixelIndex(x, 0), x % 2 ? 2 : 1);
}

TEST(BmpReader, ZeroBytesGiveAnEmptyPicture)
{
    const Loaded l = Read(QByteArray());
    EXPECT_TRUE(l.image.isNull());
}

TEST(BmpReader, BadDataIsInvalidGraphic)
{
    const QByteArray good = BuildBmp(ThreeByTwo(24, {1, 2, 3, 4, 5, 6}));
    auto patched32 = [&](int at, uint32_t v) {
        QByteArray b = good;
        for (int k = 0; k < 4; ++k)
            b[at + k] = char(v >> (8 * k));
        return b;
    };
    BmpSpec rleTopDown = ThreeByTwo(8, {0, 0, 0, 0, 0, 0}, Palette4);
    rleTopDown.Compression = 1;
    rleTopDown.TopDown = true;
    rleTopDown.RawData = QByteArray("\x00\x01", 2);
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"too short", QByteArray("BM")},
        {"no BM mark", QByteArray("XY") + good.mid(2)},
        {"JPEG data", QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9") +
                          QByteArray(40, ' ')},
        {"pixel data cut", good.left(good.size() - 4)},
        {"unknown header size", patched32(14, 20)},
        {"header larger than file", patched32(14, 4000)},
        {"zero width", patched32(18, 0)},
        {"huge size", patched32(18, 0x7FFFFFFF)},
        {"data offset past end", patched32(10, 100000)},
        {"unknown compression", patched32(30, 4)},
        {"bad bit count", [&] { QByteArray b = good; b[28] = 7; return b; }()},
        {"RLE top-down", BuildBmp(rleTopDown)},
        {"palette past end", BuildBmp(ThreeByTwo(8, {0, 0, 0, 0, 0, 0}, Palette4)).left(14 + 40 + 8)},
    };
    for (const Case& c : cases) {
        try {
            Read(c.bytes);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です")) << c.name;
        }
    }
}

TEST(BmpReader, HeaderProbeAgreesWithRead)
{
    TPixelFormat format = TPixelFormat::pfDevice;
    const QByteArray bytes = BuildBmp(ThreeByTwo(4, {0, 1, 2, 3, 0, 1}, Palette4));
    EXPECT_EQ(ReadBmpSize(reinterpret_cast<const unsigned char*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()), &format),
              QSize(3, 2));
    EXPECT_EQ(format, TPixelFormat::pf4bit);
}

} // namespace
