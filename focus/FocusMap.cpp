#include "focus/FocusMap.h"

#include <algorithm>
#include <cmath>
#include <new>

std::uint8_t FocusCode(double gradient)
{
    if (!(gradient > 0.0))
        return 0;
    return static_cast<std::uint8_t>(std::min(255.0, std::round(8.0 * std::sqrt(gradient))));
}

double FocusGradient(int code)
{
    const double c = code / 8.0;
    return c * c;
}

TFocusMap::TFocusMap(int width, int height, std::vector<std::uint8_t> codes, double noise)
    : FWidth(width > 0 && height > 0 ? width : 0), FHeight(width > 0 && height > 0 ? height : 0),
      FNoise(noise), FCodes(std::move(codes))
{
    FCodes.resize(static_cast<std::size_t>(FWidth) * FHeight);
    CountTiles();
}

void TFocusMap::CountTiles()
{
    FTilesX = (FWidth + TileSize - 1) / TileSize;
    FTilesY = (FHeight + TileSize - 1) / TileSize;
    FTiles.assign(static_cast<std::size_t>(FTilesX) * FTilesY * Bins, 0);
    // Four counts per code, each for every fourth pixel: a run of one code (the zeros of a
    // flat area) would otherwise wait on the same counter at every pixel.
    std::array<std::array<std::uint16_t, Bins>, 4> part;
    for (int ty = 0; ty < FTilesY; ++ty) {
        const int y1 = std::min(FHeight, (ty + 1) * TileSize);
        for (int tx = 0; tx < FTilesX; ++tx) {
            for (auto& p : part)
                p.fill(0);
            const int x0 = tx * TileSize, x1 = std::min(FWidth, (tx + 1) * TileSize);
            for (int y = ty * TileSize; y < y1; ++y) {
                const std::uint8_t* row = Row(y);
                int x = x0;
                for (; x + 4 <= x1; x += 4) {
                    ++part[0][row[x]];
                    ++part[1][row[x + 1]];
                    ++part[2][row[x + 2]];
                    ++part[3][row[x + 3]];
                }
                for (; x < x1; ++x)
                    ++part[0][row[x]];
            }
            std::uint16_t* counts = FTiles.data() + (static_cast<std::size_t>(ty) * FTilesX + tx) * Bins;
            for (int b = 0; b < Bins; ++b)
                counts[b] = static_cast<std::uint16_t>(part[0][b] + part[1][b] + part[2][b] + part[3][b]);
        }
    }
    FHistogram.fill(0);
    for (std::size_t t = 0; t < FTiles.size(); t += Bins)
        for (int b = 0; b < Bins; ++b)
            FHistogram[b] += FTiles[t + b];
}

long long TFocusMap::CountRegion(const QRect& region, std::array<std::uint32_t, Bins>& counts) const
{
    const QRect r = region.intersected(QRect(0, 0, FWidth, FHeight));
    if (r.isEmpty())
        return 0;
    for (int ty = r.top() / TileSize; ty <= r.bottom() / TileSize; ++ty) {
        for (int tx = r.left() / TileSize; tx <= r.right() / TileSize; ++tx) {
            const QRect tile = QRect(tx * TileSize, ty * TileSize, TileSize, TileSize).intersected(QRect(0, 0, FWidth, FHeight));
            if (r.contains(tile)) {
                const std::uint16_t* c = FTiles.data() + (static_cast<std::size_t>(ty) * FTilesX + tx) * Bins;
                for (int b = 0; b < Bins; ++b)
                    counts[b] += c[b];
                continue;
            }
            const QRect part = tile.intersected(r);
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const std::uint8_t* row = Row(y);
                for (int x = part.left(); x <= part.right(); ++x)
                    ++counts[row[x]];
            }
        }
    }
    return static_cast<long long>(r.width()) * r.height();
}

