#include "loading/Bmpmagbase.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr QRgb Untouched = 0xFF123456u;
constexpr QRgb Grey = 0xFF808080u;

QRgb ColourAt(int x, int y) { return qRgb(10 + 20 * x, 5 + 30 * y, (x * 7 + y * 13) & 0xFF); }

QImage PictureImage(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, ColourAt(x, y));
    return image;
}

QImage Canvas(int w = 12, int h = 10)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(Untouched);
    return canvas;
}

TEST(SetMagnification, ReducedCopyLivesOnlyBelowOne)
{
    TBitmapMAGBase picture;
    picture.Assign(PictureImage(101, 51), TPixelFormat::pf24bit);
    picture.SetMagnification(0.5f, false);
    ASSERT_TRUE(picture.FReduced);
    EXPECT_EQ(picture.FReduced->size(), QSize(50, 25));
    EXPECT_FLOAT_EQ(picture.FInvMagnification, 2.0f);

    // Unchanged magnification without force keeps the old copy, even when stale.
    picture.Assign(PictureImage(200, 100), TPixelFormat::pf24bit);
    picture.SetMagnification(0.5f, false);
    EXPECT_EQ(picture.FReduced->size(), QSize(50, 25));
    picture.SetMagnification(0.5f, true);
    EXPECT_EQ(picture.FReduced->size(), QSize(100, 50));

    picture.SetMagnification(2.0f, false);
    EXPECT_FALSE(picture.FReduced);
    EXPECT_FLOAT_EQ(picture.FMagnification, 2.0f);
    EXPECT_FLOAT_EQ(picture.FInvMagnification, 0.5f);
    picture.SetMagnification(2.0f, true);
    EXPECT_FALSE(picture.FReduced);
    picture.SetMagnification(1.0f, false);
    EXPECT_FALSE(picture.FReduced);   // exactly 1 is not a reduction
}

TEST(CreateScaledCopy, SizesTruncateAndPixelsAreNearest)
{
    const QImage source = PictureImage(101, 51);
    struct Case { float factor; QSize size; };
    for (const Case& c : {Case{0.5f, {50, 25}}, Case{0.3f, {30, 15}}, Case{0.125f, {12, 6}},
                          Case{0.005f, {0, 0}}}) {
        const auto copy = CreateScaledCopy(&source, c.factor);
        ASSERT_TRUE(copy);
        EXPECT_EQ(QSize(copy->width(), copy->height()), c.factor < 0.01f ? QSize(0, 0) : c.size) << c.factor;
    }
    EXPECT_FALSE(CreateScaledCopy(nullptr, 0.5f));

    const auto half = CreateScaledCopy(&source, 0.5f);
    EXPECT_EQ(half->format(), QImage::Format_BGR888);
    for (int y = 0; y < 25; y += 6)
        for (int x = 0; x < 50; x += 7)
            EXPECT_EQ(half->pixel(x, y), source.pixel(x * 101 / 50, y * 51 / 25)) << x << "," << y;

    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.fill(1);
    const auto fromIndexed = CreateScaledCopy(&indexed, 0.5f);
    EXPECT_EQ(fromIndexed->format(), QImage::Format_BGR888);
    EXPECT_EQ(fromIndexed->pixel(1, 0), qRgb(200, 100, 50));
}

struct DrawCase {
    const char* name;
    int pictureW, pictureH;
    float magnification;
    int w, h, left, top;
    // Expected source pixel for canvas (x, y), or (-1, -1) for grey.
    std::function<QPoint(int, int)> source;
};

