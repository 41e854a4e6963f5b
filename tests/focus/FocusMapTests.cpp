// The focus aids on generated frames: one textured scene, blurred as a lens out of focus,
// with high-ISO noise and shifted as frames of a burst are.
#include "focus/FocusMap.h"
#include "loading/Bmpmagbase.h"
#include "support/FocusScenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>

using namespace FocusScenes;

namespace {

constexpr double NoiseRms = 0.03 * 255;   // 3 % of full scale
constexpr int FrameW = 320, FrameH = 240;

// The scene with a margin, so that frames can be cut from it a few pixels apart.
const QImage& Field()
{
    static const QImage field = Scene(FrameW + 16, FrameH + 16, 3);
    return field;
}

std::vector<std::uint8_t> Codes(const TFocusMap& map)
{
    std::vector<std::uint8_t> codes;
    for (int y = 0; y < map.Height(); ++y)
        codes.insert(codes.end(), map.Row(y), map.Row(y) + map.Width());
    return codes;
}

// Share of the map's pixels at or above the level code.
double LitShare(const TFocusMap& map, int level)
{
    long long lit = 0;
    for (int y = 0; y < map.Height(); ++y)
        for (int x = 0; x < map.Width(); ++x)
            lit += map.At(x, y) >= level;
    return static_cast<double>(lit) / (static_cast<double>(map.Width()) * map.Height());
}

TEST(SharpnessFigure, RanksFramesByTheirBlurWithNoiseAndShifts)
{
    const double sigmas[] = {0.0, 0.7, 1.5, 3.0};
    const QPoint shifts[] = {{8, 8}, {11, 6}, {5, 10}, {9, 13}};
    struct Case {
        const char* name;
        bool noise, shift;
    };
    for (const Case& c : {Case{"clean", false, false}, Case{"noisy", true, false}, Case{"shifted", false, true},
                          Case{"noisy and shifted", true, true}}) {
        double previous = std::numeric_limits<double>::infinity();
        for (int i = 0; i < 4; ++i) {
            const QPoint at = c.shift ? shifts[i] : shifts[0];
            QImage frame = Shifted(Blurred(Field(), sigmas[i]), at.x(), at.y(), FrameW, FrameH);
            if (c.noise)
                frame = Noisy(frame, NoiseRms, 100 + i);
            const double figure = SharpnessFigure(ComputeFocusMap(frame));
            EXPECT_LT(figure, previous) << c.name << ", sigma " << sigmas[i];
            previous = figure;
        }
    }
}

TEST(SharpnessFigure, ARegionCountsItsOwnPixels)
{
    const TFocusMap map = ComputeFocusMap(Noisy(Scene(500, 400, 5), 3.0));
    const auto byHand = [&](const QRect& region) {
        const QRect r = region.intersected(QRect(0, 0, map.Width(), map.Height()));
        std::vector<int> codes;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                codes.push_back(map.At(x, y));
        if (codes.empty())
            return 0.0;
        std::sort(codes.rbegin(), codes.rend());
        // The strongest 5 %, the first 1 % at the code where it ends.
        const std::size_t strongest = (codes.size() + 19) / 20;
        const int cap = codes[(codes.size() + 99) / 100 - 1];
        double sum = 0.0;
        for (std::size_t i = 0; i < strongest; ++i)
            sum += FocusGradient(std::min(codes[i], cap));
        return sum / static_cast<double>(strongest);
    };
    // Whole tiles and cut ones, the picture's cut edge tiles, a region partly outside.
    for (const QRect& r : {QRect(37, 61, 300, 250), QRect(0, 0, 500, 400), QRect(130, 129, 3, 2),
                           QRect(-20, 300, 600, 500), QRect(256, 256, 244, 144)}) {
        EXPECT_NEAR(SharpnessFigure(map, r), byHand(r), 1e-9 * byHand(r)) << r.x() << "," << r.y();
    }
    EXPECT_EQ(SharpnessFigure(map, QRect(600, 0, 10, 10)), 0.0);
    EXPECT_EQ(SharpnessFigure(TFocusMap()), 0.0);
}

TEST(FocusMap, EveryPictureFormatGivesTheSameMap)
{
    QImage colour = Scene(97, 61, 9);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x) {
            const int v = qRed(colour.pixel(x, y));
            colour.setPixel(x, y, qRgb(v, (v * 3 + x) & 0xFF, 255 - v));
        }
    const std::vector<std::uint8_t> expected = Codes(ComputeFocusMap(colour));
    for (QImage::Format f : {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32,
                             QImage::Format_RGBX8888, QImage::Format_ARGB32_Premultiplied})
        EXPECT_EQ(Codes(ComputeFocusMap(colour.convertToFormat(f))), expected) << f;
    // Grey pictures: luminance is the grey level itself.
    const QImage grey = Scene(97, 61, 9);
    EXPECT_EQ(Codes(ComputeFocusMap(grey.convertToFormat(QImage::Format_Grayscale8))), Codes(ComputeFocusMap(grey)));
    EXPECT_TRUE(ComputeFocusMap(QImage()).Empty());
    const TFocusMap one = ComputeFocusMap(Flat(1, 1));
    ASSERT_EQ(one.Width(), 1);
    EXPECT_EQ(one.At(0, 0), 0);
}