namespace {

// The prefilter and the gradients work on rows of int16 with two replicated pixels on each
// side (the coarse gradient reaches two pixels out), so that the inner loops have no edge
// cases and vectorise. Scales: luminance 4x the
// 8-bit level (0..1020), the binomial-filtered row 16x (0..16320 before the final shift,
// stored as 16x the 8-bit level), the Sobel sums 16x the gradient in 8-bit levels.
using Sample = std::int16_t;
constexpr int Pad = 2;

void PadRow(Sample* row, int width)
{
    row[0] = row[1] = row[Pad];
    row[width + Pad] = row[width + Pad + 1] = row[width + Pad - 1];
}

// Where the processor has AVX2 the row loops also come in a version for it, chosen once at
// start-up. Not under ThreadSanitizer: the choice runs while the program is loaded, before
// the sanitizer's runtime is ready, and crashes there.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define VELUMIRA_WIDE __attribute__((target_clones("avx2", "default")))
#else
#define VELUMIRA_WIDE
#endif

// 0.299 R + 0.587 G + 0.114 B in 1/256 steps, times 4; Step bytes per pixel.
template <int Step>
VELUMIRA_WIDE void LumaBGR(const std::uint8_t* __restrict p, Sample* __restrict out, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* q = p + Step * x;
        out[x] = static_cast<Sample>((29 * q[0] + 150 * q[1] + 77 * q[2]) >> 6);
    }
}

VELUMIRA_WIDE void LumaRGB(const std::uint8_t* __restrict p, Sample* __restrict out, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* q = p + 3 * x;
        out[x] = static_cast<Sample>((77 * q[0] + 150 * q[1] + 29 * q[2]) >> 6);
    }
}

VELUMIRA_WIDE void LumaGrey(const std::uint8_t* __restrict p, Sample* __restrict out, int width)
{
    for (int x = 0; x < width; ++x)
        out[x] = static_cast<Sample>(4 * p[x]);
}

// [1 2 1] across one padded row.
VELUMIRA_WIDE void Binomial(const Sample* __restrict in, Sample* __restrict out, int width)
{
    for (int x = Pad; x < width + Pad; ++x)
        out[x] = static_cast<Sample>(in[x - 1] + 2 * in[x] + in[x + 1]);
    PadRow(out, width);
}

// [1 2 1] down three padded rows, scaled back by 4.
VELUMIRA_WIDE void BinomialDown(const Sample* __restrict a, const Sample* __restrict b, const Sample* __restrict c,
                  Sample* __restrict out, int width)
{
    for (int x = 0; x < width + 2 * Pad; ++x)
        out[x] = static_cast<Sample>((a[x] + 2 * b[x] + c[x]) >> 2);
}

// A step that the prefilter spreads over three pixels: the fine difference (two pixels
// apart) sees 3/4 of it, the coarse one (four apart, halved) 1/2, so their ratio is 1.5 and
// its square 2.25. A blurred edge spreads further and the two come together (ratio 1.3 for
// a blur of sigma 1.5, 1.05 for sigma 3), whatever its contrast or the exposure.
constexpr float StepRatio2 = 2.25f;
// What noise gives the coarse gradient (squared) for what it gives the fine one: the
// weights of its 7 x 5 kernel square to 0.3 times those of the fine one's 5 x 5.
constexpr float CoarseNoiseShare = 0.3f;

