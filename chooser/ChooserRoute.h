#pragma once
// The main window's way into the chooser: show it for up to four pictures and load the
// chosen ones, telling the user when not all of them could be shown.
#include <QStringList>
#include <functional>

class Prompter;
class TPictSelectDialog;

// loadPictures loads the list and returns how many pictures it shows (PanelCount).
// Returns false when the chooser was cancelled (nothing loaded).
bool RunChooserRoute(TPictSelectDialog& dialog, Prompter& prompter,
                     const std::function<int(const QStringList&)>& loadPictures);
