#pragma once
// The chooser without its window: the listed folder, the reader thread and the timer's
// hand-over of jobs and results. TPictSelectDialog drives it; tests drive it directly,
// one Timer1Timer call at a time.
#include "chooser/PictEntry.h"
#include "chooser/PictFileRead.h"

#include <QString>
#include <QStringList>
#include <memory>

// Turns a decoded picture into the entry's histogram and thumbnail (at most
// maxWidth x maxHeight, aspect kept). crop leaves out the rows a " *ist D" camera
// writes its info bands into.
void FinishEntry(TPictEntry& entry, const QImage& picture, bool crop, int maxWidth = 96, int maxHeight = 64);
// The thumbnail size that FinishEntry picks for a W x H picture.
QSize ThumbnailSize(int width, int height, int maxWidth = 96, int maxHeight = 64);

class TChooserCore {
public:
    // job is what the worker runs for each file (ReadThumbSource for the real chooser).
    explicit TChooserCore(TReadJob job);
    ~TChooserCore();
    TChooserCore(const TChooserCore&) = delete;
    TChooserCore& operator=(const TChooserCore&) = delete;

    // The listing in its steps, so the window can set its folder tree in between.
    void BeginListing(bool relist);    // JumpIndex, the lists when relist, FolderPath
    void EnumerateFolder();            // fills the lists from FolderPath
    void RestartReading();             // ReadCursor 0, ResultList empty
    // All three in order (no window involved).
    void ListFolder(bool relist);

    // Stops handing out files and waits until the worker is idle; a running job finishes
    // and its result is discarded.
    void StopReader(bool cancel);

    // One 30 ms tick of the hand-over. Returns true when the grid and the information pane
    // should be repainted now.
    bool Timer1Timer();

    // Index of the first entry with no thumbnail and no failed read at or after from,
    // or -1.
    int FindUnread(int from) const;

    int ReadCursor() const { return State.ReadCursor.load(); }
    int JobState();

    TReaderState State;   // before Reader: the worker works on it until it is joined
    TFileList FileList;
    TViewList ViewList;
    QStringList ResultList;
    QString Directory;
    QString FolderPath;
    int CurrentIndex = -1;
    int JumpIndex = -1;
    int RedrawTicks = 0;

private:
    void RequestLocked(int index);   // with ReaderLock held

    std::unique_ptr<THPictFileRead> Reader;
};