TEST(SharedPeakLevels, NoiseAloneLightsAlmostNothing)
{
    const TFocusMap noise = ComputeFocusMap(Noisy(Flat(FrameW, FrameH), NoiseRms));
    const TFocusMap sharp = ComputeFocusMap(Shifted(Field(), 8, 8, FrameW, FrameH));
    for (const TPeakLevels& levels : {SharedPeakLevels({&noise}), SharedPeakLevels({&noise, &sharp})})
        EXPECT_LT(LitShare(noise, levels.Little), 0.002) << levels.Little;
    EXPECT_EQ(SharedPeakLevels({}), TPeakLevels());
    EXPECT_EQ(LitShare(sharp, TPeakLevels().Little), 0.0);
}

// A flat, dim scene: steps of at most a tenth of the full scale, still in focus.
TEST(SharedPeakLevels, ALowContrastSharpSceneStillShowsItsEdges)
{
    const QImage scene = Shifted(Scene(FrameW + 16, FrameH + 16, 3, 0.1), 8, 8, FrameW, FrameH);
    const QImage noisy = Noisy(scene, 1.0);
    const TFocusMap map = ComputeFocusMap(noisy);
    const TPeakLevels levels = SharedPeakLevels({&map});
    long long edges = 0, litEdges = 0, calm = 0, litCalm = 0;
    for (int y = 3; y < FrameH - 3; ++y)
        for (int x = 3; x < FrameW - 3; ++x) {
            int step = 0, near = 0;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) {
                    const int d = std::abs(qRed(scene.pixel(x + dx, y + dy)) - qRed(scene.pixel(x, y)));
                    near = std::max(near, d);
                    if (std::abs(dx) + std::abs(dy) == 1)
                        step = std::max(step, d);
                }
            if (step >= 6) {
                ++edges;
                litEdges += map.At(x, y) >= levels.Little;
            } else if (near == 0) {
                ++calm;
                litCalm += map.At(x, y) >= levels.Little;
            }
        }
    ASSERT_GT(edges, 1000);
    EXPECT_GT(litEdges, 0.8 * edges) << litEdges << " of " << edges;
    EXPECT_LT(litCalm, 0.002 * calm) << litCalm << " of " << calm;
}

TEST(SharedPeakLevels, OneEdgeGetsOneLevelInEveryPanelAndBlurShowsLess)
{
    // Two cuts of one noisy field: the same pixels, three across and two down.
    const QImage field = Noisy(Field(), NoiseRms, 1);
    const TFocusMap sharp = ComputeFocusMap(Shifted(field, 8, 8, FrameW, FrameH));
    const TFocusMap moved = ComputeFocusMap(Shifted(field, 11, 10, FrameW, FrameH));
    const TFocusMap blurred = ComputeFocusMap(Noisy(Shifted(Blurred(Field(), 1.5), 8, 8, FrameW, FrameH), NoiseRms, 2));
    const TPeakLevels levels = SharedPeakLevels({&sharp, &moved, &blurred});
    // The same for the panels in any order, and a blurred frame beside does not lower them.
    EXPECT_EQ(SharedPeakLevels({&blurred, &sharp, &moved}), levels);
    EXPECT_EQ(SharedPeakLevels({&sharp}), levels);
    ASSERT_LT(levels.Little, levels.Sharp);
    ASSERT_LT(levels.Sharp, levels.VerySharp);
    ASSERT_LE(levels.VerySharp, 255);

    // The moved frame's pixel (x, y) is the sharp frame's (x+3, y+2): each edge has one level
    // in both panels. Each frame measures its own noise, so a gradient right at a level may
    // fall either side of it in one pixel of thousands.
    const auto level = [&](int code) { return (code >= levels.Little) + (code >= levels.Sharp) + (code >= levels.VerySharp); };
    long long differ = 0;
    for (int y = 2; y < FrameH - 4; ++y)
        for (int x = 2; x < FrameW - 5; ++x)
            differ += level(moved.At(x, y)) != level(sharp.At(x + 3, y + 2));
    EXPECT_LT(differ, FrameW * FrameH / 1000);

    const double sharpLit = LitShare(sharp, levels.Little), blurredLit = LitShare(blurred, levels.Little);
    const double sharpVery = LitShare(sharp, levels.VerySharp), blurredVery = LitShare(blurred, levels.VerySharp);
    EXPECT_GT(sharpVery, 0.01);
    EXPECT_LT(blurredLit, 0.7 * sharpLit);
    EXPECT_LT(blurredVery, 0.1 * sharpVery);
}

