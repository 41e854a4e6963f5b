#include "loading/PanelLine.h"

#include <QImage>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct TextCase {
    const char* name;
    QSize size;
    TPixelFormat format;
    const char* info;
    const char* expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextLineTable : public ::testing::TestWithParam<TextCase> {};

// A loaded picture (the viewer) and a probed file (velumira-info) give the same line.
TEST_P(TextLineTable, ShowsSizeWithSummaryOrBits)
{
    const TextCase& c = GetParam();
    TBitmapMAGBase picture;
    picture.Assign(QImage(c.size, QImage::Format_BGR888), c.format);
    picture.FInfo = QString::fromUtf8(c.info);
    EXPECT_EQ(PanelText(picture), QString::fromUtf8(c.expected));

    TPictureProbe probe;
    probe.Size = c.size;
    probe.PixelFormat = c.format;
    probe.Info = c.info;
    EXPECT_EQ(PanelText(probe), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PanelLine, TextLineTable,
    ::testing::Values(
        TextCase{"SummaryAfterABlank", {3008, 2008}, TPixelFormat::pf24bit, "1/125s F8.0 50mm ISO200",
                 "3008\xC3\x97" "2008 1/125s F8.0 50mm ISO200"},
        TextCase{"NoSummaryShowsBits", {640, 480}, TPixelFormat::pf8bit, "", "640\xC3\x97" "480 (8)"},
        TextCase{"DeviceFormatCountsAs24", {10, 20}, TPixelFormat::pfDevice, "", "10\xC3\x97" "20 (24)"},
        TextCase{"PercentInSummaryIsKept", {2, 3}, TPixelFormat::pf24bit, "%1 %2", "2\xC3\x97" "3 %1 %2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelText, SummaryOrBitDepth)
{
    EXPECT_EQ(PanelText(3008, 2008, "1/125 F8", TPixelFormat::pf24bit), "3008×2008 1/125 F8");
    EXPECT_EQ(PanelText(640, 480, "", TPixelFormat::pf8bit), "640×480 (8)");
    EXPECT_EQ(PanelText(1, 2, "", TPixelFormat::pfDevice), "1×2 (24)");
}

} // namespace
