#include "analysis/TCentroidTools.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace quorvel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Fail(const std::string& message)
{
    throw std::runtime_error(message);
}

void RequireWindow(std::int32_t window, const char* operation)
{
    if (window < 1)
        Fail(std::string(operation) + ": smoothing window " + std::to_string(window) + " is below 1");
}

// Checks first <= position <= last for a position into a list of n entries,
// naming the allowed range in the message.
void RequireBurnIn(std::int32_t burnIn, std::int64_t last, const char* operation)
{
    if (last < 0)
        Fail(std::string(operation) + ": no year to analyse (the series is empty)");
    if (burnIn < 0 || burnIn > last)
        Fail(std::string(operation) + ": burn-in " + std::to_string(burnIn) + " is outside the allowed range 0 to " +
             std::to_string(last) + " (the series has " + std::to_string(last + 1) + " years)");
}

// Per-year accumulators over the year list [first, first + size).
struct TYearSums {
    std::vector<double> x, y, weight;
};

} // namespace

// ---------------------------------------------------------------------------
// Year list and population sums

std::vector<TYear> TCentroidTools::MakeYearList(const TPatches& patches)
{
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        if (patch->GetNumYears() == 0)
            continue;
        first = std::min<std::int64_t>(first, patch->GetMinYear());
        last = std::max<std::int64_t>(last, patch->GetMaxYear());
    }
    std::vector<TYear> years;
    if (first > last)
        return years;
    years.reserve(static_cast<std::size_t>(last - first + 1));
    for (std::int64_t year = first; year <= last; ++year)
        years.push_back(static_cast<TYear>(year));
    return years;
}

double TCentroidTools::SumPopulations(const TPatches& patches, TYear year)
{
    double sum = 0.0;
    for (const auto& [name, patch] : patches.GetPatchMap())
        if (patch->HasYear(year))
            sum += patch->GetYear(year);
    return sum;
}

// ---------------------------------------------------------------------------
// Yearly centroids

TPoint TCentroidTools::WeightedMeans(const TPatches& patches, TYear year)
{
    double sumX = 0.0, sumY = 0.0, total = 0.0;
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        if (!patch->HasYear(year))
            continue;
        const double population = patch->GetYear(year);
        sumX += patch->GetX() * population;
        sumY += patch->GetY() * population;
        total += population;
    }
    if (total == 0.0)
        return TPoint(kNaN, kNaN);
    return TPoint(sumX / total, sumY / total);
}

std::unique_ptr<TCentroids> TCentroidTools::WeightedMeans(const TPatches& patches)
{
    // One pass over each patch's contiguous years instead of one look-up per
    // patch per year. Patches are visited in name order, so every year's sums
    // are formed in the same order as the one-year form forms them.
    const std::vector<TYear> years = MakeYearList(patches);
    auto centroids = std::make_unique<TCentroids>("");
    if (years.empty())
        return centroids;
    const TYear first = years.front();
    std::vector<double> sumX(years.size(), 0.0), sumY(years.size(), 0.0), total(years.size(), 0.0);
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        const double x = patch->GetX();
        const double y = patch->GetY();
        patch->ForEachYear([&](TYear year, double population) {
            const auto i = static_cast<std::size_t>(std::int64_t{year} - first);
            sumX[i] += x * population;
            sumY[i] += y * population;
            total[i] += population;
        });
    }
    for (std::size_t i = 0; i < years.size(); ++i) {
        if (total[i] == 0.0)
            centroids->SetCoords(years[i], TPoint(kNaN, kNaN));
        else
            centroids->SetCoords(years[i], TPoint(sumX[i] / total[i], sumY[i] / total[i]));
    }
    return centroids;
}

TPoint TCentroidTools::Means(const TPatches& patches, TYear year)
{
    double sumX = 0.0, sumY = 0.0;
    std::int64_t count = 0;
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        if (!patch->HasYear(year) || !(patch->GetYear(year) > 0.0))
            continue;
        sumX += patch->GetX();
        sumY += patch->GetY();
        ++count;
    }
    if (count == 0)
        return TPoint(kNaN, kNaN);
    return TPoint(sumX / static_cast<double>(count), sumY / static_cast<double>(count));
}

std::unique_ptr<TCentroids> TCentroidTools::Means(const TPatches& patches)
{
    const std::vector<TYear> years = MakeYearList(patches);
    auto centroids = std::make_unique<TCentroids>("");
    if (years.empty())
        return centroids;
    const TYear first = years.front();
    std::vector<double> sumX(years.size(), 0.0), sumY(years.size(), 0.0);
    std::vector<std::int64_t> count(years.size(), 0);
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        const double x = patch->GetX();
        const double y = patch->GetY();
        patch->ForEachYear([&](TYear year, double population) {
            if (!(population > 0.0))
                return;
            const auto i = static_cast<std::size_t>(std::int64_t{year} - first);
            sumX[i] += x;
            sumY[i] += y;
            ++count[i];
        });
    }
    for (std::size_t i = 0; i < years.size(); ++i) {
        if (count[i] == 0)
            centroids->SetCoords(years[i], TPoint(kNaN, kNaN));
        else
            centroids->SetCoords(years[i], TPoint(sumX[i] / static_cast<double>(count[i]),
                                                  sumY[i] / static_cast<double>(count[i])));
    }
    return centroids;
}

