#include "viewer/AppLaunch.h"

#include "platform/ProcessLaunch.h"
#include "ui/Prompter.h"

namespace applaunch {

bool IsRegistered(const QString& path) { return !path.startsWith(QLatin1Char('-')); }

Menu UpdateApplicationMenu(const AppTexts& names, const AppTexts& paths)
{
    Menu menu;
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        const int n = slot + 1;
        if (IsRegistered(paths[slot]))
            menu[slot] = {QStringLiteral("(&%1) %2").arg(QString::number(n), names[slot]), true};
        else
            menu[slot] = {QStringLiteral("(&%1)").arg(n), false};
    }
    return menu;
}

LaunchOutcome LaunchApplication(Prompter& prompter, const AppTexts& paths, int n, const QString& currentFile)
{
    if (n < 1 || n > kAppSlotCount || !IsRegistered(paths[n - 1])) return LaunchOutcome::NotRegistered;
    if (!launch::StartDetachedProgram(paths[n - 1], currentFile)) {
        prompter.Message(QStringLiteral("プログラムが起動できません。"), QStringLiteral("エラー"));
        return LaunchOutcome::Failed;
    }
    return LaunchOutcome::Started;
}

bool EditRegistrations(TTAppDialog& appDialog) { return appDialog.Execute() == Prompter::mrOk; }

}  // namespace applaunch
