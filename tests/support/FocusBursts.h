#pragma once
// Focus bursts made in code from real photographs: frames blurred as a lens out of focus,
// each with one of the things that fool a sharpness figure (exposure flicker, uneven
// noise, glints at another depth, shifts and focus breathing, JPEG at two qualities).
#include <QImage>
#include <QString>

#include <vector>

class TFocusMap;

namespace FocusBursts {

// The blur of each frame of a burst, sharpest first.
constexpr double Sigmas[] = {0.0, 0.7, 1.0, 1.5, 3.0};
constexpr int FrameCount = 5;

enum class TConfounder { Clean, Exposure, UnevenNoise, Highlights, ShiftScale, Jpeg };
constexpr TConfounder Confounders[] = {TConfounder::Clean, TConfounder::Exposure, TConfounder::UnevenNoise,
                                       TConfounder::Highlights, TConfounder::ShiftScale, TConfounder::Jpeg};
const char* Name(TConfounder confounder);

// The photographs under fixtures/photos (VELUMIRA_TEST_FIXTURES), decoded; none when absent.
std::vector<QImage> Photos();

// Two width x height cuts of photo at its own pixels with a margin of Margin on every side,
// where it has the most detail, for Burst to cut its frames from.
constexpr int Margin = 16;
std::vector<QImage> Fields(const QImage& photo, int width, int height);

// FrameCount frames of width x height from field (a cut with Margin), sharpest first.
std::vector<QImage> Burst(const QImage& field, TConfounder confounder, int width, int height);

// The picture as the camera had seen ev stops more light: in linear light, clipped.
QImage Exposed(const QImage& picture, double ev);
// Scaled by factor about its centre (Catmull-Rom), the same size.
QImage Scaled(const QImage& picture, double factor);
// Encoded as JPEG at quality and decoded again.
QImage JpegRoundTrip(const QImage& picture, int quality);
// count sharp white glints of 2 x 2 to 3 x 3 pixels at random places.
QImage WithGlints(const QImage& picture, int count, unsigned seed);

// Kendall's tau of figures (one a frame, sharpest frame first) against the true order:
// 1 when the figures fall frame by frame, -1 when they rise.
double KendallTau(const std::vector<double>& figures);

// The share of map's pixels at level or above once the map is reduced to scale, as peaking
// lights them at that magnification.
double LitShare(const TFocusMap& map, float scale, int level);

} // namespace FocusBursts
