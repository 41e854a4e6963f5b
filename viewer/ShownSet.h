#pragma once
// TShownSet: the one owner of the pictures the window shows. It keeps the burst position
// (the folder's list, the group's first and last frame, the group size, the turn), the
// identity of each shown file, a small cache of decoded frames and the group decoded
// ahead. Loads and steps are requests: their files decode on the program's runner (plug-in
// formats too, through a host of the background's own) while the old pictures stay on
// screen, and the finished set goes to the panels through one Replace. A newer request
// drops the older; the UI thread never waits for a decode.
#include "viewer/UiJobs.h"
#include "viewer/ViewPanel.h"
#include "viewer/ViewState.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class TSpiHost;

// What a file was when it was read: a file replaced under the same name reads otherwise.
struct TFileIdentity {
    unsigned long long Device = 0;
    unsigned long long Inode = 0;
    long long Size = 0;
    long long ModifiedNs = 0;
    bool operator==(const TFileIdentity&) const = default;
    // Nothing when the file cannot be looked at.
    static std::optional<TFileIdentity> Of(const QString& path);
};

// One file made ready for a panel, turned by Turns quarter turns to the right.
struct TShownFrame {
    QString Path;
    std::optional<TFileIdentity> Identity;
    int Turns = 0;
    QSize ScreenSize;
    QString PluginFolder;  // the plug-ins a file read through the host was offered to
    TDecodedPicture Decoded;
};

// Decodes a file, turned by quarters; the panel line is that of the file as loaded. A host
// serves one file at a time: the caller makes the decodes that share one take turns. Without
// a host only JPEG and PEF files read as the window reads them.
TShownFrame DecodeFrame(const QString& path, QSize screenSize, int quarters, TSpiHost* host = nullptr);

// The window as the shown set sees it.
class TShownSetView {
public:
    virtual ~TShownSetView() = default;
    // The panels take the frames in order in place of the old set. fresh: a new load (the
    // view fits again), otherwise a step (the view is kept).
    virtual void ShowFrames(std::vector<TShownFrame>& frames, bool fresh) = 0;
    // The folder of the window's plug-ins; the files it does not read itself are decoded
    // through a host of the background's own that scans the same folder.
    virtual QString PluginFolder() const = 0;
    virtual QSize ScreenSize() const = 0;
    // Called with each name of a load before its decode; may throw (tests).
    virtual void BeforeDecode(const QString& name) = 0;
    // Called on the decoding thread as each decode (a load's, a step's or one ahead) begins,
    // when there is one (tests count decodes); taken when the decode is posted.
    virtual std::function<void(const QString&)> DecodeWatch() const { return {}; }
    // A failure outside any handler of the user's, shown as a failed command shows it.
    virtual void Report(std::exception_ptr failure) = 0;
    virtual void Message(const QString& text, const QString& title) = 0;
    // The hourglass while a request is under way.
    virtual void SetBusy(bool busy) = 0;
};

class TShownSet {
public:
    explicit TShownSet(TShownSetView& view);
    ~TShownSet();
    TShownSet(const TShownSet&) = delete;
    TShownSet& operator=(const TShownSet&) = delete;

    // Shows names in place of the set: the first four that load (more are tried while
    // failures leave panels free). done gets how many are shown. A throw of the view's
    // BeforeDecode stops the load at that name and is thrown on from here; the names
    // before it still load.
    void Load(const QStringList& names, std::function<void(int shown)> done = {});
    // Decodes the first four names now, for a load of them soon (the start-up's files while
    // the window is being made).
    void Prefetch(const QStringList& names);
    // A step through the burst: a whole group (wholeGroup) or one frame, forward or back.
    void Step(bool forward, bool wholeGroup);
    // The shown pictures were turned in place by quarters.
    void Turned(int quarters);
    // True when the file at path is still the one the panel showing it was decoded from.
    bool StillShown(const QString& path) const;

    // The group decoded ahead (its names), empty when none.
    QStringList GroupAhead() const { return FAheadNames; }
    // A request or a decode ahead is under way.
    bool Busy() const { return FRequest != nullptr || FJobs.Busy(); }
    int Turns() const { return FTurns; }

private:
    struct TRequest;
    class TPluginTurns;
    struct TCached {
        TShownFrame Frame;
        long long Bytes = 0;
        unsigned long long Age = 0;
    };
    void StartRound();
    void Need(const QString& name, const std::string& key, bool another = false);
    bool Usable(const TShownFrame& frame, const QString& name) const;
    int UsableCount(const QString& name) const;
    void Delivered(TShownFrame frame);
    void Advance();
    void Finish();
    void Replace(std::vector<TShownFrame>& frames, bool fresh);
    void PrepareAhead();
    void DropAhead(const QStringList& keep);
    void Trim();
    bool Relist(const QString& folder);
    QStringList TargetGroup(bool forward, bool wholeGroup) const;

    TShownSetView& FView;
    std::shared_ptr<TPluginTurns> FPlugins;  // held by the jobs too: it outlives the set
    TUiJobs FJobs;
    std::unique_ptr<TRequest> FRequest;  // the load or step under way

    // The burst position: the folder's list, the group's first and last frame, its size.
    QString FFolder;
    QStringList FFiles;
    std::optional<TFileIdentity> FFolderStamp;
    QStringList FPluginExtensions;
    QString FFirst, FLast;
    int FSize = 0;
    int FTurns = 0;
    int FLastStep = 0;  // +-1 a frame, +-2 a group, 0 none yet (a group forward)

    std::vector<std::pair<QString, std::optional<TFileIdentity>>> FShown;
    long long FShownBytes = 0;
    std::multimap<QString, TCached> FCache;  // the same file may show in several panels
    std::multiset<QString> FInFlight;  // "path|turns" of decodes posted and not yet back
    unsigned long long FAge = 0;
    QStringList FAheadNames;
};
