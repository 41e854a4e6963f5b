#include "loading/SpiHost.h"
#include "tests/plugins/PngWriter.h"
#include "tests/plugins/SpiTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>

#include <cstdlib>
#include <dlfcn.h>
#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

namespace {

// The shipped plug-in, loaded the way the viewer loads it: a scan of its folder.
class PngPlugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadPlugins(FHost, QFileInfo(QStringLiteral(VELUMIRA_PNG_SPI)).absolutePath());
        for (const TSpiPluginPtr& p : FHost.Plugins())
            if (QFileInfo(p->Path).fileName() == QStringLiteral("png.spi")) FPlugin = p.get();
        ASSERT_NE(FPlugin, nullptr);
    }

    // Decodes bytes stored under name; a null image when nothing was delivered.
    QImage Decode(const QByteArray& bytes, const QString& name = QStringLiteral("p.png"))
    {
        QImage image;
        TPixelFormat format = TPixelFormat::pf8bit;
        if (!TryPluginDecode(&FHost, FFolder.Write(name, bytes), image, format)) return QImage();
        EXPECT_EQ(format, TPixelFormat::pfDevice);
        return image;
    }

    // GetPicture over bytes in memory; the blocks are freed here.
    int32_t DecodeMemory(const QByteArray& bytes, SpiProgressCallback progress = nullptr)
    {
        void* header = nullptr;
        void* bits = nullptr;
        const int32_t r = FPlugin->GetPicture(bytes.constData(), bytes.size(), SPI_INPUT_MEMORY, &header, &bits,
                                              progress, 0);
        std::free(header);
        std::free(bits);
        return r;
    }

    TSpiHost FHost;
    TSpiPlugin* FPlugin = nullptr;
    TestFolder FFolder;
};

uint8_t To8(uint16_t v, int depth)
{
    if (depth == 16) return uint8_t((uint32_t(v) * 255 + 32767) / 65535);
    return uint8_t(v * 255 / ((1 << depth) - 1));
}

uint8_t OnWhite(int c, int a) { return uint8_t((c * a + 255 * (255 - a) + 127) / 255); }

// What the pixel must look like: samples scaled to 8 bits, transparency composed on white.
QRgb Expected(const PngSpec& s, int x, int y)
{
    const std::vector<uint16_t> v = s.sample(x, y);
    const int d = s.bitDepth;
    int r = 0, g = 0, b = 0, a = 255;
    switch (s.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        r = g = b = To8(v[0], d);
        if (s.transparent && v[0] == (*s.transparent)[0]) a = 0;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        r = g = b = To8(v[0], d);
        a = To8(v[1], d);
        break;
    case PNG_COLOR_TYPE_PALETTE:
        r = s.palette[v[0]][0];
        g = s.palette[v[0]][1];
        b = s.palette[v[0]][2];
        if (v[0] < s.paletteAlpha.size()) a = s.paletteAlpha[v[0]];
        break;
    case PNG_COLOR_TYPE_RGB:
        r = To8(v[0], d);
        g = To8(v[1], d);
        b = To8(v[2], d);
        if (s.transparent && v[0] == (*s.transparent)[0] && v[1] == (*s.transparent)[1] && v[2] == (*s.transparent)[2])
            a = 0;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        r = To8(v[0], d);
        g = To8(v[1], d);
        b = To8(v[2], d);
        a = To8(v[3], d);
        break;
    }
    return qRgb(OnWhite(r, a), OnWhite(g, a), OnWhite(b, a));
}

// Deterministic samples spread over the whole range of the depth.
std::function<std::vector<uint16_t>(int, int)> Samples(int channels, int depth, int maxIndex = -1)
{
    return [=](int x, int y) {
        std::vector<uint16_t> v(channels);
        const uint32_t top = maxIndex >= 0 ? uint32_t(maxIndex) : (1u << depth) - 1;
        for (int c = 0; c < channels; ++c) {
            const uint32_t h = uint32_t(x * 7919 + y * 104729 + c * 15485863) * 2654435761u;
            v[c] = uint16_t((h >> 8) % (top + 1));
        }
        // Corners pin the extremes: fully opaque and fully transparent pixels always occur.
        if (x == 0 && y == 0) std::fill(v.begin(), v.end(), uint16_t(top));
        if (x == 1 && y == 0) std::fill(v.begin(), v.end(), uint16_t(0));
        return v;
    };
}

std::vector<std::array<uint8_t, 3>> Palette(int entries)
{
    std::vector<std::array<uint8_t, 3>> p;
    for (int i = 0; i < entries; ++i) p.push_back({uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 101)});
    return p;
}

struct PngCase {
    const char* name;
    int colourType;
    int depth;
    bool interlaced = false;
    bool withTrns = false;
};

