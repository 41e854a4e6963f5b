#pragma once
// The main window's way into the chooser: show it for up to four pictures and load the
// chosen ones, telling the user when not all of them could be shown.
#include <QStringList>
#include <functional>

class Prompter;
class TPictSelectDialog;

// loadPictures starts loading the list and calls shown with how many pictures it shows
// (PanelCount) once they are. Returns false when the chooser was cancelled (nothing loaded).
bool RunChooserRoute(TPictSelectDialog& dialog, Prompter& prompter,
                     const std::function<void(const QStringList&, std::function<void(int shown)>)>& loadPictures);
