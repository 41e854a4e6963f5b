#include "loading/JpegDecoder.h"
#include "support/JpegBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const unsigned char* Data(const QByteArray& b) { return reinterpret_cast<const unsigned char*>(b.constData()); }
std::size_t Size(const QByteArray& b) { return static_cast<std::size_t>(b.size()); }

// Largest per-channel difference between the decoded picture and the source pattern.
int MaxDifference(const QImage& decoded, const QImage& source)
{
    int worst = 0;
    for (int y = 0; y < source.height(); ++y) {
        const uchar* d = decoded.constScanLine(y);
        const uchar* s = source.constScanLine(y);
        for (int x = 0; x < source.width(); ++x)
            for (int c = 0; c < 3; ++c)   // decoded is B,G,R; source is R,G,B
                worst = std::max(worst, std::abs(int(d[3 * x + c]) - int(s[3 * x + 2 - c])));
    }
    return worst;
}

TEST(JpegDecoder, BestDecodesFullSizeIntoBgrScanLines)
{
    const QImage source = JpegBuilder::Pattern(67, 45);   // sizes off the 8/16 grid
    const QByteArray jpeg = JpegBuilder::Encode(source, 100, false);
    const QImage image = DecodeJpegBest(Data(jpeg), Size(jpeg));
    ASSERT_EQ(image.format(), QImage::Format_BGR888);
    EXPECT_EQ(image.size(), QSize(67, 45));
    EXPECT_LE(MaxDifference(image, source), 12);   // byte order right, not swapped R/B
}

TEST(JpegDecoder, ProgressiveFilesDecode)
{
    const QImage source = JpegBuilder::Pattern(40, 30);
    const QByteArray jpeg = JpegBuilder::Encode(source, 100, false, true);
    EXPECT_LE(MaxDifference(DecodeJpegBest(Data(jpeg), Size(jpeg)), source), 12);
}

TEST(JpegDecoder, ReducedDecodeScalesByDenominator)
{
    const QByteArray jpeg = JpegBuilder::EncodePattern(200, 120);
    struct Case { int denom; QSize size; };
    for (const Case& c : {Case{1, {200, 120}}, Case{2, {100, 60}}, Case{4, {50, 30}}, Case{8, {25, 15}}}) {
        const QImage image = DecodeJpegReduced(Data(jpeg), Size(jpeg), c.denom);
        EXPECT_EQ(image.size(), c.size) << c.denom;
        EXPECT_EQ(image.format(), QImage::Format_BGR888);
    }
    EXPECT_THROW(DecodeJpegReduced(Data(jpeg), Size(jpeg), 3), EJpegError);
}

TEST(JpegDecoder, HeaderProbeReadsSizeOnly)
{
    const QByteArray jpeg = JpegBuilder::EncodePattern(123, 77);
    EXPECT_EQ(ReadJpegSize(Data(jpeg), Size(jpeg)), QSize(123, 77));
    // The header alone is enough: scan data missing does not matter to the probe.
    EXPECT_EQ(ReadJpegSize(Data(jpeg), Size(jpeg) / 2 + 300), QSize(123, 77));
}

TEST(JpegDecoder, BadInputsFail)
{
    const QByteArray jpeg = JpegBuilder::EncodePattern(64, 64);
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"not a jpeg", QByteArray("BM this is no jpeg at all")},
        {"only SOI", JpegBuilder::Cut(jpeg, 2)},
        {"cut in the header", JpegBuilder::Cut(jpeg, 100)},
        {"cut in the scan", JpegBuilder::Cut(jpeg, jpeg.size() / 2)},
        {"cut before EOI", JpegBuilder::Cut(jpeg, jpeg.size() - 40)},
        {"huge frame", JpegBuilder::WithFrameSize(jpeg, 65500, 65500)},
        {"zero width", JpegBuilder::WithFrameSize(jpeg, 0, 64)},
    };
    for (const Case& c : cases)
        EXPECT_THROW(DecodeJpegBest(Data(c.bytes), Size(c.bytes)), EJpegError) << c.name;
    EXPECT_THROW(DecodeJpegBest(nullptr, 10), EJpegError);
}

} // namespace

namespace {

// Big pictures get their own page-aligned buffer; it must behave like any QImage.
TEST(JpegDecoder, BigPictureBufferIsAnOrdinaryImage)
{
    const QImage source = JpegBuilder::Pattern(2000, 1500);
    const QByteArray jpeg = JpegBuilder::Encode(source, 100, false);
    QImage image = DecodeJpegBest(Data(jpeg), Size(jpeg));
    ASSERT_EQ(image.size(), QSize(2000, 1500));
    EXPECT_LE(MaxDifference(image, source), 12);
    const QImage shared = image;          // a second reference, then a write: copy on write
    image.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_NE(shared.pixel(0, 0), image.pixel(0, 0));
    EXPECT_EQ(image.bytesPerLine() % 4, 0);
}

} // namespace
