#pragma once
// Reading screenshots of the main window: where its panels must be, and where solid
// colours begin and end on a row or a column.
#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QSize>

// Colours match within a small tolerance: a reduced picture blends at its colour edges.
bool Near(QRgb a, QRgb b, int tolerance = 12);

// [begin, end) of the first run of `colour` met between from and to (inclusive ends);
// begin is -1 when the colour is not met.
struct ColourRun {
    int begin = -1;
    int end = -1;
};
ColourRun RowRun(const QImage& image, int y, int fromX, int toX, QRgb colour);
ColourRun ColumnRun(const QImage& image, int x, int fromY, int toY, QRgb colour);

// The image control of panel i of n, rows first, in the window's client coordinates: panels
// from 32 px below the client top in a 2 x 2 grid overlapping by one pixel, each holding its
// image 8 px in from the left and 48 px down, 16 px narrower and 56 px lower than the box.
QRect ImageControlRect(QSize client, int n, int i);

// The magnification the fit shows for pictures of these sizes in image controls of this
// size, as the four-decimal text gives it back.
float FitMagnification(QSize control, const QList<QSize>& pictures);

// The magnification the text shows after one wheel step toward the user.
float WheelTowardMagnification(float shown);

// The grey a panel shows where no picture is.
inline constexpr QRgb kPanelGrey = 0xFF808080;

// The window's client area (below the menu bar) on the screen, found from where the first
// panel's picture, of solid colour `first` at its top-left corner, begins.
// Null when that colour is not found under the window's top.
QRect LocateClient(const QImage& screen, QRect window, QRgb first);
