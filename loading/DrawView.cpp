// Drawing one panel's view. This runs for four panels on every mouse move of a drag,
// so it works from index tables kept in the object and plain row loops, and allocates
// nothing once the tables have reached the panel's size. The focus overlay goes through
// the same tables, painted over each row as it is drawn.
#include "loading/Bmpmagbase.h"

#include <algorithm>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

constexpr QRgb Grey = 0xFF808080u;

// Offsets come from the user's panning; clamp so far-off views cannot overflow.
long long TruncProduct(long long value, float factor)
{
    const double p = std::trunc(static_cast<double>(value) * static_cast<double>(factor));
    return static_cast<long long>(std::clamp(p, -4.0e15, 4.0e15));
}

// Fills table[0..count) with the source index for each target position, -1 outside the
// source; returns the first and one-past-last valid position (the mapping is monotonic).
void BuildTable(std::vector<int>& table, int count, long long start, long long span, int limit, int& first,
                int& last)
{
    if (table.size() < static_cast<std::size_t>(count))
        table.resize(static_cast<std::size_t>(count));
    first = count;
    last = 0;
    for (int i = 0; i < count; ++i) {
        const long long s = span > 0 ? start + static_cast<long long>(i * static_cast<double>(span) / count) : -1;
        if (span > 0 && s >= 0 && s < limit) {
            table[i] = static_cast<int>(s);
            first = std::min(first, i);
            last = i + 1;
        } else {
            table[i] = -1;
        }
    }
}

// The focus overlay's colours, painted opaque over the picture.
constexpr QRgb VerySharpColour = 0xFFFFFF00u;
constexpr QRgb SharpColour = 0xFF00FF00u;
constexpr QRgb LittleColour = 0xFF00A0FFu;

// One drawn row: the source row's pixels at the table's columns.
void DrawRow(const QImage& source, int sourceRow, const int* columns, int x0, int x1, bool contiguous, QRgb* dst)
{
    const uchar* src = source.constScanLine(sourceRow);
    const QImage::Format format = source.format();
    if (format == QImage::Format_BGR888 && contiguous) {
        const uchar* p = src + 3 * columns[x0];
        for (int x = x0; x < x1; ++x, p += 3)
            dst[x] = 0xFF000000u | (static_cast<QRgb>(p[2]) << 16) | (static_cast<QRgb>(p[1]) << 8) | p[0];
    } else if (format == QImage::Format_BGR888) {
        for (int x = x0; x < x1; ++x) {
            const uchar* p = src + 3 * columns[x];
            dst[x] = 0xFF000000u | (static_cast<QRgb>(p[2]) << 16) | (static_cast<QRgb>(p[1]) << 8) | p[0];
        }
    } else if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) {
        const auto* s = reinterpret_cast<const QRgb*>(src);
        for (int x = x0; x < x1; ++x)
            dst[x] = 0xFF000000u | s[columns[x]];
    } else {
        // Other depths (BMP, plug-in pictures) take the slower general path.
        for (int x = x0; x < x1; ++x)
            dst[x] = 0xFF000000u | source.pixel(columns[x], sourceRow);
    }
}

// The focus overlay's colours by level (0: not lit). Levels are clipped to 256, which no
// code reaches, and kept in order, so that each level's pixels lie within the one below.
struct TPeakColours {
    explicit TPeakColours(const TPeakLevels& o)
        : Little(std::clamp(o.Little, 0, 256)), Sharp(std::clamp(o.Sharp, Little, 256)),
          Very(std::clamp(o.VerySharp, Sharp, 256))
    {
    }
    int Little, Sharp, Very;
};

// Paints the lit pixels of codes/columns over dst (the magnified case, one code per
// column). Without a branch per pixel: lit pixels lie scattered along edges, where a
// branch would often guess wrong.
template <typename Code>
inline void PaintPeaks(QRgb* dst, int x0, int x1, const TPeakColours& p, Code code)
{
    const int little = p.Little, sharp = p.Sharp, very = p.Very;
    const QRgb colours[4] = {0, LittleColour, SharpColour, VerySharpColour};
    for (int x = x0; x < x1; ++x) {
        const int c = code(x);
        const int level = (c >= little) + (c >= sharp) + (c >= very);
        const QRgb colour = colours[level];
        dst[x] = level != 0 ? colour : dst[x];
    }
}

