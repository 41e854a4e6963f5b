#include "chooser/ChooserWidgets.h"

#include <QPainter>

void TChooserWidget::paintEvent(QPaintEvent*)
{
    if (Picture.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, Picture);
}

void TChooserWidget::resizeEvent(QResizeEvent*)
{
    if (OnResize)
        OnResize();
}

void TChooserWidget::mousePressEvent(QMouseEvent* event)
{
    if (!OnMouseDown) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    OnMouseDown(event->button(), at.x(), at.y());
}

void TChooserWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnClick && rect().contains(event->position().toPoint()))
        OnClick();
    else
        event->ignore();
}

void TChooserWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!OnDblClick) {
        event->ignore();
        return;
    }
    // The press of a double click counts as a press as well, as the first one did.
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(event->button(), at.x(), at.y());
    }
    if (event->button() == Qt::LeftButton)
        OnDblClick();
}

void TChooserWidget::wheelEvent(QWheelEvent* event)
{
    if (!OnWheel) {
        event->ignore();
        return;
    }
    OnWheel(event->angleDelta().y());
}