TEST(DrawView, PixelsForEachKindOfView)
{
    const DrawCase cases[] = {
        {"one to one", 4, 3, 1.0f, 4, 3, 0, 0, [](int x, int y) { return QPoint(x, y); }},
        {"grey outside", 4, 3, 1.0f, 7, 6, 0, 0,
         [](int x, int y) { return x < 4 && y < 3 ? QPoint(x, y) : QPoint(-1, -1); }},
        {"panned", 6, 5, 1.0f, 4, 3, 1, 2, [](int x, int y) { return QPoint(x + 1, y + 2); }},
        {"panned off the left", 4, 3, 1.0f, 5, 3, -2, 0,
         [](int x, int y) { return x >= 2 ? QPoint(x - 2, y) : QPoint(-1, -1); }},
        {"twice", 4, 3, 2.0f, 8, 6, 0, 0, [](int x, int y) { return QPoint(x / 2, y / 2); }},
        // At 2x an odd offset truncates to the same source rectangle.
        {"twice, odd offset", 4, 3, 2.0f, 8, 6, 1, 1, [](int x, int y) { return QPoint(x / 2, y / 2); }},
        {"twice, beyond the picture", 4, 3, 2.0f, 12, 8, 0, 0,
         [](int x, int y) { return x < 8 && y < 6 ? QPoint(x / 2, y / 2) : QPoint(-1, -1); }},
        {"reduced", 8, 6, 0.5f, 6, 4, 0, 0,
         [](int x, int y) { return x < 4 && y < 3 ? QPoint(2 * x, 2 * y) : QPoint(-1, -1); }},
        {"reduced, panned", 8, 6, 0.5f, 3, 2, 1, 1, [](int x, int y) { return QPoint(2 * x + 2, 2 * y + 2); }},
    };
    for (const DrawCase& c : cases) {
        TBitmapMAGBase picture;
        picture.Assign(PictureImage(c.pictureW, c.pictureH), TPixelFormat::pf24bit);
        picture.SetMagnification(c.magnification, false);
        QImage canvas = Canvas();
        picture.DrawView(canvas, c.w, c.h, c.left, c.top);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                QRgb expected = Untouched;
                if (x < c.w && y < c.h) {
                    const QPoint s = c.source(x, y);
                    expected = s.x() < 0 ? Grey : (ColourAt(s.x(), s.y()) | 0xFF000000u);
                }
                ASSERT_EQ(canvas.pixel(x, y), expected) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(DrawView, EmptyPictureLeavesCanvasUntouched)
{
    TBitmapMAGBase picture;
    QImage canvas = Canvas();
    picture.DrawView(canvas, 12, 10, 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), Untouched);
    EXPECT_EQ(canvas.pixel(11, 9), Untouched);
}

TEST(DrawView, OtherDepthsDrawThroughTheGeneralPath)
{
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.fill(0);
    indexed.setPixel(1, 1, 1);
    TBitmapMAGBase picture;
    picture.Assign(indexed, TPixelFormat::pf8bit);
    QImage canvas = Canvas();
    picture.DrawView(canvas, 4, 2, 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(200, 100, 50));
    EXPECT_EQ(canvas.pixel(3, 0), Grey);
}

TEST(DrawView, SizeIsClippedToTheCanvas)
{
    TBitmapMAGBase picture;
    picture.Assign(PictureImage(40, 40), TPixelFormat::pf24bit);
    QImage canvas = Canvas(5, 5);
    picture.DrawView(canvas, 100, 100, 0, 0);   // must not write past the canvas
    EXPECT_EQ(canvas.pixel(4, 4), ColourAt(4, 4) | 0xFF000000u);
}

} // namespace

namespace {

TEST(DrawView, ReducedCopyTooSmallToHoldAPixelDrawsGrey)
{
    TBitmapMAGBase picture;
    picture.Assign(PictureImage(3, 3), TPixelFormat::pf24bit);
    picture.SetMagnification(0.125f, false);   // 3 x 0.125 truncates to 0
    QImage canvas = Canvas();
    picture.DrawView(canvas, 4, 4, 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), Grey);
    EXPECT_EQ(canvas.pixel(3, 3), Grey);
    EXPECT_EQ(canvas.pixel(4, 4), Untouched);
}

} // namespace