#ifdef __SSE2__
// A run-on row, 16 pixels at once: byte-wise level tests build the colours' bytes (blue,
// green, red, alpha), which interleave into pixels; the alpha byte, 0xFF only where lit,
// gives each pixel's mask.
void PaintRunOnPeaksNarrow(const uchar* c, QRgb* dst, int n, const TPeakColours& p)
{
    if (p.Little > 255)
        return;
    const __m128i little = _mm_set1_epi8(static_cast<char>(p.Little));
    const __m128i sharp = _mm_set1_epi8(static_cast<char>(std::min(p.Sharp, 255)));
    const __m128i very = _mm_set1_epi8(static_cast<char>(std::min(p.Very, 255)));
    const __m128i sharpOn = _mm_set1_epi8(p.Sharp > 255 ? 0 : -1);
    const __m128i veryOn = _mm_set1_epi8(p.Very > 255 ? 0 : -1);
    const __m128i littleGreen = _mm_set1_epi8(static_cast<char>(qGreen(LittleColour)));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i codes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i));
        // code >= level, unsigned: max(code, level) == code.
        const __m128i m1 = _mm_cmpeq_epi8(_mm_max_epu8(codes, little), codes);
        const __m128i m2 = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(codes, sharp), codes), sharpOn);
        const __m128i m3 = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(codes, very), codes), veryOn);
        // Yellow (255,255,0), green (0,255,0), blue (0,160,255).
        const __m128i blue = _mm_andnot_si128(m2, m1);
        const __m128i green = _mm_or_si128(m2, _mm_and_si128(m1, littleGreen));
        const __m128i red = m3;
        const __m128i bg[2] = {_mm_unpacklo_epi8(blue, green), _mm_unpackhi_epi8(blue, green)};
        const __m128i ra[2] = {_mm_unpacklo_epi8(red, m1), _mm_unpackhi_epi8(red, m1)};
        for (int q = 0; q < 4; ++q) {
            const __m128i colour = (q & 1) ? _mm_unpackhi_epi16(bg[q >> 1], ra[q >> 1])
                                           : _mm_unpacklo_epi16(bg[q >> 1], ra[q >> 1]);
            const __m128i lit = _mm_srai_epi32(colour, 31);
            auto* d = reinterpret_cast<__m128i*>(dst + i + 4 * q);
            _mm_storeu_si128(d, _mm_or_si128(colour, _mm_andnot_si128(lit, _mm_loadu_si128(d))));
        }
    }
    PaintPeaks(dst, i, n, p, [c](int x) { return c[x]; });
}

