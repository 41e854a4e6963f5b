// The settings file: read once at the first show, written at every close.
#include "viewer/Mainunit.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "dialogs/Spisetting.h"
#include "loading/SpiHost.h"
#include "platform/ProfileFile.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QLabel>

void TMainForm::ReadSettings()
{
    ProfileFile file(FEnv.settingsPath);
    // The bounds asked for so far are the defaults, also when the window frame is not known yet.
    FSettings = TMainSettings::Read(file, FBounds.Current(), FEnv.screenSize);

    TAppDialog->AppNames = FSettings.AppNames;
    TAppDialog->AppPaths = FSettings.AppPaths;
    StyleTate->setChecked(FSettings.Tate);
    SetOuterBounds(FSettings.Bounds);

    // One host for the program; every picture loaded from now on is offered to it.
    SpiHost = std::make_unique<TSpiHost>();
    for (TViewPanel& panel : Panels)
        panel.SetPluginHost(SpiHost.get());
    SpiDirectory = FSettings.SpiDirectory;
    LoadPlugins(*SpiHost, SpiDirectory);

    PictSelectDialog->LoadSettings(file, TMainSettings::kChooserSection);

    LbDistnation->setText(FSettings.DistPath);
    FocusAid->setChecked(FSettings.FocusAids);
    FFocusAids->SetEnabled(FSettings.FocusAids);
    FAfPoints->SetEnabled(FSettings.AfPoints);
}

void TMainForm::WriteSettings()
{
    // The controls hold the values now; whether the file could be read stays as the first
    // show found it.
    FSettings.AppNames = TAppDialog->AppNames;
    FSettings.AppPaths = TAppDialog->AppPaths;
    FSettings.Tate = StyleTate->isChecked();
    FSettings.Bounds = OuterBounds();
    FSettings.SpiDirectory = SpiDirectory;
    FSettings.DistPath = LbDistnation->text();
    FSettings.FocusAids = FocusAid->isChecked();
    FSettings.AfPoints = FAfPoints->Enabled();
    ProfileFile file(FEnv.settingsPath);
    FSettings.Write(file, [this](ProfileFile& f, const QString& section) { PictSelectDialog->SaveSettings(f, section); });
}

void TMainForm::Susie1Click()
{
    if (!SpiHost)
        return;  // the host comes with the first show, and the menu with it
    RunGuarded(*FPrompter, [this] { ChangePluginFolder(*SpiSetDlg, SpiDirectory, *SpiHost); });
}
