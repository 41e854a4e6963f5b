#include "viewer/ShownSet.h"

#include "chooser/PictEntry.h"
#include "loading/Bmpmagbase.h"
#include "loading/PanelLine.h"
#include "loading/PictureName.h"
#include "loading/PluginLoad.h"
#include "platform/MemoryInfo.h"
#include "viewer/Burst.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <sys/stat.h>

namespace {

// Frames kept decoded besides those shown: a group ahead, and what quick steps decoded on
// their way (a step back finds them).
constexpr int kCachedFrames = 8;

const QString kNotLoadedText = QStringLiteral("ロードできないファイルがありました。");
const QString kNotLoadedTitle = QStringLiteral("エラー");

QString FlightKey(const QString& path, int turns)
{
    return path + QLatin1Char('|') + QString::number(turns);
}

// JPEG and PEF files are read by the loader itself; every other file goes through a
// plug-in host.
bool NeedsPluginHost(const QString& name)
{
    const TPictureType type = ClassifyPicture(name);
    return type != TPictureType::Jpeg && type != TPictureType::Pef;
}

long long FrameBytes(const TShownFrame& frame)
{
    const TDecodedPicture& d = frame.Decoded;
    const long long picture = d.Picture ? 3LL * d.Picture->Width() * d.Picture->Height() : 0;
    return picture + d.Display.sizeInBytes();
}

}  // namespace

