#pragma once
// The one runner for the program's background work: a process-wide pool of threads, one
// per core, started as work first needs them. Clients post through a TJobs, which gives
// their jobs keys and a close of their own:
// - what a job throws becomes its result (TResult::Failure); nothing escapes a worker;
// - a key has at most one job waiting to start: a newer post of the key drops the older,
//   and a running one of the key is told it is stale (TStop) so that it may stop early;
// - Close drops what has not started and waits only for what runs.
// No Qt here: velumira-info links it without Qt; the viewer adds a thin adaptor that
// delivers results on its UI thread (viewer/UiJobs.h).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace runner {

// A job's result: its value, or what it threw (no value then).
template <class T>
struct TResult {
    std::optional<T> Value;
    std::exception_ptr Failure;
    bool Ok() const { return !Failure && Value.has_value(); }
};

// Asked by a running job between its steps: a newer job of its key was posted, or its
// client closed; what it makes then is not wanted.
class TStop {
public:
    bool Requested() const { return FFlag && FFlag->load(std::memory_order_relaxed); }
    explicit TStop(std::shared_ptr<const std::atomic<bool>> flag = {}) : FFlag(std::move(flag)) {}

private:
    std::shared_ptr<const std::atomic<bool>> FFlag;
};

// Jobs that must run one at a time (they share a library that serves one caller at a time)
// go through a lane: the next starts when the one before it ends, and those waiting hold no
// worker, so other work goes on beside them.
class TLane {
    friend class TPool;
    bool Busy = false;                              // under the pool's lock
    std::deque<std::function<void()>> Parked;
};

class TPool {
public:
    // The process's pool, one thread per core (at least two, so that a client waiting for
    // a result never waits for its own thread).
    static TPool& Shared();
    explicit TPool(unsigned threads);
    ~TPool();  // runs what is queued, then joins
    TPool(const TPool&) = delete;
    TPool& operator=(const TPool&) = delete;

    unsigned Threads() const { return FMost; }
    // Runs task on a worker (after the lane's earlier tasks, when it has one); started
    // threads stay until the pool ends.
    void Start(std::function<void()> task, const std::shared_ptr<TLane>& lane = {});

private:
    void Enqueue(std::function<void()> task);
    std::function<void()> InLane(std::function<void()> task, std::shared_ptr<TLane> lane);
    void Work();

    const unsigned FMost;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::deque<std::function<void()>> FQueue;
    std::vector<std::thread> FThreads;
    unsigned FIdle = 0;
    bool FEnding = false;
};

// One client's jobs in a pool.
class TJobs {
public:
    explicit TJobs(TPool& pool = TPool::Shared());
    ~TJobs();  // Close()
    TJobs(const TJobs&) = delete;
    TJobs& operator=(const TJobs&) = delete;

    // Runs work() or work(const TStop&) on the pool and hands its result to done on the
    // worker thread. An empty key is never superseded. dropped (optional) runs instead of
    // done, on the posting thread or in Close, when the job never starts. Posts after
    // Close are dropped at once. Jobs given a lane run one at a time (see TLane).
    template <class Work, class Done>
    void Post(const std::string& key, Work work, Done done, std::function<void()> dropped = {},
              const std::shared_ptr<TLane>& lane = {});

    // Drops the job of key that has not started (its dropped callback runs here) and tells
    // a running one that it is stale.
    void Drop(const std::string& key);
    // Drops what has not started (their dropped callbacks run here) and returns when no job
    // of this client runs any more. Nothing posted afterwards runs.
    void Close();
    // Jobs posted and neither finished nor dropped.
    int Outstanding() const;

private:
    struct TTicket {
        std::shared_ptr<std::atomic<bool>> Stale = std::make_shared<std::atomic<bool>>(false);
        std::function<void()> Dropped;
        bool Started = false;
    };
    struct TState {
        std::mutex Mutex;
        std::condition_variable Idle;
        std::map<std::string, std::shared_ptr<TTicket>> Latest;  // the newest job per key
        std::vector<std::shared_ptr<TTicket>> Waiting;            // posted, not started
        int Running = 0;
        bool Closed = false;
    };
    void Submit(const std::string& key, std::function<void(const TStop&)> run, std::function<void()> dropped,
                const std::shared_ptr<TLane>& lane);

    TPool& FPool;
    std::shared_ptr<TState> FState = std::make_shared<TState>();
};

// Runs work, catching whatever it throws.
template <class Work, class... Args>
auto Attempt(Work& work, Args&&... args) -> TResult<std::invoke_result_t<Work&, Args...>>
{
    TResult<std::invoke_result_t<Work&, Args...>> result;
    try {
        result.Value.emplace(work(std::forward<Args>(args)...));
    } catch (...) {
        result.Failure = std::current_exception();
    }
    return result;
}

template <class Work, class Done>
void TJobs::Post(const std::string& key, Work work, Done done, std::function<void()> dropped,
                 const std::shared_ptr<TLane>& lane)
{
    Submit(key, [work = std::move(work), done = std::move(done)](const TStop& stop) mutable {
        if constexpr (std::is_invocable_v<Work&, const TStop&>) {
            auto result = Attempt(work, stop);
            done(std::move(result));
        } else {
            auto result = Attempt(work);
            done(std::move(result));
        }
    }, std::move(dropped), lane);
}

// work(i) for every i in [0, count) with at most `parallel` at once, and deliver(i, result)
// for each on the calling thread in index order as soon as its predecessors are delivered,
// so output streams while the run goes on. With parallel 1 everything runs on the calling
// thread and no worker is started.
template <class Work, class Deliver>
void RunInOrder(int count, unsigned parallel, Work work, Deliver deliver, TPool& pool = TPool::Shared())
{
    using T = std::invoke_result_t<Work&, int>;
    if (parallel <= 1) {
        for (int i = 0; i < count; ++i) {
            auto one = [&] { return work(i); };
            deliver(i, Attempt(one));
        }
        return;
    }
    struct TShared {
        std::mutex Mutex;
        std::condition_variable Ready;
        std::map<int, TResult<T>> Done;
    };
    auto shared = std::make_shared<TShared>();
    TJobs jobs(pool);
    int posted = 0;
    const auto post = [&] {
        const int i = posted++;
        jobs.Post({}, [&work, i] { return work(i); }, [shared, i](TResult<T> result) {
            std::lock_guard lock(shared->Mutex);
            shared->Done.emplace(i, std::move(result));
            shared->Ready.notify_all();
        });
    };
    while (posted < count && posted < static_cast<int>(parallel))
        post();
    for (int i = 0; i < count; ++i) {
        TResult<T> result;
        {
            std::unique_lock lock(shared->Mutex);
            shared->Ready.wait(lock, [&] { return shared->Done.count(i) != 0; });
            result = std::move(shared->Done.at(i));
            shared->Done.erase(i);
        }
        if (posted < count)
            post();
        deliver(i, std::move(result));
    }
}

}  // namespace runner
