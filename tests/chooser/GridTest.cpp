// Grid geometry, painting and hit testing.
#include "chooser/ThumbGrid.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* name;
    int width, height, count, current;
    int columns, visibleRows, fullRows, topRow;
    bool scrollEnabled;
    int scrollMax, scrollPage;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }


class GridLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(GridLayout, ColumnsRowsAndScrollBar)
{
    const LayoutCase& c = GetParam();
    TThumbGrid grid;
    grid.LayoutGrid(c.width, c.height, c.count, c.current);
    EXPECT_EQ(grid.Columns, c.columns);
    EXPECT_EQ(grid.VisibleRows, c.visibleRows);
    EXPECT_EQ(grid.FullRows, c.fullRows);
    EXPECT_EQ(grid.TopRow, c.topRow);
    EXPECT_EQ(grid.ScrollEnabled, c.scrollEnabled);
    EXPECT_EQ(grid.ScrollPosition, c.topRow);
    if (c.scrollEnabled) {
        EXPECT_EQ(grid.ScrollMax, c.scrollMax);
        EXPECT_EQ(grid.ScrollPage, c.scrollPage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridLayout,
    ::testing::Values(LayoutCase{"TenEntriesScroll", 377, 275, 10, -1, 3, 2, 3, 0, true, 2, 2},
                      LayoutCase{"FiveEntriesFitWithoutScrolling", 377, 275, 5, -1, 3, 2, 1, 0, false, 0, 0},
                      LayoutCase{"CurrentEntryRowSitsInTheMiddle", 377, 275, 30, 8, 3, 2, 10, 1, true, 9, 2},
                      LayoutCase{"CurrentNearTheEnd", 377, 275, 30, 29, 3, 2, 10, 8, true, 9, 2},
                      LayoutCase{"PartialLastRowStopsAtTheLastFullRow", 377, 100, 31, 30, 3, 1, 10, 9, true, 9, 1},
                      LayoutCase{"NoEntriesOneColumn", 377, 275, 0, -1, 1, 2, 0, 0, false, 0, 0},
                      LayoutCase{"TinyImageStillOneColumnAndRow", 50, 20, 4, -1, 1, 1, 4, 0, true, 3, 1}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

std::vector<TPictEntry> Entries(int n)
{
    std::vector<TPictEntry> entries(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        entries[i].FileName = QString("%1.jpg").arg(i);
        entries[i].InfoLevel = 1;
    }
    return entries;
}

TEST(GridPaint, ScrolledToTheLastRowsPaintsEntriesSixToNine)
{
    auto entries = Entries(10);
    TViewList view;
    for (int i = 0; i < 10; ++i) {
        entries[i].Marks = i == 6 ? SelectMark : 0;
        view.Add(QString("/f/%1.jpg").arg(i), &entries[i]);
    }
    TThumbGrid grid;
    grid.LayoutGrid(377, 275, 10, -1);
    grid.TopRow = 2;
    QImage canvas(377, 275, QImage::Format_RGB32);
    grid.DrawGrid(canvas, view);
    // Entry 6 (marked) in the top-left cell, entry 9 in row 1 column 0, nothing after it.
    EXPECT_EQ(canvas.pixelColor(50, 70), QColor(160, 64, 0));
    EXPECT_EQ(canvas.pixelColor(112 + 50, 70), QColor(96, 96, 96));
    EXPECT_EQ(canvas.pixelColor(50, 96 + 70), QColor(96, 96, 96));
    EXPECT_EQ(canvas.pixelColor(112 + 50, 96 + 70), GridBackColor);
    EXPECT_EQ(canvas.pixelColor(370, 10), GridBackColor) << "right of the last column";
    EXPECT_EQ(grid.HitTest(10, 10, 377, 275, 10), 6);
    EXPECT_EQ(grid.HitTest(10, 100, 377, 275, 10), 9);
    EXPECT_EQ(grid.HitTest(120, 100, 377, 275, 10), -1);
}

TEST(GridPaint, ThirdRowIsPaintedCutOff)
{
    auto entries = Entries(9);
    TViewList view;
    for (int i = 0; i < 9; ++i)
        view.Add(QString("/f/%1.jpg").arg(i), &entries[i]);
    TThumbGrid grid;
    grid.LayoutGrid(377, 275, 9, -1);
    QImage canvas(377, 275, QImage::Format_RGB32);
    grid.DrawGrid(canvas, view);
    EXPECT_EQ(canvas.pixelColor(50, 2 * 96 + 70), QColor(96, 96, 96));
    EXPECT_EQ(grid.HitTest(10, 2 * 96 + 10, 377, 275, 9), 6) << "the partly visible row is hit too";
}

struct CellCase {
    uint8_t marks;
    QColor colour;
};
inline void PrintTo(const CellCase& c, std::ostream* os) { *os << "marks " << int(c.marks); }


class CellColours : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellColours, FillFrameAndPlaceholder)
{
    TPictEntry e;
    e.Marks = GetParam().marks;
    QImage canvas(112, 96, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    TThumbGrid::DrawCell(canvas, 0, 0, e);
    EXPECT_EQ(canvas.pixelColor(50, 30), GetParam().colour);
    EXPECT_EQ(canvas.pixelColor(2, 50), GetParam().colour);
    for (QPoint p : {QPoint(0, 0), QPoint(111, 0), QPoint(0, 95), QPoint(111, 95), QPoint(50, 95)})
        EXPECT_EQ(canvas.pixelColor(p), GridFrameColor) << p.x() << "," << p.y();
    // Placeholder: white outline of the 96 x 64 box at (8, 4) and its diagonal.
    for (QPoint p : {QPoint(8, 4), QPoint(103, 4), QPoint(8, 67), QPoint(103, 67), QPoint(50, 4), QPoint(8, 40)})
        EXPECT_EQ(canvas.pixelColor(p), GridLineColor) << p.x() << "," << p.y();
    EXPECT_EQ(canvas.pixelColor(104, 30), GetParam().colour) << "outline stays inside the box";
    int diagonal = 0;
    for (int x = 9; x < 103; ++x)
        for (int y = 5; y < 67; ++y)
            diagonal += canvas.pixelColor(x, y) == GridLineColor;
    EXPECT_GE(diagonal, 90);
    EXPECT_LE(diagonal, 100);
}

INSTANTIATE_TEST_SUITE_P(Marks, CellColours,
                         ::testing::Values(CellCase{0, QColor(96, 96, 96)}, CellCase{CurrentMark, QColor(144, 144, 144)},
                                           CellCase{SelectMark, QColor(160, 64, 0)},
                                           CellCase{SelectMark | CurrentMark, QColor(192, 96, 128)}));

TEST(GridPaint, ThumbnailIsDrawnUnscaledAtTheBoxCorner)
{
    TPictEntry e;
    e.ThumbShape = 2;
    e.Thumbnail = QImage(48, 64, QImage::Format_BGR888);
    e.Thumbnail.fill(QColor(10, 200, 30));
    QImage canvas(112, 96, QImage::Format_RGB32);
    TThumbGrid::DrawCell(canvas, 0, 0, e);
    EXPECT_EQ(canvas.pixelColor(8, 4), QColor(10, 200, 30));
    EXPECT_EQ(canvas.pixelColor(55, 67), QColor(10, 200, 30));
    EXPECT_EQ(canvas.pixelColor(56, 30), QColor(96, 96, 96)) << "a narrow thumbnail leaves cell colour";
}

TEST(GridPaint, NameIsWhiteTextOnTheCellColour)
{
    TPictEntry e;
    e.InfoLevel = 1;
    e.FileName = "IMGP0001.JPG";
    e.Marks = SelectMark;
    QImage canvas(112, 96, QImage::Format_RGB32);
    TThumbGrid::DrawCell(canvas, 0, 0, e);
    int white = 0;
    for (int x = 4; x < 108; ++x)
        for (int y = 74; y < 95; ++y)
            white += canvas.pixelColor(x, y) == QColor(255, 255, 255);
    EXPECT_GT(white, 10);
    for (int x = 1; x < 111; ++x)
        EXPECT_NE(canvas.pixelColor(x, 71), QColor(255, 255, 255)) << "text stays in the name box";
}

struct CutCase {
    const char* name;
    const char* cut;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }


class NameCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(NameCut, FourteenBytesAtAWholeCharacter)
{
    EXPECT_EQ(CutName(QString::fromUtf8(GetParam().name)), QString::fromUtf8(GetParam().cut));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCut,
    ::testing::Values(CutCase{"IMGP0001_long_name.JPG", "IMGP0001_long_..."},
                      // 12 ASCII bytes, then a 3-byte character that would end at byte 15.
                      CutCase{"abcdefghijkl\xe5\x86\x99\xe7\x9c\x9f.jpg", "abcdefghijkl..."},
                      // 11 ASCII bytes and a 3-byte character end exactly at 14.
                      CutCase{"abcdefghijk\xe5\x86\x99\xe7\x9c\x9f.jpg", "abcdefghijk\xe5\x86\x99..."},
                      CutCase{"\xef\xbd\xb6\xef\xbd\xb7\xef\xbd\xb8\xef\xbd\xb9\xef\xbd\xba.jpg",
                              "\xef\xbd\xb6\xef\xbd\xb7\xef\xbd\xb8\xef\xbd\xb9..."}));

TEST(GridPaint, LongNamesAreCutShortOnesAreNot)
{
    QFont font;
    font.setPointSize(7);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    const QString longName = "a_very_long_file_name_for_the_cell.jpg";
    ASSERT_GE(metrics.horizontalAdvance(longName), NameWidthLimit);
    TPictEntry shortEntry, longEntry;
    shortEntry.InfoLevel = longEntry.InfoLevel = 1;
    shortEntry.FileName = "a.jpg";
    longEntry.FileName = longName;
    // The cut name is narrower: its text ends further left than the full one would.
    QImage a(112, 96, QImage::Format_RGB32), b(112, 96, QImage::Format_RGB32);
    TThumbGrid::DrawCell(a, 0, 0, longEntry);
    {
        auto rightmostWhite = [](const QImage& img) {
            int right = -1;
            for (int y = 74; y < 95; ++y)
                for (int x = 4; x < 108; ++x)
                    if (img.pixelColor(x, y) == QColor(255, 255, 255))
                        right = std::max(right, x);
            return right;
        };
        EXPECT_GT(rightmostWhite(a), 4 + metrics.horizontalAdvance(CutName(longName)) / 2);
        EXPECT_LT(rightmostWhite(a), 4 + metrics.horizontalAdvance(CutName(longName)) + 2);
        TThumbGrid::DrawCell(b, 0, 0, shortEntry);
        EXPECT_GT(rightmostWhite(b), 4);
        EXPECT_LT(rightmostWhite(b), 4 + metrics.horizontalAdvance("a.jpg") + 2);
    }
}

TEST(GridHit, OutsideTheImageOrTheColumnsHitsNothing)
{
    TThumbGrid grid;
    grid.LayoutGrid(377, 275, 30, -1);
    const int W = 377, H = 275, n = 30;
    EXPECT_EQ(grid.HitTest(340, 10, W, H, n), -1) << "340 div 112 = 3 columns";
    EXPECT_EQ(grid.HitTest(-1, 10, W, H, n), -1);
    EXPECT_EQ(grid.HitTest(10, H, W, H, n), -1);
    EXPECT_EQ(grid.HitTest(W, 10, W, H, n), -1);
    EXPECT_EQ(grid.HitTest(335, 10, W, H, n), 2);
    EXPECT_EQ(grid.HitTest(10, 96, W, H, n), 3);
    grid.TopRow = 9;
    EXPECT_EQ(grid.HitTest(10, 10, W, H, n), 27);
    EXPECT_EQ(grid.HitTest(10, 100, W, H, n), -1) << "below the last entry";
}

} // namespace