// ---------------------------------------------------------------------------
// Patch cleaning

std::unique_ptr<TPatches> TCentroidTools::CleanPatches(const TPatches& patches, std::int32_t threshold)
{
    auto cleaned = std::make_unique<TPatches>();
    cleaned->SetResolution(patches.GetResolution());
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        // The longest run of adjacent non-zero entries in the patch's own
        // year list decides; years it does not hold are no gaps.
        bool qualifies = threshold == 0; // no entries to check: every patch passes
        std::int64_t run = 0;
        if (threshold > 0) {
            patch->ForEachYear([&](TYear, double population) {
                run = population != 0.0 ? run + 1 : 0;
                if (run >= threshold)
                    qualifies = true;
            });
        }
        if (qualifies)
            cleaned->AddPatch(patch->Clone());
    }
    return cleaned;
}

// ---------------------------------------------------------------------------
// Range coordinate shifts

std::unique_ptr<TCentroids> TCentroidTools::GetRangeCoordShifts(const TCentroids& centroids, std::int32_t burnIn)
{
    const auto& entries = centroids.GetEntries();
    RequireBurnIn(burnIn, static_cast<std::int64_t>(entries.size()) - 1, "Range shifts");
    const TPoint reference = entries[static_cast<std::size_t>(burnIn)].second;
    auto shifts = std::make_unique<TCentroids>("");
    for (std::size_t j = static_cast<std::size_t>(burnIn); j < entries.size(); ++j)
        shifts->SetCoords(entries[j].first, reference.Diff(entries[j].second));
    return shifts;
}

std::unique_ptr<TCentroids> TCentroidTools::GetYearlyRangeCoordShifts(const TCentroids& centroids)
{
    const auto& entries = centroids.GetEntries();
    if (entries.empty())
        Fail("Yearly range shifts: no year to analyse (the series is empty)");
    auto shifts = std::make_unique<TCentroids>("");
    for (std::size_t j = 1; j < entries.size(); ++j) {
        const TYear year = entries[j].first;
        // The calendar year before, looked up by value: a gap in the series
        // is an error, not a shift over two years.
        const TPoint previous = centroids.GetCoords(static_cast<TYear>(std::int64_t{year} - 1));
        shifts->SetCoords(year, entries[j].second.Diff(previous));
    }
    return shifts;
}

std::unique_ptr<TCentroids> TCentroidTools::GetDiffs(const TCentroids& a, const TCentroids& b)
{
    auto diffs = std::make_unique<TCentroids>("");
    for (const auto& [year, point] : a.GetEntries())
        diffs->SetCoords(year, point.Diff(b.GetCoords(year)));
    return diffs;
}

std::unique_ptr<TCentroids> TCentroidTools::GetDiffInitial(const TCentroids& a, const TCentroids& b,
                                                           std::int32_t burnIn)
{
    const auto& entries = b.GetEntries();
    const auto n = static_cast<std::int64_t>(entries.size());
    if (n == 0)
        Fail("Initial differences: no year to analyse (the series is empty)");
    if (burnIn < 0 || burnIn > n)
        Fail("Initial differences: burn-in " + std::to_string(burnIn) + " is outside the allowed range 0 to " +
             std::to_string(n));
    const std::size_t referenceAt = burnIn > 0 ? static_cast<std::size_t>(burnIn) - 1 : 0;
    const TPoint reference = a.GetCoords(entries[referenceAt].first);
    auto diffs = std::make_unique<TCentroids>("");
    for (std::size_t j = static_cast<std::size_t>(burnIn); j < entries.size(); ++j)
        diffs->SetCoords(entries[j].first, reference.Diff(entries[j].second));
    return diffs;
}

std::unique_ptr<TCentroids> TCentroidTools::GetPropInitialRangeCoordShifts(const TCentroids& a, const TCentroids& b,
                                                                          std::int32_t burnIn)
{
    RequireBurnIn(burnIn, static_cast<std::int64_t>(b.GetNumYears()) - 1, "Proportional initial shifts");
    const auto diffs = GetDiffInitial(a, b, burnIn);
    const TPoint& first = diffs->GetEntries().front().second;
    const double firstX = std::fabs(first.X());
    const double firstY = std::fabs(first.Y());
    auto shifts = std::make_unique<TCentroids>("");
    for (const auto& [year, point] : diffs->GetEntries()) {
        const double dx = std::fabs(std::fabs(point.X()) - firstX);
        const double dy = std::fabs(std::fabs(point.Y()) - firstY);
        shifts->SetCoords(year, TPoint(dx / firstX * 100.0, dy / firstY * 100.0));
    }
    return shifts;
}

