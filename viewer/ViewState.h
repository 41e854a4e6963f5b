#pragma once
// The arithmetic of the shared magnification and the synchronised views, kept apart from
// the window so it can be checked on its own. The window only applies what this says.
#include <QList>
#include <QSize>
#include <QString>
#include <optional>

inline constexpr int kPanelMax = 4;

struct TViewState {
    float Magnification = 0.0f;  // last value applied to the panels; 0 before the first load
    int OffsetX = 0;             // shared view corner, in magnified-picture pixels
    int OffsetY = 0;
    int PanelOffsetX[kPanelMax] = {};  // each panel's extra offset (Ctrl drag)
    int PanelOffsetY[kPanelMax] = {};

    void ResetOffsets();
    // Takes on a new magnification; the shared offsets are rescaled (truncated toward zero)
    // so the views keep their top-left picture point, the panel offsets stay as they are.
    void ChangeMagnification(float newMagnification);
    void MoveShared(int dx, int dy);
    void MovePanel(int panel, int dx, int dy);
    int ViewX(int panel) const { return OffsetX + PanelOffsetX[panel]; }
    int ViewY(int panel) const { return OffsetY + PanelOffsetY[panel]; }
};

// Offsets are unlimited in principle; this bound only keeps the integer sums from overflowing.
inline constexpr int kOffsetLimit = 1'000'000'000;

// Largest magnification at which every picture fits the image control, in 32-bit float
// arithmetic, kept within 0.001 and 16.
float FitMagnification(const QList<QSize>& pictureSizes, QSize imageControl);

// One wheel step away from the user (zoom out, not below 0.01) or toward the user
// (zoom in, not above 16); the factors are 32-bit floats.
float WheelAwayStep(float value);
float WheelTowardStep(float value);

// "%8.4f", as the magnification box shows fitted and wheel values.
QString FormatMagnification(float value);

// Reads the magnification box: optional spaces, optional sign, digits with "." as the
// decimal point, optional exponent, optional spaces, nothing else. Empty when the text
// is not such a number or does not fit a double.
std::optional<double> ParseMagnificationText(const QString& text);

// The conversion error shown when the box holds something else.
QString ConversionErrorMessage(const QString& text);
