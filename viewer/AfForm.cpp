// The window's side of the AF areas: its panels as TAfPoints sees them.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"

namespace {

class TFormAfView final : public TAfPointsView {
public:
    explicit TFormAfView(TMainForm& form) : FForm(form) {}
    int PanelCount() const override { return FForm.LoadedPanels(); }
    TBitmapMAGBase* Picture(int panel) const override { return FForm.Panel(panel).Picture.get(); }
    void RedrawPanels() override { FForm.RedrawPanels(); }

private:
    TMainForm& FForm;
};

}  // namespace

void TMainForm::CreateAfPoints(QMenu* operate)
{
    FAfView = std::make_unique<TFormAfView>(*this);
    FAfPoints = std::make_unique<TAfPoints>(*FAfView, *FPanZoom);
    FAfPoints->AddActions(operate);
}
