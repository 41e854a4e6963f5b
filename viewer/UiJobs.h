#pragma once
// The viewer's side of the runner: jobs run on the program's pool and their results come
// back queued on the UI thread, in done. The UI thread never waits for a job: closing
// drops what has not started and waits only for what runs.
#include "runner/Runner.h"

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class TUiJobs : public QObject {
public:
    explicit TUiJobs(QObject* parent = nullptr) : QObject(parent) {}
    ~TUiJobs() override { Close(); }

    // work() or work(const runner::TStop&) on the pool, then done(TResult) on this object's
    // thread. A newer post of the same key drops the older when it has not begun; one that
    // has begun still delivers, so done compares its request with the latest.
    // dropped runs on this thread instead of done when the job never starts. Jobs given a
    // lane run one at a time (runner::TLane).
    template <class Work, class Done>
    void Post(const std::string& key, Work work, Done done, std::function<void()> dropped = {},
              const std::shared_ptr<runner::TLane>& lane = {})
    {
        ++FOutstanding;
        FJobs.Post(key, std::move(work), [this, done = std::move(done)](auto result) mutable {
            using TOutcome = decltype(result);
            auto shared = std::make_shared<TOutcome>(std::move(result));
            QMetaObject::invokeMethod(this, [this, done, shared]() mutable {
                if (FClosed)
                    return;
                --FOutstanding;
                done(std::move(*shared));
            }, Qt::QueuedConnection);
        }, [this, dropped = std::move(dropped)] {
            --FOutstanding;
            if (dropped && !FClosed)
                dropped();
        }, lane);
    }
    // The job of key that has not started never runs (its dropped runs now).
    void Drop(const std::string& key) { FJobs.Drop(key); }
    void Close()
    {
        FClosed = true;
        FJobs.Close();
        FOutstanding = 0;  // results still queued are never delivered: the jobs are closed
    }
    // Posted jobs whose results have not come back yet (dropped ones excluded).
    bool Busy() const { return FOutstanding > 0; }

private:
    runner::TJobs FJobs;
    int FOutstanding = 0;  // UI thread only
    bool FClosed = false;
};