TEST(ReduceFocusMap, FollowsTheReducedPictureAndKeepsEachPixelsStrongestCode)
{
    // Sizes as the picture's reduced copy has them.
    const QImage picture = Flat(1001, 701);
    const TFocusMap map = ComputeFocusMap(picture);
    for (float factor : {0.5f, 0.3f, 0.125f, 0.33f, 0.001f}) {
        const auto copy = CreateScaledCopy(&picture, factor);
        const TFocusMap reduced = ReduceFocusMap(map, factor);
        EXPECT_EQ(QSize(reduced.Width(), reduced.Height()), copy->size()) << factor;
    }

    // Each reduced pixel is the largest code of the block it stands for.
    std::vector<std::uint8_t> codes(37 * 23);
    std::mt19937 random(4);
    for (auto& c : codes)
        c = static_cast<std::uint8_t>(random());
    const TFocusMap small(37, 23, codes);
    const TFocusMap reduced = ReduceFocusMap(small, 0.3f);
    ASSERT_EQ(QSize(reduced.Width(), reduced.Height()), QSize(11, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 11; ++x) {
            int most = 0;
            for (int sy = y * 23 / 6; sy < (y + 1) * 23 / 6; ++sy)
                for (int sx = x * 37 / 11; sx < (x + 1) * 37 / 11; ++sx)
                    most = std::max<int>(most, small.At(sx, sy));
            EXPECT_EQ(reduced.At(x, y), most) << x << "," << y;
        }
}

TEST(ReduceFocusMap, AOnePixelLineSurvivesTheFit)
{
    QImage picture = Flat(1000, 700);
    for (int y = 100; y < 600; ++y)
        picture.setPixel(501, y, qRgb(20, 20, 20));
    const auto copy = CreateScaledCopy(&picture, 0.125f);
    const TFocusMap reduced = ReduceFocusMap(ComputeFocusMap(picture), 0.125f);
    const TFocusMap plain = ComputeFocusMap(*copy);
    const int column = 501 / 8;
    for (int y = 20; y < 70; y += 7) {
        EXPECT_EQ(copy->pixel(column, y), qRgb(128, 128, 128)) << "the reduced picture drops the line";
        EXPECT_EQ(plain.At(column, y), 0);
        EXPECT_GE(FocusGradient(reduced.At(column, y)), 150.0) << y;
        EXPECT_EQ(reduced.At(column + 2, y), 0) << y;
    }
}

TEST(TurnFocusMap, TurnsAsThePictureTurns)
{
    const QImage picture = Noisy(Scene(131, 90, 11), 5.0);
    const TFocusMap map = ComputeFocusMap(picture);
    struct Case {
        TFocusTurn turn;
        void (*rotate)(TBitmapMAGBase&);
    };
    for (const Case& c : {Case{TFocusTurn::Right, &TBitmapMAGBase::RotateRight},
                          Case{TFocusTurn::Left, &TBitmapMAGBase::RotateLeft},
                          Case{TFocusTurn::Half, &TBitmapMAGBase::Rotate180}}) {
        TBitmapMAGBase turned;
        turned.Assign(picture, TPixelFormat::pf24bit);
        c.rotate(turned);
        const TFocusMap fresh = ComputeFocusMap(turned.Image());
        const TFocusMap map2 = TurnFocusMap(map, c.turn);
        ASSERT_EQ(QSize(map2.Width(), map2.Height()), turned.Image().size());
        EXPECT_EQ(Codes(map2), Codes(fresh)) << static_cast<int>(c.turn);
        EXPECT_EQ(map2.Histogram(), map.Histogram());
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
