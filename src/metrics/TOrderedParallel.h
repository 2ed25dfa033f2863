#pragma once

#include <cstddef>
#include <functional>

namespace quorvel {

// Runs `count` independent work items on up to `jobs` threads and hands
// each finished item to the calling thread in index order, so that what the
// caller writes does not depend on the number of threads.
class TOrderedParallel {
public:
    // Runs on a worker thread; must leave its result where `emit` finds it.
    using TWork = std::function<void(std::size_t index)>;
    // Runs on the calling thread, for 0, 1, 2, ... in turn, each once its
    // work is done.
    using TEmit = std::function<void(std::size_t index)>;
    // Runs on the calling thread whenever the number of finished items
    // (in any order) has grown.
    using TProgress = std::function<void(std::size_t finished)>;

    // With jobs <= 1 everything runs on the calling thread. An exception
    // from `work` or `emit` stops the run: items not yet started are not
    // started, the threads are joined, and the first exception is rethrown.
    static void Run(std::size_t count, unsigned jobs, const TWork& work, const TEmit& emit,
                    const TProgress& progress = nullptr);
};

} // namespace quorvel
