#pragma once
// The main window's keys of the settings file as one value: read at the first show, written
// at every close. It holds the rules for those keys (defaults, the bounds pulled onto the
// screen, the order they are written in); the window only applies it to its controls and
// collects it back. The chooser keeps its own section and reads and writes it itself.
#include "dialogs/Appdialog.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

class ProfileFile;

struct TMainSettings {
    // Where the window opens without settings; it never reopens smaller than this.
    static constexpr QRect kDesignBounds{192, 120, 640, 454};
    // The chooser's section, written between the plug-in folder and the organise folder.
    static constexpr const char* kChooserSection = "PIC_SELECT";

    // Absent keys take the defaults: a free slot ("-") for every application, columns
    // second, currentBounds (the window's bounds so far) pulled onto the screen, the shipped
    // plug-ins and the home folder.
    static TMainSettings Read(const ProfileFile& file, const QRect& currentBounds, QSize screen);

    // Writes the keys in their usual order, calls chooserSection with the chooser's section
    // name where that belongs, and updates the file. Throws EIniFileException when the file
    // cannot be written, and always when it could not be read.
    void Write(ProfileFile& file, const std::function<void(ProfileFile&, const QString&)>& chooserSection) const;

    AppTexts AppNames;     // slot 1 at index 0
    AppTexts AppPaths;
    bool Tate = false;     // the check mark of StyleTate: columns first
    QRect Bounds;          // outer bounds, frame included
    QString SpiDirectory;  // folder of the decoder plug-ins
    QString DistPath;      // organise destination folder
    // The file exists but could not be read: what this holds are defaults, not the user's
    // settings, so they must never replace the file.
    bool FileUnreadable = false;
    // The focus aids (beyond the designed window): off unless chosen. The section is
    // written once the choice was made, so a file that never saw it stays as it was.
    bool FocusAids = false;
    bool FocusKeyPresent = false;
    // The AF areas' outlines, kept the same way in the same section.
    bool AfPoints = false;
    bool AfKeyPresent = false;
};
