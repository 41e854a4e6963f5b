#include "chooser/PictFileRead.h"

#include <chrono>
#include <pthread.h>

THPictFileRead::THPictFileRead(TReaderState& state, TReadJob job)
    : state_(state), job_(std::move(job)), thread_([this] { Execute(); })
{
}

THPictFileRead::~THPictFileRead()
{
    Terminate();
    if (thread_.joinable())
        thread_.join();
}

void THPictFileRead::Terminate()
{
    {
        std::lock_guard<std::mutex> hold(wakeLock_);
        terminated_ = true;
    }
    wake_.notify_all();
}

void THPictFileRead::Pause(int milliseconds)
{
    std::unique_lock<std::mutex> hold(wakeLock_);
    wake_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return terminated_; });
}

void THPictFileRead::Execute()
{
    pthread_setname_np(pthread_self(), "PictFileRead");
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(wakeLock_);
            if (terminated_)
                return;
        }
        QString path;
        bool taken = false;
        {
            std::lock_guard<std::mutex> hold(state_.ReaderLock);
            if (state_.JobState == jsRequested) {
                state_.JobState = jsRunning;
                path = state_.JobFileName;
                taken = true;
            }
        }
        if (!taken) {
            Pause(30);
            continue;
        }
        bool ok = false;
        try {
            ok = job_(state_, path, true);
        } catch (...) {
            ok = false;
        }
        {
            std::lock_guard<std::mutex> hold(state_.ReaderLock);
            if (!ok)
                state_.DecodedPicture = QImage();
            state_.JobState = ok ? jsDone : jsFailed;
        }
        Pause(15);
    }
}
