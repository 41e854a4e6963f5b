#include "chooser/Histogram.h"

#include <algorithm>
#include <cmath>

void CountHistogram(TPictEntry& entry, const QImage& picture, int firstColumn, int lastColumn, int firstRow,
                    int lastRow)
{
    const int height = picture.height();
    if (firstRow < 0)
        firstRow = 0;
    if (lastRow < 0)
        lastRow = 0;
    if (lastRow >= height)
        lastRow = height - 1;
    if (firstRow > lastRow)
        firstRow = lastRow;
    firstColumn = std::max(firstColumn, 0);
    lastColumn = std::min(lastColumn, picture.width() - 1);

    entry.CountB.fill(0);
    entry.CountG.fill(0);
    entry.CountR.fill(0);
    entry.PixelCount = 0;
    entry.PeakB = entry.PeakG = entry.PeakR = 0;
    if (lastRow < 0 || lastColumn < firstColumn || picture.format() != QImage::Format_BGR888) {
        entry.HasHistogram = true;
        return;
    }
    entry.PixelCount = (lastColumn - firstColumn + 1) * (lastRow - firstRow + 1);
    for (int y = firstRow; y <= lastRow; ++y) {
        const uchar* p = picture.constScanLine(y) + 3 * firstColumn;
        for (int x = firstColumn; x <= lastColumn; ++x, p += 3) {
            ++entry.CountB[p[0]];
            ++entry.CountG[p[1]];
            ++entry.CountR[p[2]];
        }
    }
    // Ties keep the lowest value: move only on a strictly larger count.
    auto peak = [](const std::array<int32_t, 256>& counts) {
        int32_t best = counts[0];
        for (int v = 1; v < 256; ++v)
            if (counts[v] > best)
                best = counts[v];
        return best;
    };
    entry.PeakB = peak(entry.CountB);
    entry.PeakG = peak(entry.CountG);
    entry.PeakR = peak(entry.CountR);
    entry.HasHistogram = true;
}

int HistogramBarLength(const std::array<int32_t, 256>& counts, int pair, int peak, int height)
{
    if (peak <= 0)
        return 0;
    const float scale = static_cast<float>(height - 1) / static_cast<float>(peak);
    const int32_t larger = std::max(counts[2 * pair], counts[2 * pair + 1]);
    const float v = static_cast<float>(larger) * scale;
    if (v >= 1.0f)
        return static_cast<int>(std::trunc(v + 0.5f));
    if (v > 0.0f)
        return 1;
    return 0;
}

namespace {

void SetPixel(QImage& canvas, int x, int y, QRgb rgb)
{
    if (x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height())
        canvas.setPixel(x, y, rgb);
}

} // namespace

void DrawHistogram(QImage& canvas, int w, const QColor& colour, int peak, const std::array<int32_t, 256>& counts,
                   int h)
{
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(canvas, x, y, black);
    const QRgb grid = HistGridColor.rgb();
    const int q = h / 4;
    for (int y : {q, 2 * q, 3 * q})
        for (int x = 0; x < w; ++x)
            SetPixel(canvas, x, y, grid);
    const int p = w / 4;
    for (int x : {p, 2 * p, 3 * p})
        for (int y = 0; y < h; ++y)
            SetPixel(canvas, x, y, grid);
    if (peak <= 0)
        return;
    const QRgb pen = colour.rgb();
    for (int x = 0; x < 130; ++x) {
        const int pair = std::clamp(x - 1, 0, 127);
        const int length = HistogramBarLength(counts, pair, peak, h);
        if (length < 1)
            continue;
        // A line from the bottom row up to h - length, its end point left out; a bar of
        // any length keeps at least its bottom pixel so that a non-zero count shows.
        const int top = std::min(h - length + 1, h - 1);
        for (int y = h - 1; y >= top; --y)
            SetPixel(canvas, x, y, pen);
    }
}

std::vector<TInfoRow> EntryInfoRows(const TPictEntry& entry, QString& statusText)
{
    std::vector<TInfoRow> rows;
    statusText.clear();
    if (entry.InfoLevel >= 1) {
        rows.push_back({QStringLiteral("ﾌｧｲﾙ名"), entry.FileName});
        rows.push_back({QStringLiteral("ﾌｧｲﾙ情報"), entry.FileDate + QStringLiteral("  ") + entry.FileSize +
                                                        QStringLiteral(" bytes")});
        statusText = entry.FileName;
    }
    if (entry.InfoLevel == 2) {
        rows.push_back({QStringLiteral("撮影日時"), entry.ShotDate});
        rows.push_back({QStringLiteral("撮影情報"), entry.ShotExposure});
        rows.push_back({QStringLiteral("撮影機種"), entry.ShotCamera});
        statusText += QLatin1Char(' ') + entry.ShotExposure + QLatin1Char(' ') + entry.ShotCamera;
    }
    return rows;
}
