#include "runner/Runner.h"

#include <algorithm>

namespace runner {

TPool& TPool::Shared()
{
    // Never destroyed: worker threads may still be parked when static objects go.
    static TPool* const pool = new TPool(std::max(2u, std::thread::hardware_concurrency()));
    return *pool;
}

TPool::TPool(unsigned threads) : FMost(std::max(1u, threads)) {}

TPool::~TPool()
{
    {
        std::lock_guard lock(FMutex);
        FEnding = true;
    }
    FWake.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
}

void TPool::Start(std::function<void()> task, const std::shared_ptr<TLane>& lane)
{
    if (lane) {
        {
            std::lock_guard lock(FMutex);
            if (lane->Busy) {
                lane->Parked.push_back(std::move(task));
                return;
            }
            lane->Busy = true;
        }
        task = InLane(std::move(task), lane);
    }
    Enqueue(std::move(task));
}

// The lane's task, then its next parked one queued (or the lane freed).
std::function<void()> TPool::InLane(std::function<void()> task, std::shared_ptr<TLane> lane)
{
    return [this, task = std::move(task), lane = std::move(lane)] {
        task();
        std::function<void()> next;
        {
            std::lock_guard lock(FMutex);
            if (lane->Parked.empty()) {
                lane->Busy = false;
                return;
            }
            next = std::move(lane->Parked.front());
            lane->Parked.pop_front();
        }
        Enqueue(InLane(std::move(next), lane));
    };
}

void TPool::Enqueue(std::function<void()> task)
{
    std::unique_lock lock(FMutex);
    FQueue.push_back(std::move(task));
    // No thread is added while the pool ends (a lane's next task is queued from a worker).
    if (FIdle == 0 && FThreads.size() < FMost && !FEnding) {
        try {
            FThreads.emplace_back([this] { Work(); });
            return;
        } catch (const std::system_error&) {
            // No thread to be had: the ones there are take the task; with none at all, it
            // runs here.
            if (FThreads.empty()) {
                std::function<void()> now = std::move(FQueue.back());
                FQueue.pop_back();
                lock.unlock();
                now();
                return;
            }
        }
    }
    lock.unlock();
    FWake.notify_one();
}

void TPool::Work()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        ++FIdle;
        FWake.wait(lock, [this] { return FEnding || !FQueue.empty(); });
        --FIdle;
        if (FQueue.empty())
            return;  // ending, with nothing left
        std::function<void()> task = std::move(FQueue.front());
        FQueue.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

TJobs::TJobs(TPool& pool) : FPool(pool) {}

TJobs::~TJobs()
{
    Close();
}

void TJobs::Submit(const std::string& key, std::function<void(const TStop&)> run, std::function<void()> dropped,
                   const std::shared_ptr<TLane>& lane)
{
    auto ticket = std::make_shared<TTicket>();
    ticket->Dropped = std::move(dropped);
    std::function<void()> superseded;
    bool closed = false;
    {
        std::lock_guard lock(FState->Mutex);
        closed = FState->Closed;
        if (!closed) {
            if (!key.empty()) {
                std::shared_ptr<TTicket>& latest = FState->Latest[key];
                if (latest) {
                    latest->Stale->store(true);
                    if (!latest->Started) {
                        std::erase(FState->Waiting, latest);
                        superseded = std::move(latest->Dropped);
                    }
                }
                latest = ticket;
            }
            FState->Waiting.push_back(ticket);
        }
    }
    if (superseded)
        superseded();
    if (closed) {
        if (ticket->Dropped)
            ticket->Dropped();
        return;
    }
    FPool.Start([state = FState, ticket, key, run = std::move(run)] {
        {
            std::lock_guard lock(state->Mutex);
            if (state->Closed || ticket->Stale->load() ||
                std::find(state->Waiting.begin(), state->Waiting.end(), ticket) == state->Waiting.end())
                return;  // dropped before it began
            std::erase(state->Waiting, ticket);
            ticket->Started = true;
            ++state->Running;
        }
        run(TStop(ticket->Stale));
        std::lock_guard lock(state->Mutex);
        if (!key.empty()) {
            auto it = state->Latest.find(key);
            if (it != state->Latest.end() && it->second == ticket)
                state->Latest.erase(it);
        }
        if (--state->Running == 0)
            state->Idle.notify_all();
    }, lane);
}

void TJobs::Drop(const std::string& key)
{
    std::function<void()> dropped;
    {
        std::lock_guard lock(FState->Mutex);
        const auto it = FState->Latest.find(key);
        if (it == FState->Latest.end())
            return;
        it->second->Stale->store(true);
        if (!it->second->Started) {
            std::erase(FState->Waiting, it->second);
            dropped = std::move(it->second->Dropped);
            FState->Latest.erase(it);
        }
    }
    if (dropped)
        dropped();
}

void TJobs::Close()
{
    std::vector<std::shared_ptr<TTicket>> dropped;
    std::unique_lock lock(FState->Mutex);
    FState->Closed = true;
    dropped.swap(FState->Waiting);
    for (auto& [key, ticket] : FState->Latest)
        ticket->Stale->store(true);
    lock.unlock();
    for (auto& ticket : dropped)
        if (ticket->Dropped)
            ticket->Dropped();
    lock.lock();
    FState->Idle.wait(lock, [this] { return FState->Running == 0; });
}

int TJobs::Outstanding() const
{
    std::lock_guard lock(FState->Mutex);
    return FState->Running + static_cast<int>(FState->Waiting.size());
}

}  // namespace runner
