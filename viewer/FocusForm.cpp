// The window's side of the focus aids: its panels and view as the aids see them, and the
// menu item that turns them on and off.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"

#include <QAction>
#include <algorithm>
#include <cmath>

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

void TMainForm::CreateFocusAids()
{
    FFocusView = std::make_unique<TFormFocusView>(*this);
    FFocusAids = std::make_unique<TFocusAids>(*FFocusView);
}

void TMainForm::FocusAidClick()
{
    FFocusAids->SetEnabled(FocusAid->isChecked());
}
