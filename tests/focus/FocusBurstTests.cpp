// The sharpness figure and peaking on bursts made from the real photographs beside the
// project (skipped when they are absent): what fools a figure that the eye is not fooled by.
#include "focus/FocusMap.h"
#include "support/FocusBursts.h"
#include "support/FocusScenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace FocusBursts;

namespace {

double Figure(const QImage& frame) { return SharpnessFigure(ComputeFocusMap(frame)); }

const std::vector<QImage>& SharedPhotos()
{
    static const std::vector<QImage> photos = Photos();
    return photos;
}

TEST(SharpnessFigure, PicksTheSharpFrameOfBurstsWithWhatFoolsAFigure)
{
    if (SharedPhotos().empty())
        GTEST_SKIP() << "no photographs under VELUMIRA_TEST_FIXTURES/photos";
    for (const QImage& photo : SharedPhotos()) {
        for (const QImage& field : Fields(photo, 640, 480)) {
            for (TConfounder c : Confounders) {
                std::vector<double> figures;
                for (const QImage& frame : Burst(field, c, 640, 480))
                    figures.push_back(Figure(frame));
                EXPECT_EQ(std::max_element(figures.begin(), figures.end()), figures.begin()) << Name(c);
                if (c == TConfounder::Clean) {
                    EXPECT_EQ(KendallTau(figures), 1.0);
                }
            }
            // Half a stop either way, and a noisier copy, of the sharp frame.
            const QImage sharp = FocusScenes::Shifted(field, Margin, Margin, 640, 480);
            const double figure = Figure(sharp);
            for (double ev : {-0.5, 0.5})
                EXPECT_NEAR(Figure(Exposed(sharp, ev)) / figure, 1.0, 0.03) << ev << " EV";
            EXPECT_LE(Figure(FocusScenes::Noisy(sharp, 0.05 * 255, 9)), figure);
        }
    }
}

// At the fit of a 2400 x 1600 cut, a frame far out of focus and noisy, beside its sharp
// frame, lights much less; a frame of noise alone lights almost nothing.
TEST(SharedPeakLevels, ASoftNoisyFrameLightsLessThanItsSharpFrameAtTheFit)
{
    if (SharedPhotos().empty())
        GTEST_SKIP() << "no photographs under VELUMIRA_TEST_FIXTURES/photos";
    const auto lit = [](const TFocusMap& map, int level) { return FocusBursts::LitShare(map, 0.3f, level); };
    const TFocusMap noise = ComputeFocusMap(FocusScenes::Noisy(FocusScenes::Flat(2400, 1600), 0.03 * 255, 4));
    std::vector<double> shares;
    for (const QImage& photo : SharedPhotos()) {
        const QImage cut = photo.copy((photo.width() - 2400) / 2, (photo.height() - 1600) / 2, 2400, 1600);
        const TFocusMap sharp = ComputeFocusMap(cut);
        const TFocusMap soft = ComputeFocusMap(FocusScenes::Noisy(FocusScenes::Blurred(cut, 3.0), 0.03 * 255, 3));
        const TPeakLevels levels = SharedPeakLevels({&sharp, &soft});
        shares.push_back(lit(soft, levels.Little) / lit(sharp, levels.Little));
        EXPECT_LT(lit(noise, SharedPeakLevels({&sharp, &noise}).Little), 0.002);
    }
    // Also where a blurred edge keeps more contrast than the sharp frame's finest (a dark
    // chain on grey).
    for (double share : shares)
        EXPECT_LT(share, 0.5);
}

} // namespace
