#include "dialogs/OuterBounds.h"

#include <QEvent>
#include <QWidget>

QRect TOuterBounds::Current() const
{
    return FPending.isValid() ? FPending : FWindow.frameGeometry();
}

QMargins TOuterBounds::FrameMargins() const
{
    const QRect f = FWindow.frameGeometry();
    const QRect g = FWindow.geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

void TOuterBounds::Set(const QRect& bounds)
{
    const QMargins m = FrameMargins();
    FWindow.setGeometry(bounds.marginsRemoved(m));
    FWindow.setMinimumSize(FMinimumOuter.width() - m.left() - m.right(),
                           FMinimumOuter.height() - m.top() - m.bottom());
    // Until the window manager has framed the window its frame is unknown; apply the bounds
    // again then, so that the stored outer size does not grow by a frame on every start.
    FPending = m.isNull() ? bounds : QRect();
}

void TOuterBounds::WindowEvent(const QEvent& event)
{
    if ((event.type() == QEvent::Move || event.type() == QEvent::Resize) && FPending.isValid() &&
        !FrameMargins().isNull()) {
        const QRect pending = FPending;
        FPending = QRect();
        Set(pending);
    }
}
