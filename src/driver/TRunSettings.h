#pragma once

#include "model/TYear.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// The settings of one command-line run, filled once from the positional
// arguments: filename startyear XorY delimiter [burn-in]
// [patch_size_threshold] [moving_average_type window_size].
struct TRunSettings {
    enum class TSmoothing { None, SimpleMovingAverage, Exponential };

    static constexpr const char* kUsage =
        "Usage: Quorvel filename startyear XorY delimiter [burn-in] [patch_size_threshold] "
        "[moving_average_type (sma | exp) window_size]";

    std::string FileName;
    TYear StartYear = 0;
    std::string Delimiter;
    std::int32_t BurnIn = 0;
    std::int32_t PatchSizeThreshold = 0;
    TSmoothing MovingAverageType = TSmoothing::None;
    std::int32_t WindowSize = 0;

    // Empty when the arguments call for the usage message: fewer than four
    // after the program name, or a smoothing type without its window.
    // Throws std::runtime_error for an unknown smoothing type ("Unknown
    // moving average") and for integers outside the 32-bit range, in
    // argument order. Integers otherwise follow atol: "5abc" is 5, "abc" 0.
    static std::optional<TRunSettings> ParseCommandLine(int argc, const char* const* argv);
};

} // namespace quorvel
