#include "metrics/TRangeMetrics.h"

#include "analysis/TCentroidTools.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using TSmoothing = TMetricsOptions::TSmoothing;

std::unique_ptr<TCentroids> Smooth(const TSmoothing& smoothing, std::unique_ptr<TCentroids> series)
{
    switch (smoothing.Kind) {
    case TSmoothing::TKind::None:
        return series;
    case TSmoothing::TKind::MovingAverage:
        return TCentroidTools::MovingAverage(*series, smoothing.Window);
    case TSmoothing::TKind::Median:
        return TCentroidTools::MedianSmoothing(*series, smoothing.Window);
    case TSmoothing::TKind::Exponential:
        return TCentroidTools::ExponentialSmoothing(*series, 2.0 / (static_cast<double>(smoothing.Window) + 1.0));
    }
    return series;
}

std::string YearRange(const std::vector<TYear>& years)
{
    if (years.empty())
        return "no years";
    return std::to_string(years.front()) + " to " + std::to_string(years.back());
}

} // namespace

std::vector<std::string> TRangeMetrics::ColumnNames(bool withBaseline)
{
    std::vector<std::string> names{
        "total_population",
        "occupied_patches",
        "centroid_x_grid",
        "centroid_y_grid",
        "centroid_x_km",
        "centroid_y_km",
        "mean_x_grid",
        "mean_y_grid",
        "shift_x_km",
        "shift_y_km",
        "shift_distance_km",
        "yearly_shift_x_km_per_year",
        "yearly_shift_y_km_per_year",
        "yearly_shift_distance_km_per_year",
        "edge_low_x_grid",
        "edge_low_y_grid",
        "edge_high_x_grid",
        "edge_high_y_grid",
        "mcp_area_grid2",
        "mcp_area_km2",
    };
    if (withBaseline) {
        for (const char* name : {"baseline_diff_x_km", "baseline_diff_y_km", "prop_initial_shift_x_pct",
                                 "prop_initial_shift_y_pct", "prop_yearly_shift_x_pct", "prop_yearly_shift_y_pct"})
            names.emplace_back(name);
    }
    return names;
}

std::unique_ptr<TPatches> TRangeMetrics::Prepare(std::unique_ptr<TPatches> patches, const TMetricsOptions& options)
{
    if (options.Threshold > 0)
        patches = TCentroidTools::CleanPatches(std::move(patches), options.Threshold);
    if (options.Resolution)
        patches->SetResolution(*options.Resolution);
    return patches;
}

TModelMetrics TRangeMetrics::Compute(const TPatches& patches, const TMetricsOptions& options,
                                     const TCentroids* baseline)
{
    TModelMetrics metrics;
    metrics.Years = TCentroidTools::MakeYearList(patches);
    const std::vector<TYear>& years = metrics.Years;
    if (years.empty())
        throw std::runtime_error(options.Threshold > 0 ? "no year to analyse: patch cleaning kept no patch with years"
                                                       : "no year to analyse: no patch holds a population value");
    const double r = patches.GetResolution();
    metrics.Resolution = r;
    const std::size_t n = years.size();
    const std::int64_t first = years.front();
    metrics.Columns.assign(baseline != nullptr ? kAllColumns : kBaseColumns, std::vector<double>(n, kNaN));
    auto& columns = metrics.Columns;
    auto at = [first](TYear year) { return static_cast<std::size_t>(std::int64_t{year} - first); };
    // Writes a series of points into two columns, scaled by `scale`, and
    // optionally the length of the scaled point into a third.
    auto put = [&](const TCentroids& series, std::size_t xColumn, std::size_t yColumn, double scale,
                   std::size_t distanceColumn = kAllColumns) {
        for (const auto& [year, point] : series.GetEntries()) {
            const double x = scale * point.X();
            const double y = scale * point.Y();
            columns[xColumn][at(year)] = x;
            columns[yColumn][at(year)] = y;
            if (distanceColumn != kAllColumns)
                columns[distanceColumn][at(year)] = std::hypot(x, y);
        }
    };

    for (std::size_t i = 0; i < n; ++i) {
        columns[TotalPopulation][i] = TCentroidTools::SumPopulations(patches, years[i]);
        columns[OccupiedPatches][i] =
            static_cast<double>(TCentroidTools::GetNonzeroPoints(patches, years[i]).size());
    }

    const auto weighted = TCentroidTools::WeightedMeans(patches);
    put(*weighted, CentroidXGrid, CentroidYGrid, 1.0);
    put(*weighted, CentroidXKm, CentroidYKm, r);
    put(*TCentroidTools::Means(patches), MeanXGrid, MeanYGrid, 1.0);

    auto shifts = TCentroidTools::GetRangeCoordShifts(*weighted, options.BurnIn);
    const auto& smoothing = options.Smoothing;
    if ((smoothing.Kind == TSmoothing::TKind::MovingAverage || smoothing.Kind == TSmoothing::TKind::Median) &&
        static_cast<std::size_t>(smoothing.Window) > shifts->GetNumYears())
        throw std::runtime_error("smoothing window " + std::to_string(smoothing.Window) + " is larger than the " +
                                 std::to_string(shifts->GetNumYears()) + " years of range shifts");
    put(*Smooth(smoothing, std::move(shifts)), ShiftXKm, ShiftYKm, r, ShiftDistanceKm);
    put(*Smooth(smoothing, TCentroidTools::GetYearlyRangeCoordShifts(*weighted)), YearlyShiftXKm, YearlyShiftYKm, r,
        YearlyShiftDistanceKm);

    const char axis = options.Axis;
    put(*TCentroidTools::GetSubpopulationWeightedMeans(patches, options.Edge, axis, true), EdgeLowXGrid,
        EdgeLowYGrid, 1.0);
    put(*TCentroidTools::GetSubpopulationWeightedMeans(patches, options.Edge, axis, false), EdgeHighXGrid,
        EdgeHighYGrid, 1.0);

    const std::vector<double> areas = TCentroidTools::GetMCPAreas(patches);
    for (std::size_t i = 0; i < n && i < areas.size(); ++i) {
        // No occupied patch is no range, not a range of area 0.
        if (columns[OccupiedPatches][i] == 0.0)
            continue;
        columns[McpAreaGrid2][i] = areas[i];
        columns[McpAreaKm2][i] = areas[i] * r * r;
    }

    if (baseline != nullptr) {
        if (baseline->GetYearList() != years)
            throw std::runtime_error("the years " + YearRange(years) + " differ from the baseline's years " +
                                     YearRange(baseline->GetYearList()) + " (--compare needs the same years)");
        put(*TCentroidTools::GetDiffs(*weighted, *baseline), BaselineDiffXKm, BaselineDiffYKm, r);
        put(*TCentroidTools::GetPropInitialRangeCoordShifts(*baseline, *weighted, options.BurnIn),
            PropInitialShiftXPct, PropInitialShiftYPct, 1.0);
        put(*TCentroidTools::GetPropYearlyRangeCoordShifts(*baseline, *weighted), PropYearlyShiftXPct,
            PropYearlyShiftYPct, 1.0);
    }
    return metrics;
}

} // namespace quorvel
