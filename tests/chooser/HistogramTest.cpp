// Histogram counting and painting, the information rows, thumbnail sizing.
#include "chooser/ChooserCore.h"
#include "chooser/Histogram.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

QImage Picture(int w, int h, QColor fill = QColor(128, 128, 128))
{
    QImage img(w, h, QImage::Format_BGR888);
    img.fill(fill);
    return img;
}

int Sum(const std::array<int32_t, 256>& counts)
{
    return std::accumulate(counts.begin(), counts.end(), 0);
}

struct CountCase {
    const char* name;
    int w, h, firstRow, lastRow;
    int pixels;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }


class HistogramCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(HistogramCount, RowsAreClampedAndEveryPixelCounted)
{
    const CountCase& c = GetParam();
    TPictEntry e;
    CountHistogram(e, Picture(c.w, c.h), 0, c.w - 1, c.firstRow, c.lastRow);
    EXPECT_TRUE(e.HasHistogram);
    EXPECT_EQ(e.PixelCount, c.pixels);
    EXPECT_EQ(Sum(e.CountB), c.pixels);
    EXPECT_EQ(Sum(e.CountG), c.pixels);
    EXPECT_EQ(Sum(e.CountR), c.pixels);
    EXPECT_EQ(e.CountG[128], c.pixels);
    EXPECT_EQ(e.PeakR, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistogramCount,
    ::testing::Values(CountCase{"WholePicture", 160, 120, 0, 119, 19200},
                      CountCase{"IstDCropRows26To67", 160, 120, 26, 120 - 53, 6720},
                      CountCase{"SixtyRowsHighCountsRowSevenAlone", 160, 60, 26, 60 - 53, 160},
                      CountCase{"RowsBeyondThePictureAreClamped", 10, 10, -5, 50, 100},
                      CountCase{"NegativeLastRowBecomesRowZero", 10, 10, 3, -2, 10}),
    [](const ::testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

TEST(HistogramCountChannels, ChannelsComeFromBlueGreenRedBytesAndTiesKeepTheLowValue)
{
    QImage img(4, 1, QImage::Format_BGR888);
    img.setPixelColor(0, 0, QColor(10, 20, 30));   // r, g, b
    img.setPixelColor(1, 0, QColor(10, 20, 40));
    img.setPixelColor(2, 0, QColor(11, 21, 30));
    img.setPixelColor(3, 0, QColor(11, 21, 40));
    TPictEntry e;
    CountHistogram(e, img, 0, 3, 0, 0);
    EXPECT_EQ(e.CountR[10], 2);
    EXPECT_EQ(e.CountR[11], 2);
    EXPECT_EQ(e.CountG[20], 2);
    EXPECT_EQ(e.CountB[30], 2);
    EXPECT_EQ(e.CountB[40], 2);
    EXPECT_EQ(e.PeakR, 2);
    EXPECT_EQ(e.PeakB, 2);
}

TEST(HistogramBars, LengthRule)
{
    std::array<int32_t, 256> counts{};
    counts[10] = 0;
    counts[11] = 1;
    counts[128] = 1000;
    counts[200] = 500;
    counts[201] = 499;
    EXPECT_EQ(HistogramBarLength(counts, 5, 1000, 60), 1) << "59/1000 is below 1 but not 0";
    EXPECT_EQ(HistogramBarLength(counts, 64, 1000, 60), 59);
    EXPECT_EQ(HistogramBarLength(counts, 100, 1000, 60), 30) << "29.5 rounds up";
    EXPECT_EQ(HistogramBarLength(counts, 0, 1000, 60), 0);
    EXPECT_EQ(HistogramBarLength(counts, 64, 0, 60), 0);
}

QColor At(const QImage& img, int x, int y)
{
    return img.pixelColor(x, y);
}

TEST(HistogramPaint, UniformGreyIsOneBarAtColumn65)
{
    TPictEntry e;
    CountHistogram(e, Picture(20, 10), 0, 19, 0, 9);
    QImage canvas(130, 60, QImage::Format_RGB32);
    DrawHistogram(canvas, 130, HistColorG, e.PeakG, e.CountG, 60);
    // Pair (128, 129) is column 65: from the bottom row up to row 2, row 1 left out.
    EXPECT_EQ(At(canvas, 65, 59), HistColorG);
    EXPECT_EQ(At(canvas, 65, 2), HistColorG);
    EXPECT_NE(At(canvas, 65, 1), HistColorG);
    for (int x = 0; x < 130; ++x)
        if (x != 65) {
            EXPECT_NE(At(canvas, x, 58), HistColorG) << x;
        }
}

TEST(HistogramPaint, GridLinesAndBlackGround)
{
    QImage canvas(130, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const std::array<int32_t, 256> none{};
    DrawHistogram(canvas, 130, HistColorB, 0, none, 60);
    for (int y : {15, 30, 45})
        EXPECT_EQ(At(canvas, 5, y), HistGridColor) << y;
    for (int x : {32, 64, 96})
        EXPECT_EQ(At(canvas, x, 5), HistGridColor) << x;
    EXPECT_EQ(At(canvas, 129, 30), HistGridColor) << "horizontal lines reach the last column";
    EXPECT_EQ(At(canvas, 5, 5), QColor(0, 0, 0));
    EXPECT_EQ(At(canvas, 129, 59), QColor(0, 0, 0));
    EXPECT_EQ(At(canvas, 16, 16), QColor(0, 0, 0));
}

TEST(HistogramPaint, FirstAndLastPairsAreShownTwiceAndTinyCountsStillShow)
{
    std::array<int32_t, 256> counts{};
    counts[0] = 100;
    counts[255] = 100;
    counts[11] = 1;
    QImage canvas(130, 60, QImage::Format_RGB32);
    DrawHistogram(canvas, 130, HistColorR, 100, counts, 60);
    for (int x : {0, 1, 128, 129})
        EXPECT_EQ(At(canvas, x, 40), HistColorR) << x;
    EXPECT_NE(At(canvas, 2, 40), HistColorR);
    EXPECT_NE(At(canvas, 127, 40), HistColorR);
    EXPECT_EQ(At(canvas, 6, 59), HistColorR) << "pair (10, 11) with a count of 1";
    EXPECT_NE(At(canvas, 6, 58), HistColorR);
}

TEST(InfoRows, FileDataOnlyThenShootingData)
{
    TPictEntry e;
    e.FileName = "IMGP0001.JPG";
    e.FileDate = "2004/05/06 07:08:09";
    e.FileSize = "123456";
    e.InfoLevel = 1;
    QString status;
    auto rows = EntryInfoRows(e, status);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Label, "ﾌｧｲﾙ名");
    EXPECT_EQ(rows[0].Value, "IMGP0001.JPG");
    EXPECT_EQ(rows[1].Label, "ﾌｧｲﾙ情報");
    EXPECT_EQ(rows[1].Value, "2004/05/06 07:08:09  123456 bytes");
    EXPECT_EQ(status, "IMGP0001.JPG");

    e.InfoLevel = 2;
    e.ShotDate = "2004/05/06 07:08:09";
    e.ShotExposure = "1/125 F8.0";
    e.ShotCamera = "PENTAX *ist D";
    rows = EntryInfoRows(e, status);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2].Label, "撮影日時");
    EXPECT_EQ(rows[3].Label, "撮影情報");
    EXPECT_EQ(rows[3].Value, "1/125 F8.0");
    EXPECT_EQ(rows[4].Label, "撮影機種");
    EXPECT_EQ(status, "IMGP0001.JPG 1/125 F8.0 PENTAX *ist D");

    e.InfoLevel = 0;
    EXPECT_TRUE(EntryInfoRows(e, status).empty());
    EXPECT_TRUE(status.isEmpty());
}

struct ThumbCase {
    int w, h;
    QSize thumb;
    int shape;
};
inline void PrintTo(const ThumbCase& c, std::ostream* os) { *os << c.w << "x" << c.h; }


class ThumbnailSizing : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(ThumbnailSizing, AspectKeptWithinNinetySixBySixtyFour)
{
    const ThumbCase& c = GetParam();
    TPictEntry e;
    FinishEntry(e, Picture(c.w, c.h), false);
    EXPECT_EQ(e.Thumbnail.size(), c.thumb);
    EXPECT_EQ(e.Thumbnail.format(), QImage::Format_BGR888);
    EXPECT_EQ(e.ThumbShape, c.shape);
    EXPECT_TRUE(e.HasHistogram);
    EXPECT_EQ(e.PixelCount, c.w * c.h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThumbnailSizing,
                         ::testing::Values(ThumbCase{160, 120, {85, 64}, 1}, ThumbCase{200, 150, {85, 64}, 1},
                                           ThumbCase{120, 160, {48, 64}, 2}, ThumbCase{90, 90, {64, 64}, 2},
                                           ThumbCase{300, 100, {96, 32}, 1}, ThumbCase{2000, 2, {96, 1}, 1}));

TEST(FinishEntryCrop, CountsOnlyTheRowsBetweenTheBands)
{
    QImage img = Picture(160, 120, QColor(0, 0, 0));
    for (int y = 26; y <= 67; ++y)
        for (int x = 0; x < 160; ++x)
            img.setPixelColor(x, y, QColor(200, 100, 50));
    TPictEntry e;
    FinishEntry(e, img, true);
    EXPECT_EQ(e.PixelCount, 6720);
    EXPECT_EQ(e.CountR[200], 6720);
    EXPECT_EQ(e.CountR[0], 0);
    EXPECT_EQ(e.Thumbnail.size(), QSize(85, 64)) << "the thumbnail keeps the whole picture";
}

} // namespace
