#pragma once
// The thumbnail grid's arithmetic and painting: fixed 112 x 96 cells, as many columns
// as the image is wide, a top row that follows the scroll bar.
#include "chooser/PictEntry.h"

#include <QColor>
#include <QImage>
#include <QString>

constexpr int CellWidth = 112;
constexpr int CellHeight = 96;
constexpr int NameWidthLimit = 100;
constexpr int NameCutBytes = 14;

inline const QColor GridBackColor(160, 160, 164);
inline const QColor GridFrameColor(0, 128, 0);
inline const QColor GridLineColor(255, 255, 255);

// Cell colour for an entry's marks.
QColor CellColor(uint8_t marks);

// The first 14 UTF-8 bytes of name, moved back to a whole character, then "...".
QString CutName(const QString& name);

class TThumbGrid {
public:
    // Recomputes Columns, VisibleRows, FullRows, TopRow and the scroll bar settings for a
    // width x height image with count entries.
    void LayoutGrid(int width, int height, int count, int currentIndex);
    // Paints the visible cells of list into canvas.
    void DrawGrid(QImage& canvas, const TViewList& list) const;
    // ViewList index of the cell at (x, y) in a width x height image, or -1.
    int HitTest(int x, int y, int width, int height, int count) const;
    // Paints one cell of entry e with its top-left corner at (left, top).
    static void DrawCell(QImage& canvas, int left, int top, const TPictEntry& e);

    int Columns = 1;
    int VisibleRows = 1;
    int FullRows = 0;
    int TopRow = 0;
    // Scroll bar as LayoutGrid leaves it.
    bool ScrollEnabled = false;
    int ScrollMax = 0;
    int ScrollPage = 1;
    int ScrollPosition = 0;
};
