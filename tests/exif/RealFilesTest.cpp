// Real camera files beside the project (skipped when they are not there).
#include "ExifTestUtil.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct RealCase {
    const char* file;
    std::string summary;
    TChooserTexts chooser;
};
void PrintTo(const RealCase& c, std::ostream* os) { *os << c.file; }

class RealFiles : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealFiles, TextsMatchTheCameraData)
{
    const QString folder = RealFixturesFolder();
    QFile f(folder + "/" + GetParam().file);
    if (folder.isEmpty() || !f.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "real camera files not available";
    const Bytes jpeg = FromQByteArray(f.readAll());
    const unsigned char* tiff = FindExifBlock(jpeg.data(), jpeg.size());
    ASSERT_NE(tiff, nullptr);
    TExifRootPENTAXistD r;
    r.Parse(tiff, jpeg.size() - std::size_t(tiff - jpeg.data()));
    EXPECT_EQ(MakeSummaryText(r), GetParam().summary);
    const TChooserTexts t = MakeChooserTexts(r);
    EXPECT_EQ(t.ShotDate, GetParam().chooser.ShotDate);
    EXPECT_EQ(t.ShotExposure, GetParam().chooser.ShotExposure);
    EXPECT_EQ(t.ShotCamera, GetParam().chooser.ShotCamera);
}

INSTANTIATE_TEST_SUITE_P(
    Pentax, RealFiles,
    ::testing::Values(
        RealCase{"pentax-k10d-makernote.jpg",
                 "1/100 F13.0 10.0(15)mm \"不明なレンズ\" ISO100 EV+7/10 Av 多分割 AF-S WBｵｰﾄ F非発光 ",
                 {"2008:03:02 12:01:23", "1/100 F13.0 10.0(15)mm ISO100 EV+7/10 Av 多分割 AF-S WBｵｰﾄ F非発光 ",
                  "PENTAX K10D         不明なレンズ"}},
        RealCase{"pentax-k10d-no-makernote.jpg",
                 "1/180 F11.0 90.0mm \"PENTAX K10D        \" ISO200 EV±0 Av 多分割 F非発光 ",
                 {"2008:05:04 16:47:24", "1/180 F11.0 90.0mm ISO200 EV±0 Av 多分割 F非発光 ", "PENTAX K10D         "}},
        RealCase{"pentax-optio330.jpg", "1/500 F2.6 7.6mm \"PENTAX Optio 330 \" EV±0 P 多分割 F非発光 ",
                 {"2001:09:28 14:03:54", "1/500 F2.6 7.6mm EV±0 P 多分割 F非発光 ", "PENTAX Optio 330  "}}),
    [](const auto& info) {
        std::string n = info.param.file;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

} // namespace
