// Drawing one panel's view. This runs for four panels on every mouse move of a drag,
// so it works from index tables kept in the object and plain row loops, and allocates
// nothing once the tables have reached the panel's size.
#include "loading/Bmpmagbase.h"

#include <algorithm>
#include <cmath>

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

    // One to one (a reduced view, or magnification 1): source columns run on by one.
    const bool contiguous = columns[x1 - 1] - columns[x0] == x1 - 1 - x0;
    const QImage::Format format = source.format();
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
        const uchar* src = source.constScanLine(rows[y]);
        if (format == QImage::Format_BGR888 && contiguous) {
            const uchar* p = src + 3 * columns[x0];
            for (int x = x0; x < x1; ++x, p += 3)
                dst[x] = 0xFF000000u | (static_cast<QRgb>(p[2]) << 16) |
                         (static_cast<QRgb>(p[1]) << 8) | p[0];
        } else if (format == QImage::Format_BGR888) {
            for (int x = x0; x < x1; ++x) {
                const uchar* p = src + 3 * columns[x];
                dst[x] = 0xFF000000u | (static_cast<QRgb>(p[2]) << 16) |
                         (static_cast<QRgb>(p[1]) << 8) | p[0];
            }
        } else if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) {
            const auto* s = reinterpret_cast<const QRgb*>(src);
            for (int x = x0; x < x1; ++x)
                dst[x] = 0xFF000000u | s[columns[x]];
        } else {
            // Other depths (BMP, plug-in pictures) take the slower general path.
            for (int x = x0; x < x1; ++x)
                dst[x] = 0xFF000000u | source.pixel(columns[x], rows[y]);
        }
    }
}
