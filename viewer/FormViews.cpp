// The window as its helpers see it: its panels, magnification box and cursor for the pan
// and zoom controller, its panels and view for the focus aids, its panels, boxes and
// hourglass for the shown set; and the making of the helpers with those views.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cmath>

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

class TMainForm::TFormFocusView final : public TFocusAidsView {
public:
    explicit TFormFocusView(TMainForm& form) : FForm(form) {}

    int PanelCount() const override { return FForm.PanelCount; }
    TBitmapMAGBase* Picture(int panel) const override { return FForm.Panels[panel].Picture.get(); }
    QRect VisibleRegion(int panel) const override
    {
        const TBitmapMAGBase* picture = Picture(panel);
        const TViewState& state = FForm.FPanZoom->State();
        if (!picture || !(state.Magnification > 0.0f))
            return QRect();
        // Offsets and the control are in magnified pixels; the region is in picture pixels.
        const double m = state.Magnification;
        const QSize control = FForm.Panels[panel].Image->DeviceSize();
        const QRectF shown(state.ViewX(panel) / m, state.ViewY(panel) / m, control.width() / m, control.height() / m);
        return shown.toAlignedRect() & QRect(0, 0, picture->Width(), picture->Height());
    }
    void RedrawPanels() override { FForm.FPanZoom->RedrawPanels(); }
    void ShowFigure(int panel, std::optional<int> figure, bool best) override
    {
        FForm.Panels[panel].Image->SetFigure(figure, best);
    }

private:
    TMainForm& FForm;
};

class TMainForm::TFormShownView final : public TShownSetView {
public:
    explicit TFormShownView(TMainForm& form) : FForm(form) {}
    ~TFormShownView() override
    {
        if (FBusy)
            QApplication::restoreOverrideCursor();
    }

    void ShowFrames(std::vector<TShownFrame>& frames, bool fresh) override
    {
        TMainForm& f = FForm;
        const int before = f.PanelCount;
        f.PanelCount = 0;
        for (TShownFrame& frame : frames)
            if (f.Panels[f.PanelCount].Take(frame.Path, std::move(frame.Decoded)))
                ++f.PanelCount;
        for (int i = f.PanelCount; i < kPanelMax; ++i)
            f.Panels[i].Clear();
        f.FAfPoints->PicturesChanged();
        if (fresh) {
            // A new set fits the window; its offsets start at the origin.
            if (f.PanelCount > 0) {
                f.ArrangePanels(f.PanelCount);
                f.FPanZoom->ApplyFit(false);
            }
            f.FPanZoom->ResetOffsets();
        } else {
            // A step keeps the view, so a detail zoomed into is the same in every frame.
            if (f.PanelCount != before)
                f.ArrangePanels(f.PanelCount);
            f.FPanZoom->Reapply();
        }
        f.FFocusAids->PicturesChanged();
    }
    QString PluginFolder() const override { return FForm.SpiDirectory; }
    QSize ScreenSize() const override { return FForm.Panels[0].ScreenSize(); }
    void BeforeDecode(const QString& name) override
    {
        if (FForm.FBeforePanelLoad)
            FForm.FBeforePanelLoad(name);
    }
    std::function<void(const QString&)> DecodeWatch() const override { return FForm.FDecodeWatch; }
    void Report(std::exception_ptr failure) override
    {
        RunGuarded(*FForm.FPrompter, [&] { std::rethrow_exception(failure); });
    }
    void Message(const QString& text, const QString& title) override { FForm.FPrompter->Message(text, title); }
    void SetBusy(bool busy) override
    {
        if (busy == FBusy)
            return;
        FBusy = busy;
        if (busy)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QApplication::restoreOverrideCursor();
    }

private:
    TMainForm& FForm;
    bool FBusy = false;
};

// The panels as the AF areas see them.
class TMainForm::TFormAfView final : public TAfPointsView {
public:
    explicit TFormAfView(TMainForm& form) : FForm(form) {}
    int PanelCount() const override { return FForm.PanelCount; }
    TBitmapMAGBase* Picture(int panel) const override { return FForm.Panels[panel].Picture.get(); }
    void RedrawPanels() override { FForm.FPanZoom->RedrawPanels(); }

private:
    TMainForm& FForm;
};

void TMainForm::CreateHelpers()
{
    FPanZoomView = std::make_unique<TFormPanZoomView>(*this);
    FPanZoom = std::make_unique<TPanZoomController>(*FPanZoomView, *FPrompter);
    FFocusView = std::make_unique<TFormFocusView>(*this);
    FFocusAids = std::make_unique<TFocusAids>(*FFocusView);
    FShownView = std::make_unique<TFormShownView>(*this);
    FShown = std::make_unique<TShownSet>(*FShownView);
    FAfView = std::make_unique<TFormAfView>(*this);
    FAfPoints = std::make_unique<TAfPoints>(*FAfView, *FPanZoom);
    FPopup = new TPicturePopup(*this, *FPrompter, [this](const QString& path) { return FShown->StillShown(path); });
}
