#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/PictureProbe.h"
#include "support/BmpBuilder.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

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
        QString loaded, probed;
        TBitmapMAGBase picture;
        try {
            picture.LoadFromFile(path);
            loaded = PanelText(picture.Width(), picture.Height(), picture.FInfo, picture.PixelFormat());
        } catch (const EStreamError& e) {
            loaded = "error " + e.Message();
        }
        try {
            const TPictureProbe p = ProbePictureFile(path);
            probed = PanelText(p.Size.width(), p.Size.height(), p.Info, p.PixelFormat);
        } catch (const EStreamError& e) {
            probed = "error " + e.Message();
        }
        EXPECT_EQ(probed, loaded) << c.name;
    }
    const QString missing = folder.Path("missing.jpg");
    EXPECT_THROW(ProbePictureFile(missing), EFOpenError);
}

TEST(PanelText, SummaryOrBitDepth)
{
    EXPECT_EQ(PanelText(3008, 2008, QStringLiteral("1/125 F8"), TPixelFormat::pf24bit),
              QStringLiteral("3008×2008 1/125 F8"));
    EXPECT_EQ(PanelText(640, 480, QString(), TPixelFormat::pf8bit), QStringLiteral("640×480 (8)"));
    EXPECT_EQ(PanelText(1, 2, QString(), TPixelFormat::pfDevice), QStringLiteral("1×2 (24)"));
}

} // namespace
