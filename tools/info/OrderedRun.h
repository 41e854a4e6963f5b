#pragma once
// Runs a tool's per-file work on the program's runner and prints in the order of the names;
// each result is printed as soon as its predecessors are, so output streams while the run
// goes on (a pipe into `head` sees the first lines at once).
#include "runner/Runner.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <thread>

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

// work(i) for every i in [0, count) on up to `threads` of the program's runner; print()
// gets the results in index order on the calling thread as they come. A file whose work
// threw (memory ran out) gets failure(i, reason) in its place. True when every result was Ok.
template <class Work, class Print, class Fail>
bool RunInOrder(int count, unsigned threads, const Work& work, const Print& print, const Fail& failure)
{
    bool ok = true;
    runner::RunInOrder(count, threads, [&](int i) { return work(i); }, [&](int i, runner::TResult<TFileLine> result) {
        TFileLine line;
        if (result.Ok()) {
            line = std::move(*result.Value);
        } else {
            std::string reason = "unknown failure";
            try {
                std::rethrow_exception(result.Failure);
            } catch (const std::bad_alloc&) {
                reason = "out of memory";
            } catch (const std::exception& e) {
                reason = e.what();
            } catch (...) {
            }
            line = failure(i, reason);
        }
        print(line);
        ok = line.Ok && ok;
    });
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
