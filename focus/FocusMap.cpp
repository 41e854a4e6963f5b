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

TFocusMap::TFocusMap(int width, int height, std::vector<std::uint8_t> codes)
    : FWidth(width > 0 && height > 0 ? width : 0), FHeight(width > 0 && height > 0 ? height : 0),
      FCodes(std::move(codes))
{
    FCodes.resize(static_cast<std::size_t>(FWidth) * FHeight);
    CountTiles();
}

void TFocusMap::CountTiles()
{
    FTilesX = (FWidth + TileSize - 1) / TileSize;
    FTilesY = (FHeight + TileSize - 1) / TileSize;
    FTiles.assign(static_cast<std::size_t>(FTilesX) * FTilesY * Bins, 0);
    for (int y = 0; y < FHeight; ++y) {
        const std::uint8_t* row = Row(y);
        std::uint16_t* tileRow = FTiles.data() + static_cast<std::size_t>(y / TileSize) * FTilesX * Bins;
        for (int tx = 0; tx < FTilesX; ++tx) {
            std::uint16_t* counts = tileRow + static_cast<std::size_t>(tx) * Bins;
            const int end = std::min(FWidth, (tx + 1) * TileSize);
            for (int x = tx * TileSize; x < end; ++x)
                ++counts[row[x]];
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

// The prefilter and the gradient work on rows of int16 with one replicated pixel on each
// side, so that the inner loops have no edge cases and vectorise. Scales: luminance 4x the
// 8-bit level (0..1020), the binomial-filtered row 16x (0..16320 before the final shift,
// stored as 16x the 8-bit level), the Sobel sums 16x the gradient in 8-bit levels.
using Sample = std::int16_t;

void PadRow(Sample* row, int width)
{
    row[0] = row[1];
    row[width + 1] = row[width];
}

// Where the processor has AVX2 the row loops also come in a version for it, chosen once at
// start-up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
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
    for (int x = 1; x <= width; ++x)
        out[x] = static_cast<Sample>(in[x - 1] + 2 * in[x] + in[x + 1]);
    PadRow(out, width);
}

// [1 2 1] down three padded rows, scaled back by 4.
VELUMIRA_WIDE void BinomialDown(const Sample* __restrict a, const Sample* __restrict b, const Sample* __restrict c,
                  Sample* __restrict out, int width)
{
    for (int x = 0; x < width + 2; ++x)
        out[x] = static_cast<Sample>((a[x] + 2 * b[x] + c[x]) >> 2);
}

// Sobel over three filtered rows; each code is round(2 * |g|^(1/2)) where |g| is 16x the
// gradient, that is round(8 * sqrt(gradient)).
VELUMIRA_WIDE void SobelCodes(const Sample* __restrict a, const Sample* __restrict b, const Sample* __restrict c,
                Sample* __restrict across, Sample* __restrict down, std::uint8_t* __restrict out, int width)
{
    for (int x = 0; x < width + 2; ++x) {
        across[x] = static_cast<Sample>(a[x] + 2 * b[x] + c[x]);
        down[x] = static_cast<Sample>(c[x] - a[x]);
    }
    for (int x = 1; x <= width; ++x) {
        const int gx = across[x + 1] - across[x - 1];
        const int gy = down[x - 1] + 2 * down[x] + down[x + 1];
        const float m = std::sqrt(std::sqrt(static_cast<float>(gx * gx + gy * gy)));
        out[x - 1] = static_cast<std::uint8_t>(std::min(2.0f * m + 0.5f, 255.0f));
    }
}

// Rows of one stage kept by row number: the stages ask in rising order, each at most three
// rows back, so four slots compute each row once.
struct TRowRing {
    explicit TRowRing(int width) : Width(width), Data(4 * static_cast<std::size_t>(width + 2)) {}
    Sample* Slot(int row, bool& fresh)
    {
        const int s = row & 3;
        fresh = Tags[s] != row;
        Tags[s] = row;
        return Data.data() + static_cast<std::size_t>(s) * (Width + 2);
    }
    int Width;
    std::vector<Sample> Data;
    int Tags[4] = {-1, -1, -1, -1};
};

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

    TRowRing lumaRing(w), filtered(w);
    std::vector<Sample> luma(static_cast<std::size_t>(w) + 2), across(luma.size()), down(luma.size());
    const auto clampRow = [h](int r) { return std::clamp(r, 0, h - 1); };
    // Horizontally filtered luminance of row r.
    const auto acrossRow = [&](int r) {
        bool fresh;
        Sample* out = lumaRing.Slot(r, fresh);
        if (fresh) {
            const std::uint8_t* p = source->constScanLine(r);
            Sample* l = luma.data() + 1;
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
        const Sample* a = filteredRow(clampRow(y - 1));
        const Sample* b = filteredRow(y);
        const Sample* c = filteredRow(clampRow(y + 1));
        SobelCodes(a, b, c, across.data(), down.data(), map.FCodes.data() + static_cast<std::size_t>(y) * w, w);
    }
    map.CountTiles();
    return map;
}

double SharpnessFigure(const TFocusMap& map, const QRect& region)
{
    std::array<std::uint32_t, TFocusMap::Bins> counts{};
    const long long n = map.CountRegion(region, counts);
    if (n <= 0)
        return 0.0;
    const long long strongest = (n + 99) / 100;
    long long left = strongest;
    double sum = 0.0;
    for (int code = TFocusMap::Bins - 1; code >= 0 && left > 0; --code) {
        const long long take = std::min<long long>(left, counts[code]);
        sum += static_cast<double>(take) * FocusGradient(code);
        left -= take;
    }
    return sum / static_cast<double>(strongest);
}

double SharpnessFigure(const TFocusMap& map) { return SharpnessFigure(map, QRect(0, 0, map.Width(), map.Height())); }

namespace {

double MedianGradient(const TFocusMap& map)
{
    const auto& counts = map.Histogram();
    const long long n = static_cast<long long>(map.Width()) * map.Height();
    long long seen = 0;
    for (int code = 0; code < TFocusMap::Bins; ++code) {
        seen += counts[code];
        if (2 * seen >= n)
            return FocusGradient(code);
    }
    return FocusGradient(TFocusMap::Bins - 1);
}

} // namespace

// The levels stand on two figures taken over all the maps shown:
//  - the noise, the largest median gradient of any map. Most of a photograph is smooth, so
//    the median is what noise and grain alone make; for noise the gradient is Rayleigh
//    distributed, and 3.5 x its median is passed by about 2 pixels in 10 000, so a
//    high-ISO frame does not light up everywhere. The largest median rules because every
//    panel gets the same levels.
//  - the peak, the largest sharpness figure (mean of the strongest 1 %) of any map: what
//    the sharpest frame's best edges reach. The levels are fixed fractions of it, so they
//    follow the scene's contrast (a low-contrast scene still shows its edges) and a
//    blurred frame, whose edges reach less, shows fewer and lower levels.
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
        noise = std::max(noise, MedianGradient(*map));
        peak = std::max(peak, SharpnessFigure(*map));
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
    return TFocusMap(w, h, std::move(codes));
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
    return TFocusMap(rw, rh, std::move(codes));
}
