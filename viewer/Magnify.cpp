// The window's side of the shared magnification and the synchronised drag: its panels, its
// magnification box and the screen cursor as the pan and zoom controller sees them, and the
// handlers that forward to it.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>

class TMainForm::TFormPanZoomView final : public TPanZoomView {
public:
    explicit TFormPanZoomView(TMainForm& form) : FForm(form) {}

    int PanelCount() const override { return FForm.PanelCount; }
    QSize PictureSize(int panel) const override
    {
        const TBitmapMAGBase* picture = FForm.Panels[panel].Picture.get();
        return picture ? QSize(picture->Width(), picture->Height()) : QSize();
    }
    QSize ImageControlSize() const override { return FForm.Panels[0].Image->DeviceSize(); }
    void SetMagnification(int panel, float magnification, bool force) override
    {
        FForm.Panels[panel].SetMagnification(magnification, force);
    }
    void Draw(int panel, int x, int y) override
    {
        if (FForm.FAfPoints)
            FForm.FAfPoints->BeforeDraw(panel);
        FForm.Panels[panel].Draw(x, y);
        FForm.FFocusAids->ViewChanged();
    }
    void FocusPanel(int panel) override { FForm.Panels[panel].TextLine->setFocus(Qt::MouseFocusReason); }

    QString MagnificationText() const override { return FForm.CBMag->currentText(); }
    // setEditText emits no textEdited and no activated, so this never applies the value.
    void WriteMagnificationText(const QString& text) override { FForm.CBMag->setEditText(text); }

    void PushCrossCursor() override { QApplication::setOverrideCursor(QCursor(Qt::CrossCursor)); }
    bool CrossCursorOnTop() const override
    {
        const QCursor* current = QApplication::overrideCursor();
        return current && current->shape() == Qt::CrossCursor;
    }
    void PopCursor() override { QApplication::restoreOverrideCursor(); }

private:
    TMainForm& FForm;
};

void TMainForm::CreatePanZoom()
{
    FPanZoomView = std::make_unique<TFormPanZoomView>(*this);
    FPanZoom = std::make_unique<TPanZoomController>(*FPanZoomView, *FPrompter);
}

QString TMainForm::MagnificationText() const
{
    return FPanZoomView->MagnificationText();
}

void TMainForm::SetMagnificationText(const QString& text)
{
    FPanZoom->SetMagnificationText(text);
}

void TMainForm::RedrawPanels()
{
    FPanZoom->RedrawPanels();
}

void TMainForm::FitMagnification()
{
    FPanZoom->FitMagnification();
}

void TMainForm::CBMagChange()
{
    FPanZoom->Apply();
}

void TMainForm::BtnFitClick()
{
    FPanZoom->Fit();
}

void TMainForm::BtnX1Click()
{
    FPanZoom->OneToOne();
}

void TMainForm::Button2Click()
{
    FPanZoom->Origin();
}

void TMainForm::FormMouseWheelUp()
{
    FPanZoom->WheelAway();
}

void TMainForm::FormMouseWheelDown()
{
    FPanZoom->WheelToward();
}

void TMainForm::Timer1Timer()
{
    FPanZoom->Tick();
}

void TMainForm::Image1MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    FPanZoom->MouseDown(panel, button, x, y);
    // The right button opens the picture's popup.
    if (button != Qt::RightButton || panel < 0 || panel >= kPanelMax)
        return;
    UpdateApplicationMenu();
    if (panel >= PanelCount)
        return;
    CurrentFile = Panels[panel].Path;
    if (FOpenPopup)
        FOpenPopup(PopupPosition(panel));
}

void TMainForm::Image1MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y)
{
    FPanZoom->MouseMove(panel, shift, x, y);
}

void TMainForm::Image1MouseUp(int, Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    FPanZoom->MouseUp(button);
}

void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    FPanZoom->KeyDown(key, shift);
}

void TMainForm::FormKeyUp(int key, Qt::KeyboardModifiers shift)
{
    FPanZoom->KeyUp(key, shift);
}

void TMainForm::FormMouseMove(Qt::KeyboardModifiers shift)
{
    FPanZoom->MouseMoveElsewhere(shift);
}
