#include "loading/SpiHost.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

namespace {

struct DibSpec {
    int width = 0;
    int height = 0;   // < 0: rows stored top-down
    int bits = 24;
    uint32_t compression = SPI_BI_RGB;
    uint32_t headerSize = 40;
    std::vector<QRgb> table;       // written as RGBQUAD entries; biClrUsed = their count
    std::vector<uint32_t> masks;   // inside a header of 52+ bytes, else right after it
};

void PutU32(QByteArray& b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}

QByteArray HeaderBlock(const DibSpec& s)
{
    QByteArray h(int(s.headerSize), '\0');
    SpiBitmapInfoHeader bi{};
    bi.biSize = s.headerSize;
    bi.biWidth = s.width;
    bi.biHeight = s.height;
    bi.biPlanes = 1;
    bi.biBitCount = uint16_t(s.bits);
    bi.biCompression = s.compression;
    bi.biClrUsed = uint32_t(s.table.size());
    std::memcpy(h.data(), &bi, sizeof bi);
    for (std::size_t i = 0; i < s.masks.size(); ++i) {
        if (s.headerSize >= 52) PutU32(h, 40 + int(i) * 4, s.masks[i]);
        else h.append(QByteArray(4, '\0')), PutU32(h, h.size() - 4, s.masks[i]);
    }
    for (QRgb c : s.table) {
        const char quad[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        h.append(quad, 4);
    }
    return h;
}

// raw(x, y) is the stored value of the pixel at (x, y) counted from the top.
QByteArray BitsBlock(const DibSpec& s, const std::function<uint32_t(int, int)>& raw)
{
    const int rows = s.height < 0 ? -s.height : s.height;
    const int stride = (s.width * s.bits + 31) / 32 * 4;
    QByteArray b(stride * rows, '\0');
    for (int y = 0; y < rows; ++y) {
        const int row = s.height < 0 ? y : rows - 1 - y;
        auto* p = reinterpret_cast<unsigned char*>(b.data()) + row * stride;
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = raw(x, y);
            switch (s.bits) {
            case 1: p[x / 8] |= uint8_t(v << (7 - x % 8)); break;
            case 4: p[x / 2] |= uint8_t(x % 2 ? v : v << 4); break;
            case 8: p[x] = uint8_t(v); break;
            case 16: p[2 * x] = uint8_t(v); p[2 * x + 1] = uint8_t(v >> 8); break;
            case 24: p[3 * x] = uint8_t(v); p[3 * x + 1] = uint8_t(v >> 8); p[3 * x + 2] = uint8_t(v >> 16); break;
            case 32: for (int i = 0; i < 4; ++i) p[4 * x + i] = uint8_t(v >> (8 * i)); break;
            }
        }
    }
    return b;
}

bool Convert(const QByteArray& header, const QByteArray& bits, int width, int height, QImage& out)
{
    out = QImage(width, height, QImage::Format_RGB32);
    out.fill(Qt::black);
    return ConvertDibToImage(header.constData(), std::size_t(header.size()), bits.constData(),
                             std::size_t(bits.size()), width, height, out);
}

struct ConvertCase {
    const char* name;
    DibSpec spec;
    std::function<uint32_t(int, int)> raw;
    std::function<QRgb(int, int)> expected;
};

const std::vector<QRgb> kFour = {qRgb(10, 20, 30), qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)};

TEST(SpiDib, EveryDepthConvertsPixelForPixel)
{
    const ConvertCase cases[] = {
        {"1 bit, row padding", {10, 3, 1, SPI_BI_RGB, 40, {qRgb(0, 0, 0), qRgb(255, 255, 0)}, {}},
         [](int x, int y) { return uint32_t((x + y) % 2); },
         [](int x, int y) { return (x + y) % 2 ? qRgb(255, 255, 0) : qRgb(0, 0, 0); }},
        {"4 bit, odd width", {3, 2, 4, SPI_BI_RGB, 40, kFour, {}},
         [](int x, int y) { return uint32_t((x + y) % 4); },
         [](int x, int y) { return kFour[(x + y) % 4]; }},
        {"8 bit, top-down", {5, -3, 8, SPI_BI_RGB, 40, kFour, {}},
         [](int x, int y) { return uint32_t((x * 3 + y) % 4); },
         [](int x, int y) { return kFour[(x * 3 + y) % 4]; }},
        {"8 bit, index past a short table is black", {2, 1, 8, SPI_BI_RGB, 40, {qRgb(1, 2, 3)}, {}},
         [](int x, int) { return uint32_t(x * 200); },
         [](int x, int) { return x ? qRgb(0, 0, 0) : qRgb(1, 2, 3); }},
        {"16 bit 5-5-5", {3, 1, 16, SPI_BI_RGB, 40, {}, {}},
         [](int x, int) { return std::vector<uint32_t>{0x7FFF, 0x7C00, 0x0010}[x]; },
         [](int x, int) { return std::vector<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 132)}[x]; }},
        {"16 bit 5-6-5 masks after the header", {2, 2, 16, SPI_BI_BITFIELDS, 40, {}, {0xF800, 0x07E0, 0x001F}},
         [](int x, int y) { return x ? 0x07E0u : (y ? 0xF800u : 0x001Fu); },
         [](int x, int y) { return x ? qRgb(0, 255, 0) : (y ? qRgb(255, 0, 0) : qRgb(0, 0, 255)); }},
        {"16 bit 5-6-5, more pixels than 16-bit values", {300, 250, 16, SPI_BI_BITFIELDS, 40, {}, {0xF800, 0x07E0, 0x001F}},
         [](int x, int y) { return (x + y) % 2 ? 0x07E0u : 0xF81Fu; },
         [](int x, int y) { return (x + y) % 2 ? qRgb(0, 255, 0) : qRgb(255, 0, 255); }},
        {"24 bit, stride padding", {5, 2, 24, SPI_BI_RGB, 40, {}, {}},
         [](int x, int y) { return uint32_t(x * 50) << 16 | uint32_t(y * 90) << 8 | 7u; },
         [](int x, int y) { return qRgb(x * 50, y * 90, 7); }},
        {"32 bit BGRX", {2, 2, 32, SPI_BI_RGB, 40, {}, {}},
         [](int x, int y) { return 0xAB000000u | uint32_t(x * 100) << 16 | uint32_t(y * 100) << 8 | 9u; },
         [](int x, int y) { return qRgb(x * 100, y * 100, 9); }},
        {"32 bit RGBX masks in a V5 header", {2, 1, 32, SPI_BI_BITFIELDS, 124, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}},
         [](int x, int) { return x ? 0x00030201u : 0x00FF0000u; },
         [](int x, int) { return x ? qRgb(1, 2, 3) : qRgb(0, 0, 255); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int height = c.spec.height < 0 ? -c.spec.height : c.spec.height;
        QImage image;
        ASSERT_TRUE(Convert(HeaderBlock(c.spec), BitsBlock(c.spec, c.raw), c.spec.width, height, image));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < c.spec.width; ++x) EXPECT_EQ(image.pixel(x, y), c.expected(x, y)) << x << "," << y;
    }
}