std::unique_ptr<TCentroids> TCentroidTools::GetPropYearlyRangeCoordShifts(const TCentroids& a, const TCentroids& b)
{
    const auto diffs = GetDiffs(a, b);
    const auto yearly = GetYearlyRangeCoordShifts(b);
    auto shifts = std::make_unique<TCentroids>("");
    for (const auto& [year, step] : yearly->GetEntries()) {
        const TPoint gap = diffs->GetCoords(year);
        shifts->SetCoords(year, TPoint(step.X() / gap.X() * 100.0, step.Y() / gap.Y() * 100.0));
    }
    return shifts;
}

// ---------------------------------------------------------------------------
// Smoothing

std::unique_ptr<TCentroids> TCentroidTools::MovingAverage(const TCentroids& centroids, std::int32_t window)
{
    RequireWindow(window, "Moving average");
    const auto& entries = centroids.GetEntries();
    const auto w = static_cast<std::size_t>(window);
    const std::size_t middle = (w - 1) / 2;
    auto smoothed = std::make_unique<TCentroids>("");
    // Every window is summed afresh from its first entry: a running sum would
    // carry rounding from one window to the next.
    for (std::size_t i = 0; i + w <= entries.size(); ++i) {
        double sumX = 0.0, sumY = 0.0;
        for (std::size_t k = i; k < i + w; ++k) {
            sumX += entries[k].second.X();
            sumY += entries[k].second.Y();
        }
        smoothed->SetCoords(entries[i + middle].first,
                            TPoint(sumX / static_cast<double>(window), sumY / static_cast<double>(window)));
    }
    return smoothed;
}

std::unique_ptr<TCentroids> TCentroidTools::MedianSmoothing(const TCentroids& centroids, std::int32_t window)
{
    RequireWindow(window, "Median smoothing");
    const auto& entries = centroids.GetEntries();
    const auto w = static_cast<std::size_t>(window);
    const std::size_t middle = (w - 1) / 2;
    auto smoothed = std::make_unique<TCentroids>("");
    if (w > entries.size())
        return smoothed;
    std::vector<double> xs(w), ys(w);
    // The lower median of a window is its element of rank `middle` in the
    // order of a selection sort that takes a value only when strictly
    // smaller: ascending, with NaN never moving ahead of anything before it.
    // nth_element cannot reproduce where NaNs land, so the window is sorted
    // exactly that way.
    auto selectionSort = [w](std::vector<double>& values) {
        for (std::size_t a = 0; a + 1 < w; ++a) {
            std::size_t smallest = a;
            for (std::size_t j = a + 1; j < w; ++j)
                if (values[j] < values[smallest])
                    smallest = j;
            std::swap(values[a], values[smallest]);
        }
    };
    for (std::size_t i = 0; i + w <= entries.size(); ++i) {
        for (std::size_t k = 0; k < w; ++k) {
            xs[k] = entries[i + k].second.X();
            ys[k] = entries[i + k].second.Y();
        }
        selectionSort(xs);
        selectionSort(ys);
        smoothed->SetCoords(entries[i + middle].first, TPoint(xs[middle], ys[middle]));
    }
    return smoothed;
}

std::unique_ptr<TCentroids> TCentroidTools::ExponentialSmoothing(const TCentroids& centroids, double alpha)
{
    const auto& entries = centroids.GetEntries();
    auto smoothed = std::make_unique<TCentroids>("");
    if (entries.empty())
        return smoothed;
    TPoint previous = entries.front().second;
    smoothed->SetCoords(entries.front().first, previous);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const TPoint& observed = entries[i].second;
        previous = TPoint((observed.X() - previous.X()) * alpha + previous.X(),
                          (observed.Y() - previous.Y()) * alpha + previous.Y());
        smoothed->SetCoords(entries[i].first, previous);
    }
    return smoothed;
}

std::vector<double> TCentroidTools::MovingAverageSmoothing(std::vector<double> values, std::int32_t window)
{
    RequireWindow(window, "Moving average");
    const auto w = static_cast<std::size_t>(window);
    std::vector<double> smoothed;
    for (std::size_t i = 0; i + w <= values.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = i; k < i + w; ++k)
            sum += values[k];
        smoothed.push_back(sum / static_cast<double>(window));
    }
    return smoothed;
}

std::vector<double> TCentroidTools::ExponentialSmoothing(std::vector<double> values, double alpha)
{
    for (std::size_t i = 1; i < values.size(); ++i)
        values[i] = (values[i] - values[i - 1]) * alpha + values[i - 1];
    return values;
}

// ---------------------------------------------------------------------------
// Subpopulations by ordinate

// ---------------------------------------------------------------------------
// Minimum convex polygon areas

} // namespace quorvel
