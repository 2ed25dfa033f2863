#pragma once

#include "metrics/TMetricsOptions.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>

namespace quorvel {

// One quorvel-metrics run: loads the files in parallel, computes every
// metric, writes the table in the order the files were given and, when
// asked, the figure.
class TMetricsRun {
public:
    struct TCallbacks {
        // A file that failed, as given on the command line, and why (one line).
        std::function<void(const std::string& file, const std::string& reason)> FileFailed;
        // How many files are finished, of how many.
        std::function<void(std::size_t finished, std::size_t total)> Progress;
    };

    // Writes the table to options.Output, or to `standardOutput` when that is
    // empty, and returns the number of files that failed; the others are in
    // the table all the same. Throws std::runtime_error when the run cannot
    // go on: the baseline cannot be read, or the table or the figure cannot
    // be written.
    static std::size_t Execute(const TMetricsOptions& options, std::ostream& standardOutput,
                               const TCallbacks& callbacks);

    // options.Jobs, or one per core for 0.
    static unsigned EffectiveJobs(unsigned requested);
};

} // namespace quorvel
