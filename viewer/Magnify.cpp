// The magnification box's text and a press on a panel: the drag, or the picture popup.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>

QString TMainForm::MagnificationText() const
{
    return FPanZoomView->MagnificationText();
}

void TMainForm::Image1MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    FPanZoom->MouseDown(panel, button, x, y);
    // The right button opens the picture's popup.
    if (button != Qt::RightButton || panel < 0 || panel >= kPanelMax)
        return;
    FPopup->UpdateApplicationMenu();
    if (panel >= PanelCount)
        return;
    // At the picture's top-left corner, not the mouse: the menu never covers the picture's
    // first pixels, wherever the click was.
    FPopup->Open(Panels[panel].Path, Client->mapToGlobal(Grp[panel]->pos() + Image[panel]->pos() + QPoint(4, 4)));
}
