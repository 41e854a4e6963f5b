#pragma once
// Runs a tool's per-file work on several threads and prints in the order of the names.
// The calling thread works too and, between its own files, prints every result whose
// predecessors are all printed, so output streams while the run goes on (a pipe into
// `head` sees the first lines at once).
#include <algorithm>
#include <cstdio>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct TFileLine {
    std::string Out;   // the line for stdout with its newline; empty for none
    std::string Err;   // the line for stderr, the same way
    bool Ok = true;
};

inline TFileLine Printed(std::string line)
{
    TFileLine r;
    r.Out = std::move(line);
    return r;
}

inline TFileLine Failure(std::string line)
{
    TFileLine r;
    r.Err = std::move(line);
    r.Ok = false;
    return r;
}

// Threads for `count` files of work that costs about `perFileMicros` each: one unless the
// run is long enough to pay for starting more; never more than the cores or `most`.
inline unsigned ThreadsFor(int count, int perFileMicros, unsigned most)
{
    const long long work = static_cast<long long>(count) * perFileMicros;
    if (work < 2000)   // a thread costs about a hundred microseconds to start and join
        return 1;
    return std::max(1u, std::min({std::thread::hardware_concurrency(), most, static_cast<unsigned>(count)}));
}

// work(i) for every i in [0, count) on `threads` threads; print() gets the results in index
// order on the calling thread. True when every result was Ok.
template <class Work, class Print>
bool RunInOrder(int count, unsigned threads, const Work& work, const Print& print)
{
    struct Slot {
        TFileLine Line;
        std::atomic<bool> Done{false};
    };
    const std::unique_ptr<Slot[]> cells(new Slot[static_cast<std::size_t>(count)]);
    std::atomic<int> next{0};
    int printed = 0;
    bool ok = true;
    const auto flush = [&] {
        for (; printed < count && cells[printed].Done.load(std::memory_order_acquire); ++printed) {
            print(cells[printed].Line);
            ok = cells[printed].Line.Ok && ok;
            cells[printed].Line = TFileLine();
        }
    };
    const auto step = [&]() -> bool {
        const int i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count)
            return false;
        cells[i].Line = work(i);
        cells[i].Done.store(true, std::memory_order_release);
        return true;
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t)
        helpers.emplace_back([&] { while (step()) {} });
    while (step())
        flush();
    for (std::thread& helper : helpers)
        helper.join();
    flush();
    return ok;
}

// The result's lines to stdout and stderr. Before a failure the lines kept in stdout's
// buffer go out, so that both streams sent to one place still read in the order of the
// names.
inline void PrintLine(const TFileLine& line)
{
    std::fwrite(line.Out.data(), 1, line.Out.size(), stdout);
    if (!line.Err.empty()) {
        std::fflush(stdout);
        std::fwrite(line.Err.data(), 1, line.Err.size(), stderr);
    }
}