// Sobel over five filtered rows, at the pixel's distance (rows a, b, c) and at twice it
// (rows a2, b, c2). A squared sum |g|^2 (|g| is 16x the gradient in 8-bit levels) below
// gate2 counts as none, and the noise's share comes off both, noise2 off the fine one and
// its part of that off the coarse one, so that their ratio does not follow the noise (a
// darker exposure has relatively more of it). What is left counts by how abrupt the edge
// is: by the share of the way from a blurred edge (fine and coarse alike) to a step (see
// StepRatio2) that the ratio of the two has gone, so that a blurred edge of high contrast
// no longer reads as sharp as a fine one of less. The cut takes off more than noise adds,
// so noise makes an edge read more blurred, never sharper. The rest counts by the light at
// the middle filtered row (weight, see LightWeights), and each code is round(8 *
// sqrt(gradient)). Only arithmetic that vectorises: no branch, no look-up, and the same
// operations in the same order on every path.
VELUMIRA_WIDE void SobelCodes(const Sample* __restrict a2, const Sample* __restrict a, const Sample* __restrict b,
                              const Sample* __restrict c, const Sample* __restrict c2, Sample* __restrict across,
                              Sample* __restrict down, Sample* __restrict down2, float* __restrict light,
                              std::uint8_t* __restrict out, int width, float noise2, float gate2, const float* __restrict weight)
{
    for (int x = 0; x < width + 2 * Pad; ++x) {
        across[x] = static_cast<Sample>(a[x] + 2 * b[x] + c[x]);
        down[x] = static_cast<Sample>(c[x] - a[x]);
        down2[x] = static_cast<Sample>(c2[x] - a2[x]);
    }
    // The look-ups apart, so that the loop below stays vectorised.
    for (int x = Pad; x < width + Pad; ++x)
        light[x] = weight[b[x]];
    constexpr float toShare = 1.0f / (StepRatio2 - 1.0f);
    const float coarseNoise2 = CoarseNoiseShare * noise2;
    for (int x = Pad; x < width + Pad; ++x) {
        const int gx = across[x + 1] - across[x - 1];
        const int gy = down[x - 1] + 2 * down[x] + down[x + 1];
        const int cx = across[x + 2] - across[x - 2];
        const int cy = down2[x - 1] + 2 * down2[x] + down2[x + 1];
        const float sum = static_cast<float>(gx * gx + gy * gy);
        const float coarseSum = 0.25f * static_cast<float>(cx * cx + cy * cy) - coarseNoise2;
        const float coarse = coarseSum > 0.0f ? coarseSum : 0.0f;
        const float rest = std::max(sum - noise2, 0.0f);
        const float q = sum >= gate2 ? rest : 0.0f;
        const float gain = q - coarse;
        const float excess = gain > 0.0f ? gain : 0.0f;
        // The one added to the coarse sum (1/16 of a level, squared) only keeps 0 / 0 out.
        const float share = excess * toShare / (coarse + 1.0f);
        const float steep = share < 1.0f ? share : 1.0f;
        const float g = std::sqrt(q) * steep * light[x];
        out[x - Pad] = static_cast<std::uint8_t>(std::min(std::sqrt(g) + 0.5f, 255.0f));
    }
}