std::optional<TFileIdentity> TFileIdentity::Of(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return TFileIdentity{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                         static_cast<long long>(st.st_size),
                         static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

TShownFrame DecodeFrame(const QString& path, QSize screenSize, int quarters, TSpiHost* host)
{
    TShownFrame frame;
    frame.Path = path;
    frame.Turns = quarters;
    frame.ScreenSize = screenSize;
    // Looked at before and after: a file replaced during the read is not known for what it is.
    frame.Identity = TFileIdentity::Of(path);
    frame.Decoded = TViewPanel::Decode(path, host, screenSize);
    if (TFileIdentity::Of(path) != frame.Identity)
        frame.Identity.reset();
    if (frame.Decoded.Picture) {
        // The host stays with the background; the panel gives the picture its own.
        frame.Decoded.Picture->SetPluginHost(nullptr);
        // The line reads as the file's own, whichever way the picture is turned.
        frame.Decoded.Line = PanelText(*frame.Decoded.Picture);
        TurnPicture(*frame.Decoded.Picture, quarters);
    }
    return frame;
}

// The background's plug-in host. It serves one file at a time, so the decodes that need it
// run in a lane of the runner, one after another, without holding workers that the focus maps
// and the other decodes could use; the lock only makes that sure. It scans the folder each
// job is given when that is not the one it has (the folder can change in the settings). The
// UI thread never takes the lock.
class TShownSet::TPluginTurns {
public:
    const std::shared_ptr<runner::TLane> Lane = std::make_shared<runner::TLane>();

    TShownFrame Decode(const QString& path, QSize screenSize, int quarters, const QString& folder)
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        if (!FLoaded || folder != FFolder) {
            LoadPlugins(FHost, folder);
            FFolder = folder;
            FLoaded = true;
        }
        TShownFrame frame = DecodeFrame(path, screenSize, quarters, &FHost);
        frame.PluginFolder = folder;
        return frame;
    }

private:
    std::mutex FMutex;
    bool FLoaded = false;
    QString FFolder;
    TSpiHost FHost;
};

struct TShownSet::TRequest {
    bool Fresh = true;      // a load; otherwise a step
    QStringList Names;      // a load's names, or the group stepped to
    int Tried = 0;          // names settled: Frames[0, Tried)
    int Round = 0;          // names being decoded: [Tried, Tried + Round)
    int Loaded = 0;
    int Turns = 0;
    std::vector<TShownFrame> Frames;
    bool Stopped = false;   // BeforeDecode threw: no name beyond
    std::function<void(int)> Done;
};

TShownSet::TShownSet(TShownSetView& view) : FView(view), FPlugins(std::make_shared<TPluginTurns>()) {}

TShownSet::~TShownSet()
{
    FJobs.Close();
    if (FRequest)
        FView.SetBusy(false);
}

void TShownSet::DropAhead(const QStringList& keep)
{
    // Frames ahead that the new request does not show wait for nothing: their decodes go.
    for (int k = 0; k < FAheadNames.size(); ++k)
        if (!keep.contains(FAheadNames[k]))
            FJobs.Drop("ahead" + std::to_string(k));
    FAheadNames.clear();
}

void TShownSet::Load(const QStringList& names, std::function<void(int)> done)
{
    DropAhead(names);
    if (FRequest)
        FView.SetBusy(false);
    FRequest = std::make_unique<TRequest>();
    FRequest->Names = names;
    FRequest->Done = std::move(done);
    FTurns = 0;
    FLastStep = 0;
    FView.SetBusy(true);
    // The first round's names are approved here, so that a throw reaches the caller.
    StartRound();
}

void TShownSet::Prefetch(const QStringList& names)
{
    // The plug-in folder is known once the settings are read, at the first show.
    for (int i = 0; i < std::min<int>(names.size(), kPanelMax); ++i)
        if (!NeedsPluginHost(names[i]))
            Need(names[i], "show" + std::to_string(i));
}

void TShownSet::StartRound()
{
    TRequest& r = *FRequest;
    const int free = r.Fresh ? kPanelMax - r.Loaded : static_cast<int>(r.Names.size());
    int round = std::min(free, static_cast<int>(r.Names.size()) - r.Tried);
    std::exception_ptr stopped;
    if (r.Fresh) {
        for (int k = 0; k < round; ++k) {
            try {
                FView.BeforeDecode(r.Names[r.Tried + k]);
            } catch (...) {
                // What came before the failing name loads, as a load one file after another did.
                stopped = std::current_exception();
                round = k;
                r.Names = r.Names.mid(0, r.Tried + k);
                r.Stopped = true;
                break;
            }
        }
    }
    r.Round = round;
    for (int k = 0; k < round; ++k)
        Need(r.Names[r.Tried + k], "show" + std::to_string(k));
    if (stopped) {
        // The caller hears of it now; the load goes on with the names before.
        QTimer::singleShot(0, &FJobs, [this] { Advance(); });
        std::rethrow_exception(stopped);
    }
    Advance();
}

bool TShownSet::Usable(const TShownFrame& f, const QString& name) const
{
    const int turns = FRequest ? FRequest->Turns : FTurns;
    const QString folder = NeedsPluginHost(name) ? FView.PluginFolder() : QString();
    return f.Turns == turns && f.ScreenSize == FView.ScreenSize() && f.PluginFolder == folder &&
           f.Identity == TFileIdentity::Of(name);
}

int TShownSet::UsableCount(const QString& name) const
{
    int count = 0;
    const auto [from, to] = FCache.equal_range(name);
    for (auto it = from; it != to; ++it)
        count += Usable(it->second.Frame, name);
    return count;
}

void TShownSet::Need(const QString& name, const std::string& key, bool another)
{
    const int turns = FRequest && FRequest->Fresh ? 0 : FTurns;
    if (!another && (UsableCount(name) > 0 || FInFlight.count(FlightKey(name, turns))))
        return;
    const QString flight = FlightKey(name, turns);
    FInFlight.insert(flight);
    const QSize screen = FView.ScreenSize();
    const bool plugin = NeedsPluginHost(name);
    const QString folder = plugin ? FView.PluginFolder() : QString();
    FJobs.Post(key,
               [name, screen, turns, plugin, folder, plugins = FPlugins, watch = FView.DecodeWatch()] {
                   if (watch)
                       watch(name);
                   return plugin ? plugins->Decode(name, screen, turns, folder) : DecodeFrame(name, screen, turns);
               },
               [this, name, screen, turns, folder, flight](runner::TResult<TShownFrame> result) {
                   if (auto it = FInFlight.find(flight); it != FInFlight.end())
                       FInFlight.erase(it);
                   if (result.Ok()) {
                       Delivered(std::move(*result.Value));
                       return;
                   }
                   // What the job threw (memory ran out) is the frame's failure.
                   TShownFrame failed;
                   failed.Path = name;
                   failed.Turns = turns;
                   failed.ScreenSize = screen;
                   failed.PluginFolder = folder;
                   failed.Identity = TFileIdentity::Of(name);
                   failed.Decoded.Failure = result.Failure;
                   Delivered(std::move(failed));
               },
               [this, flight] {
                   // Dropped for a newer job of its key: the request in hand may still need it.
                   if (auto it = FInFlight.find(flight); it != FInFlight.end())
                       FInFlight.erase(it);
                   QTimer::singleShot(0, &FJobs, [this] { Advance(); });
               },
               plugin ? FPlugins->Lane : nullptr);
}

void TShownSet::Delivered(TShownFrame frame)
{
    // Frames of the file that no longer match it are of no use any more.
    const auto [from, to] = FCache.equal_range(frame.Path);
    for (auto it = from; it != to;)
        it = Usable(it->second.Frame, frame.Path) ? std::next(it) : FCache.erase(it);
    TCached entry;
    entry.Bytes = FrameBytes(frame);
    entry.Age = ++FAge;
    const QString path = frame.Path;
    entry.Frame = std::move(frame);
    FCache.emplace(path, std::move(entry));
    Advance();
    Trim();
}

void TShownSet::Advance()
{
    if (!FRequest)
        return;
    TRequest& r = *FRequest;
    r.Turns = r.Fresh ? 0 : FTurns;
    bool waiting = false;
    std::map<QString, int> wanted;  // occurrences so far of each name in the round
    for (int k = 0; k < r.Round; ++k) {
        const QString& name = r.Names[r.Tried + k];
        const int occurrence = ++wanted[name];
        const int have = UsableCount(name);
        if (have >= occurrence)
            continue;
        waiting = true;
        if (have + static_cast<int>(FInFlight.count(FlightKey(name, r.Turns))) < occurrence)
            Need(name, "show" + std::to_string(k), true);
    }
    if (waiting)
        return;
    for (int k = 0; k < r.Round; ++k) {
        const QString& name = r.Names[r.Tried + k];
        auto [it, to] = FCache.equal_range(name);
        while (!Usable(it->second.Frame, name))
            ++it;  // one is there: the round waited for it
        TShownFrame frame = std::move(it->second.Frame);
        FCache.erase(it);
        if (!frame.Decoded.Failure)
            ++r.Loaded;
        r.Frames.push_back(std::move(frame));
    }
    r.Tried += r.Round;
    r.Round = 0;
    if (r.Fresh && !r.Stopped && r.Loaded < kPanelMax && r.Tried < r.Names.size()) {
        try {
            StartRound();
        } catch (...) {
            FView.Report(std::current_exception());
        }
        return;
    }
    Finish();
}

void TShownSet::Finish()
{
    const std::unique_ptr<TRequest> r = std::move(FRequest);
    FView.SetBusy(false);
    std::vector<TShownFrame> shown;
    bool failed = false;
    for (TShownFrame& frame : r->Frames) {
        if (frame.Decoded.Failure)
            failed = true;
        else
            shown.push_back(std::move(frame));
    }
    // A step whose every frame fails keeps the pictures; stepping goes on from its place.
    if (r->Fresh || !shown.empty())
        Replace(shown, r->Fresh);
    PrepareAhead();
    if (!r->Fresh && failed)
        FView.Message(kNotLoadedText, kNotLoadedTitle);
    if (r->Fresh && r->Done && !r->Stopped)
        r->Done(static_cast<int>(shown.size()));
}

void TShownSet::Replace(std::vector<TShownFrame>& frames, bool fresh)
{
    FShown.clear();
    FPluginExtensions.clear();
    FShownBytes = 0;
    for (const TShownFrame& frame : frames) {
        FShownBytes += FrameBytes(frame);
        FShown.emplace_back(frame.Path, frame.Identity);
        if (ClassifyPicture(frame.Path) == TPictureType::Plugin)
            FPluginExtensions << PictureExtension(QFileInfo(frame.Path).fileName());
    }
    if (fresh) {
        // The burst is the first picture's folder; the group is what this load shows.
        FFirst = frames.empty() ? QString() : QFileInfo(frames.front().Path).absoluteFilePath();
        FLast = frames.empty() ? QString() : QFileInfo(frames.back().Path).absoluteFilePath();
        FSize = static_cast<int>(frames.size());
        FFolder.clear();
    }
    FView.ShowFrames(frames, fresh);
}

bool TShownSet::StillShown(const QString& path) const
{
    for (const auto& [name, identity] : FShown)
        if (name == path)
            return identity && identity == TFileIdentity::Of(path);
    return true;  // not a shown file: nothing to compare with
}

bool TShownSet::Relist(const QString& folder)
{
    // Listed again only when the folder changed (a file came, went or was renamed).
    const std::optional<TFileIdentity> stamp = TFileIdentity::Of(folder);
    if (folder == FFolder && stamp && stamp == FFolderStamp)
        return !FFiles.isEmpty();
    FFolder = folder;
    FFolderStamp = stamp;
    FFiles = BurstFiles(folder, FPluginExtensions);
    return !FFiles.isEmpty();
}

QStringList TShownSet::TargetGroup(bool forward, bool wholeGroup) const
{
    // Where the group's first and last frame stand in the name order, whether or not
    // they are still there.
    const TNameOrder order;
    const auto before = [&](const QString& a, const QString& b) {
        return order.Less(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    };
    const int count = static_cast<int>(FFiles.size());
    const auto lower = [&](const QString& name) {
        return static_cast<int>(std::lower_bound(FFiles.begin(), FFiles.end(), name, before) - FFiles.begin());
    };
    const auto upper = [&](const QString& name) {
        return static_cast<int>(std::upper_bound(FFiles.begin(), FFiles.end(), name, before) - FFiles.begin());
    };
    int to;
    if (forward)
        to = wholeGroup ? upper(FLast) : upper(FFirst);
    else
        to = wholeGroup ? lower(FFirst) - FSize : lower(FFirst) - 1;
    to = std::clamp(to, 0, std::max(0, count - FSize));
    const QStringList group = FFiles.mid(to, FSize);
    if (group.isEmpty() || (group.front() == FFirst && group.back() == FLast))
        return {};
    return group;
}

void TShownSet::Step(bool forward, bool wholeGroup)
{
    if (FSize == 0 || FFirst.isEmpty() || !Relist(QFileInfo(FFirst).absolutePath()))
        return;
    const QStringList group = TargetGroup(forward, wholeGroup);
    if (group.isEmpty())
        return;
    // The position moves now: a quicker key than the decode steps on from here, and the
    // decodes of groups passed over are dropped.
    FFirst = group.front();
    FLast = group.back();
    FLastStep = (forward ? 1 : -1) * (wholeGroup ? 2 : 1);
    DropAhead(group);
    if (FRequest)
        FView.SetBusy(false);
    FRequest = std::make_unique<TRequest>();
    FRequest->Fresh = false;
    FRequest->Names = group;
    FRequest->Turns = FTurns;
    FView.SetBusy(true);
    StartRound();
}

void TShownSet::Turned(int quarters)
{
    FTurns = (FTurns + quarters) % 4;
    // The frames ahead must turn alike.
    PrepareAhead();
}

void TShownSet::PrepareAhead()
{
    DropAhead({});
    if (FRequest || FSize == 0 || FFirst.isEmpty() || !Relist(QFileInfo(FFirst).absolutePath()))
        return;
    // Ahead in the direction and by the step of the last one, so that stepping on through
    // a burst, a group or a frame at a time, finds each group ready.
    const bool forward = FLastStep >= 0;
    const bool wholeGroup = FLastStep == 0 || FLastStep == 2 || FLastStep == -2;
    const QStringList names = TargetGroup(forward, wholeGroup);
    if (names.isEmpty())
        return;
    // The next group is likely the size of this one; decoding it ahead must not push the
    // machine into swapping.
    const long long need = FShownBytes;
    const long long available = AvailableMemoryBytes();
    if (available >= 0 && need > available)
        return;
    FAheadNames = names;
    for (int k = 0; k < names.size(); ++k)
        Need(names[k], "ahead" + std::to_string(k));
}

void TShownSet::Trim()
{
    // Frames of the request in hand and of the group ahead stay; the oldest others go
    // beyond the count or when memory runs short.
    const long long available = AvailableMemoryBytes();
    for (;;) {
        long long total = 0;
        for (const auto& [path, entry] : FCache)
            total += entry.Bytes;
        const bool over = static_cast<int>(FCache.size()) > kCachedFrames || (available >= 0 && total > available / 2);
        if (!over)
            return;
        auto oldest = FCache.end();
        for (auto it = FCache.begin(); it != FCache.end(); ++it) {
            const bool wanted = FAheadNames.contains(it->first) || (FRequest && FRequest->Names.contains(it->first));
            if (!wanted && (oldest == FCache.end() || it->second.Age < oldest->second.Age))
                oldest = it;
        }
        if (oldest == FCache.end())
            return;
        FCache.erase(oldest);
    }
}
