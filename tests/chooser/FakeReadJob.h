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
                std::unique_lock<std::mutex> lock(m_);
                running_ = true;
                started_.push_back(QFileInfo(path).fileName());
                cv_.notify_all();
                cv_.wait(lock, [this] { return !hold_; });
                running_ = false;
            }
            std::lock_guard<std::mutex> lock(m_);
            if (failing_.count(QFileInfo(path).fileName()))
                return false;
            if (checkCancel && state.ReadCursor.load() < 0)
                return false;
            state.DecodedPicture = QImage(size_, QImage::Format_BGR888);
            state.DecodedPicture.fill(QColor(30, 60, 90));
            state.HasShotData = !camera_.isEmpty();
            state.ShotDate = QStringLiteral("2004/05/06 07:08:09");
            state.ShotExposure = QStringLiteral("1/125 F8.0");
            state.ShotCamera = camera_;
            return true;
        };
    }

    void Hold(bool on)
    {
        std::lock_guard<std::mutex> lock(m_);
        hold_ = on;
        cv_.notify_all();
    }
    bool Running()
    {
        std::lock_guard<std::mutex> lock(m_);
        return running_;
    }
    void Fail(const QString& name)
    {
        std::lock_guard<std::mutex> lock(m_);
        failing_.insert(name);
    }
    void SetCamera(const QString& camera)
    {
        std::lock_guard<std::mutex> lock(m_);
        camera_ = camera;
    }
    void SetSize(QSize size)
    {
        std::lock_guard<std::mutex> lock(m_);
        size_ = size;
    }
    std::vector<QString> Started()
    {
        std::lock_guard<std::mutex> lock(m_);
        return started_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool hold_ = false;
    bool running_ = false;
    std::set<QString> failing_;
    QString camera_;
    QSize size_{160, 120};
    std::vector<QString> started_;
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
