#pragma once
// Colour histograms of an entry's decoded picture, their small images, and the rows of
// the information list.
#include "chooser/PictEntry.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

inline const QColor HistColorB(0, 128, 255);
inline const QColor HistColorG(0, 255, 0);
inline const QColor HistColorR(255, 0, 0);
inline const QColor HistGridColor(128, 128, 128);

// Counts the three channels of picture (Format_BGR888) over the inclusive bounds and finds
// each channel's peak. Rows are clamped into the picture; columns are clamped as well, so
// a caller's slip can never read outside the scan lines.
void CountHistogram(TPictEntry& entry, const QImage& picture, int firstColumn, int lastColumn, int firstRow,
                    int lastRow);

// Bar length of the pair of values (2m, 2m + 1) against the largest single count.
int HistogramBarLength(const std::array<int32_t, 256>& counts, int pair, int peak, int height);

// Paints one histogram into canvas (w x h, any RGB format): black, grey quarter grid, then
// 130 one-pixel columns of the 128 value pairs, the first and the last shown twice.
void DrawHistogram(QImage& canvas, int w, const QColor& colour, int peak, const std::array<int32_t, 256>& counts,
                   int h);

struct TInfoRow {
    QString Label;
    QString Value;
};

// The rows of the information list for entry and the status bar text that goes with them.
std::vector<TInfoRow> EntryInfoRows(const TPictEntry& entry, QString& statusText);
