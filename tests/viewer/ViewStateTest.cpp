#include "viewer/PanelLayout.h"
#include "viewer/ViewState.h"

#include <gtest/gtest.h>

namespace {

struct FitCase {
    const char* name;
    QList<QSize> pictures;
    QSize control;
    const char* shown;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }


class FitTable : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTable, WritesFourDecimals)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(FormatMagnification(FitMagnification(c.pictures, c.control)), QString::fromLatin1(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    ViewState, FitTable,
    ::testing::Values(
        FitCase{"LandscapeAndPortraitTakeTheSmallestRatio", {{3008, 2008}, {2008, 3008}}, {284, 312}, "  0.0944"},
        FitCase{"VeryWidePictureStopsAtOneThousandth", {{400000, 10}}, {284, 312}, "  0.0010"},
        FitCase{"TinyPictureStopsAtSixteen", {{8, 8}}, {284, 312}, " 16.0000"},
        FitCase{"HeightCanDecide", {{100, 1000}}, {500, 500}, "  0.5000"},
        FitCase{"NoPictureKeepsSixteen", {}, {284, 312}, " 16.0000"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WheelCase {
    const char* name;
    float from;
    bool away;
    const char* shown;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.name; }


class WheelTable : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelTable, OneStep)
{
    const WheelCase& c = GetParam();
    const float m = c.away ? WheelAwayStep(c.from) : WheelTowardStep(c.from);
    EXPECT_EQ(FormatMagnification(m), QString::fromLatin1(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    ViewState, WheelTable,
    ::testing::Values(WheelCase{"AwayFromOne", 1.0f, true, "  0.9500"},
                      WheelCase{"AwayStopsAtOneHundredth", 0.0105f, true, "  0.0100"},
                      WheelCase{"TowardStopsAtSixteen", 15.5f, false, " 16.0000"},
                      WheelCase{"TowardFromOne", 1.0f, false, "  1.0500"},
                      // Each direction limits only where it moves.
                      WheelCase{"AwayFromAboveSixteenIsNotCut", 20.0f, true, " 19.0000"},
                      WheelCase{"TowardFromBelowOneHundredthIsNotRaised", 0.004f, false, "  0.0042"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ParseCase {
    const char* name;
    const char* text;
    bool valid;
    double value;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }


class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, ReadsOnlyPlainNumbers)
{
    const ParseCase& c = GetParam();
    const std::optional<double> v = ParseMagnificationText(QString::fromUtf8(c.text));
    ASSERT_EQ(v.has_value(), c.valid);
    if (c.valid) {
        EXPECT_DOUBLE_EQ(*v, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ViewState, ParseTable,
    ::testing::Values(ParseCase{"FormattedWithLeadingSpaces", "  0.0944", true, 0.0944},
                      ParseCase{"TrailingSpaces", "1.5  ", true, 1.5},
                      ParseCase{"PlusSign", "+2", true, 2.0},
                      ParseCase{"MinusSign", "-0.5", true, -0.5},
                      ParseCase{"TrailingPoint", "1.", true, 1.0},
                      ParseCase{"LeadingPoint", ".25", true, 0.25},
                      ParseCase{"Exponent", "2.5E-1", true, 0.25},
                      ParseCase{"ExponentWithPlus", "1e+1", true, 10.0},
                      ParseCase{"Empty", "", false, 0},
                      ParseCase{"OnlySpaces", "   ", false, 0},
                      ParseCase{"CommaDecimal", "0,5", false, 0},
                      ParseCase{"Letters", "abc", false, 0},
                      ParseCase{"TrailingGarbage", "1.5x", false, 0},
                      ParseCase{"TabIsNotABlank", "\t1.0", false, 0},
                      ParseCase{"LonePoint", ".", false, 0},
                      ParseCase{"ExponentWithoutDigits", "1e", false, 0},
                      ParseCase{"TwoSigns", "+-1", false, 0},
                      ParseCase{"Hexadecimal", "0x10", false, 0},
                      ParseCase{"Infinity", "inf", false, 0},
                      ParseCase{"TooLargeForADouble", "1e400", false, 0},
                      ParseCase{"FullWidthDigit", "\xEF\xBC\x91", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ViewState, ChangingMagnificationRescalesOnlyTheSharedOffsets)
{
    TViewState s;
    s.Magnification = 1.0f;
    s.OffsetX = 101;
    s.OffsetY = -7;
    s.PanelOffsetX[1] = 13;
    s.PanelOffsetY[3] = -9;
    s.ChangeMagnification(2.0f);
    EXPECT_EQ(s.OffsetX, 202);
    EXPECT_EQ(s.OffsetY, -14);
    EXPECT_EQ(s.PanelOffsetX[1], 13);
    EXPECT_EQ(s.PanelOffsetY[3], -9);
    EXPECT_EQ(s.Magnification, 2.0f);

    s.OffsetX = -7;
    s.ChangeMagnification(0.5f);
    EXPECT_EQ(s.OffsetX, -1) << "truncated toward zero, not floored";
}

TEST(ViewState, FirstMagnificationLeavesOffsetsAlone)
{
    TViewState s;
    s.OffsetX = 40;
    s.ChangeMagnification(3.0f);
    EXPECT_EQ(s.OffsetX, 40);
    EXPECT_EQ(s.Magnification, 3.0f);
}

TEST(ViewState, HugeRescaleAndDragsSaturateInsteadOfOverflowing)
{
    TViewState s;
    s.Magnification = 0.001f;
    s.OffsetX = 2'000'000;
    s.ChangeMagnification(16.0f);
    EXPECT_EQ(s.OffsetX, kOffsetLimit);
    s.MoveShared(kOffsetLimit, 0);
    EXPECT_EQ(s.OffsetX, kOffsetLimit);
    s.MovePanel(2, -kOffsetLimit, 0);
    s.MovePanel(2, -kOffsetLimit, 0);
    EXPECT_EQ(s.PanelOffsetX[2], -kOffsetLimit);
}

TEST(ViewState, ViewIsSharedPlusPanelOffset)
{
    TViewState s;
    s.MoveShared(10, 20);
    s.MovePanel(1, 3, -4);
    EXPECT_EQ(s.ViewX(0), 10);
    EXPECT_EQ(s.ViewY(0), 20);
    EXPECT_EQ(s.ViewX(1), 13);
    EXPECT_EQ(s.ViewY(1), 16);
    s.ResetOffsets();
    EXPECT_EQ(s.ViewX(1), 0);
    EXPECT_EQ(s.ViewY(1), 0);
}

struct LayoutCase {
    const char* name;
    int n;
    bool stacked;
    int cw, ch;
    std::vector<QRect> expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }


class LayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTable, PlacesPanels)
{
    const LayoutCase& c = GetParam();
    EXPECT_EQ(PanelRects(c.n, c.stacked, c.cw, c.ch), c.expected);
}

// 600 x 400 client: A = 368, HW = 300, HH = 184; second column at 299, second row at 215.
INSTANTIATE_TEST_SUITE_P(
    Layout, LayoutTable,
    ::testing::Values(
        LayoutCase{"OneRows", 1, false, 600, 400, {QRect(0, 32, 600, 368)}},
        LayoutCase{"OneStacked", 1, true, 600, 400, {QRect(0, 32, 600, 368)}},
        LayoutCase{"TwoSideBySide", 2, false, 600, 400, {QRect(0, 32, 300, 368), QRect(299, 32, 300, 368)}},
        LayoutCase{"TwoStacked", 2, true, 600, 400, {QRect(0, 32, 600, 184), QRect(0, 215, 600, 184)}},
        LayoutCase{"ThreeRowsFirstLeavesBottomRightEmpty", 3, false, 600, 400,
                   {QRect(0, 32, 300, 184), QRect(299, 32, 300, 184), QRect(0, 215, 300, 184)}},
        LayoutCase{"ThreeColumnsFirst", 3, true, 600, 400,
                   {QRect(0, 32, 300, 184), QRect(0, 215, 300, 184), QRect(299, 32, 300, 184)}},
        LayoutCase{"FourRows", 4, false, 600, 400,
                   {QRect(0, 32, 300, 184), QRect(299, 32, 300, 184), QRect(0, 215, 300, 184),
                    QRect(299, 215, 300, 184)}},
        LayoutCase{"FourStacked", 4, true, 600, 400,
                   {QRect(0, 32, 300, 184), QRect(0, 215, 300, 184), QRect(299, 32, 300, 184),
                    QRect(299, 215, 300, 184)}},
        // 601 wide: HW = 300, the last column (600) is not covered.
        LayoutCase{"OddWidthLeavesLastColumn", 2, false, 601, 400, {QRect(0, 32, 300, 368), QRect(299, 32, 300, 368)}},
        LayoutCase{"OddHeightTruncates", 2, true, 600, 401, {QRect(0, 32, 600, 184), QRect(0, 215, 600, 184)}},
        LayoutCase{"NoneForZero", 0, false, 600, 400, {}},
        LayoutCase{"NoneForFive", 5, true, 600, 400, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