// Rows of one stage kept by row number: the stages ask in rising order, each at most five
// rows back, so eight slots compute each row once.
struct TRowRing {
    explicit TRowRing(int width) : Width(width), Data(8 * static_cast<std::size_t>(width + 2 * Pad)) {}
    Sample* Slot(int row, bool& fresh)
    {
        const int s = row & 7;
        fresh = Tags[s] != row;
        Tags[s] = row;
        return Data.data() + static_cast<std::size_t>(s) * (Width + 2 * Pad);
    }
    int Width;
    std::vector<Sample> Data;
    int Tags[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

// The light below which gradients count less and less, as a share of the picture's median
// light: shadows three stops and more below the scene's typical light.
constexpr double DarkShare = 0.1;
// The noise taken off each gradient, in rms of one gradient component, in quadrature: 3
// takes off more than noise adds to an edge (twice its rms squared), so that what noise
// lifts into the strongest share of a region does not make a noisier frame read sharper.
constexpr double NoiseCut = 3.0;
// Gradients below this many times the noise count as none: noise alone passes it in about
// 3 pixels of 10 000, so that where the light weighs them up (shadows) noise stays dark.
constexpr double NoiseGate = 4.0;

double LinearLight(double level)
{
    const double v = level / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// What a gradient counts at each filtered luminance (16x the 8-bit level): the change of
// log(linear light + floor) per level there, relative to mid-grey, times 64 / 16 for the
// code's scale. In linear light an exposure change is a factor, and so a shift of the
// logarithm: gradients relative to it do not change. The floor, a share of the picture's
// median light (what the eye adapts to), keeps the deepest shadows, where 8-bit steps and
// noise are all there is, from counting without bound; it follows the exposure too.
std::vector<float> LightWeights(double medianLight)
{
    const double floor = std::max(DarkShare * medianLight, 1e-5);
    const auto slope = [](double level, double floor) {
        const double d = 1e-3;
        return (std::log(LinearLight(level + d) + floor) - std::log(LinearLight(level - d) + floor)) / (2 * d);
    };
    // The scale is one for all pictures (the floor's own slope at mid-grey would follow
    // the exposure).
    const double mid = slope(128.0, 0.0);
    std::vector<float> weights(16 * 255 + 1);
    for (std::size_t i = 0; i < weights.size(); ++i)
        weights[i] = static_cast<float>(4.0 * slope(std::clamp(i / 16.0, 1e-3, 255.0 - 1e-3), floor) / mid);
    return weights;
}

// Luminance (4x the 8-bit level, as the row loops make it) of pixel x of a row.
int PixelLuma(const std::uint8_t* row, int x, QImage::Format f)
{
    if (f == QImage::Format_Grayscale8)
        return 4 * row[x];
    const std::uint8_t* q = row + (f == QImage::Format_BGR888 || f == QImage::Format_RGB888 ? 3 : 4) * x;
    return f == QImage::Format_RGB888 ? (77 * q[0] + 150 * q[1] + 29 * q[2]) >> 6 : (29 * q[0] + 150 * q[1] + 77 * q[2]) >> 6;
}

// Whether row or column i of n is one of MeasureLight's sparse samples: one in period (2,
// 4, 8 or 16), placed symmetrically about the middle so that a turned picture samples the
// same pixels (and so gets the same map, turned).
bool NoiseSample(int i, int n, int period)
{
    const int v = std::abs(2 * i - (n - 1));
    return i > 0 && i < n - 1 && v % (4 * period) == (v % 2 != 0 ? 1 : 2);
}

struct TPictureLight {
    double Noise = 0.0;       // rms of one gradient component that noise alone gives
    double MedianLight = 0.0;   // median linear light, 0..1
    int DarkLuma = 0;           // the darkest tenth's upper end, 4x the 8-bit level
};

// The picture's noise and median light from sparse samples. The noise as the map sees it (the
// rms of one Sobel component in 8-bit levels after the prefilter) comes from a fine band,
// the second difference [1 -2 1] x [1 -2 1] that smooth shading and the flanks of an edge
// leave near zero, as its median magnitude: most of a photograph is smooth at that scale,
// so the median is noise, while edges and texture only reach the top. Samples at the
// clipped ends carry no noise and are left out of it.
TPictureLight MeasureLight(const QImage& source)
{
    const int w = source.width(), h = source.height();
    TPictureLight light;
    if (w < 3 || h < 3)
        return light;
    long long lightCount = 0;
    std::array<std::uint32_t, 1021> lumaCounts{};
    const QImage::Format f = source.format();
    constexpr int Top = 16 * 1020 + 1;
    std::vector<std::uint32_t> counts(Top, 0);
    long long n = 0;
    // At least about 60 000 samples where the picture has them.
    const long long area = static_cast<long long>(w) * h;
    const int period = area >= 256 * 65536 ? 16 : area >= 64 * 65536 ? 8 : area >= 16 * 65536 ? 4 : 2;
    std::vector<int> cols;
    for (int x = 1; x < w - 1; ++x)
        if (NoiseSample(x, w, period))
            cols.push_back(x);
    for (int y = 1; y < h - 1; ++y) {
        if (!NoiseSample(y, h, period))
            continue;
        const std::uint8_t* rows[3] = {source.constScanLine(y - 1), source.constScanLine(y), source.constScanLine(y + 1)};
        for (int x : cols) {
            int l[3][3], lo = 1020, hi = 0;
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k) {
                    l[r][k] = PixelLuma(rows[r], x - 1 + k, f);
                    lo = std::min(lo, l[r][k]);
                    hi = std::max(hi, l[r][k]);
                }
            ++lightCount;
            ++lumaCounts[static_cast<std::size_t>(l[1][1])];
            if (lo <= 8 || hi >= 1012)
                continue;
            const int response = (l[0][0] + l[0][2] + l[2][0] + l[2][2]) - 2 * (l[0][1] + l[1][0] + l[1][2] + l[2][1]) + 4 * l[1][1];
            ++counts[std::abs(response)];
            ++n;
        }
    }
    long long below = 0;
    for (std::size_t i = 0; i < lumaCounts.size() && 2 * below < lightCount; ++i) {
        if (10 * below < lightCount)
            light.DarkLuma = static_cast<int>(i);
        below += lumaCounts[i];
        light.MedianLight = LinearLight(i / 4.0);
    }
    if (n == 0)
        return light;
    long long seen = 0;
    int at = 0;
    for (; at < Top; ++at) {
        seen += counts[at];
        if (2 * seen >= n)
            break;
    }
    // Its median: 0.6745 sigma for Gaussian noise.
    const double lo = 0.6745;
    // The mask's weights square to 36; the response is in 4x levels.
    const double sigma = at / (lo * 6.0 * 4.0);
    // One Sobel component of the prefiltered picture: the weights of the 5 x 5 kernel
    // (binomial [1 2 1]^2 / 16, then Sobel) square to 175 / 64.
    light.Noise = sigma * std::sqrt(175.0 / 64.0);
    return light;
}

} // namespace

TFocusMap ComputeFocusMap(const QImage& picture)
{
    TFocusMap map;
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return map;
    QImage converted;
    const QImage* source = &picture;
    const QImage::Format format = picture.format();
    const bool direct = format == QImage::Format_BGR888 || format == QImage::Format_RGB888 ||
                        format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                        format == QImage::Format_Grayscale8;
    if (!direct) {
        converted = picture.convertToFormat(QImage::Format_RGB32);
        if (converted.isNull())
            throw std::bad_alloc();
        source = &converted;
    }
    const QImage::Format f = source->format();
    const int w = source->width(), h = source->height();
    map.FWidth = w;
    map.FHeight = h;
    map.FCodes.resize(static_cast<std::size_t>(w) * h);

    const TPictureLight light = MeasureLight(*source);
    // In the Sobel sums' units (16x).
    const float noise2 = static_cast<float>(256.0 * NoiseCut * NoiseCut * light.Noise * light.Noise);
    const float gate2 = static_cast<float>(256.0 * NoiseGate * NoiseGate * light.Noise * light.Noise);
    const std::vector<float> weights = LightWeights(light.MedianLight);
    // The noise as the map shows it where the picture is darker (its darkest tenth), where
    // the light weighs it most among the parts that matter.
    map.FNoise = light.Noise * std::max(1.0f, weights[static_cast<std::size_t>(4 * light.DarkLuma)] / 4.0f);
    TRowRing lumaRing(w), filtered(w);
    std::vector<Sample> luma(static_cast<std::size_t>(w) + 2 * Pad), across(luma.size()), down(luma.size()), down2(luma.size());
    std::vector<float> lightRow(luma.size());
    const auto clampRow = [h](int r) { return std::clamp(r, 0, h - 1); };
    // Horizontally filtered luminance of row r.
    const auto acrossRow = [&](int r) {
        bool fresh;
        Sample* out = lumaRing.Slot(r, fresh);
        if (fresh) {
            const std::uint8_t* p = source->constScanLine(r);
            Sample* l = luma.data() + Pad;
            if (f == QImage::Format_BGR888)
                LumaBGR<3>(p, l, w);
            else if (f == QImage::Format_RGB888)
                LumaRGB(p, l, w);
            else if (f == QImage::Format_Grayscale8)
                LumaGrey(p, l, w);
            else
                LumaBGR<4>(p, l, w);   // 0xAARRGGBB is B, G, R, A in memory
            PadRow(luma.data(), w);
            Binomial(luma.data(), out, w);
        }
        return out;
    };
    // Row r after the whole 3x3 prefilter.
    const auto filteredRow = [&](int r) {
        bool fresh;
        Sample* out = filtered.Slot(r, fresh);
        if (fresh) {
            const Sample* a = acrossRow(clampRow(r - 1));
            const Sample* b = acrossRow(r);
            const Sample* c = acrossRow(clampRow(r + 1));
            BinomialDown(a, b, c, out, w);
        }
        return out;
    };
    for (int y = 0; y < h; ++y) {
        const Sample* a2 = filteredRow(clampRow(y - 2));
        const Sample* a = filteredRow(clampRow(y - 1));
        const Sample* b = filteredRow(y);
        const Sample* c = filteredRow(clampRow(y + 1));
        const Sample* c2 = filteredRow(clampRow(y + 2));
        SobelCodes(a2, a, b, c, c2, across.data(), down.data(), down2.data(), lightRow.data(),
                   map.FCodes.data() + static_cast<std::size_t>(y) * w, w, noise2, gate2, weights.data());
    }
    map.CountTiles();
    return map;
}

namespace {

// The code where the strongest 1 % of counts begins (the last code when fewer).
int StrongestPercentCode(const std::array<std::uint32_t, TFocusMap::Bins>& counts, long long n)
{
    long long above = 0;
    for (int code = TFocusMap::Bins - 1; code >= 0; --code) {
        above += counts[code];
        if (above * 100 >= n)
            return code;
    }
    return 0;
}

// The mean gradient of the strongest 1 % of the whole map.
double StrongestPercent(const TFocusMap& map)
{
    const auto& counts = map.Histogram();
    const long long strongest = (static_cast<long long>(map.Width()) * map.Height() + 99) / 100;
    long long left = strongest;
    double sum = 0.0;
    for (int code = TFocusMap::Bins - 1; code >= 0 && left > 0; --code) {
        const long long take = std::min<long long>(left, counts[code]);
        sum += static_cast<double>(take) * FocusGradient(code);
        left -= take;
    }
    return sum / static_cast<double>(strongest);
}

} // namespace

double SharpnessFigure(const TFocusMap& map, const QRect& region)
{
    std::array<std::uint32_t, TFocusMap::Bins> counts{};
    const long long n = map.CountRegion(region, counts);
    if (n <= 0)
        return 0.0;
    // The strongest 1 % stand at the code where they begin: a few glints or specks cannot
    // outweigh the area.
    const int capCode = StrongestPercentCode(counts, n);
    const long long strongest = (n + 19) / 20;
    long long left = strongest;
    double sum = 0.0;
    for (int code = TFocusMap::Bins - 1; code >= 0 && left > 0; --code) {
        const long long take = std::min<long long>(left, counts[code]);
        sum += static_cast<double>(take) * FocusGradient(std::min(code, capCode));
        left -= take;
    }
    return sum / static_cast<double>(strongest);
}

double SharpnessFigure(const TFocusMap& map) { return SharpnessFigure(map, QRect(0, 0, map.Width(), map.Height())); }

// The levels stand on two figures taken over all the maps shown:
//  - the noise, the largest of the maps' noise (Noise(), what noise alone gives). The map
//    has already taken twice the noise's share off every gradient, so what noise leaves is
//    a thin tail; from 3.5 times the noise up, about 3 pixels in 10 000 of a noise-only
//    frame at mid-grey remain. The largest rules because every panel gets the same levels.
//  - the peak, the largest sharpness figure of any map: what the sharpest frame's sharp
//    area reaches. The levels are fixed fractions of it, so they follow the scene (a
//    low-contrast scene still shows its edges) and a blurred frame, whose edges reach
//    less, shows fewer and lower levels.
// Each level is the larger of its two bounds, and never below a gradient of 4 (the steps a
// clean 8-bit picture makes by itself).
TPeakLevels SharedPeakLevels(const std::vector<const TFocusMap*>& maps)
{
    double noise = 0.0, peak = 0.0;
    bool any = false;
    for (const TFocusMap* map : maps) {
        if (map == nullptr || map->Empty())
            continue;
        any = true;
        noise = std::max(noise, map->Noise());
        peak = std::max(peak, StrongestPercent(*map));
    }
    TPeakLevels levels;
    if (!any)
        return levels;
    const auto level = [&](double ofPeak, double ofNoise, int below) {
        const double g = std::max({ofPeak * peak, ofNoise * noise, 4.0});
        // The first code whose gradient reaches g.
        int code = FocusCode(g);
        if (FocusGradient(code) < g)
            ++code;
        return std::max(code, below + 1);
    };
    levels.Little = level(0.25, 3.5, 0);
    levels.Sharp = level(0.45, 4.5, levels.Little);
    levels.VerySharp = level(0.7, 5.5, levels.Sharp);
    levels.Little = std::min(levels.Little, 256);
    levels.Sharp = std::min(levels.Sharp, 256);
    levels.VerySharp = std::min(levels.VerySharp, 256);
    return levels;
}

TFocusMap ReduceFocusMap(const TFocusMap& map, float factor)
{
    const int sw = map.Width(), sh = map.Height();
    // As CreateScaledCopy sizes the picture's reduced copy.
    const int w = static_cast<int>(std::trunc(static_cast<double>(sw) * factor));
    const int h = static_cast<int>(std::trunc(static_cast<double>(sh) * factor));
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return TFocusMap();
    // Reduced pixel x covers picture columns [x*sw/w, (x+1)*sw/w): it starts at the pixel
    // the nearest-pixel copy shows.
    const auto start = [](int i, int s, int n) { return static_cast<int>(static_cast<long long>(i) * s / n); };
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(w) * h);
    std::vector<std::uint8_t> rowMax(static_cast<std::size_t>(sw));
    for (int y = 0; y < h; ++y) {
        const int y0 = start(y, sh, h);
        const int y1 = std::max(y0 + 1, start(y + 1, sh, h));
        std::copy(map.Row(y0), map.Row(y0) + sw, rowMax.begin());
        for (int sy = y0 + 1; sy < y1; ++sy) {
            const std::uint8_t* src = map.Row(sy);
            std::uint8_t* m = rowMax.data();
            for (int x = 0; x < sw; ++x)
                m[x] = std::max(m[x], src[x]);
        }
        std::uint8_t* dst = codes.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const int x0 = start(x, sw, w);
            const int x1 = std::max(x0 + 1, start(x + 1, sw, w));
            dst[x] = *std::max_element(rowMax.begin() + x0, rowMax.begin() + x1);
        }
    }
    return TFocusMap(w, h, std::move(codes), map.Noise());
}

