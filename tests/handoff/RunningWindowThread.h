#pragma once
// A registered main window stand-in on a thread of its own, as a real window answers on its
// own UI thread: the sender in the test thread can then block on it.
#include "handoff/HandoffChannel.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

// A registered window on a thread of its own; records every hand-off it receives.
class RunningWindow : public QThread {
public:
    RunningWindow(QString folder, QByteArray title) : folder_(std::move(folder)), title_(std::move(title))
    {
        start();
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return started_; });
    }
    ~RunningWindow() override
    {
        SetHeld(false);
        quit();
        wait();
    }
    QString socketName() const { return socket_; }
    bool registered() const { return registered_; }
    // From now on a notification is taken but not handled until the window ends, as by one
    // whose UI thread is busy: it then answers nothing, not even the title question.
    void Hold() { SetHeld(true); }
    std::vector<QStringList> received()
    {
        std::lock_guard lock(mutex_);
        return received_;
    }

protected:
    void run() override
    {
        HandoffChannel channel(folder_);
        channel.OpenBlock();
        registered_ = channel.Register([this] { return title_; },
                                       [this, &channel] {
                                           std::unique_lock lock(mutex_);
                                           ready_.wait(lock, [this] { return !held_; });
                                           received_.push_back(channel.ReadArguments());
                                       });
        socket_ = channel.SocketName();
        {
            std::lock_guard lock(mutex_);
            started_ = true;
        }
        ready_.notify_all();
        exec();
    }

private:
    void SetHeld(bool held)
    {
        std::lock_guard lock(mutex_);
        held_ = held;
        ready_.notify_all();
    }

    QString folder_;
    QByteArray title_;
    QString socket_;
    std::atomic<bool> registered_{false};
    std::mutex mutex_;
    std::condition_variable ready_;
    bool started_ = false;
    bool held_ = false;
    std::vector<QStringList> received_;
};

