#pragma once

#include "metrics/TMetricsOptions.h"
#include "model/TCentroids.h"
#include "model/TPatches.h"
#include "model/TYear.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

// Every range metric of one model, one value per year and column. A value
// that does not exist (a year without population, a year before the
// reference year or dropped by smoothing) is NaN; the table writes it empty.
struct TModelMetrics {
    double Resolution = 1.0;
    std::vector<TYear> Years;
    // Columns[c][i]: column c (a TRangeMetrics::TColumn) of Years[i].
    std::vector<std::vector<double>> Columns;
};

// Computes the metrics table of a model from the library's analyses.
class TRangeMetrics {
public:
    // Column order of the table after "file" and "year". The comparison
    // columns exist only with a baseline.
    enum TColumn : std::size_t {
        TotalPopulation,
        OccupiedPatches,
        CentroidXGrid,
        CentroidYGrid,
        CentroidXKm,
        CentroidYKm,
        MeanXGrid,
        MeanYGrid,
        ShiftXKm,
        ShiftYKm,
        ShiftDistanceKm,
        YearlyShiftXKm,
        YearlyShiftYKm,
        YearlyShiftDistanceKm,
        EdgeLowXGrid,
        EdgeLowYGrid,
        EdgeHighXGrid,
        EdgeHighYGrid,
        McpAreaGrid2,
        McpAreaKm2,
        kBaseColumns,
        BaselineDiffXKm = kBaseColumns,
        BaselineDiffYKm,
        PropInitialShiftXPct,
        PropInitialShiftYPct,
        PropYearlyShiftXPct,
        PropYearlyShiftYPct,
        kAllColumns
    };

    static std::vector<std::string> ColumnNames(bool withBaseline);

    // The patches as the metrics see them: cleaned when the options ask
    // for it, with the resolution of the options when given.
    static std::unique_ptr<TPatches> Prepare(std::unique_ptr<TPatches> patches, const TMetricsOptions& options);

    // `patches` as Prepare returns them; `baseline` the weighted centroids of
    // the prepared baseline model, or null. Throws std::runtime_error for a
    // model without years, a burn-in outside the series, a smoothing window
    // longer than the shift series, and a baseline with other years.
    static TModelMetrics Compute(const TPatches& patches, const TMetricsOptions& options,
                                 const TCentroids* baseline);
};

} // namespace quorvel