TFocusMap TurnFocusMap(const TFocusMap& map, TFocusTurn turn)
{
    const int w = map.Width(), h = map.Height();
    if (map.Empty())
        return TFocusMap();
    const bool quarter = turn != TFocusTurn::Half;
    const int rw = quarter ? h : w, rh = quarter ? w : h;
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(rw) * rh);
    // In blocks, so that the column walks of a quarter turn stay in the cache.
    constexpr int Block = 64;
    for (int by = 0; by < rh; by += Block) {
        for (int bx = 0; bx < rw; bx += Block) {
            const int ey = std::min(rh, by + Block), ex = std::min(rw, bx + Block);
            for (int ry = by; ry < ey; ++ry) {
                std::uint8_t* dst = codes.data() + static_cast<std::size_t>(ry) * rw;
                for (int rx = bx; rx < ex; ++rx) {
                    switch (turn) {
                    case TFocusTurn::Right: dst[rx] = map.At(ry, h - 1 - rx); break;
                    case TFocusTurn::Left: dst[rx] = map.At(w - 1 - ry, rx); break;
                    default: dst[rx] = map.At(w - 1 - rx, h - 1 - ry); break;
                    }
                }
            }
        }
    }
    return TFocusMap(rw, rh, std::move(codes), map.Noise());
}
