// The shared magnification, the wheel zoom, the synchronised drag and the Ctrl cursor.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"
#include "platform/Guard.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <cmath>
#include <stdexcept>

namespace {

float MagnificationValue(const QString& text)
{
    const std::optional<double> value = ParseMagnificationText(text);
    if (!value)
        throw std::runtime_error(ConversionErrorMessage(text).toStdString());
    return float(*value);
}

}  // namespace

QString TMainForm::MagnificationText() const
{
    return CBMag->currentText();
}

void TMainForm::SetMagnificationText(const QString& text)
{
    // setEditText emits no textEdited and no activated, so this never applies the value.
    CBMag->setEditText(text);
    FMagTextUnapplied = false;  // the user's unfinished text is gone
}

void TMainForm::FitMagnification()
{
    if (PanelCount == 0)
        return;
    QList<QSize> sizes;
    for (int i = 0; i < PanelCount; ++i)
        if (Panels[i].Picture)
            sizes << QSize(Panels[i].Picture->Width(), Panels[i].Picture->Height());
    const float m = ::FitMagnification(sizes, Panels[0].Image->size());
    View.ResetOffsets();
    SetMagnificationText(FormatMagnification(m));
}

void TMainForm::ApplyMagnificationText()
{
    const QString text = MagnificationText();
    const float m = MagnificationValue(text);
    // A picture cannot be shown at zero or a negative size: refuse and keep everything.
    if (!(m > 0.0f) || !std::isfinite(m))
        throw std::runtime_error(
            QStringLiteral("'%1' は倍率にできません(0より大きい値を入れてください)").arg(text).toStdString());
    View.ChangeMagnification(m);
    for (int i = 0; i < PanelCount; ++i) {
        Panels[i].SetMagnification(m, false);
        Panels[i].Draw(View.ViewX(i), View.ViewY(i));
    }
}

void TMainForm::CBMagChange()
{
    RunGuarded(*FPrompter, [this] { ApplyMagnificationText(); });
}

void TMainForm::CBMagEdited()
{
    // The same rule ApplyMagnificationText enforces, without its error box.
    const std::optional<double> value = ParseMagnificationText(MagnificationText());
    const float m = value ? float(*value) : 0.0f;
    if (!(m > 0.0f) || !std::isfinite(m)) {
        FMagTextUnapplied = true;
        return;
    }
    FMagTextUnapplied = false;
    CBMagChange();
}

void TMainForm::CBMagCommitted()
{
    if (!FMagTextUnapplied)
        return;
    // Cleared first: the error box takes the focus, which would commit the text again.
    FMagTextUnapplied = false;
    CBMagChange();
}

void TMainForm::BtnFitClick()
{
    if (PanelCount == 0)
        return;
    FitMagnification();
    CBMagChange();
}

void TMainForm::BtnX1Click()
{
    SetMagnificationText(QStringLiteral("1.0"));
    CBMagChange();
}

void TMainForm::Button2Click()
{
    View.ResetOffsets();
    RedrawPanels();
}

void TMainForm::WheelStep(bool awayFromUser)
{
    RunGuarded(*FPrompter, [&] {
        const float value = MagnificationValue(MagnificationText());
        const float m = awayFromUser ? WheelAwayStep(value) : WheelTowardStep(value);
        SetMagnificationText(FormatMagnification(m));
        ZoomPending = true;
    });
}

void TMainForm::FormMouseWheelUp()
{
    WheelStep(true);
}

void TMainForm::FormMouseWheelDown()
{
    WheelStep(false);
}

void TMainForm::Timer1Timer()
{
    if (!ZoomPending)
        return;
    // Cleared first: a value the box refuses is reported once, not on every tick.
    ZoomPending = false;
    CBMagChange();
}

void TMainForm::Image1MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    if (panel < 0 || panel >= kPanelMax)
        return;
    if (button == Qt::LeftButton) {
        LastX = x;
        LastY = y;
        Dragging = true;
        Panels[panel].TextLine->setFocus(Qt::MouseFocusReason);
    } else if (button == Qt::RightButton) {
        ShowCrossCursor(false);
        UpdateApplicationMenu();
        if (panel >= PanelCount)
            return;
        CurrentFile = Panels[panel].Path;
        if (OpenPopup)
            OpenPopup(PopupPosition(panel));
    }
}

void TMainForm::Image1MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y)
{
    if (panel < 0 || panel >= kPanelMax)
        return;
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    if (Dragging) {
        const int dx = LastX - x;
        const int dy = LastY - y;
        if (ctrl) {
            View.MovePanel(panel, dx, dy);
            Panels[panel].Draw(View.ViewX(panel), View.ViewY(panel));
        } else {
            View.MoveShared(dx, dy);
            RedrawPanels();
        }
        LastX = x;
        LastY = y;
    }
    if (!ctrl)
        ShowCrossCursor(false);
}

void TMainForm::Image1MouseUp(int, Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    if (button == Qt::LeftButton)
        Dragging = false;
}

void TMainForm::ShowCrossCursor(bool on)
{
    if (on) {
        if (!FCrossCursor) {
            QApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
            FCrossCursor = true;
        }
        return;
    }
    const QCursor* current = QApplication::overrideCursor();
    if (FCrossCursor && current && current->shape() == Qt::CrossCursor) {
        QApplication::restoreOverrideCursor();
        FCrossCursor = false;
    }
}

void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    const bool ctrl = key == Qt::Key_Control || shift.testFlag(Qt::ControlModifier);
    ShowCrossCursor(ctrl);
}

void TMainForm::FormKeyUp(int key, Qt::KeyboardModifiers shift)
{
    // Releasing Ctrl itself may still report the modifier on some platforms.
    const bool ctrl = key != Qt::Key_Control && shift.testFlag(Qt::ControlModifier);
    if (!ctrl)
        ShowCrossCursor(false);
}

void TMainForm::FormMouseMove(Qt::KeyboardModifiers shift)
{
    if (!shift.testFlag(Qt::ControlModifier))
        ShowCrossCursor(false);
}
