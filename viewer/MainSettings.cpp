#include "viewer/MainSettings.h"

#include "loading/PluginLoad.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <algorithm>

namespace {

const QString kApplications = QStringLiteral("APPLICATIONS");
const QString kStyle = QStringLiteral("STYLE");
const QString kWindow = QStringLiteral("WINDOW");
const QString kSusie = QStringLiteral("SUSIE");
const QString kOther = QStringLiteral("OTHER");
const QString kFocus = QStringLiteral("FOCUS");

QString NameKey(int slot) { return QStringLiteral("NAME%1").arg(slot + 1); }
QString PathKey(int slot) { return QStringLiteral("PATH%1").arg(slot + 1); }

// Bounds saved on another screen, or by hand, are pulled back so that the window can be
// grabbed, and it never reopens smaller than designed (a small saved size is kept as is).
QRect OnScreen(int left, int top, int width, int height, QSize screen)
{
    const int dw = screen.width();
    const int dh = screen.height();
    left = std::min(std::max(left, 0), dw - 100);
    top = std::min(std::max(top, 0), dh - 80);
    width = std::min(std::max(width, TMainSettings::kDesignBounds.width()), dw);
    height = std::min(std::max(height, TMainSettings::kDesignBounds.height()), dh);
    return QRect(left, top, width, height);
}

}  // namespace

TMainSettings TMainSettings::Read(const ProfileFile& file, const QRect& currentBounds, QSize screen)
{
    TMainSettings s;
    s.FileUnreadable = file.Unreadable();
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        s.AppNames[slot] = file.ReadString(kApplications, NameKey(slot), QStringLiteral("-"));
        s.AppPaths[slot] = file.ReadString(kApplications, PathKey(slot), QStringLiteral("-"));
    }
    s.Tate = file.ReadBool(kStyle, QStringLiteral("TATE"), false);
    s.Bounds = OnScreen(file.ReadInteger(kWindow, QStringLiteral("LEFT"), currentBounds.left()),
                        file.ReadInteger(kWindow, QStringLiteral("TOP"), currentBounds.top()),
                        file.ReadInteger(kWindow, QStringLiteral("WIDTH"), currentBounds.width()),
                        file.ReadInteger(kWindow, QStringLiteral("HEIGHT"), currentBounds.height()), screen);
    s.SpiDirectory = file.ReadString(kSusie, QStringLiteral("SPIDIR"), DefaultPluginFolder());
    s.DistPath = file.ReadString(kOther, QStringLiteral("DISTPATH"), QDir::homePath());
    s.FocusKeyPresent = !file.ReadString(kFocus, QStringLiteral("PEAKING"), QString()).isEmpty();
    s.FocusAids = file.ReadBool(kFocus, QStringLiteral("PEAKING"), false);
    s.AfKeyPresent = !file.ReadString(kFocus, QStringLiteral("AFPOINTS"), QString()).isEmpty();
    s.AfPoints = file.ReadBool(kFocus, QStringLiteral("AFPOINTS"), false);
    return s;
}

void TMainSettings::Write(ProfileFile& file,
                          const std::function<void(ProfileFile&, const QString&)>& chooserSection) const
{
    // Readable by now or not, the file's own values were never seen: the update is refused
    // with the usual message and the file stays as it was.
    if (FileUnreadable)
        file.MarkUnreadable();
    // New sections and keys land in the file in the order they are written here.
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        file.WriteString(kApplications, NameKey(slot), AppNames[slot]);
        file.WriteString(kApplications, PathKey(slot), AppPaths[slot]);
    }
    file.WriteBool(kStyle, QStringLiteral("TATE"), Tate);
    file.WriteInteger(kWindow, QStringLiteral("LEFT"), Bounds.left());
    file.WriteInteger(kWindow, QStringLiteral("TOP"), Bounds.top());
    file.WriteInteger(kWindow, QStringLiteral("WIDTH"), Bounds.width());
    file.WriteInteger(kWindow, QStringLiteral("HEIGHT"), Bounds.height());
    file.WriteString(kSusie, QStringLiteral("SPIDIR"), SpiDirectory);
    if (chooserSection)
        chooserSection(file, QString::fromLatin1(kChooserSection));
    file.WriteString(kOther, QStringLiteral("DISTPATH"), DistPath);
    if (FocusAids || FocusKeyPresent)
        file.WriteBool(kFocus, QStringLiteral("PEAKING"), FocusAids);
    if (AfPoints || AfKeyPresent)
        file.WriteBool(kFocus, QStringLiteral("AFPOINTS"), AfPoints);
    file.UpdateFile();
}
