// The window's side of the shown set: its panels as the set puts pictures into them, the
// view kept or fitted anew, and the boxes and hourglass of a request.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QApplication>

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
    TSpiHost* PluginHost() const override { return FForm.SpiHost.get(); }
    QSize ScreenSize() const override { return FForm.Panels[0].ScreenSize(); }
    void BeforeDecode(const QString& name) override
    {
        if (FForm.FBeforePanelLoad)
            FForm.FBeforePanelLoad(name);
    }
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

void TMainForm::CreateShownSet()
{
    FShownView = std::make_unique<TFormShownView>(*this);
    FShown = std::make_unique<TShownSet>(*FShownView);
    // The start-up's files decode while the rest of the window is made and shown.
    FShown->Prefetch(FEnv.startupArguments);
}
