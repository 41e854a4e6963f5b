#include "chooser/ChooserCore.h"

#include "chooser/Histogram.h"

#include <cmath>

QSize ThumbnailSize(int width, int height, int maxWidth, int maxHeight)
{
    const float rHW = static_cast<float>(height) / static_cast<float>(width);
    const float rWH = static_cast<float>(width) / static_cast<float>(height);
    int w, h;
    if (static_cast<float>(maxHeight) >= static_cast<float>(maxWidth) * rHW) {
        w = maxWidth;
        h = static_cast<int>(std::trunc(static_cast<float>(maxWidth) * rHW));
    } else {
        w = static_cast<int>(std::trunc(static_cast<float>(maxHeight) * rWH));
        h = maxHeight;
    }
    // A sliver of a picture still gets one pixel rather than an empty thumbnail.
    return QSize(std::max(w, 1), std::max(h, 1));
}

void FinishEntry(TPictEntry& entry, const QImage& picture, bool crop, int maxWidth, int maxHeight)
{
    const QImage source =
        picture.format() == QImage::Format_BGR888 ? picture : picture.convertToFormat(QImage::Format_BGR888);
    const int W = source.width();
    const int H = source.height();
    if (W <= 0 || H <= 0)
        return;
    if (crop)
        CountHistogram(entry, source, 0, W - 1, 26, H - 53);
    else
        CountHistogram(entry, source, 0, W - 1, 0, H - 1);
    entry.ThumbShape = W > H ? 1 : 2;
    const QSize size = ThumbnailSize(W, H, maxWidth, maxHeight);
    entry.Thumbnail = source.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (entry.Thumbnail.format() != QImage::Format_BGR888)
        entry.Thumbnail = entry.Thumbnail.convertToFormat(QImage::Format_BGR888);
}

TChooserCore::TChooserCore(TReadJob job, TReaderPacing pacing)
    : FReader(std::make_unique<THPictFileRead>(State, std::move(job), pacing))
{
}

TChooserCore::~TChooserCore()
{
    // Join the worker before the state and the lists go.
    FReader.reset();
}

void TChooserCore::SetJobEnded(std::function<void()> notify)
{
    // Once this returns, no call of the old one is running or will run.
    std::lock_guard<std::mutex> hold(State.JobEndedLock);
    State.JobEnded = std::move(notify);
}

int TChooserCore::JobState()
{
    std::lock_guard<std::mutex> hold(State.ReaderLock);
    return State.JobState;
}

void TChooserCore::BeginListing(const QString& folder, bool relist)
{
    JumpIndex = -1;
    if (relist) {
        // A job still running would finish into an entry of the new list.
        StopReader(true);
        ViewList.Clear();
        FileList.Clear();
        CurrentIndex = -1;
    }
    FolderPath = MakeFolderPath(folder);
}

void TChooserCore::EnumerateFolder()
{
    for (const TListedFile& file : EnumeratePictureFiles(FolderPath)) {
        auto entry = std::make_unique<TPictEntry>();
        entry->FileName = file.Name;
        entry->FileDate = file.Date;
        entry->FileSize = file.Size;
        entry->InfoLevel = 1;
        TPictEntry* raw = entry.get();
        const QString key = FolderPath + file.Name;
        FileList.Add(key, std::move(entry));
        ViewList.Add(key, raw);
    }
}

void TChooserCore::RestartReading()
{
    {
        std::lock_guard<std::mutex> hold(State.ReaderLock);
        State.ReadCursor = 0;
    }
    ResultList.clear();
}

void TChooserCore::ListFolder(const QString& folder, bool relist)
{
    BeginListing(folder, relist);
    if (relist)
        EnumerateFolder();
    RestartReading();
}

void TChooserCore::StopReader(bool cancel)
{
    std::unique_lock<std::mutex> hold(State.ReaderLock);
    if (cancel)
        State.ReadCursor = rcStopped;
    for (;;) {
        const int s = State.JobState;
        if (s == jsRequested || s == jsDone || s == jsFailed) {
            State.JobState = jsIdle;
            State.DecodedPicture = QImage();
        }
        if (State.JobState == jsIdle)
            return;
        // A running job: its end wakes us.
        State.JobChanged.wait(hold);
    }
}