#else
void PaintRunOnPeaksNarrow(const uchar* c, QRgb* dst, int n, const TPeakColours& p)
{
    PaintPeaks(dst, 0, n, p, [c](int x) { return c[x]; });
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same with 32 pixels at once where the processor has AVX2. Its byte and word
// interleaves stay within each half of a register, so the halves are put in order before
// the stores.
__attribute__((target("avx2"))) void PaintRunOnPeaksWide(const uchar* c, QRgb* dst, int n, const TPeakColours& p)
{
    if (p.Little > 255)
        return;
    const __m256i little = _mm256_set1_epi8(static_cast<char>(p.Little));
    const __m256i sharp = _mm256_set1_epi8(static_cast<char>(std::min(p.Sharp, 255)));
    const __m256i very = _mm256_set1_epi8(static_cast<char>(std::min(p.Very, 255)));
    const __m256i sharpOn = _mm256_set1_epi8(p.Sharp > 255 ? 0 : -1);
    const __m256i veryOn = _mm256_set1_epi8(p.Very > 255 ? 0 : -1);
    const __m256i littleGreen = _mm256_set1_epi8(static_cast<char>(qGreen(LittleColour)));
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i codes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + i));
        const __m256i m1 = _mm256_cmpeq_epi8(_mm256_max_epu8(codes, little), codes);
        const __m256i m2 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(codes, sharp), codes), sharpOn);
        const __m256i m3 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(codes, very), codes), veryOn);
        const __m256i blue = _mm256_andnot_si256(m2, m1);
        const __m256i green = _mm256_or_si256(m2, _mm256_and_si256(m1, littleGreen));
        const __m256i bgLow = _mm256_unpacklo_epi8(blue, green), bgHigh = _mm256_unpackhi_epi8(blue, green);
        const __m256i raLow = _mm256_unpacklo_epi8(m3, m1), raHigh = _mm256_unpackhi_epi8(m3, m1);
        // Pixels 0-3 | 16-19, 4-7 | 20-23, 8-11 | 24-27, 12-15 | 28-31.
        const __m256i q0 = _mm256_unpacklo_epi16(bgLow, raLow), q1 = _mm256_unpackhi_epi16(bgLow, raLow);
        const __m256i q2 = _mm256_unpacklo_epi16(bgHigh, raHigh), q3 = _mm256_unpackhi_epi16(bgHigh, raHigh);
        const __m256i colours[4] = {_mm256_permute2x128_si256(q0, q1, 0x20), _mm256_permute2x128_si256(q2, q3, 0x20),
                                    _mm256_permute2x128_si256(q0, q1, 0x31), _mm256_permute2x128_si256(q2, q3, 0x31)};
        for (int q = 0; q < 4; ++q) {
            const __m256i lit = _mm256_srai_epi32(colours[q], 31);
            auto* d = reinterpret_cast<__m256i*>(dst + i + 8 * q);
            _mm256_storeu_si256(d, _mm256_or_si256(colours[q], _mm256_andnot_si256(lit, _mm256_loadu_si256(d))));
        }
    }
    PaintRunOnPeaksNarrow(c + i, dst + i, n - i, p);
}

void PaintRunOnPeaks(const uchar* c, QRgb* dst, int n, const TPeakColours& p)
{
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide)
        PaintRunOnPeaksWide(c, dst, n, p);
    else
        PaintRunOnPeaksNarrow(c, dst, n, p);
}
#else
void PaintRunOnPeaks(const uchar* c, QRgb* dst, int n, const TPeakColours& p) { PaintRunOnPeaksNarrow(c, dst, n, p); }
#endif

// One drawn row with the overlay: the picture's row as DrawRow draws it, then the colour
// of each pixel's focus level where it reaches one; codes is the map row on the source's
// grid. A magnified row first gathers its codes into codeRow, so that both cases paint
// run-on.
void DrawRowWithPeaks(const QImage& source, int sourceRow, const int* columns, int x0, int x1, bool contiguous,
                      QRgb* dst, const uchar* codes, uchar* codeRow, const TPeakColours& p)
{
    DrawRow(source, sourceRow, columns, x0, x1, contiguous, dst);
    const uchar* run = codes + columns[x0];
    if (!contiguous) {
        for (int x = x0; x < x1; ++x)
            codeRow[x] = codes[columns[x]];
        run = codeRow + x0;
    }
    PaintRunOnPeaks(run, dst + x0, x1 - x0, p);
}

} // namespace

