#pragma once

#include "model/TYear.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Everything one quorvel-metrics run is asked to do, filled from the command
// line. Defaults here are the documented defaults of the options.
struct TMetricsOptions {
    enum class TFormat { Csv, Tsv, Jsonl };

    // How the shift columns are smoothed; Window is unused with None.
    struct TSmoothing {
        enum class TKind { None, MovingAverage, Exponential, Median };
        TKind Kind = TKind::None;
        std::int32_t Window = 0;

        // "sma:W", "exp:W" or "median:W" with an integer W >= 1; throws
        // std::invalid_argument with a one-line reason otherwise.
        static TSmoothing Parse(std::string_view text);
        // The text Parse takes; empty for None.
        std::string ToString() const;
        friend bool operator==(const TSmoothing&, const TSmoothing&) = default;
    };

    std::vector<std::string> Files;
    TYear StartYear = 0;
    // Kilometres per grid unit; unset takes each file's own.
    std::optional<double> Resolution;
    std::int32_t BurnIn = 0;
    // Patch cleaning (CleanPatches) when above 0.
    std::int32_t Threshold = 0;
    TSmoothing Smoothing;
    // Share of the population at each end for the edge centroids, in (0, 1].
    double Edge = 0.1;
    // 'X' or 'Y', as the subpopulation operations take it.
    char Axis = 'X';
    // The baseline model's file; empty for no comparison.
    std::string Compare;
    TFormat Format = TFormat::Csv;
    // Table file; empty for standard output.
    std::string Output;
    // SVG figure file; empty for none.
    std::string Plot;
    // Files processed at once; 0 means one per core.
    unsigned Jobs = 0;
};

} // namespace quorvel
