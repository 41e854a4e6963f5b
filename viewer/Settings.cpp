// The settings file: read once at the first show, written at every close.
#include "viewer/Mainunit.h"

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
const QString kOther = QStringLiteral("OTHER");

// Keys whose owners (plug-in folder dialog, chooser) come later: whatever they hold is
// written back as it was, and nothing is written for a key that is absent.
const struct {
    const char* section;
    const char* key;
} kKeptKeys[] = {
    {"SUSIE", "SPIDIR"},
    {"PIC_SELECT", "Left"},
    {"PIC_SELECT", "Top"},
    {"PIC_SELECT", "Width"},
    {"PIC_SELECT", "Height"},
    {"PIC_SELECT", "SplitHpos"},
    {"PIC_SELECT", "SplitVpos"},
    {"PIC_SELECT", "Directory"},
};

// No text a user writes into a settings file: tells an absent key from an empty one.
const QString kAbsent = QStringLiteral("\x01absent\x01");

}  // namespace

void TMainForm::FormShow()
{
    if (ShownOnce)
        return;
    RunGuarded(*FPrompter, [this] { ReadSettings(); });
    if (!FEnv.startupArguments.isEmpty())
        LoadPictures(FEnv.startupArguments);
    setAcceptDrops(true);
    ShownOnce = true;
}

void TMainForm::ReadSettings()
{
    const ProfileFile file(FEnv.settingsPath);

    for (int n = 1; n <= 8; ++n) {
        AppNames[n - 1] = file.ReadString(kApplications, QStringLiteral("NAME%1").arg(n), QStringLiteral("-"));
        AppPaths[n - 1] = file.ReadString(kApplications, QStringLiteral("PATH%1").arg(n), QStringLiteral("-"));
    }

    StyleTate->setChecked(file.ReadBool(kStyle, QStringLiteral("TATE"), false));

    // The bounds asked for so far, also when the window frame is not known yet.
    const QRect current = FPendingOuter.isValid() ? FPendingOuter : OuterBounds();
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

    FKeptSettings.clear();
    for (const auto& kept : kKeptKeys) {
        const QString section = QString::fromLatin1(kept.section);
        const QString key = QString::fromLatin1(kept.key);
        const QString value = file.ReadString(section, key, kAbsent);
        if (value != kAbsent)
            FKeptSettings.push_back({section, key, value});
    }

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

    for (int n = 1; n <= 8; ++n) {
        file.WriteString(kApplications, QStringLiteral("NAME%1").arg(n), AppNames.value(n - 1, QStringLiteral("-")));
        file.WriteString(kApplications, QStringLiteral("PATH%1").arg(n), AppPaths.value(n - 1, QStringLiteral("-")));
    }

    file.WriteBool(kStyle, QStringLiteral("TATE"), StyleTate->isChecked());

    const QRect bounds = OuterBounds();
    file.WriteInteger(kWindow, QStringLiteral("LEFT"), bounds.left());
    file.WriteInteger(kWindow, QStringLiteral("TOP"), bounds.top());
    file.WriteInteger(kWindow, QStringLiteral("WIDTH"), bounds.width());
    file.WriteInteger(kWindow, QStringLiteral("HEIGHT"), bounds.height());

    for (const KeptSetting& kept : FKeptSettings)
        file.WriteString(kept.section, kept.key, kept.value);

    file.WriteString(kOther, QStringLiteral("DISTPATH"), LbDistnation->text());
    file.UpdateFile();
}
