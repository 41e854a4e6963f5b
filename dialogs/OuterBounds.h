#pragma once
// A top-level window's bounds kept as outer bounds (frame included), as the settings file
// stores them, with a minimum size that is an outer size too.
#include <QMargins>
#include <QRect>
#include <QSize>

class QEvent;
class QWidget;

class TOuterBounds {
public:
    TOuterBounds(QWidget& window, QSize minimumOuter) : FWindow(window), FMinimumOuter(minimumOuter) {}

    // The bounds last asked for while the frame was not known yet, else the window's own.
    QRect Current() const;
    void Set(const QRect& bounds);
    // Called from the window's event() after its base class: once the window manager has
    // framed the window, the bounds asked for before are applied again with the real frame.
    void WindowEvent(const QEvent& event);

private:
    QMargins FrameMargins() const;

    QWidget& FWindow;
    QSize FMinimumOuter;
    QRect FPending;
};
