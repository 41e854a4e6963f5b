#include "dialogs/CentreOnScreen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Qt places a dialog over its owner unless it was moved; this moves it on every showing,
// before the window system maps it.
class CentreOnShow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched == parent())
            CentreOnScreen(*static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void CentreOnScreenWhenShown(QWidget& dialog)
{
    dialog.installEventFilter(new CentreOnShow(&dialog));
}

void CentreOnScreen(QWidget& window)
{
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame is known once the window manager has framed the window; before that the
    // outer bounds are the inner ones.
    QRect outer = window.frameGeometry();
    outer.moveCenter(screen->availableGeometry().center());
    window.move(outer.topLeft());
}
