#include "exif/Exifana.h"
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/PefPreview.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

QString ExpectedSummary(const QByteArray& file)
{
    TExifRootPENTAXistD reader;
    reader.Parse(reinterpret_cast<const unsigned char*>(file.constData()),
                 static_cast<std::size_t>(file.size()), 8);
    return QString::fromStdString(MakeSummaryText(reader));
}

TEST(PefPreview, ThirdDirectoryPreviewLoadsAtFullSize)
{
    TestFolder folder;
    for (bool big : {false, true}) {
        PefSpec spec;
        spec.BigEndian = big;
        spec.Preview = JpegBuilder::EncodePattern(48, 32);
        const QByteArray file = BuildPef(spec);
        TBitmapMAGBase picture;
        picture.LoadFromFile(folder.Write(big ? "mm.PEF" : "ii.pef", file));
        EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(48, 32)) << big;
        EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(picture.Image().format(), QImage::Format_BGR888);
        EXPECT_EQ(picture.FInfo, ExpectedSummary(file));
    }
}

TEST(PefPreview, ByteOrderDoesNotChangeWhereThePreviewIs)
{
    PefSpec spec;
    spec.Preview = JpegBuilder::EncodePattern(16, 16);
    std::size_t offsets[2], lengths[2];
    for (int big = 0; big < 2; ++big) {
        spec.BigEndian = big != 0;
        const QByteArray file = BuildPef(spec);
        ASSERT_TRUE(FindPefPreview(reinterpret_cast<const unsigned char*>(file.constData()),
                                   static_cast<std::size_t>(file.size()), offsets[big], lengths[big]));
    }
    EXPECT_EQ(offsets[0], offsets[1]);
    EXPECT_EQ(lengths[0], lengths[1]);
    EXPECT_EQ(lengths[0], static_cast<std::size_t>(spec.Preview.size()));
}

TEST(PefPreview, RepeatedOffsetTagUsesTheLastOne)
{
    TestFolder folder;
    PefSpec spec;
    spec.DuplicateOffset = true;   // the first 0x0201 points 1000 bytes off
    spec.Preview = JpegBuilder::EncodePattern(20, 10);
    TBitmapMAGBase picture;
    picture.LoadFromFile(folder.Write("dup.pef", BuildPef(spec)));
    EXPECT_EQ(picture.Width(), 20);
}

TEST(PefPreview, NoPreviewLoadsNothingAndRaisesNothing)
{
    TestFolder folder;
    struct Case { const char* name; PefSpec spec; };
    PefSpec two;
    two.Directories = 2;
    two.Preview = JpegBuilder::EncodePattern(8, 8);
    PefSpec zeroOffset;
    zeroOffset.Preview = JpegBuilder::EncodePattern(8, 8);
    zeroOffset.Offset = 0;
    PefSpec zeroLength;
    zeroLength.Preview = JpegBuilder::EncodePattern(8, 8);
    zeroLength.Length = 0;
    for (const Case& c : {Case{"two directories", two}, Case{"offset 0", zeroOffset},
                          Case{"length 0", zeroLength}}) {
        TBitmapMAGBase picture;
        EXPECT_NO_THROW(picture.LoadFromFile(folder.Write("none.pef", BuildPef(c.spec)))) << c.name;
        EXPECT_TRUE(picture.Empty()) << c.name;
        EXPECT_TRUE(picture.FInfo.isEmpty()) << c.name;
    }
}

TEST(PefPreview, BadPreviewsFailWithTheDecodeMessageAndKeepTheSummary)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(32, 32);
    PefSpec notJpeg;
    notJpeg.Preview = QByteArray(200, 'x');
    PefSpec cut;
    cut.Preview = JpegBuilder::Cut(jpeg, jpeg.size() / 2);
    cut.TrailingBytes = 0;
    PefSpec pastEnd;
    pastEnd.Preview = jpeg;
    pastEnd.Length = static_cast<uint32_t>(jpeg.size() + 65);   // one byte more than the file holds
    PefSpec offsetPastEnd;
    offsetPastEnd.Preview = jpeg;
    offsetPastEnd.Offset = 0xFFFFFFF0u;
    struct Case { const char* name; PefSpec spec; };
    for (const Case& c : {Case{"not a JPEG", notJpeg}, Case{"cut short", cut},
                          Case{"length past the end", pastEnd}, Case{"offset past the end", offsetPastEnd}}) {
        const QByteArray file = BuildPef(c.spec);
        const QString path = folder.Write("bad.pef", file);
        TBitmapMAGBase picture;
        try {
            picture.LoadFromFile(path);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("PEF : \"%1\" の展開に失敗しました").arg(path)) << c.name;
        }
        EXPECT_EQ(picture.FInfo, ExpectedSummary(file)) << c.name;
    }
}

TEST(PefPreview, UnmappableFilesFailWithTheOpenMessage)
{
    TestFolder folder;
    for (const QString& path : {folder.Path("missing.pef"), folder.Write("empty.pef", QByteArray())}) {
        TBitmapMAGBase picture;
        try {
            picture.LoadFromFile(path);
            ADD_FAILURE() << path.toStdString();
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("PEF : \"%1\" が開けません").arg(path));
        }
    }
}

TEST(PefPreview, ReadOnlyFileLoads)
{
    TestFolder folder;
    PefSpec spec;
    spec.Preview = JpegBuilder::EncodePattern(12, 12);
    const QString path = folder.Write("ro.pef", BuildPef(spec));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    TBitmapMAGBase picture;
    picture.LoadFromFile(path);
    EXPECT_EQ(picture.Width(), 12);
}

TEST(PefPreview, RealCameraFiles)
{
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "no real camera files";
    int seen = 0;
    for (const QString& name : QDir(dir).entryList({"*.PEF", "*.pef"}, QDir::Files)) {
        TBitmapMAGBase picture;
        picture.LoadFromFile(dir + "/" + name);
        EXPECT_FALSE(picture.Empty()) << name.toStdString();
        EXPECT_FALSE(picture.FInfo.isEmpty()) << name.toStdString();
        ++seen;
    }
    if (seen == 0)
        GTEST_SKIP() << "no PEF among the real camera files";
}

} // namespace

namespace {

TEST(PefPreview, CameraLikeFileCarriesItsSummary)
{
    TestFolder folder;
    const QByteArray preview = JpegBuilder::EncodePattern(64, 40);
    QString summaries[2];
    for (int big = 0; big < 2; ++big) {
        const QByteArray file = BuildPefWithExif(preview, big != 0);
        TBitmapMAGBase picture;
        picture.LoadFromFile(folder.Write("cam.pef", file));
        EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(64, 40));
        summaries[big] = picture.FInfo;
        EXPECT_FALSE(picture.FInfo.isEmpty());
    }
    EXPECT_EQ(summaries[0], summaries[1]);

    // The same file with its preview spoiled: decode failure, summary kept.
    QByteArray spoiled = BuildPefWithExif(JpegBuilder::Cut(preview, preview.size() / 2), false);
    const QString path = folder.Write("spoiled.pef", spoiled);
    TBitmapMAGBase picture;
    EXPECT_THROW(picture.LoadFromFile(path), EReadError);
    EXPECT_EQ(picture.FInfo, summaries[0]);
}

} // namespace
