// Stepping through a burst: the group shown is replaced by the next group of the first
// picture's folder with everything about the view kept, so a detail zoomed into in one frame
// is the same detail in every frame; the group after it is decoded meanwhile.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"
#include "loading/PictureName.h"
#include "platform/MemoryInfo.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// The extensions the plug-ins opened in the shown group: a burst's other frames of that
// kind open the same way, and no plug-in has to be asked about every file of the folder.
QStringList PluginExtensions(const std::array<TViewPanel, kPanelMax>& panels, int count)
{
    QStringList extensions;
    for (int i = 0; i < count; ++i)
        if (ClassifyPicture(panels[i].Path) == TPictureType::Plugin)
            extensions << PictureExtension(QFileInfo(panels[i].Path).fileName());
    return extensions;
}

}  // namespace

void TMainForm::NextGroupClick()
{
    StepGroup(PanelCount);
}

void TMainForm::PrevGroupClick()
{
    StepGroup(-PanelCount);
}

QStringList TMainForm::GroupAhead() const
{
    return FGroupAhead->Names();
}

QStringList TMainForm::SteppedGroup(int by) const
{
    const QFileInfo first(Panels[0].Path);
    const QStringList files = BurstFiles(first.absolutePath(), PluginExtensions(Panels, PanelCount));
    const int start = files.indexOf(first.absoluteFilePath());
    const int to = SteppedGroupStart(files.size(), start, PanelCount, by);
    return to < 0 ? QStringList() : files.mid(to, PanelCount);
}

void TMainForm::StepGroup(int by)
{
    if (PanelCount == 0 || by == 0)
        return;
    RunGuarded(*FPrompter, [&] {
        const QStringList names = SteppedGroup(by);
        if (names.isEmpty())
            return;
        ShowGroup(names);
        FLastStep = by;
        PrepareGroupAhead();
    });
}

void TMainForm::ShowGroup(const QStringList& names)
{
    // A group not ready yet is decoded now; the old pictures stay on screen meanwhile.
    std::optional<TDecodedGroup> group = FGroupAhead->Take(names, FTurns);
    if (!group) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        group = DecodeGroup(names, Panels[0].ScreenSize(), FTurns, nullptr);
        QApplication::restoreOverrideCursor();
    }
    const int before = PanelCount;
    PanelCount = 0;
    bool failed = false;
    for (TGroupFrame& frame : *group) {
        if (!frame.Tried) {
            frame.Decoded = TViewPanel::Decode(frame.Path, SpiHost.get(), Panels[0].ScreenSize());
            if (frame.Decoded.Picture)
                TurnPicture(*frame.Decoded.Picture, FTurns);
        }
        if (Panels[PanelCount].Take(frame.Path, std::move(frame.Decoded)))
            ++PanelCount;
        else
            failed = true;
    }
    for (int i = PanelCount; i < kPanelMax; ++i)
        Panels[i].Clear();
    if (PanelCount != before)
        ArrangePanels(PanelCount);
    FPanZoom->Reapply();
    FFocusAids->PicturesChanged();
    if (failed)
        FPrompter->Message(QStringLiteral("ロードできないファイルがありました。"), QStringLiteral("エラー"));
}

void TMainForm::PrepareGroupAhead()
{
    // Ahead in the direction and by the step of the last one, so that stepping on through a
    // burst, a group or a frame at a time, finds each group ready.
    const int by = FLastStep != 0 ? FLastStep : PanelCount;
    FGroupAhead->Drop();
    if (PanelCount == 0 || by == 0)
        return;
    const QStringList names = SteppedGroup(by);
    if (names.isEmpty())
        return;
    // The next group is likely the size of this one; decoding it ahead must not push the
    // machine into swapping.
    long long need = 0;
    for (int i = 0; i < PanelCount; ++i)
        if (Panels[i].Picture)
            need += 3LL * Panels[i].Picture->Width() * Panels[i].Picture->Height();
    const long long available = AvailableMemoryBytes();
    if (available >= 0 && need > available)
        return;
    FGroupAhead->Start(names, Panels[0].ScreenSize(), FTurns);
}
