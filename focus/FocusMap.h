#pragma once
// Focus aids computed from a picture's own pixels: a map of edge strength at full
// resolution, sharpness levels shared by the pictures shown together, a sharpness figure of
// any region, and the reduced and turned maps that follow the picture on screen.
//
// Gradient units: the Sobel magnitude (|weights| summing to 8) of the luminance after a 3x3
// binomial prefilter, counted relative to the light where it stands and less the picture's
// noise. Relative: a step counts by how much it changes the logarithm of the linear light
// (an exposure change, a factor in linear light, leaves it as it is), scaled so that at
// mid-grey it reads in 8-bit levels (a step of 10 levels around 128 reads about 30). The
// noise (measured on the picture) is taken off each gradient in quadrature, so that a
// flat area reads 0 whatever its noise. And abrupt: each gradient counts by how much larger
// it is than the same one measured over twice the distance, in full for a step, little for
// an edge that a blur has spread, whatever its contrast.
#include <QImage>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

// Which way a map turns; the same turns as TBitmapMAGBase::RotateRight/RotateLeft/Rotate180.
enum class TFocusTurn { Right, Left, Half };

// Map codes: one byte per pixel, code = round(8 * sqrt(gradient)), 255 at most, so that
// faint edges keep fine steps and strong ones still fit (255 stands for >= 1016).
std::uint8_t FocusCode(double gradient);
double FocusGradient(int code);

class TFocusMap {
public:
    static constexpr int TileSize = 128;
    static constexpr int Bins = 256;

    TFocusMap() = default;
    // A map of width x height codes taken as they are (row after row) and the picture's
    // noise (see Noise()); tiles are counted.
    TFocusMap(int width, int height, std::vector<std::uint8_t> codes, double noise = 0.0);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
    // The picture's noise: the rms of one gradient component that noise alone gives, in
    // gradient units, as the darkest tenth of the picture shows it (at mid-grey and above,
    // 8-bit levels); 0 for a map made from codes.
    double Noise() const { return FNoise; }
    const std::uint8_t* Row(int y) const { return FCodes.data() + static_cast<std::size_t>(y) * FWidth; }
    std::uint8_t At(int x, int y) const { return Row(y)[x]; }

    // Counts of each code over the whole map.
    const std::array<std::uint32_t, Bins>& Histogram() const { return FHistogram; }
    // Adds the counts of each code inside region (clipped to the map) to counts; returns
    // the number of pixels counted. Whole tiles come from their histograms.
    long long CountRegion(const QRect& region, std::array<std::uint32_t, Bins>& counts) const;

private:
    friend TFocusMap ComputeFocusMap(const QImage& picture);
    void CountTiles();

    int FWidth = 0;
    int FHeight = 0;
    double FNoise = 0.0;
    int FTilesX = 0;
    int FTilesY = 0;
    std::vector<std::uint8_t> FCodes;
    std::vector<std::uint16_t> FTiles;   // Bins counts per tile, tiles row after row
    std::array<std::uint32_t, Bins> FHistogram{};
};

// The focus map of a picture at full resolution, from any QImage format (Format_BGR888,
// RGB888, RGB32/ARGB32 and Grayscale8 directly; others through a converted copy). One core,
// no shared state: the panels' maps can be made on worker threads side by side.
TFocusMap ComputeFocusMap(const QImage& picture);

// Sharpness figure of region (picture pixels, clipped): the mean gradient of the strongest
// 5 % of the region's pixels, the strongest 1 % counted at the gradient where that 1 %
// begins, in gradient units; higher is sharper. The area that is sharp counts, not its
// single strongest feature: a few glints or specks do not raise it; the map already leaves
// exposure and noise out. 0 for an empty region.
double SharpnessFigure(const TFocusMap& map, const QRect& region);
double SharpnessFigure(const TFocusMap& map);   // the whole picture

// The three overlay levels as map codes: a pixel whose code is >= Little is a little sharp,
// >= Sharp sharp, >= VerySharp very sharp. Codes stop at 255, so 256 is a level that no
// pixel reaches; the default lights nothing.
struct TPeakLevels {
    int Little = 256;
    int Sharp = 256;
    int VerySharp = 256;
    friend bool operator==(const TPeakLevels&, const TPeakLevels&) = default;
};

// Levels shared by the maps shown together, so one edge gets one level in every panel.
TPeakLevels SharedPeakLevels(const std::vector<const TFocusMap*>& maps);

// The map at factor < 1 with the sizes and pixel grid of CreateScaledCopy (sizes truncated
// toward zero); each reduced pixel holds the largest code of the picture pixels it covers,
// so that a thin sharp edge still shows at the fit.
TFocusMap ReduceFocusMap(const TFocusMap& map, float factor);

// The map turned as the picture turns.
TFocusMap TurnFocusMap(const TFocusMap& map, TFocusTurn turn);