void TBitmapMAGBase::DrawView(QImage& canvas, int width, int height, int left, int top)
{
    if (Empty())
        return;
    width = std::min(width, canvas.width());
    height = std::min(height, canvas.height());
    if (width <= 0 || height <= 0 || canvas.depth() != 32)
        return;

    const bool reduced = FInvMagnification > 1.0f && FReduced;
    const QImage& source = reduced ? *FReduced : FImage;
    long long sx0, sy0, sw, sh;
    if (reduced) {
        sx0 = left;
        sy0 = top;
        sw = width;
        sh = height;
    } else {
        sx0 = TruncProduct(left, FInvMagnification);
        sy0 = TruncProduct(top, FInvMagnification);
        sw = TruncProduct(static_cast<long long>(left) + width, FInvMagnification) - sx0;
        sh = TruncProduct(static_cast<long long>(top) + height, FInvMagnification) - sy0;
    }
    int x0 = width, x1 = 0, y0 = height, y1 = 0;
    if (!source.isNull()) {
        BuildTable(FColumnTable, width, sx0, sw, source.width(), x0, x1);
        BuildTable(FRowTable, height, sy0, sh, source.height(), y0, y1);
    }
    if (x0 >= x1 || y0 >= y1) {
        x0 = x1 = 0;
        y0 = y1 = 0;
    }

    // Grey only where the picture will not cover: each canvas pixel is written once.
    const int* columns = FColumnTable.data();
    const int* rows = FRowTable.data();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        if (y < y0 || y >= y1 || rows[y] < 0) {
            std::fill(row, row + width, Grey);
        } else {
            std::fill(row, row + x0, Grey);
            std::fill(row + x1, row + width, Grey);
        }
    }
    if (x0 >= x1)
        return;

    // The overlay's map on the same grid as the source: the picture's own at 1 and above,
    // the map reduced by maxima below 1. A map of another size draws no overlay.
    const TFocusMap* focus = reduced ? &FReducedFocus : FFocusMap.get();
    if (!FFocusMap || FFocusMap->Width() != FImage.width() || FFocusMap->Height() != FImage.height() ||
        focus->Width() != source.width() || focus->Height() != source.height())
        focus = nullptr;
    if (focus && FCodeRow.size() < static_cast<std::size_t>(width))
        FCodeRow.resize(static_cast<std::size_t>(width));
    const TPeakColours peaks(FFocusLevels);

    // One to one (a reduced view, or magnification 1): source columns run on by one.
    const bool contiguous = columns[x1 - 1] - columns[x0] == x1 - 1 - x0;
    const QRgb* previous = nullptr;
    int previousRow = -1;
    for (int y = y0; y < y1; ++y) {
        if (rows[y] < 0)
            continue;
        auto* dst = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        if (rows[y] == previousRow) {
            // Magnified views repeat source rows: copy the row just drawn.
            std::copy(previous + x0, previous + x1, dst + x0);
            continue;
        }
        previous = dst;
        previousRow = rows[y];
        if (focus)
            DrawRowWithPeaks(source, rows[y], columns, x0, x1, contiguous, dst, focus->Row(rows[y]), FCodeRow.data(), peaks);
        else
            DrawRow(source, rows[y], columns, x0, x1, contiguous, dst);
    }
    if (FShowAfAreas)
        DrawAfOutlines(canvas, width, height, left, top);
}

void TBitmapMAGBase::DrawAfOutlines(QImage& canvas, int width, int height, int left, int top) const
{
    constexpr QRgb Red = 0xFFFF0000u;
    constexpr int Line = 2;
    const auto fill = [&](double fx0, double fy0, double fx1, double fy1) {
        const int x0 = static_cast<int>(std::clamp(fx0, 0.0, double(width)));
        const int x1 = static_cast<int>(std::clamp(fx1, 0.0, double(width)));
        const int y0 = static_cast<int>(std::clamp(fy0, 0.0, double(height)));
        const int y1 = static_cast<int>(std::clamp(fy1, 0.0, double(height)));
        for (int y = y0; y < y1; ++y) {
            auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            std::fill(row + x0, row + x1, Red);
        }
    };
    // A picture pixel x lands at x * magnification - left, both magnified (the tables repeat
    // it) and reduced (the reduced copy holds it there).
    const double m = FMagnification;
    for (const QRect& a : FAfAreas) {
        double x0 = std::floor(a.x() * m) - left, x1 = std::floor((a.x() + a.width()) * m) - left;
        double y0 = std::floor(a.y() * m) - top, y1 = std::floor((a.y() + a.height()) * m) - top;
        // Far out, an area still shows as a small square of both lines.
        if (x1 - x0 < 2 * Line) {
            x0 = std::floor((x0 + x1) / 2) - Line;
            x1 = x0 + 2 * Line;
        }
        if (y1 - y0 < 2 * Line) {
            y0 = std::floor((y0 + y1) / 2) - Line;
            y1 = y0 + 2 * Line;
        }
        fill(x0, y0, x1, y0 + Line);
        fill(x0, y1 - Line, x1, y1);
        fill(x0, y0 + Line, x0 + Line, y1 - Line);
        fill(x1 - Line, y0 + Line, x1, y1 - Line);
    }
}
