#pragma once
// The reader's shared state and the worker thread "PictFileRead" that runs one job at a
// time on it. The user-interface thread hands out jobs and takes results under
// ReaderLock; the worker needs the lock only to take a job and to publish its end. The
// worker sleeps until a job is requested, and its end is announced at once (JobEnded),
// so a folder fills as fast as its files can be read.
#include <QImage>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

enum TJobState : int { jsIdle = 0, jsRequested = 1, jsRunning = 2, jsDone = 3, jsFailed = 4 };

// ReadCursor values besides an index.
enum : int { rcNotListed = -1, rcAllRead = -2, rcStopped = -3 };

struct TReaderState {
    std::mutex ReaderLock;
    int JobState = jsIdle;
    // Notified under ReaderLock whenever JobState changes hands: a request, a job's end.
    std::condition_variable JobChanged;
    // Called by the worker right after a job ended (Done or Failed), under JobEndedLock
    // and not ReaderLock, so the hand-over it wakes never waits for the worker; the
    // window queues its hand-over from it. Empty: the ticks collect.
    std::mutex JobEndedLock;
    std::function<void()> JobEnded;
    // Written by the user-interface thread only; the worker peeks at it without the lock
    // to skip decoding after a stop.
    std::atomic<int> ReadCursor{rcNotListed};
    // The rest belongs to the worker from Requested to Done/Failed and to the
    // user-interface thread otherwise.
    QString JobFileName;
    QImage DecodedPicture;     // Format_BGR888, valid while JobState is Done
    bool HasShotData = false;
    QString ShotDate;
    QString ShotExposure;
    QString ShotCamera;
};

// One job: fill state's DecodedPicture (and shooting texts) from the file at path.
using TReadJob = std::function<bool(TReaderState& state, const QString& path, bool checkCancel)>;

// How the worker waits for work. The default sleeps until a request and takes the next
// one at once; the old pacing (a look every 30 ms, a 15 ms rest after each job) is kept so
// that the benchmark can set both side by side.
struct TReaderPacing {
    int PollMs = 0;   // > 0: look for a request every PollMs instead of being woken
    int RestMs = 0;   // > 0: rest this long after each job
};

class THPictFileRead {
public:
    // Starts the worker at once.
    THPictFileRead(TReaderState& state, TReadJob job, TReaderPacing pacing = {});
    // Asks the worker to end and joins it; a running job finishes first.
    ~THPictFileRead();
    THPictFileRead(const THPictFileRead&) = delete;
    THPictFileRead& operator=(const THPictFileRead&) = delete;

    void Terminate();
    std::thread::id ThreadId() const { return FThread.get_id(); }

private:
    void Execute();

    TReaderState& FState;
    TReadJob FJob;
    TReaderPacing FPacing;
    bool FTerminated = false;   // under FState.ReaderLock
    std::thread FThread;
};
