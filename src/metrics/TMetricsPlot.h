#pragma once

#include "metrics/TRangeMetrics.h"
#include "model/TYear.h"

#include <string>
#include <vector>

namespace quorvel {

// What the figure shows of one model.
struct TPlotSeries {
    std::string Name;
    std::vector<TYear> Years;
    std::vector<double> CentroidX; // grid units
    std::vector<double> CentroidY;
    std::vector<double> ShiftDistanceKm;
    std::vector<double> AreaKm2;
};

// The figure of a run: three panels side by side, each with one line per
// model in the same colour, and a legend of the models below them.
//   1. the weighted centroid's path on the grid (equal scales on both axes;
//      an open circle marks the first year, a filled one the last);
//   2. the shift distance from the reference year, in km, over the years;
//   3. the minimum convex polygon area, in km², over the years.
// Missing values break a line rather than drawing it through zero.
class TMetricsPlot {
public:
    static TPlotSeries MakeSeries(std::string name, const TModelMetrics& metrics);
    // The SVG document. `shiftNote` is added to the shift panel's title
    // (the smoothing, say); empty for none.
    static std::string Render(const std::vector<TPlotSeries>& models, const std::string& shiftNote = "");
    // Renders and writes the file; throws std::runtime_error naming it.
    static void Write(const std::string& path, const std::vector<TPlotSeries>& models,
                      const std::string& shiftNote = "");
};

} // namespace quorvel
