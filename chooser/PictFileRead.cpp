#include "chooser/PictFileRead.h"

#include <chrono>
#include <pthread.h>

THPictFileRead::THPictFileRead(TReaderState& state, TReadJob job)
    : FState(state), FJob(std::move(job)), FThread([this] { Execute(); })
{
}

THPictFileRead::~THPictFileRead()
{
    Terminate();
    if (FThread.joinable())
        FThread.join();
}

void THPictFileRead::Terminate()
{
    {
        std::lock_guard<std::mutex> hold(FWakeLock);
        FTerminated = true;
    }
    FWake.notify_all();
}

void THPictFileRead::Pause(int milliseconds)
{
    std::unique_lock<std::mutex> hold(FWakeLock);
    FWake.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return FTerminated; });
}

void THPictFileRead::Execute()
{
    pthread_setname_np(pthread_self(), "PictFileRead");
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(FWakeLock);
            if (FTerminated)
                return;
        }
        QString path;
        bool taken = false;
        {
            std::lock_guard<std::mutex> hold(FState.ReaderLock);
            if (FState.JobState == jsRequested) {
                FState.JobState = jsRunning;
                path = FState.JobFileName;
                taken = true;
            }
        }
        if (!taken) {
            Pause(30);
            continue;
        }
        bool ok = false;
        try {
            ok = FJob(FState, path, true);
        } catch (...) {
            ok = false;
        }
        {
            std::lock_guard<std::mutex> hold(FState.ReaderLock);
            if (!ok)
                FState.DecodedPicture = QImage();
            FState.JobState = ok ? jsDone : jsFailed;
        }
        Pause(15);
    }
}
