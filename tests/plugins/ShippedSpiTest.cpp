// The shipped plug-ins for raw files, HEIC, TIFF and WebP, loaded from the build's plug-in
// folder as the viewer loads them: what each adds (preview chosen, turn applied, Exif handed
// over, failures), not what its library does.
#include "chooser/PictFileRead.h"
#include "chooser/ReadThumbSource.h"
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/SpiHost.h"
#include "support/DngBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <cstdlib>

namespace {

class ShippedPlugins : public ::testing::Test {
protected:
    void SetUp() override { LoadPlugins(FHost, QStringLiteral(VELUMIRA_SHIPPED_SPI_DIR)); }

    // The picture as the viewer loads it; throws the loader's failure.
    std::unique_ptr<TBitmapMAGBase> Load(const QString& name, const QByteArray& bytes)
    {
        auto picture = std::make_unique<TBitmapMAGBase>();
        picture->SetPluginHost(&FHost);
        picture->LoadFromFile(FFolder.Write(name, bytes));
        return picture;
    }

    TSpiHost FHost;
    TestFolder FFolder;
};

QRgb Centre(const TBitmapMAGBase& p)
{
    return p.Image().pixel(p.Width() / 2, p.Height() / 2);
}

bool Near(QRgb a, QColor b, int tolerance = 24)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// A HEIC of the picture, stored with a quarter turn and an Exif item when asked; empty when
// this libheif cannot encode HEVC.
QByteArray WriteHeic(const QImage& picture, heif_orientation turn, const Bytes& exif)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) return QByteArray();
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) std::memcpy(plane + y * stride, rgb.constScanLine(y), rgb.width() * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = turn;
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, image, encoder, options, &handle);
    if (!exif.empty()) heif_context_add_exif_metadata(context, handle, exif.data(), int(exif.size()));
    heif_context_encode_thumbnail(context, image, handle, encoder, options, 16, nullptr);
    QByteArray bytes;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                           static_cast<QByteArray*>(out)->append(static_cast<const char*>(data), qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &bytes);
    heif_encoding_options_free(options);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

// A TIFF through libtiff: RGB at the given depth, or a palette picture of two entries.
QByteArray WriteTiff(const TestFolder& folder, int width, int height, int bits, bool palette, QColor colour)
{
    const QString path = folder.Path(QStringLiteral("w.tif"));
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, palette ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<uint16_t> map(256, 0), red(256, 0), green(256, 0), blue(256, 0);
    red[1] = uint16_t(colour.red() * 257);
    green[1] = uint16_t(colour.green() * 257);
    blue[1] = uint16_t(colour.blue() * 257);
    if (palette) TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    std::vector<uint16_t> row16;
    std::vector<uint8_t> row8;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (palette) row8.push_back(1);
            else if (bits == 16) row16.insert(row16.end(), {uint16_t(colour.red() * 257), uint16_t(colour.green() * 257), uint16_t(colour.blue() * 257)});
            else row8.insert(row8.end(), {uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue())});
        }
        TIFFWriteScanline(tif, bits == 16 ? static_cast<void*>(row16.data()) : row8.data(), uint32_t(y), 0);
        row8.clear();
        row16.clear();
    }
    TIFFClose(tif);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

TEST_F(ShippedPlugins, RawShowsItsLargestPreviewWithTheShootingLine)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    spec.Preview = SolidJpeg(64, 48, Qt::red);
    const auto picture = Load(QStringLiteral("IMG_0001.DNG"), BuildDng(spec));
    EXPECT_EQ(picture->Image().size(), QSize(64, 48));
    EXPECT_TRUE(Near(Centre(*picture), Qt::red)) << "the preview in the sub-directory, not IFD0's";
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
    // PhotoLikeSpec's values, the makernote's focus mode among them.
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("1/125")), -1) << picture->FInfo.toStdString();
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("F5.6")), -1);
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("AF-S")), -1);
}

TEST_F(ShippedPlugins, RawWithOnlyASmallPreviewIsDeveloped)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    const auto picture = Load(QStringLiteral("small.dng"), BuildDng(spec));
    EXPECT_EQ(picture->Image().size(), QSize(spec.Width, spec.Height));
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pfDevice);
    // The developed chequerboard, not the blue preview: grey-ish, bright and dark squares.
    const QRgb a = picture->Image().pixel(4, 4), b = picture->Image().pixel(12, 4);
    EXPECT_NE(qGray(a), qGray(b));
    EXPECT_FALSE(Near(a, Qt::blue, 60));
    EXPECT_FALSE(picture->FInfo.isEmpty());
}

TEST_F(ShippedPlugins, HeicIsShownTurnedWithItsExif)
{
    QImage source(64, 32, QImage::Format_RGB32);
    source.fill(Qt::blue);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) source.setPixel(x, y, qRgb(255, 0, 0));   // left half red
    const QByteArray heic = WriteHeic(source, heif_orientation_rotate_90_cw, BuildExifTiff(PhotoLikeSpec()));
    if (heic.isEmpty()) GTEST_SKIP() << "libheif has no HEVC encoder here";
    const auto picture = Load(QStringLiteral("phone.HEIC"), heic);
    ASSERT_EQ(picture->Image().size(), QSize(32, 64));
    // Turned a quarter right: the left half is now the top half.
    EXPECT_TRUE(Near(picture->Image().pixel(16, 8), Qt::red, 40));
    EXPECT_TRUE(Near(picture->Image().pixel(16, 56), Qt::blue, 40));
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("1/125")), -1) << picture->FInfo.toStdString();
}

