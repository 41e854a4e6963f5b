#pragma once
// The picture popup's file commands: copy or move the panel's file into the organise
// destination, or delete the file of the same name there. The main window's handlers
// forward here: N3Click -> CopyToDestination, M1Click -> MoveToDestination,
// N5Click -> DeleteFromDestination, Button1Click -> ChooseDestination.
// None of them touches the panels.
#include <QString>
#include <optional>

class Prompter;
class TDirSel;

namespace organise {

// How a command ended; the user has already been told about a failure.
enum class Outcome { Done, Declined, Failed };

// The destination folder joined with the file-name part of currentFile, with one "/" between
// them unless the folder text already ends with one.
QString TargetPath(const QString& destination, const QString& currentFile);

// unchanged: the file is still the one the panel shows; when it was replaced since, the
// command fails with its own box and touches no file.
Outcome CopyToDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                          bool unchanged = true);
Outcome MoveToDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                          bool unchanged = true);
Outcome DeleteFromDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                              bool unchanged = true);

// Asks for a new destination in the folder dialog, starting at the current one; the chosen
// folder on OK, nothing on Cancel.
std::optional<QString> ChooseDestination(TDirSel& dirSel, const QString& destination);

}  // namespace organise
