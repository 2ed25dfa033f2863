#include "driver/TAnalysisRun.h"

#include "analysis/TCentroidTools.h"
#include "mp/TMPParser.h"

#include <stdexcept>

namespace quorvel {

namespace {

using TSmoothing = TRunSettings::TSmoothing;

std::unique_ptr<TCentroids> Smooth(const TRunSettings& settings, std::unique_ptr<TCentroids> shifts)
{
    switch (settings.MovingAverageType) {
    case TSmoothing::None:
        return shifts;
    case TSmoothing::SimpleMovingAverage: {
        auto smoothed = TCentroidTools::MovingAverage(*shifts, settings.WindowSize);
        if (smoothed->IsEmpty())
            throw std::runtime_error("Moving average: smoothing window " + std::to_string(settings.WindowSize) +
                                     " is larger than the " + std::to_string(shifts->GetNumYears()) +
                                     " years of range shifts");
        return smoothed;
    }
    case TSmoothing::Exponential:
        // The window sets the factor 2 / (window + 1); below 1 it is no window.
        if (settings.WindowSize < 1)
            throw std::runtime_error("Exponential smoothing: smoothing window " +
                                     std::to_string(settings.WindowSize) + " is below 1");
        return TCentroidTools::ExponentialSmoothing(*shifts, 2.0 / (static_cast<double>(settings.WindowSize) + 1.0));
    }
    return shifts;
}

} // namespace

void TAnalysisRun::Execute(const TRunSettings& settings, TReport& report)
{
    const auto Int = TReport::FormatInteger;
    const auto Real = TReport::FormatDouble;

    auto patches = TMPParser::LoadMP(settings.FileName, settings.StartYear);
    report.WriteLine(false, "Num patches loaded", Int(patches->GetNumPatches()));

    if (settings.PatchSizeThreshold > 0) {
        patches = TCentroidTools::CleanPatches(std::move(patches), settings.PatchSizeThreshold);
        report.WriteLine(false, "Patch size threshold", Int(settings.PatchSizeThreshold));
        report.WriteLine(false, "Num patches after cleaning", Int(patches->GetNumPatches()));
    }

    const double resolution = patches->GetResolution();
    report.WriteLine(false, "Resolution(km)", Real(resolution));

    const auto centroids = TCentroidTools::WeightedMeans(*patches);
    patches.reset();
    if (centroids->IsEmpty())
        throw std::runtime_error("No year to analyse: no patch holds a population in any year");

    auto shifts = Smooth(settings, TCentroidTools::GetRangeCoordShifts(*centroids, settings.BurnIn));

    report.WriteLine(false, "Total years", Int(static_cast<std::int64_t>(centroids->GetNumYears())));
    if (settings.BurnIn > 0)
        report.WriteLine(false, "Burn-in years", Int(settings.BurnIn));
    if (settings.MovingAverageType == TSmoothing::SimpleMovingAverage)
        report.WriteLine(false, "Simple moving average smoothing window", Int(settings.WindowSize));
    else if (settings.MovingAverageType == TSmoothing::Exponential)
        report.WriteLine(false, "Exponential smoothing window", Int(settings.WindowSize));

    const TPoint initial = centroids->GetCoords(shifts->GetEntries().front().first);
    report.WriteLine(true, "Initial Coords", Real(initial.X()), Real(initial.Y()));

    // Exactly 1.0 gives grid units only; any other value, NaN included, adds
    // kilometre columns.
    const bool kilometres = !(resolution == 1.0);
    if (kilometres)
        report.WriteLine(true, "Year", "X", "Y", "Year", "X(km)", "Y(km)");
    else
        report.WriteLine(false, "Year", "X", "Y");
    for (const auto& [year, shift] : shifts->GetEntries()) {
        const std::string yearText = Int(year);
        if (kilometres)
            report.WriteLine(false, yearText, Real(shift.X()), Real(shift.Y()), yearText,
                             Real(resolution * shift.X()), Real(resolution * shift.Y()));
        else
            report.WriteLine(false, yearText, Real(shift.X()), Real(shift.Y()));
    }
}

} // namespace quorvel
