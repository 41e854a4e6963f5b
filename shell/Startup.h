#pragma once
// Start-up decisions that need no window: the start-up names, the settings path, the
// single-instance check and the second-start hand-off.
#include <QString>
#include <QStringList>
#include <memory>

class HandoffChannel;
class Prompter;
class QCoreApplication;
class QTranslator;

// The beginning of the main window's caption; a running window is recognised by it.
inline constexpr char kProductTitle[] = "Velumira";

// The names to open at start: argv without the program path. The system hands them over
// already split, so nothing is split again.
QStringList StartupArgumentsFrom(int argc, const char* const* argv);

// Test seam: VELUMIRA_SETTINGS, when set, names the settings file; otherwise it lies
// beside the executable (or in the configuration folder).
QString StartupSettingsPath(const QString& executablePath);

// Test seam: VELUMIRA_HANDOFF_DIR, when set, is the hand-off channel's folder, so tests
// run their own instances apart from the user's; empty means the default channel.
QString StartupHandoffFolder();

// Test seam: VELUMIRA_TEST_LOG, when set, makes the program write its boxes and received
// hand-offs to stderr instead of showing boxes, so tests can watch a real process.
bool TestLogEnabled();
void TestLog(const QString& line);

// The real boxes, or the logging stand-in when VELUMIRA_TEST_LOG is set.
std::unique_ptr<Prompter> MakeStartupPrompter();

// The names as a running window must receive them: it has a folder of its own, so a
// relative name is joined to this start's folder. Nothing is resolved or checked; an empty
// name stays empty, and without a known folder relative names stay relative.
QStringList HandoffNames(const QStringList& names, const QString& currentFolder);

enum class StartPath { NormalStart, Ended };

// Reads MULTICHECK, looks for a running window and, when one is found, hands the names over
// to it (or reports that there was no memory for the request). A window that does not answer
// in time is passed over for the next; when none answers this start opens its own window.
// Ended means this process is a second start and must exit without a window.
StartPath HandOffOrContinue(HandoffChannel& channel, Prompter& prompter, const QString& settingsPath,
                            const QStringList& names);

// Qt's own texts (the boxes' standard buttons, the file dialog) in Japanese like the rest
// of the program, whatever the user's locale. The translator belongs to app; null when
// Qt's Japanese catalogue is not installed, and the toolkit then stays in English.
QTranslator* InstallToolkitTranslation(QCoreApplication& app);
