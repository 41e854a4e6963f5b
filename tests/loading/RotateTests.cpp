#include "loading/Bmpmagbase.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QImage Numbered(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x, y, 100 + x + 10 * y));
    return image;
}

TEST(Rotate, ResultPixelsComeFromTheTable)
{
    using Op = void (*)(TBitmapMAGBase&);
    struct Case {
        const char* name;
        Op op;
        QSize size;
        std::function<QPoint(int, int, int, int)> from;   // (x', y', w, h) -> source
    };
    const Case cases[] = {
        {"right", &TBitmapMAGBase::RotateRight, {2, 3},
         [](int x, int y, int, int h) { return QPoint(y, h - 1 - x); }},
        {"left", &TBitmapMAGBase::RotateLeft, {2, 3},
         [](int x, int y, int w, int) { return QPoint(w - 1 - y, x); }},
        {"half", &TBitmapMAGBase::Rotate180, {3, 2},
         [](int x, int y, int w, int h) { return QPoint(w - 1 - x, h - 1 - y); }},
    };
    const QImage source = Numbered(3, 2);
    for (const Case& c : cases) {
        TBitmapMAGBase picture;
        picture.Assign(source, TPixelFormat::pf24bit);
        c.op(picture);
        ASSERT_EQ(QSize(picture.Width(), picture.Height()), c.size) << c.name;
        for (int y = 0; y < c.size.height(); ++y)
            for (int x = 0; x < c.size.width(); ++x) {
                const QPoint s = c.from(x, y, 3, 2);
                EXPECT_EQ(picture.Image().pixel(x, y), source.pixel(s)) << c.name << " " << x << "," << y;
            }
    }
    // Named examples: right turn starts with the bottom-left pixel, left with the top-right.
    TBitmapMAGBase right, left;
    right.Assign(source, TPixelFormat::pf24bit);
    left.Assign(source, TPixelFormat::pf24bit);
    TBitmapMAGBase::RotateRight(right);
    TBitmapMAGBase::RotateLeft(left);
    EXPECT_EQ(right.Image().pixel(0, 0), source.pixel(0, 1));
    EXPECT_EQ(left.Image().pixel(0, 0), source.pixel(2, 0));
}

TEST(Rotate, FourTurnsAndTwoHalvesAreIdentity)
{
    const QImage source = Numbered(7, 5);   // odd width: rows carry padding
    TBitmapMAGBase picture;
    picture.Assign(source, TPixelFormat::pf24bit);
    for (int i = 0; i < 4; ++i)
        TBitmapMAGBase::RotateRight(picture);
    EXPECT_EQ(picture.Image(), source);
    for (int i = 0; i < 4; ++i)
        TBitmapMAGBase::RotateLeft(picture);
    EXPECT_EQ(picture.Image(), source);
    TBitmapMAGBase::Rotate180(picture);
    TBitmapMAGBase::Rotate180(picture);
    EXPECT_EQ(picture.Image(), source);
}

TEST(Rotate, OtherDepthsBecomeTwentyFourBits)
{
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    indexed.setPixel(2, 0, 0);
    TBitmapMAGBase picture;
    picture.Assign(indexed, TPixelFormat::pf8bit);
    TBitmapMAGBase::RotateRight(picture);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(picture.Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(1, 3));
    EXPECT_EQ(picture.Image().pixel(0, 0), qRgb(200, 100, 50));
}

TEST(Rotate, LeavesMagnificationStateAlone)
{
    TBitmapMAGBase picture;
    picture.Assign(Numbered(8, 4), TPixelFormat::pf24bit);
    picture.FInfo = QStringLiteral("info");
    picture.SetMagnification(0.5f, false);
    TBitmapMAGBase::RotateRight(picture);
    EXPECT_EQ(picture.FReduced->size(), QSize(4, 2));   // stale until a forced refresh
    EXPECT_EQ(picture.FInfo, QStringLiteral("info"));
    picture.SetMagnification(0.5f, true);
    EXPECT_EQ(picture.FReduced->size(), QSize(2, 4));

    TBitmapMAGBase empty;
    TBitmapMAGBase::RotateRight(empty);
    EXPECT_TRUE(empty.Empty());
}

} // namespace
