// The focus overlay drawn over a panel's view: each pixel either the picture's or the
// colour of its map code's level, through the same tables at every magnification.
#include "loading/Bmpmagbase.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr QRgb Yellow = 0xFFFFFF00u, Green = 0xFF00FF00u, Blue = 0xFF00A0FFu;
const TPeakLevels Levels{60, 120, 200};

QImage Picture(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 9) & 0xFF, 77));
    return image;
}

std::shared_ptr<const TFocusMap> RandomMap(int w, int h, unsigned seed = 2)
{
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(w) * h);
    std::mt19937 random(seed);
    // Mostly below the lowest level, as a picture's map is, so that reduced maps keep some
    // of each level.
    for (auto& c : codes)
        c = static_cast<std::uint8_t>(random() % 10 == 0 ? random() % 256 : random() % 60);
    return std::make_shared<const TFocusMap>(w, h, std::move(codes));
}

// The codes as a grey picture: drawn without overlay, it shows which code each canvas
// pixel comes from.
QImage CodesPicture(const TFocusMap& map)
{
    QImage image(map.Width(), map.Height(), QImage::Format_BGR888);
    for (int y = 0; y < map.Height(); ++y)
        for (int x = 0; x < map.Width(); ++x)
            image.setPixel(x, y, qRgb(map.At(x, y), map.At(x, y), map.At(x, y)));
    return image;
}

QImage Draw(TBitmapMAGBase& picture, float magnification, int left, int top, int w = 61, int h = 37)
{
    picture.SetMagnification(magnification, true);
    QImage canvas(w + 3, h + 2, QImage::Format_RGB32);
    canvas.fill(0xFF123456u);
    picture.DrawView(canvas, w, h, left, top);
    return canvas;
}

TEST(FocusOverlay, PaintsEachLevelsColourAtEveryMagnification)
{
    const int w = 53, h = 41;
    const auto map = RandomMap(w, h);
    struct Case {
        float magnification;
        int left, top;
    };
    for (const Case& c : {Case{1.0f, 0, 0}, Case{1.0f, 7, -3}, Case{2.5f, 20, 11}, Case{4.0f, -9, 100},
                          Case{0.3f, 0, 0}, Case{0.5f, 5, -2}}) {
        TBitmapMAGBase plain, overlaid, codes;
        plain.Assign(Picture(w, h), TPixelFormat::pf24bit);
        overlaid.Assign(Picture(w, h), TPixelFormat::pf24bit);
        overlaid.SetFocusOverlay(map, Levels);
        // Below 1 the overlay shows the map reduced by maxima, on the reduced picture's grid.
        const bool reduced = c.magnification < 1.0f;
        codes.Assign(CodesPicture(reduced ? ReduceFocusMap(*map, c.magnification) : *map), TPixelFormat::pf24bit);
        const QImage expectedPicture = Draw(plain, c.magnification, c.left, c.top);
        const QImage drawn = Draw(overlaid, c.magnification, c.left, c.top);
        const QImage code = Draw(codes, reduced ? 1.0f : c.magnification, c.left, c.top);
        int seen[3] = {0, 0, 0};
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb picturePixel = expectedPicture.pixel(x, y);
                const bool onPicture = picturePixel != 0xFF808080u && picturePixel != 0xFF123456u;
                const int k = qRed(code.pixel(x, y));
                QRgb expected = picturePixel;
                if (onPicture && k >= Levels.VerySharp)
                    expected = Yellow, ++seen[2];
                else if (onPicture && k >= Levels.Sharp)
                    expected = Green, ++seen[1];
                else if (onPicture && k >= Levels.Little)
                    expected = Blue, ++seen[0];
                ASSERT_EQ(drawn.pixel(x, y), expected) << c.magnification << " at " << x << "," << y;
            }
        EXPECT_GT(seen[0], 0) << c.magnification;
        EXPECT_GT(seen[1], 0) << c.magnification;
        EXPECT_GT(seen[2], 0) << c.magnification;
    }
}

TEST(FocusOverlay, WithoutOverlayOrLitLevelsTheViewIsThePicture)
{
    const int w = 53, h = 41;
    const auto map = RandomMap(w, h);
    for (float magnification : {1.0f, 3.0f, 0.4f}) {
        TBitmapMAGBase plain, cleared, unlit, otherSize;
        for (TBitmapMAGBase* p : {&plain, &cleared, &unlit, &otherSize})
            p->Assign(Picture(w, h), TPixelFormat::pf24bit);
        cleared.SetFocusOverlay(map, Levels);
        cleared.ClearFocusOverlay();
        unlit.SetFocusOverlay(map, TPeakLevels());
        otherSize.SetFocusOverlay(RandomMap(w + 1, h), Levels);
        const QImage expected = Draw(plain, magnification, 3, 2);
        EXPECT_EQ(Draw(cleared, magnification, 3, 2), expected) << magnification;
        EXPECT_EQ(Draw(unlit, magnification, 3, 2), expected) << magnification;
        EXPECT_EQ(Draw(otherSize, magnification, 3, 2), expected) << magnification;
    }
}

TEST(FocusOverlay, TurnsWithThePictureAndANewPictureDropsIt)
{
    const int w = 29, h = 17;
    const auto map = RandomMap(w, h);
    TBitmapMAGBase picture;
    picture.Assign(Picture(w, h), TPixelFormat::pf24bit);
    picture.SetFocusOverlay(map, Levels);
    TBitmapMAGBase::RotateRight(picture);
    ASSERT_TRUE(picture.FocusOverlayMap());
    const TFocusMap turned = TurnFocusMap(*map, TFocusTurn::Right);
    EXPECT_EQ(picture.FocusOverlayMap()->Width(), h);
    EXPECT_EQ(picture.FocusOverlayMap()->At(0, 0), map->At(0, h - 1));   // the bottom-left pixel
    EXPECT_EQ(picture.FocusOverlayMap()->Histogram(), turned.Histogram());
    EXPECT_EQ(picture.FocusOverlayLevels(), Levels);

    // Drawn turned: the picture turned with its overlay is the turned picture with the
    // turned map.
    TBitmapMAGBase expected;
    expected.Assign(picture.Image(), TPixelFormat::pf24bit);
    expected.SetFocusOverlay(std::make_shared<const TFocusMap>(turned), Levels);
    EXPECT_EQ(Draw(picture, 2.0f, 1, 1), Draw(expected, 2.0f, 1, 1));

    picture.Assign(Picture(w, h), TPixelFormat::pf24bit);
    EXPECT_FALSE(picture.FocusOverlayMap());
    EXPECT_EQ(picture.FocusOverlayLevels(), TPeakLevels());
}

} // namespace
