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
    RunningWindow(QString folder, QByteArray title) : FFolder(std::move(folder)), FTitle(std::move(title))
    {
        start();
        std::unique_lock lock(FMutex);
        FReady.wait(lock, [this] { return FStarted; });
    }
    ~RunningWindow() override
    {
        SetHeld(false);
        quit();
        wait();
    }
    QString socketName() const { return FSocket; }
    bool registered() const { return FRegistered; }
    // From now on a notification is taken but not handled until the window ends, as by one
    // whose UI thread is busy: it then answers nothing, not even the title question.
    void Hold() { SetHeld(true); }
    std::vector<QStringList> received()
    {
        std::lock_guard lock(FMutex);
        return FReceived;
    }

protected:
    void run() override
    {
        HandoffChannel channel(FFolder);
        FRegistered = channel.Register([this] { return FTitle; },
                                       [this, &channel] {
                                           std::unique_lock lock(FMutex);
                                           FReady.wait(lock, [this] { return !FHeld; });
                                           FReceived.push_back(channel.ReadArguments());
                                       });
        FSocket = channel.SocketName();
        {
            std::lock_guard lock(FMutex);
            FStarted = true;
        }
        FReady.notify_all();
        exec();
    }

private:
    void SetHeld(bool held)
    {
        std::lock_guard lock(FMutex);
        FHeld = held;
        FReady.notify_all();
    }

    QString FFolder;
    QByteArray FTitle;
    QString FSocket;
    std::atomic<bool> FRegistered{false};
    std::mutex FMutex;
    std::condition_variable FReady;
    bool FStarted = false;
    bool FHeld = false;
    std::vector<QStringList> FReceived;
};

