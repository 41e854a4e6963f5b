#pragma once
// Stepping through a burst: which files make the next group, and the group decoded ahead
// in the background so that a step to it shows at once.
#include "viewer/ViewPanel.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class TBitmapMAGBase;

// The files of folder the window opens, as full paths in the chooser's name order: the
// built-in types always, other types only with an extension in pluginExtensions
// (upper-cased, dot included), the ones the plug-ins already opened in this group.
QStringList BurstFiles(const QString& folder, const QStringList& pluginExtensions);

// Where a group of size files that starts at start among count moves on a step of by files
// (a group forward or back, or one file). A step past either end stops at the last or first
// whole group; -1 when the group would not move at all.
int SteppedGroupStart(int count, int start, int size, int by);

// One frame of a group as decoded ahead.
struct TGroupFrame {
    QString Path;
    TDecodedPicture Decoded;
    bool Tried = false;  // false: left to the UI thread (a plug-in file, or cancelled)
};
using TDecodedGroup = std::vector<TGroupFrame>;

// Decodes built-in files only (the plug-in host belongs to the UI thread) with display
// images of screenSize, and gives each picture quarters quarter turns to the right; stops
// early when cancel is set.
TDecodedGroup DecodeGroup(const QStringList& names, QSize screenSize, int quarters, const std::atomic<bool>* cancel);

// Quarter turns to the right, 0 to 3.
void TurnPicture(TBitmapMAGBase& picture, int quarters);

// At most one group decoded ahead on a thread of its own.
class TGroupPrefetch {
public:
    TGroupPrefetch() = default;
    ~TGroupPrefetch();
    TGroupPrefetch(const TGroupPrefetch&) = delete;
    TGroupPrefetch& operator=(const TGroupPrefetch&) = delete;

    // Starts decoding names turned by quarters, dropping any group prepared or being prepared.
    void Start(const QStringList& names, QSize screenSize, int quarters);
    // The prepared group when it is exactly names turned so, waited for if it is still
    // decoding; nothing otherwise (and what was prepared is dropped).
    std::optional<TDecodedGroup> Take(const QStringList& names, int quarters);
    // Drops the group without waiting: a decode in hand ends on its own thread, and its
    // result is let go at the next call or at the end.
    void Drop();
    const QStringList& Names() const { return FNames; }

private:
    QStringList FNames;
    int FQuarters = 0;
    std::shared_ptr<std::atomic<bool>> FCancel;
    std::future<TDecodedGroup> FResult;
    std::vector<std::future<TDecodedGroup>> FDropped;
};
