#pragma once

#include "driver/TReport.h"
#include "driver/TRunSettings.h"

namespace quorvel {

// The program's one fixed analysis: load, optionally clean, weighted
// centroids, range shifts after the burn-in, optional smoothing, and the
// report. Lines up to "Resolution(km)" are written while the analysis runs;
// an error (std::runtime_error) leaves them written and stops the report.
class TAnalysisRun {
public:
    static void Execute(const TRunSettings& settings, TReport& report);
};

} // namespace quorvel