PngSpec SpecFor(const PngCase& c)
{
    PngSpec s;
    s.width = 13;   // odd: DIB rows need padding
    s.height = 9;
    s.colourType = c.colourType;
    s.bitDepth = c.depth;
    s.interlaced = c.interlaced;
    const int channels = PngChannels(c.colourType);
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = std::min(1 << c.depth, 200);
        s.palette = Palette(entries);
        if (c.withTrns) s.paletteAlpha = {0, 128, 255, 64};
        s.sample = Samples(1, c.depth, entries - 1);
    } else {
        s.sample = Samples(channels, c.depth);
        if (c.withTrns) {
            const std::vector<uint16_t> zero = s.sample(1, 0);   // the all-zero corner
            s.transparent = std::array<uint16_t, 3>{zero[0], zero[0], zero[0]};
        }
    }
    return s;
}

TEST_F(PngPlugin, EveryColourTypeAndDepthDecodes)
{
    const PngCase cases[] = {
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1},
        {"grey 2", PNG_COLOR_TYPE_GRAY, 2},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16},
        {"grey 8 with transparent value", PNG_COLOR_TYPE_GRAY, 8, false, true},
        {"grey + alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"grey + alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        {"palette 1", PNG_COLOR_TYPE_PALETTE, 1},
        {"palette 2", PNG_COLOR_TYPE_PALETTE, 2},
        {"palette 4", PNG_COLOR_TYPE_PALETTE, 4},
        {"palette 8", PNG_COLOR_TYPE_PALETTE, 8},
        {"palette 8 with tRNS", PNG_COLOR_TYPE_PALETTE, 8, false, true},
        {"palette 4 with tRNS, interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, true},
        {"RGB 8", PNG_COLOR_TYPE_RGB, 8},
        {"RGB 16", PNG_COLOR_TYPE_RGB, 16},
        {"RGB 8 with transparent colour", PNG_COLOR_TYPE_RGB, 8, false, true},
        {"RGB 16, interlaced", PNG_COLOR_TYPE_RGB, 16, true},
        {"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"RGBA 8, interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
        {"grey + alpha 16, interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PngSpec spec = SpecFor(c);
        const QByteArray png = WritePng(spec);
        ASSERT_FALSE(png.isEmpty());
        const QImage image = Decode(png);
        ASSERT_EQ(image.size(), QSize(spec.width, spec.height));
        const int tolerance = c.depth == 16 ? 1 : 0;
        for (int y = 0; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x) {
                const QRgb want = Expected(spec, x, y);
                const QRgb got = image.pixel(x, y);
                EXPECT_LE(std::abs(qRed(got) - qRed(want)), tolerance) << x << "," << y;
                EXPECT_LE(std::abs(qGreen(got) - qGreen(want)), tolerance) << x << "," << y;
                EXPECT_LE(std::abs(qBlue(got) - qBlue(want)), tolerance) << x << "," << y;
            }
    }
}

TEST_F(PngPlugin, AlphaIsComposedOnWhite)
{
    struct Pixel {
        std::array<uint16_t, 4> rgba;
        QRgb shown;
    };
    const Pixel pixels[] = {
        {{255, 0, 0, 0}, qRgb(255, 255, 255)},     // invisible red
        {{255, 0, 0, 255}, qRgb(255, 0, 0)},       // opaque red
        {{0, 0, 0, 128}, qRgb(127, 127, 127)},     // half black
        {{255, 0, 0, 128}, qRgb(255, 127, 127)},   // half red
    };
    PngSpec spec;
    spec.width = 4;
    spec.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    spec.sample = [&](int x, int) {
        const auto& p = pixels[x].rgba;
        return std::vector<uint16_t>(p.begin(), p.end());
    };
    const QImage image = Decode(WritePng(spec));
    ASSERT_EQ(image.width(), 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image.pixel(x, 0), pixels[x].shown) << x;
}

TEST_F(PngPlugin, PictureSavedByQtMatchesQtsOwnCompositionOnWhite)
{
    QImage source(31, 17, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) source.setPixel(x, y, qRgba(x * 8, y * 15, 255 - x * 8, (x * y * 9) % 256));
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(source.save(&buffer, "PNG"));

    QImage onWhite(source.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    QPainter(&onWhite).drawImage(0, 0, source);

    const QImage image = Decode(png);
    ASSERT_EQ(image.size(), source.size());
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = onWhite.pixel(x, y);
            EXPECT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)), 3)
                << x << "," << y;
        }
}

