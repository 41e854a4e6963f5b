#pragma once
// A reader job the test controls: it can be held mid-job, fails for chosen names and
// otherwise delivers a flat picture of a chosen size.
#include "chooser/ChooserCore.h"

#include <QFileInfo>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// Waits while cond is false, up to a deadline; true when cond held.
inline bool WaitUntil(const std::function<bool()>& cond, int seconds = 10)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class FakeReadJob {
public:
    TReadJob Job()
    {
        return [this](TReaderState& state, const QString& path, bool checkCancel) {
            {
                std::unique_lock<std::mutex> lock(FM);
                FRunning = true;
                FStarted.push_back(QFileInfo(path).fileName());
                FCv.notify_all();
                FCv.wait(lock, [this] { return !FHold; });
                FRunning = false;
            }
            std::lock_guard<std::mutex> lock(FM);
            if (FFailing.count(QFileInfo(path).fileName()))
                return false;
            if (checkCancel && state.ReadCursor.load() < 0)
                return false;
            state.DecodedPicture = QImage(FSize, QImage::Format_BGR888);
            state.DecodedPicture.fill(QColor(30, 60, 90));
            state.HasShotData = !FCamera.isEmpty();
            state.ShotDate = QStringLiteral("2004/05/06 07:08:09");
            state.ShotExposure = QStringLiteral("1/125 F8.0");
            state.ShotCamera = FCamera;
            return true;
        };
    }

    void Hold(bool on)
    {
        std::lock_guard<std::mutex> lock(FM);
        FHold = on;
        FCv.notify_all();
    }
    bool Running()
    {
        std::lock_guard<std::mutex> lock(FM);
        return FRunning;
    }
    void Fail(const QString& name)
    {
        std::lock_guard<std::mutex> lock(FM);
        FFailing.insert(name);
    }
    void SetCamera(const QString& camera)
    {
        std::lock_guard<std::mutex> lock(FM);
        FCamera = camera;
    }
    void SetSize(QSize size)
    {
        std::lock_guard<std::mutex> lock(FM);
        FSize = size;
    }
    std::vector<QString> Started()
    {
        std::lock_guard<std::mutex> lock(FM);
        return FStarted;
    }

private:
    std::mutex FM;
    std::condition_variable FCv;
    bool FHold = false;
    bool FRunning = false;
    std::set<QString> FFailing;
    QString FCamera;
    QSize FSize{160, 120};
    std::vector<QString> FStarted;
};

// One tick, after waiting until a requested job has been taken and has ended.
inline void TickAfterJob(TChooserCore& core)
{
    WaitUntil([&] {
        const int s = core.JobState();
        return s != jsRequested && s != jsRunning;
    });
    core.Timer1Timer();
}
