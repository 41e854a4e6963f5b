// Every way pictures arrive ends in LoadPictures, which replaces the whole set.
#include "viewer/Mainunit.h"
#include "viewer/StartupDecodes.h"

#include "chooser/ChooserRoute.h"
#include "handoff/HandoffChannel.h"
#include "loading/Bmpmagbase.h"
#include "loading/PictureName.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The hourglass for the length of a load, put back on every way out.
class WaitCursorScope {
public:
    WaitCursorScope() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursorScope() { QApplication::restoreOverrideCursor(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;
};

constexpr int kMaxDroppedNameLength = 4095;

// JPEG and PEF files are read by the loader itself; every other file is offered to the
// plug-in host first.
bool NeedsPluginHost(const QString& name)
{
    const TPictureType type = ClassifyPicture(name);
    return type != TPictureType::Jpeg && type != TPictureType::Pef;
}

// Decodes names[i] into decoded[i] for every i of `which`, up to `threads` files at once,
// and returns when all are done. JPEG and PEF files, which need no plug-in, go to worker
// threads; with a plug-in host every other file is decoded on this (the UI) thread, in name
// order, since the host is one object and its plug-ins are not known to be reentrant. This
// thread then helps with the rest, so no more than `threads` decodes run.
void DecodeFiles(const QStringList& names, const std::vector<int>& which, std::vector<TDecodedPicture>& decoded,
                 TSpiHost* host, QSize screenSize, int threads)
{
    std::vector<int> anywhere, here;
    for (int i : which)
        (host && NeedsPluginHost(names[i]) ? here : anywhere).push_back(i);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k; (k = next++) < anywhere.size();)
            decoded[anywhere[k]] = TViewPanel::Decode(names[anywhere[k]], nullptr, screenSize);
    };
    std::vector<std::thread> workers;
    const int extra = std::min<int>(threads, static_cast<int>(anywhere.size())) - 1;
    for (int t = 0; t < extra; ++t) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads: the rest is decoded by those there are
        }
    }
    for (int i : here)
        decoded[i] = TViewPanel::Decode(names[i], host, screenSize);
    work();
    for (std::thread& worker : workers)
        worker.join();
}

int DecodeThreadCount(int wanted)
{
    return wanted > 0 ? wanted : std::max(1, QThread::idealThreadCount());
}

const QString kTooManyText = QStringLiteral("4個を超えたファイルはロードされませんでした。");
const QString kTooManyTitle = QStringLiteral("警告");
const QString kNotLoadedText = QStringLiteral("ロードできないファイルがありました。");
const QString kNotLoadedTitle = QStringLiteral("エラー");

}  // namespace

