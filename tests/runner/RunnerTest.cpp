#include "runner/Runner.h"

#include <gtest/gtest.h>
#include <future>
#include <new>
#include <stdexcept>

namespace {

using runner::TJobs;
using runner::TPool;
using runner::TResult;
using runner::TStop;

// What a scenario's jobs did, in order; guarded, as workers write it.
struct TLog {
    std::mutex Mutex;
    std::string Text;
    void Add(const std::string& event)
    {
        std::lock_guard lock(Mutex);
        Text += Text.empty() ? event : " " + event;
    }
};

// A job that holds the pool's one thread until Open.
struct TGate {
    std::promise<void> Opened;
    std::shared_future<void> Open = Opened.get_future().share();
    std::promise<void> Entered;
};

void HoldThread(TJobs& jobs, TGate& gate, TLog& log)
{
    jobs.Post({}, [&] { gate.Entered.set_value(); gate.Open.wait(); return 0; },
              [&](TResult<int>) { log.Add("gate"); });
    gate.Entered.get_future().wait();
}

void WaitIdle(const TJobs& jobs)
{
    while (jobs.Outstanding() > 0)
        std::this_thread::yield();
}

void Job(TJobs& jobs, const std::string& key, const std::string& name, TLog& log)
{
    jobs.Post(key, [] { return 0; }, [&log, name](TResult<int>) { log.Add(name); },
              [&log, name] { log.Add("drop" + name); });
}

struct Scenario {
    const char* Name;
    std::function<void(TJobs&, TGate&, TLog&)> Run;
    const char* Expected;
};

TEST(Runner, Contract)
{
    const Scenario scenarios[] = {
        {"what a job throws is its result",
         [](TJobs& jobs, TGate& gate, TLog& log) {
             gate.Opened.set_value();
             jobs.Post({}, []() -> int { throw std::bad_alloc(); }, [&](TResult<int> r) {
                 try {
                     std::rethrow_exception(r.Failure);
                 } catch (const std::bad_alloc&) {
                     log.Add(r.Value ? "value" : "bad_alloc");
                 }
             });
             WaitIdle(jobs);
         },
         "bad_alloc"},
        {"a newer job of a key drops the waiting one; other keys stay",
         [](TJobs& jobs, TGate& gate, TLog& log) {
             HoldThread(jobs, gate, log);
             Job(jobs, "map0", "A", log);
             Job(jobs, "map1", "B", log);
             Job(jobs, "map0", "C", log);
             gate.Opened.set_value();
             WaitIdle(jobs);
         },
         "dropA gate B C"},
        {"a waiting job is dropped by its key",
         [](TJobs& jobs, TGate& gate, TLog& log) {
             HoldThread(jobs, gate, log);
             Job(jobs, "ahead0", "A", log);
             jobs.Drop("ahead0");
             gate.Opened.set_value();
             WaitIdle(jobs);
         },
         "dropA gate"},
        {"a running job of a key is told it is stale",
         [](TJobs& jobs, TGate& gate, TLog& log) {
             std::promise<void> running;
             jobs.Post("group", [&](const TStop& stop) {
                 running.set_value();
                 gate.Open.wait();
                 return stop.Requested();
             }, [&](TResult<bool> r) { log.Add(*r.Value ? "stale" : "fresh"); });
             running.get_future().wait();
             Job(jobs, "group", "B", log);
             gate.Opened.set_value();
             WaitIdle(jobs);
         },
         "stale B"},
        {"close drops what waits and waits for what runs; later posts are dropped",
         [](TJobs& jobs, TGate& gate, TLog& log) {
             HoldThread(jobs, gate, log);
             Job(jobs, {}, "A", log);
             auto opener = std::async(std::launch::async, [&] {
                 std::this_thread::sleep_for(std::chrono::milliseconds(50));
                 log.Add("open");
                 gate.Opened.set_value();
             });
             jobs.Close();
             log.Add("closed");
             Job(jobs, {}, "B", log);
         },
         "dropA open gate closed dropB"},
    };
    for (const Scenario& s : scenarios) {
        TPool pool(1);
        TLog log;
        TGate gate;
        {
            TJobs jobs(pool);
            s.Run(jobs, gate, log);
        }
        EXPECT_EQ(log.Text, s.Expected) << s.Name;
    }
}

// Results come in index order whatever order the work ends in; failures are delivered as such.
TEST(Runner, InOrderDeliversByIndex)
{
    for (unsigned parallel : {1u, 3u}) {
        TPool pool(3);
        std::string seen;
        runner::RunInOrder(6, parallel, [](int i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(6 - i));
            if (i == 4)
                throw std::runtime_error("x");
            return i;
        }, [&](int i, TResult<int> r) { seen += r.Ok() ? std::to_string(*r.Value) : "!" + std::to_string(i); }, pool);
        EXPECT_EQ(seen, "0123!45") << parallel;
    }
}

// A lane's jobs run one at a time and in order, and those waiting hold no worker: a job
// outside the lane finishes while the lane's first job still runs.
TEST(Runner, LaneJobsTakeTurnsWithoutHoldingWorkers)
{
    TPool pool(2);
    TLog log;
    TGate gate;
    std::atomic<int> inLane{0}, most{0};
    std::promise<void> outside;
    {
        TJobs jobs(pool);
        const auto lane = std::make_shared<runner::TLane>();
        for (const std::string name : {"L1", "L2", "L3"})
            jobs.Post({}, [&, name] {
                const int now = ++inLane;
                most = std::max(most.load(), now);
                if (name == "L1")
                    gate.Open.wait();
                --inLane;
                return 0;
            }, [&log, name](TResult<int>) { log.Add(name); }, {}, lane);
        jobs.Post({}, [] { return 0; }, [&](TResult<int>) { log.Add("X"); outside.set_value(); });
        EXPECT_EQ(outside.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
        gate.Opened.set_value();
        WaitIdle(jobs);
    }
    EXPECT_EQ(log.Text, "X L1 L2 L3");
    EXPECT_EQ(most.load(), 1);
}

}  // namespace
