// The settings file: read once at the first show, written at every close.
#include "viewer/Mainunit.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "loading/Spisetting.h"
#include "platform/Guard.h"
#include "platform/ProfileFile.h"
#include "platform/Prompter.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <algorithm>

namespace {

const QString kApplications = QStringLiteral("APPLICATIONS");
const QString kStyle = QStringLiteral("STYLE");
const QString kWindow = QStringLiteral("WINDOW");
const QString kSusie = QStringLiteral("SUSIE");
const QString kPicSelect = QStringLiteral("PIC_SELECT");
const QString kOther = QStringLiteral("OTHER");

}  // namespace

void TMainForm::FormShow()
{
    if (ShownOnce)
        return;
    RunGuarded(*FPrompter, [this] { ReadSettings(); });
    // Pictures of any format still open when the settings could not be read; they just
    // have no plug-ins then.
    if (!SpiHost) {
        SpiHost = std::make_unique<TSpiHost>();
        for (TViewPanel& panel : Panels)
            panel.SetPluginHost(SpiHost.get());
    }
    if (!FEnv.startupArguments.isEmpty())
        RunGuarded(*FPrompter, [this] { LoadPictures(FEnv.startupArguments); });
    setAcceptDrops(true);
    ShownOnce = true;
}

void TMainForm::ReadSettings()
{
    ProfileFile file(FEnv.settingsPath);
    // The window runs on the defaults then, and must not write them over the user's file.
    FSettingsUnread = file.Unreadable();

    for (int n = 1; n <= kAppSlotCount; ++n) {
        TAppDialog->AppNames[n - 1] =
            file.ReadString(kApplications, QStringLiteral("NAME%1").arg(n), QStringLiteral("-"));
        TAppDialog->AppPaths[n - 1] =
            file.ReadString(kApplications, QStringLiteral("PATH%1").arg(n), QStringLiteral("-"));
    }

    StyleTate->setChecked(file.ReadBool(kStyle, QStringLiteral("TATE"), false));

    // The bounds asked for so far, also when the window frame is not known yet.
    const QRect current = FBounds.Current();
    int left = file.ReadInteger(kWindow, QStringLiteral("LEFT"), current.left());
    int top = file.ReadInteger(kWindow, QStringLiteral("TOP"), current.top());
    int width = file.ReadInteger(kWindow, QStringLiteral("WIDTH"), current.width());
    int height = file.ReadInteger(kWindow, QStringLiteral("HEIGHT"), current.height());
    const int dw = FEnv.screenSize.width();
    const int dh = FEnv.screenSize.height();
    left = std::min(std::max(left, 0), dw - 100);
    top = std::min(std::max(top, 0), dh - 80);
    width = std::min(std::max(width, kDesignBounds.width()), dw);
    height = std::min(std::max(height, kDesignBounds.height()), dh);
    SetOuterBounds(QRect(left, top, width, height));

    // One host for the program; every picture loaded from now on is offered to it.
    SpiHost = std::make_unique<TSpiHost>();
    for (TViewPanel& panel : Panels)
        panel.SetPluginHost(SpiHost.get());
    SpiDirectory = file.ReadString(kSusie, QStringLiteral("SPIDIR"), DefaultPluginFolder());
    LoadPlugins(*SpiHost, SpiDirectory);

    PictSelectDialog->LoadSettings(file, kPicSelect);

    LbDistnation->setText(file.ReadString(kOther, QStringLiteral("DISTPATH"), QDir::homePath()));
}

void TMainForm::FormClose()
{
    // Without the first show nothing was read: writing the defaults would wipe the user's
    // registered programs and folders.
    if (!ShownOnce)
        return;
    // A refused write is reported; the window closes all the same.
    RunGuarded(*FPrompter, [this] { WriteSettings(); });
}

void TMainForm::WriteSettings()
{
    ProfileFile file(FEnv.settingsPath);
    // Readable now or not, the values in hand are defaults, not the file's: the write is
    // refused with the usual message and the file stays as it was.
    if (FSettingsUnread)
        file.MarkUnreadable();

    for (int n = 1; n <= kAppSlotCount; ++n) {
        file.WriteString(kApplications, QStringLiteral("NAME%1").arg(n), TAppDialog->AppNames[n - 1]);
        file.WriteString(kApplications, QStringLiteral("PATH%1").arg(n), TAppDialog->AppPaths[n - 1]);
    }

    file.WriteBool(kStyle, QStringLiteral("TATE"), StyleTate->isChecked());

    const QRect bounds = OuterBounds();
    file.WriteInteger(kWindow, QStringLiteral("LEFT"), bounds.left());
    file.WriteInteger(kWindow, QStringLiteral("TOP"), bounds.top());
    file.WriteInteger(kWindow, QStringLiteral("WIDTH"), bounds.width());
    file.WriteInteger(kWindow, QStringLiteral("HEIGHT"), bounds.height());

    file.WriteString(kSusie, QStringLiteral("SPIDIR"), SpiDirectory);
    PictSelectDialog->SaveSettings(file, kPicSelect);

    file.WriteString(kOther, QStringLiteral("DISTPATH"), LbDistnation->text());
    file.UpdateFile();
}

void TMainForm::Susie1Click()
{
    if (!SpiHost)
        return;  // the host comes with the first show, and the menu with it
    RunGuarded(*FPrompter, [this] { ChangePluginFolder(*SpiSetDlg, SpiDirectory, *SpiHost); });
}