int TChooserCore::FindUnread(int from) const
{
    for (int i = std::max(from, 0); i < ViewList.Count(); ++i) {
        const TPictEntry* e = ViewList.Entry(i);
        if (e->ThumbShape == 0 && !e->ReadFailed)
            return i;
    }
    return -1;
}

void TChooserCore::RequestLocked(int index)
{
    State.ReadCursor = index;
    State.JobFileName = ViewList.Key(index);
    State.JobState = jsRequested;
    State.JobChanged.notify_all();
}

bool TChooserCore::Timer1Timer()
{
    HandOver();
    if (RedrawTicks != 0) {
        --RedrawTicks;
        if (RedrawTicks <= 0) {
            RedrawTicks = 0;
            return true;
        }
    }
    return false;
}

bool TChooserCore::HandOver()
{
    const int count = ViewList.Count();
    const int cursor = State.ReadCursor.load();
    bool landed = false;
    {
        std::lock_guard<std::mutex> hold(State.ReaderLock);
        const int s = State.JobState;
        if (cursor < 0 || cursor >= count) {
            if (s == jsRequested || s == jsDone || s == jsFailed) {
                State.JobState = jsIdle;
                State.DecodedPicture = QImage();
            }
        } else if (s == jsDone || s == jsFailed) {
            TPictEntry& entry = *ViewList.Entry(cursor);
            if (s == jsDone) {
                if (State.HasShotData) {
                    const bool crop = State.ShotCamera.contains(QLatin1String(" *ist D"));
                    FinishEntry(entry, State.DecodedPicture, crop);
                    entry.ShotDate = State.ShotDate;
                    entry.ShotExposure = State.ShotExposure;
                    entry.ShotCamera = State.ShotCamera;
                    entry.InfoLevel = 2;
                } else {
                    FinishEntry(entry, State.DecodedPicture, false);
                }
                // A picture that decoded to nothing counts as a failed read.
                entry.ReadFailed = entry.ThumbShape == 0;
                landed = !entry.ReadFailed;
                if (RedrawTicks == 0)
                    RedrawTicks = 2;
            } else {
                entry.ReadFailed = true;
            }
            State.DecodedPicture = QImage();
            int next = cursor + 1;
            if (JumpIndex >= 0) {
                next = JumpIndex;
                JumpIndex = -1;
            }
            int found = FindUnread(next);
            if (found < 0)
                found = FindUnread(0);
            if (found >= 0) {
                RequestLocked(found);
            } else {
                State.ReadCursor = rcAllRead;
                State.JobState = jsIdle;
            }
        } else if (s == jsIdle) {
            RequestLocked(cursor);
        }
    }
    return landed;
}

void TChooserCore::ToggleMark(int index)
{
    if (index >= 0 && index < ViewList.Count())
        ViewList.Entry(index)->Marks ^= SelectMark;
}

bool TChooserCore::MakeCurrent(int index)
{
    if (index < 0 || index >= ViewList.Count())
        return false;
    if (CurrentIndex >= 0 && CurrentIndex < ViewList.Count())
        ViewList.Entry(CurrentIndex)->Marks &= static_cast<uint8_t>(~CurrentMark);
    CurrentIndex = index;
    ViewList.Entry(index)->Marks |= CurrentMark;
    return true;
}

void TChooserCore::ClearMarks()
{
    for (int i = 0; i < FileList.Count(); ++i)
        FileList.Entry(i)->Marks &= static_cast<uint8_t>(~SelectMark);
}

TOkAnswer TChooserCore::Ok()
{
    QStringList collected;
    for (int i = 0; i < FileList.Count(); ++i)
        if (FileList.Entry(i)->Marks & SelectMark)
            collected << FileList.Key(i);
    const int count = static_cast<int>(collected.size());
    if (!collected.isEmpty()) {
        if (MaxSelect != 0 && count > MaxSelect)
            return {TOkOutcome::TooMany, count};
    } else if (CurrentIndex >= 0 && CurrentIndex < ViewList.Count()) {
        collected << ViewList.Key(CurrentIndex);
    } else {
        return {TOkOutcome::NoneChosen, 0};
    }
    ResultList = collected;
    return {TOkOutcome::Accepted, static_cast<int>(collected.size())};
}