struct RefuseCase {
    const char* name;
    std::function<void(QByteArray& header, QByteArray& bits)> spoil;
};

TEST(SpiDib, MalformedBlocksAreRefusedAndTargetUntouched)
{
    const DibSpec good{4, 2, 24, SPI_BI_RGB, 40, {}, {}};
    const RefuseCase cases[] = {
        {"header block shorter than a header", [](QByteArray& h, QByteArray&) { h.truncate(39); }},
        {"biSize below 40", [](QByteArray& h, QByteArray&) { PutU32(h, 0, 12); }},
        {"biSize beyond the block", [](QByteArray& h, QByteArray&) { PutU32(h, 0, 41); }},
        {"width disagrees", [](QByteArray& h, QByteArray&) { PutU32(h, 4, 5); }},
        {"height disagrees", [](QByteArray& h, QByteArray&) { PutU32(h, 8, 3); }},
        {"most negative height", [](QByteArray& h, QByteArray&) { PutU32(h, 8, uint32_t(INT_MIN)); }},
        {"bit count 2", [](QByteArray& h, QByteArray&) { h[14] = 2; }},
        {"24 bit with bit fields", [](QByteArray& h, QByteArray&) { PutU32(h, 16, SPI_BI_BITFIELDS); }},
        {"run-length compression", [](QByteArray& h, QByteArray&) { PutU32(h, 16, 1); }},
        {"bits one byte short", [](QByteArray&, QByteArray& b) { b.chop(1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray header = HeaderBlock(good);
        QByteArray bits = BitsBlock(good, [](int, int) { return 0xFFFFFFu; });
        c.spoil(header, bits);
        QImage image;
        EXPECT_FALSE(Convert(header, bits, 4, 2, image));
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    }
}

TEST(SpiDib, TableAndMasksMustLieInsideTheHeaderBlock)
{
    DibSpec palette{2, 1, 8, SPI_BI_RGB, 40, kFour, {}};
    QByteArray header = HeaderBlock(palette);
    header.chop(1);   // last table entry cut short
    QImage image;
    EXPECT_FALSE(Convert(header, BitsBlock(palette, [](int, int) { return 0u; }), 2, 1, image));

    DibSpec fields{2, 1, 16, SPI_BI_BITFIELDS, 40, {}, {0xF800, 0x07E0, 0x001F}};
    header = HeaderBlock(fields);
    header.chop(4);   // blue mask missing
    EXPECT_FALSE(Convert(header, BitsBlock(fields, [](int, int) { return 0u; }), 2, 1, image));
}

TEST(SpiDib, TargetMustHaveTheReportedSize)
{
    const DibSpec spec{3, 2, 24, SPI_BI_RGB, 40, {}, {}};
    const QByteArray header = HeaderBlock(spec);
    const QByteArray bits = BitsBlock(spec, [](int, int) { return 0u; });
    QImage wrong(3, 3, QImage::Format_RGB32);
    EXPECT_FALSE(ConvertDibToImage(header.constData(), header.size(), bits.constData(), bits.size(), 3, 2, wrong));
    QImage otherFormat(3, 2, QImage::Format_BGR888);
    EXPECT_FALSE(ConvertDibToImage(header.constData(), header.size(), bits.constData(), bits.size(), 3, 2, otherFormat));
    EXPECT_FALSE(ConvertDibToImage(nullptr, 0, bits.constData(), bits.size(), 3, 2, wrong));
}

} // namespace
