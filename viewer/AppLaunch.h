#pragma once
// The popup's eight outside-program entries: their captions and states, starting one on the
// panel's picture, and the registration command. The main window's handlers forward here:
// UpdateApplicationMenu -> UpdateApplicationMenu (captions and states to apply), Nx1Click -> LaunchApplication, R1Click -> EditRegistrations.
#include "dialogs/Appdialog.h"

#include <QString>
#include <array>

class Prompter;

namespace applaunch {

struct MenuItem {
    QString caption;
    bool enabled = false;
};
using Menu = std::array<MenuItem, kAppSlotCount>;

// A path beginning with "-" marks a free slot; any other path, the empty one too, is registered.
bool IsRegistered(const QString& path);

// Items N11 .. N81 in order: "(&n)" disabled for a free slot, "(&n) name" enabled otherwise.
Menu UpdateApplicationMenu(const AppTexts& names, const AppTexts& paths);

enum class LaunchOutcome { NotRegistered, Started, Failed };

// Starts the program of slot n (1..8) on currentFile. A free slot does nothing; a program that
// cannot start is reported with "プログラムが起動できません。".
LaunchOutcome LaunchApplication(Prompter& prompter, const AppTexts& paths, int n, const QString& currentFile);

// Shows the registration list; true when it ended with OK (the menu is then refreshed at once).
bool EditRegistrations(TTAppDialog& appDialog);

}  // namespace applaunch
