#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/PanelLine.h"
#include "loading/PictureProbe.h"
#include "support/BmpBuilder.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TestFolder.h"
#include "support/TiffBuilder.h"

#include <gtest/gtest.h>

namespace {

QString LoadedText(const QString& path)
{
    TBitmapMAGBase picture;
    try {
        picture.LoadFromFile(path);
        return PanelText(picture);
    } catch (const EStreamError& e) {
        return "error " + e.Message();
    }
}

QString ProbedText(const QString& path)
{
    try {
        return QString::fromStdString(PanelText(ProbePictureFile(path.toStdString())));
    } catch (const EStreamError& e) {
        return "error " + e.Message();
    }
}

// The probe must tell what a full load shows, for every branch and every failure.
TEST(PictureProbe, AgreesWithLoadFromFile)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(40, 24);
    PefSpec pef;
    pef.Preview = JpegBuilder::EncodePattern(56, 8);
    PefSpec pefPastEnd = pef;
    pefPastEnd.Length = 100000;
    BmpSpec bmp;
    bmp.Width = 3; bmp.Height = 5; bmp.Bits = 4; bmp.Palette = {qRgb(0, 0, 0)};
    bmp.Pixels.assign(15, 0);
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"a.jpg", jpeg},
        {"b.JPEG", JpegBuilder::InsertApp1(jpeg, JpegBuilder::ExifBody(BuildPef(pef).left(200)))},
        {"c.pef", BuildPef(pef)},
        {"d.bmp", BuildBmp(bmp)},
        {"e.bmp", QByteArray()},
        {"f.jpg", QByteArray("junk")},
        {"g.pef", BuildPef(pefPastEnd)},
        {"h.bmp", jpeg},
        {"i.pef", QByteArray()},
    };
    for (const Case& c : cases) {
        const QString path = folder.Write(c.name, c.bytes);
        EXPECT_EQ(ProbedText(path), LoadedText(path)) << c.name;
    }
    const QString missing = folder.Path("missing.jpg");
    EXPECT_THROW(ProbePictureFile(missing.toStdString()), EFOpenError);
}

// A probe reads a file's first bytes and goes on only where those do not hold the headers:
// a big Exif block, tables far behind padding, a model text stored far into the file, and
// cut copies of each.
TEST(PictureProbe, HeadersFarIntoTheFileAgreeWithLoadFromFile)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(48, 32);
    ExifSpec big = PhotoLikeSpec();
    big.model = std::string(60000, 'M');   // an Exif block of some 60 KB
    const QByteArray bigExif = JpegBuilder::InsertApp1(jpeg, JpegBuilder::ExifBody(ToQByteArray(BuildExifTiff(big))));
    ExifSpec plain = PhotoLikeSpec();
    plain.makerNote = false;
    plain.pentaxFocusMode.reset();
    plain.pentaxLens.reset();
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"big-exif.jpg", bigExif},
        {"tables-20k.jpg", JpegWithDistantHeaders(jpeg, PhotoLikeSpec(), 20000)},
        {"tables-300k.jpg", JpegWithDistantHeaders(jpeg, PhotoLikeSpec(), 300000)},
        {"model-30k.jpg", JpegWithDistantHeaders(jpeg, plain, 30000, std::string("PENTAX K-30k"))},
        {"model-400k.jpg", JpegWithDistantHeaders(jpeg, plain, 400000, std::string("PENTAX K-400k"))},
        {"model-after.jpg", JpegWithDistantHeaders(jpeg, plain, 0, std::string("PENTAX K-after"), 300000)},
    };
    for (const Case& c : cases) {
        const QString path = folder.Write(c.name, c.bytes);
        const QString loaded = LoadedText(path);
        EXPECT_EQ(ProbedText(path).toStdString(), loaded.toStdString()) << c.name;
        EXPECT_TRUE(loaded.startsWith(QStringLiteral("48×32 1/125 F5.6"))) << c.name << ": " << loaded.toStdString();
        for (const int cut : {16 * 1024, 30000, 300000}) {
            if (cut >= c.bytes.size())
                continue;
            const QString cutPath = folder.Write(QStringLiteral("cut-%1-%2").arg(cut).arg(c.name), c.bytes.left(cut));
            EXPECT_EQ(ProbedText(cutPath).toStdString(), LoadedText(cutPath).toStdString()) << c.name << " cut at " << cut;
        }
    }
    EXPECT_TRUE(LoadedText(folder.Path("model-30k.jpg")).contains(QStringLiteral("\"PENTAX K-30k\"")));
    EXPECT_TRUE(LoadedText(folder.Path("model-400k.jpg")).contains(QStringLiteral("\"PENTAX K-400k\"")));
    EXPECT_TRUE(LoadedText(folder.Path("model-after.jpg")).contains(QStringLiteral("\"PENTAX K-after\"")));
}

} // namespace
