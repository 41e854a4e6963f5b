#include "chooser/PictFileRead.h"

#include <chrono>
#include <pthread.h>

THPictFileRead::THPictFileRead(TReaderState& state, TReadJob job, TReaderPacing pacing)
    : FState(state), FJob(std::move(job)), FPacing(pacing), FThread([this] { Execute(); })
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
        std::lock_guard<std::mutex> hold(FState.ReaderLock);
        FTerminated = true;
    }
    FState.JobChanged.notify_all();
}

void THPictFileRead::Execute()
{
    pthread_setname_np(pthread_self(), "PictFileRead");
    std::unique_lock<std::mutex> hold(FState.ReaderLock);
    for (;;) {
        if (FPacing.PollMs > 0) {
            if (!FTerminated && FState.JobState != jsRequested)
                FState.JobChanged.wait_for(hold, std::chrono::milliseconds(FPacing.PollMs),
                                           [this] { return FTerminated; });
        } else {
            FState.JobChanged.wait(hold, [this] { return FTerminated || FState.JobState == jsRequested; });
        }
        if (FTerminated)
            return;
        if (FState.JobState != jsRequested)
            continue;
        FState.JobState = jsRunning;
        const QString path = FState.JobFileName;
        hold.unlock();
        bool ok = false;
        try {
            ok = FJob(FState, path, true);
        } catch (...) {
            ok = false;
        }
        hold.lock();
        if (!ok)
            FState.DecodedPicture = QImage();
        FState.JobState = ok ? jsDone : jsFailed;
        FState.JobChanged.notify_all();
        hold.unlock();
        {
            std::lock_guard<std::mutex> announce(FState.JobEndedLock);
            if (FState.JobEnded)
                FState.JobEnded();
        }
        hold.lock();
        if (FPacing.RestMs > 0)
            FState.JobChanged.wait_for(hold, std::chrono::milliseconds(FPacing.RestMs), [this] { return FTerminated; });
    }
}
