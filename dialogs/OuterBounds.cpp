#include "dialogs/OuterBounds.h"

#include <QEvent>
#include <QWidget>

QRect TOuterBounds::Current() const
{
    return pending_.isValid() ? pending_ : window_.frameGeometry();
}

QMargins TOuterBounds::FrameMargins() const
{
    const QRect f = window_.frameGeometry();
    const QRect g = window_.geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

void TOuterBounds::Set(const QRect& bounds)
{
    const QMargins m = FrameMargins();
    window_.setGeometry(bounds.marginsRemoved(m));
    window_.setMinimumSize(minimumOuter_.width() - m.left() - m.right(),
                           minimumOuter_.height() - m.top() - m.bottom());
    // Until the window manager has framed the window its frame is unknown; apply the bounds
    // again then, so that the stored outer size does not grow by a frame on every start.
    pending_ = m.isNull() ? bounds : QRect();
}

void TOuterBounds::WindowEvent(const QEvent& event)
{
    if ((event.type() == QEvent::Move || event.type() == QEvent::Resize) && pending_.isValid() &&
        !FrameMargins().isNull()) {
        const QRect pending = pending_;
        pending_ = QRect();
        Set(pending);
    }
}
