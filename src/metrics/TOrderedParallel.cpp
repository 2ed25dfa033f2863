#include "metrics/TOrderedParallel.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {

void TOrderedParallel::Run(std::size_t count, unsigned jobs, const TWork& work, const TEmit& emit,
                           const TProgress& progress)
{
    if (jobs <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
            if (progress)
                progress(i + 1);
            emit(i);
        }
        return;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> done(count, 0);
    std::size_t next = 0;     // next item to start
    std::size_t finished = 0; // items done, in any order
    bool stop = false;
    std::exception_ptr failure;

    auto worker = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard lock(mutex);
                if (stop || next == count)
                    return;
                index = next++;
            }
            try {
                work(index);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                stop = true;
                changed.notify_all();
                return;
            }
            std::lock_guard lock(mutex);
            done[index] = 1;
            ++finished;
            changed.notify_all();
        }
    };

    std::vector<std::jthread> threads;
    const std::size_t threadCount = std::min<std::size_t>(jobs, count);
    threads.reserve(threadCount);
    for (std::size_t t = 0; t < threadCount; ++t)
        threads.emplace_back(worker);

    std::size_t emitted = 0;
    std::size_t reported = 0;
    try {
        while (emitted < count) {
            std::size_t nowFinished = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || done[emitted] != 0 || finished != reported; });
                if (stop)
                    break;
                nowFinished = finished;
            }
            // Callbacks run unlocked: they write, and workers must not wait
            // for that.
            if (progress && nowFinished != reported)
                progress(nowFinished);
            reported = nowFinished;
            for (;;) {
                {
                    std::lock_guard lock(mutex);
                    if (emitted == count || done[emitted] == 0)
                        break;
                }
                emit(emitted++);
            }
        }
        // Every item may have finished while the last ones were emitted:
        // the final count is still reported.
        if (progress && emitted == count && reported != count)
            progress(count);
    } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure)
            failure = std::current_exception();
        stop = true;
    }
    threads.clear(); // joins
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace quorvel