TEST_F(ShippedPlugins, TiffFirstPageAtEightAndSixteenBitsAndPalette)
{
    const QColor colour(200, 100, 50);
    for (const auto& [bits, palette] : {std::pair{8, false}, std::pair{16, false}, std::pair{8, true}}) {
        SCOPED_TRACE(bits);
        const auto picture = Load(QStringLiteral("scan.tif"), WriteTiff(FFolder, 5, 3, bits, palette, colour));
        EXPECT_EQ(picture->Image().size(), QSize(5, 3));
        EXPECT_TRUE(Near(Centre(*picture), colour, 1));
    }
}

TEST_F(ShippedPlugins, WebpTransparencyIsComposedOnWhite)
{
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 8 * 8; ++i) rgba.insert(rgba.end(), {255, 0, 0, uint8_t(i < 32 ? 255 : 0)});
    uint8_t* encoded = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(rgba.data(), 8, 8, 8 * 4, &encoded);
    const QByteArray webp(reinterpret_cast<const char*>(encoded), qsizetype(size));
    WebPFree(encoded);
    const auto picture = Load(QStringLiteral("w.webp"), webp);
    EXPECT_TRUE(Near(picture->Image().pixel(1, 1), Qt::red, 1));
    EXPECT_TRUE(Near(picture->Image().pixel(1, 6), Qt::white, 1));
}

TEST_F(ShippedPlugins, RefusedFilesGiveTheUsualFailureAndHugeOnesTheMemoryFailure)
{
    // Broken files of each kind: the library refuses, the built-in reader has the last word.
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    const QByteArray dng = BuildDng(spec);
    const QByteArray webp = QByteArray("RIFF\x20\0\0\0WEBPVP8 ", 16) + QByteArray(24, '\x7f');
    for (const auto& [name, bytes] : {std::pair{"cut.heic", QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0heic", 20)},
                                      std::pair{"cut.dng", dng.left(200)}, std::pair{"bad.webp", webp},
                                      std::pair{"bad.tif", QByteArray("II*\0\x08\0\0\0\x01\0", 10)}}) {
        SCOPED_TRACE(name);
        try {
            Load(QString::fromLatin1(name), bytes);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "ビットマップイメージが不正です");
        }
    }
    // A TIFF header that claims 60000 x 60000 is refused before anything is decoded.
    TIFF* tif = TIFFOpen(FFolder.Path(QStringLiteral("huge.tif")).toLocal8Bit().constData(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 60000);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 60000);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 60000);
    uint8_t row[1] = {0};
    TIFFWriteEncodedStrip(tif, 0, row, 1);
    TIFFClose(tif);
    TBitmapMAGBase picture;
    picture.SetPluginHost(&FHost);
    EXPECT_THROW(picture.LoadFromFile(FFolder.Path(QStringLiteral("huge.tif"))), std::bad_alloc);
}

TEST(SpiMemory, RefusedOnlyBeyondWhatIsAvailable)
{
    const long long gib = 1LL << 30;
    EXPECT_THROW(RefuseBeyondMemory(60000, 60000, 8 * gib), std::bad_alloc);
    EXPECT_THROW(RefuseBeyondMemory(16384, 12288, 1 * gib), std::bad_alloc) << "200 MP on a small machine";
    EXPECT_NO_THROW(RefuseBeyondMemory(11648, 8736, 4 * gib)) << "a 100-MP raw";
    EXPECT_NO_THROW(RefuseBeyondMemory(60000, 60000, -1)) << "unknown: the decode itself decides";
}

TEST_F(ShippedPlugins, ChooserThumbnailAndTextsOfRawAndHeic)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    spec.Preview = SolidJpeg(64, 48, Qt::red);
    QStringList files{FFolder.Write(QStringLiteral("a.DNG"), BuildDng(spec))};
    QImage source(64, 48, QImage::Format_RGB32);
    source.fill(Qt::green);
    const QByteArray heic = WriteHeic(source, heif_orientation_normal, BuildExifTiff(PhotoLikeSpec()));
    if (!heic.isEmpty()) files << FFolder.Write(QStringLiteral("b.heic"), heic);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        TReaderState state;
        ASSERT_TRUE(ReadThumbSource(state, file, false));
        EXPECT_LE(state.DecodedPicture.width(), 64);
        EXPECT_TRUE(state.HasShotData);
        EXPECT_NE(state.ShotExposure.indexOf(QStringLiteral("1/125")), -1) << state.ShotExposure.toStdString();
    }
}

TEST_F(ShippedPlugins, TiffPluginLeavesRawFilesToTheRawPlugin)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    const QString dng = FFolder.Write(QStringLiteral("x.dng"), BuildDng(spec));
    for (const TSpiPluginPtr& plugin : FHost.Plugins()) {
        const bool accepts = SpiAccepts(*plugin, QFile::encodeName(dng).toStdString());
        EXPECT_EQ(accepts, plugin->Path.endsWith(QStringLiteral("raw.spi"))) << plugin->Path.toStdString();
    }
}

} // namespace