TEST_F(PngPlugin, InfoReportsSizeAndStoredDepth)
{
    PngCase c{"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16};
    const QString file = FFolder.Write(QStringLiteral("i.png"), WritePng(SpecFor(c)));
    SpiPictureInfo info{};
    ASSERT_EQ(FPlugin->GetPictureInfo(QFile::encodeName(file).constData(), 0, SPI_INPUT_FILE, &info), SPI_ALL_RIGHT);
    EXPECT_EQ(info.width, 13);
    EXPECT_EQ(info.height, 9);
    EXPECT_EQ(info.colorDepth, 64);
    const void* text = info.hInfo;   // packed: no reference to the member
    EXPECT_EQ(text, nullptr);
}

TEST_F(PngPlugin, IsSupportedLooksAtTheSignatureThroughTheDescriptor)
{
    const QByteArray png = WritePng(SpecFor({"grey 8", PNG_COLOR_TYPE_GRAY, 8}));
    struct Case {
        const char* name;
        QByteArray bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"PNG named .dat", png, true},
        {"signature alone", png.left(8), true},
        {"seven bytes", png.left(7), false},
        {"JPEG", QByteArray("\xFF\xD8\xFF\xE0 not a png"), false},
        {"empty", QByteArray(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = FFolder.Write(QStringLiteral("s.dat"), c.bytes);
        EXPECT_EQ(SelectPlugin(FHost, file) && FHost.Selected().get() == FPlugin, c.accepted);
    }
    EXPECT_EQ(FPlugin->IsSupported("whatever.png", -1), 0);
}

TEST_F(PngPlugin, HostileAndTruncatedFilesAreRefused)
{
    const QByteArray good = WritePng(SpecFor({"RGBA 8, interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true}));
    ASSERT_EQ(DecodeMemory(good), SPI_ALL_RIGHT);
    // Every cut short of the end of the picture data fails cleanly (the sanitizer build
    // checks that nothing leaks or is read out of bounds).
    for (qsizetype n = 0; n < good.size() - 12; n += 3) {
        EXPECT_NE(DecodeMemory(good.left(n)), SPI_ALL_RIGHT) << n;
    }

    QByteArray badCrc = good;
    badCrc[29] = char(badCrc[29] ^ 1);   // IHDR checksum
    EXPECT_NE(DecodeMemory(badCrc), SPI_ALL_RIGHT);

    QByteArray badData = good;
    for (qsizetype i = 50; i < badData.size() - 20; i += 7) badData[i] = char(0x5A);
    EXPECT_NE(DecodeMemory(badData), SPI_ALL_RIGHT);

    EXPECT_EQ(Decode(good.left(good.size() / 2)), QImage());
}

// A header claiming a huge picture must be refused before any pixel memory is taken.
QByteArray HugeHeaderPng(uint32_t width, uint32_t height)
{
    PngSpec spec;
    spec.width = 1;
    spec.colourType = PNG_COLOR_TYPE_GRAY;
    spec.sample = [](int, int) { return std::vector<uint16_t>{0}; };
    QByteArray png = WritePng(spec);
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = char(width >> (24 - 8 * i));
        png[20 + i] = char(height >> (24 - 8 * i));
    }
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

TEST_F(PngPlugin, OversizedHeadersAreRefusedBeforeAllocation)
{
    for (auto [w, h] : {std::pair{1000000u, 1000000u}, std::pair{0x7FFFFFFFu, 1u}, std::pair{20000u, 20000u}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        EXPECT_NE(DecodeMemory(HugeHeaderPng(w, h)), SPI_ALL_RIGHT);
    }
}

TEST_F(PngPlugin, InputFormsAndFlags)
{
    const QByteArray png = WritePng(SpecFor({"RGB 8", PNG_COLOR_TYPE_RGB, 8}));
    // A picture that starts at an offset inside the file.
    const QString file = FFolder.Write(QStringLiteral("o.bin"), QByteArray(100, 'x') + png);
    const QByteArray name = QFile::encodeName(file);
    void* header = nullptr;
    void* bits = nullptr;
    EXPECT_EQ(FPlugin->GetPicture(name.constData(), 100, SPI_INPUT_FILE, &header, &bits, nullptr, 0), SPI_ALL_RIGHT);
    ASSERT_NE(header, nullptr);
    SpiBitmapInfoHeader bi;
    std::memcpy(&bi, header, sizeof bi);
    EXPECT_EQ(bi.biBitCount, 24);
    EXPECT_EQ(bi.biHeight, 9);   // bottom-up
    std::free(header);
    std::free(bits);

    EXPECT_NE(FPlugin->GetPicture(name.constData(), 0, SPI_INPUT_FILE, &header, &bits, nullptr, 0), SPI_ALL_RIGHT);
    EXPECT_EQ(FPlugin->GetPicture(name.constData(), 100, 2, &header, &bits, nullptr, 0), SPI_NOT_IMPLEMENTED);
    EXPECT_EQ(DecodeMemory(png), SPI_ALL_RIGHT);
}

TEST_F(PngPlugin, ProgressCallbackCanStopTheDecode)
{
    const QByteArray png = WritePng(SpecFor({"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 8}));
    EXPECT_EQ(DecodeMemory(png, [](int32_t, int32_t, intptr_t) -> int32_t { return 1; }), SPI_ABORT);
    EXPECT_EQ(DecodeMemory(png, [](int32_t, int32_t, intptr_t) -> int32_t { return 0; }), SPI_ALL_RIGHT);
}

TEST_F(PngPlugin, FifoNamedLikeAPictureNeverBlocks)
{
    const QString fifo = FFolder.Path(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QImage image;
    TPixelFormat format = TPixelFormat::pf8bit;
    EXPECT_FALSE(TryPluginDecode(&FHost, fifo, image, format));
    SpiPictureInfo info{};
    EXPECT_EQ(FPlugin->GetPictureInfo(QFile::encodeName(fifo).constData(), 0, SPI_INPUT_FILE, &info),
              SPI_FILE_READ_ERROR);
}

} // namespace
