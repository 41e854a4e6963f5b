#pragma once
// The reader's shared state and the worker thread "PictFileRead" that runs one job at a
// time on it. The user-interface thread hands out jobs and takes results under
// ReaderLock; the worker needs the lock only to take a job and to publish its end.
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

class THPictFileRead {
public:
    // Starts the worker at once.
    THPictFileRead(TReaderState& state, TReadJob job);
    // Asks the worker to end and joins it; a running job finishes first.
    ~THPictFileRead();
    THPictFileRead(const THPictFileRead&) = delete;
    THPictFileRead& operator=(const THPictFileRead&) = delete;

    void Terminate();
    std::thread::id ThreadId() const { return FThread.get_id(); }

private:
    void Execute();
    void Pause(int milliseconds);   // a sleep that ends early on Terminate

    TReaderState& FState;
    TReadJob FJob;
    std::mutex FWakeLock;
    std::condition_variable FWake;
    bool FTerminated = false;
    std::thread FThread;
};
