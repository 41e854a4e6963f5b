#pragma once
// The chooser without its window: the listed folder, the reader thread, the hand-over of
// jobs and results, and the selection (marks, the current entry, Ok's answer).
// TPictSelectDialog drives it (a hand-over queued at each job's end, the 30 ms timer as a
// backstop); tests drive it directly, one Timer1Timer call at a time.
#include "chooser/PictEntry.h"
#include "chooser/PictFileRead.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Turns a decoded picture into the entry's histogram and thumbnail (at most
// maxWidth x maxHeight, aspect kept). crop leaves out the rows a " *ist D" camera
// writes its info bands into.
void FinishEntry(TPictEntry& entry, const QImage& picture, bool crop, int maxWidth = 96, int maxHeight = 64);
// The thumbnail size that FinishEntry picks for a W x H picture.
QSize ThumbnailSize(int width, int height, int maxWidth = 96, int maxHeight = 64);

// What Ok made of the marks.
enum class TOkOutcome {
    Accepted,     // ResultList holds the chosen paths
    TooMany,      // more marks than MaxSelect; nothing changed
    NoneChosen,   // no mark and no current entry; nothing changed
};
struct TOkAnswer {
    TOkOutcome Outcome;
    int Count;   // files collected (the marked ones, or the current one)
};

class TChooserCore {
public:
    // job is what the worker runs for each file (ReadThumbSource for the real chooser).
    explicit TChooserCore(TReadJob job, TReaderPacing pacing = {});
    ~TChooserCore();
    TChooserCore(const TChooserCore&) = delete;
    TChooserCore& operator=(const TChooserCore&) = delete;

    // The listing in its steps, so the window can set its folder tree in between.
    void BeginListing(const QString& folder, bool relist);   // JumpIndex, the lists when relist, FolderPath
    void EnumerateFolder();                                   // fills the lists from FolderPath
    void RestartReading();                                    // ReadCursor 0, ResultList empty
    // All three in order (no window involved).
    void ListFolder(const QString& folder, bool relist);

    // Stops handing out files and waits until the worker is idle; a running job finishes
    // and its result is discarded.
    void StopReader(bool cancel);

    // One 30 ms tick of the hand-over. Returns true when the grid and the information pane
    // should be repainted now.
    bool Timer1Timer();
    // The hand-over alone: a finished job's result into its entry and the next request.
    // True when an entry got its thumbnail (the grid wants a repaint).
    bool HandOver();
    // Runs on the worker thread as each job ends (empty: none).
    void SetJobEnded(std::function<void()> notify);

    // Index of the first entry with no thumbnail and no failed read at or after from,
    // or -1.
    int FindUnread(int from) const;

    int ReadCursor() const { return State.ReadCursor.load(); }
    int JobState();

    // The selection. Indexes are ViewList indexes; out-of-range ones change nothing.
    void ToggleMark(int index);   // the selection mark
    // The entry becomes the one current entry. Answers false (and changes nothing) for
    // an index outside the list.
    bool MakeCurrent(int index);
    void ClearMarks();            // every selection mark; the current mark stays
    // Collects the marked files in listing order (FileList's, not the grid's), or the
    // current entry when none is marked, and makes them ResultList unless that breaks
    // MaxSelect or finds nothing.
    TOkAnswer Ok();
    void Cancel() { ResultList.clear(); }
    // The grid scrolled: the reader goes on from index once its running job is done.
    void JumpTo(int index) { JumpIndex = index; }

    TReaderState State;   // before Reader: the worker works on it until it is joined
    TFileList FileList;
    TViewList ViewList;
    QStringList ResultList;
    int MaxSelect = 0;   // most marks Ok accepts; 0: any number
    QString FolderPath;
    int CurrentIndex = -1;
    int JumpIndex = -1;
    int RedrawTicks = 0;

private:
    void RequestLocked(int index);   // with ReaderLock held

    std::unique_ptr<THPictFileRead> FReader;
};