TStartupDecodes::TStartupDecodes(const QStringList& names, QSize screenSize) : FScreenSize(screenSize)
{
    // The first load tries the first four names before any other (more only when some
    // fail); of them, those that need no plug-in host are decoded here, as the host loads
    // its plug-ins only at the first show.
    for (int i = 0; i < std::min<int>(static_cast<int>(names.size()), kPanelMax); ++i)
        if (!NeedsPluginHost(names[i]))
            FJobs.push_back({i, names[i], {}});
    const int threads = std::min<int>(DecodeThreadCount(0), static_cast<int>(FJobs.size()));
    for (int t = 0; t < threads; ++t) {
        try {
            FWorkers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    if (FWorkers.empty())
        FJobs.clear();  // no thread to decode on: the load does it all
}

TStartupDecodes::~TStartupDecodes()
{
    Wait();
}

void TStartupDecodes::Wait()
{
    for (std::thread& worker : FWorkers)
        worker.join();
    FWorkers.clear();
}

bool TStartupDecodes::Take(int index, const QString& name, QSize screenSize, TDecodedPicture& into)
{
    Wait();
    if (screenSize != FScreenSize)
        return false;
    for (Job& job : FJobs) {
        if (job.Index == index && job.Name == name) {
            into = std::move(job.Result);
            job.Index = -1;
            return true;
        }
    }
    return false;
}

void TStartupDecodes::Work()
{
    for (std::size_t k; (k = FNext++) < FJobs.size();)
        FJobs[k].Result = TViewPanel::Decode(FJobs[k].Name, nullptr, FScreenSize);
}

void TMainForm::LoadPictures(const QStringList& names)
{
    WaitCursorScope wait;
    FGroupAhead->Drop();
    FTurns = 0;
    FLastStep = 0;

    // The files are decoded side by side while the old pictures stay on screen; the panels
    // take the new set, in name order, once every decode is done. A file that fails leaves
    // no panel, and the next one moves up; names beyond the fourth are tried only while
    // failures leave panels free, so each round decodes as many names as panels are free.
    const int threads = DecodeThreadCount(FDecodeThreads);
    // Only the first load can use what was decoded while the window was being made.
    const std::shared_ptr<TStartupDecodes> early = std::move(FEnv.startupDecodes);
    TSpiHost* const host = Panels[0].PluginHost();
    const QSize screenSize = Panels[0].ScreenSize();
    const int total = static_cast<int>(names.size());
    std::vector<TDecodedPicture> decoded(static_cast<std::size_t>(total));
    int tried = 0;   // names decoded so far: decoded[0, tried)
    int loaded = 0;  // of them, those that decoded
    std::exception_ptr stopped;
    while (loaded < kPanelMax && tried < total && !stopped) {
        const int round = std::min(kPanelMax - loaded, total - tried);
        int approved = 0;
        try {
            for (; approved < round; ++approved)
                if (FBeforePanelLoad)
                    FBeforePanelLoad(names[tried + approved]);
        } catch (...) {
            // As when loading one file after another: what came before the failing name loads.
            stopped = std::current_exception();
        }
        std::vector<int> which;
        for (int i = tried; i < tried + approved; ++i)
            if (!early || !early->Take(i, names[i], screenSize, decoded[i]))
                which.push_back(i);
        DecodeFiles(names, which, decoded, host, screenSize, threads);
        for (int i = tried; i < tried + approved; ++i)
            if (!decoded[i].Failure)
                ++loaded;
        tried += approved;
    }

    PanelCount = 0;
    for (TViewPanel& p : Panels)
        p.Clear();
    for (int i = 0; i < tried; ++i)
        if (Panels[PanelCount].Take(names[i], std::move(decoded[i])))
            ++PanelCount;
    if (stopped)
        std::rethrow_exception(stopped);

    if (PanelCount > 0) {
        ArrangePanels(PanelCount);
        FPanZoom->ApplyFit(false);
    }
    FPanZoom->ResetOffsets();
    FFocusAids->PicturesChanged();
    PrepareGroupAhead();
}

void TMainForm::N1Click()
{
    RunGuarded(*FPrompter, [this] {
        OpenFilesRequest request;
        request.title = QStringLiteral("画像ファイルを開く(複数選択化)");
        request.filters = {
            QStringLiteral("基本対応画像形式 (*.jpeg *.jpg *.pef *.bmp)"),
            QStringLiteral("PEFファイル (*.pef)"),
            QStringLiteral("JPEGファイル (*.jpeg *.jpg)"),
            QStringLiteral("ビットマップ (*.bmp)"),
            QStringLiteral("アイコンファイル (*.ico)"),
            QStringLiteral("全ファイル (*)"),
        };
        request.initialName = QStringLiteral("*.jpeg;*.jpg;*.pef;*.bmp");
        request.defaultSuffix = QStringLiteral("bmp");
        request.multiple = true;
        const QStringList names = FPrompter->OpenFiles(request);
        if (names.isEmpty())
            return;
        LoadPictures(names);
        if (names.size() != PanelCount) {
            if (names.size() > kPanelMax)
                FPrompter->Message(kTooManyText, kTooManyTitle);
            else
                FPrompter->Message(kNotLoadedText, kNotLoadedTitle);
        }
    });
}

void TMainForm::O1Click()
{
    RunGuarded(*FPrompter, [this] {
        RunChooserRoute(*PictSelectDialog, *FPrompter, [this](const QStringList& names) {
            LoadPictures(names);
            return PanelCount;
        });
    });
}

void TMainForm::WMDropFiles(const QStringList& dropped)
{
    if (FHandlingDrop)
        return;
    FHandlingDrop = true;
    const bool accepting = acceptDrops();
    setAcceptDrops(false);
    RunGuarded(*FPrompter, [&] {
        raise();
        activateWindow();
        QStringList names;
        for (const QString& name : dropped) {
            // A name cut to the length limit would name another file: leave it out.
            if (name.size() <= 4 || name.size() > kMaxDroppedNameLength)
                continue;
            names << name;
        }
        if (!names.isEmpty())
            LoadPictures(names);
    });
    setAcceptDrops(accepting);
    FHandlingDrop = false;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e)
{
    if (!FHandlingDrop && e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e)
{
    QStringList names;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    e->acceptProposedAction();
    WMDropFiles(names);
}

void TMainForm::WMUserArguments()
{
    RunGuarded(*FPrompter, [this] {
        raise();
        activateWindow();
        if (!FEnv.handoff)
            return;
        // Names come absolute from the sender; a bare one would be looked up in this
        // window's folder, where it names another file or none, so it is not loaded.
        QStringList names = FEnv.handoff->ReadArguments();
        names.removeIf([](const QString& name) { return !name.startsWith(QLatin1Char('/')); });
        // The sender waits only until the names are read: loading big files from a slow card
        // must not make it give up on this window and open a second one with the same pictures.
        QMetaObject::invokeMethod(
            this, [this, names] { RunGuarded(*FPrompter, [this, &names] { LoadPictures(names); }); },
            Qt::QueuedConnection);
    });
}
