// The shipped plug-ins for raw files, HEIC, TIFF and WebP, loaded from the build's plug-in
// folder as the viewer loads them: what each adds (preview chosen, turn applied, Exif handed
// over, failures), not what its library does.
#include "chooser/PictFileRead.h"
#include "chooser/ReadThumbSource.h"
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/SpiHost.h"
#include "support/DngBuilder.h"
#include "support/PictureWriters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <tiffio.h>

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

TEST_F(ShippedPlugins, RawShowsItsLargestPreviewWithTheShootingLine)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    spec.Preview = SolidJpeg(64, 48, Qt::red);
    spec.Exif.pentaxAfPoint = 1;  // upper-left of the 11 points
    const auto picture = Load(QStringLiteral("IMG_0001.DNG"), BuildDng(spec));
    EXPECT_EQ(picture->Image().size(), QSize(64, 48));
    EXPECT_TRUE(Near(Centre(*picture), Qt::red)) << "the preview in the sub-directory, not IFD0's";
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
    // PhotoLikeSpec's values, the makernote's focus mode among them.
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("1/125")), -1) << picture->FInfo.toStdString();
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("F5.6")), -1);
    EXPECT_NE(picture->FInfo.indexOf(QStringLiteral("AF-S")), -1);
    // The makernote's AF point reaches the picture through the same Exif block.
    ASSERT_EQ(picture->AfAreas().size(), 1u);
    EXPECT_LT(picture->AfAreas().front().center().x(), 32);
    EXPECT_LT(picture->AfAreas().front().center().y(), 24);
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

TEST_F(ShippedPlugins, RawWithoutExifDirectoryShowsWhatLibRawRead)
{
    // Shooting values where the Exif reader does not look (as in a CR3's boxes): the block
    // is made from what LibRaw read.
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    spec.Exif.exifDirectory = false;
    spec.ShootingInFirstDirectory = true;
    const auto picture = Load(QStringLiteral("tiffep.dng"), BuildDng(spec));
    EXPECT_EQ(picture->FInfo.toStdString(), "1/125 F5.6 50.0mm \"Pentax *ist D\" 不明 ");
}

TEST_F(ShippedPlugins, HeicIsShownTurnedWithItsExif)
{
    QImage source(64, 32, QImage::Format_RGB32);
    source.fill(Qt::blue);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) source.setPixel(x, y, qRgb(255, 0, 0));   // left half red
    const QByteArray heic = WriteHeic(source, true, BuildExifTiff(PhotoLikeSpec()));
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
        const auto picture = Load(QStringLiteral("scan.tif"), WriteTiff(5, 3, bits, palette, colour));
        EXPECT_EQ(picture->Image().size(), QSize(5, 3));
        EXPECT_TRUE(Near(Centre(*picture), colour, 1));
    }
}

TEST_F(ShippedPlugins, WebpTransparencyIsComposedOnWhite)
{
    QImage source(8, 8, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) source.setPixel(x, y, qRgba(255, 0, 0, 255));
    const auto picture = Load(QStringLiteral("w.webp"), WriteWebp(source));
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
    // The raw file's smallest JPEG preview, not the one the viewer shows.
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(120, 80, Qt::blue);
    spec.Preview = SolidJpeg(320, 240, Qt::red);
    std::vector<std::pair<QString, QColor>> files{{FFolder.Write(QStringLiteral("a.DNG"), BuildDng(spec)), Qt::blue}};
    QImage source(64, 48, QImage::Format_RGB32);
    source.fill(Qt::green);
    const QByteArray heic = WriteHeic(source, false, BuildExifTiff(PhotoLikeSpec()));
    if (!heic.isEmpty()) files.emplace_back(FFolder.Write(QStringLiteral("b.heic"), heic), Qt::green);
    for (const auto& [file, colour] : files) {
        SCOPED_TRACE(file.toStdString());
        TReaderState state;
        ASSERT_TRUE(ReadThumbSource(state, file, false));
        const QImage& thumb = state.DecodedPicture;
        EXPECT_LE(thumb.width(), 120);
        EXPECT_TRUE(Near(thumb.pixel(thumb.width() / 2, thumb.height() / 2), colour, 40));
        EXPECT_TRUE(state.HasShotData);
        EXPECT_NE(state.ShotExposure.indexOf(QStringLiteral("1/125")), -1) << state.ShotExposure.toStdString();
    }
}

// The directory lists the plug-ins in any order: each file must be taken by its own alone.
TEST_F(ShippedPlugins, EachFileIsTakenByItsOwnPluginAlone)
{
    DngSpec spec;
    spec.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    std::vector<std::pair<QString, QString>> files{
        {FFolder.Write(QStringLiteral("x.dng"), BuildDng(spec)), QStringLiteral("raw.spi")},
        {FFolder.Write(QStringLiteral("x.tif"), WriteTiff(5, 3, 8, false, Qt::red)), QStringLiteral("tiff.spi")},
        {FFolder.Write(QStringLiteral("x.webp"), WriteWebp(picture)), QStringLiteral("webp.spi")},
        {FFolder.Write(QStringLiteral("x.jpeg2"), SolidJpeg(8, 8, Qt::red)), QString()}};
    const QByteArray heic = WriteHeic(picture, false, {});
    if (!heic.isEmpty()) files.emplace_back(FFolder.Write(QStringLiteral("x.heic"), heic), QStringLiteral("heif.spi"));
    for (const auto& [file, owner] : files) {
        QStringList takers;
        for (const TSpiPluginPtr& plugin : FHost.Plugins())
            if (SpiAccepts(*plugin, QFile::encodeName(file).toStdString())) takers << QFileInfo(plugin->Path).fileName();
        EXPECT_EQ(takers, owner.isEmpty() ? QStringList() : QStringList{owner}) << file.toStdString();
    }
}

} // namespace
