#pragma once

#include "model/TCentroids.h"
#include "model/TPatches.h"
#include "model/TPoint.h"
#include "model/TYear.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// The centroid analyses: year lists, yearly centroids, patch cleaning, range
// shifts, smoothing, subpopulations along an axis and minimum convex polygon
// areas. Every operation reads its inputs only and returns new objects that
// the caller owns. Patches are always visited in name order, which fixes the
// order in which sums are formed.
//
// Errors are std::runtime_error with a one-line message. Besides the model's
// own ("Year does not exist.", ...), operations reject arguments that would
// make them read outside a series (a burn-in or window out of bounds, an
// empty series).
class TCentroidTools {
public:
    // --- Year list and population sums ---------------------------------
    // Every year from the earliest to the latest year that any patch holds,
    // gaps included. Patches without years take no part; no year gives an
    // empty list.
    static std::vector<TYear> MakeYearList(const TPatches& patches);
    static double SumPopulations(const TPatches& patches, TYear year);

    // --- Yearly centroids ------------------------------------------------
    // Population-weighted centroid of a year: NaN, NaN when the total
    // population of the year is 0.
    static TPoint WeightedMeans(const TPatches& patches, TYear year);
    // One weighted centroid per year of MakeYearList, in a series named "".
    static std::unique_ptr<TCentroids> WeightedMeans(const TPatches& patches);
    // Mean location of the patches with a population above 0: NaN, NaN when
    // there is none.
    static TPoint Means(const TPatches& patches, TYear year);
    static std::unique_ptr<TCentroids> Means(const TPatches& patches);

    // --- Patch cleaning --------------------------------------------------
    // Copies of the patches that hold a non-zero population in `threshold`
    // adjacent entries of their own year list; same resolution.
    static std::unique_ptr<TPatches> CleanPatches(const TPatches& patches, std::int32_t threshold);
    // The same result from a collection the caller gives up: the patches
    // that fail are dropped in place, so nothing is copied.
    static std::unique_ptr<TPatches> CleanPatches(std::unique_ptr<TPatches> patches, std::int32_t threshold);

    // --- Range coordinate shifts ----------------------------------------
    // R - C(y) for the years from position burnIn on, R = C at that position.
    static std::unique_ptr<TCentroids> GetRangeCoordShifts(const TCentroids& centroids, std::int32_t burnIn);
    // C(y) - C(y - 1) from the second year on.
    static std::unique_ptr<TCentroids> GetYearlyRangeCoordShifts(const TCentroids& centroids);
    // A(y) - B(y) for every year of A.
    static std::unique_ptr<TCentroids> GetDiffs(const TCentroids& a, const TCentroids& b);
    // R - B(y) from position burnIn of B's years on; R = A at position
    // burnIn - 1 (0 when burnIn is 0).
    static std::unique_ptr<TCentroids> GetDiffInitial(const TCentroids& a, const TCentroids& b, std::int32_t burnIn);
    static std::unique_ptr<TCentroids> GetPropInitialRangeCoordShifts(const TCentroids& a, const TCentroids& b,
                                                                      std::int32_t burnIn);
    static std::unique_ptr<TCentroids> GetPropYearlyRangeCoordShifts(const TCentroids& a, const TCentroids& b);

    // --- Smoothing -------------------------------------------------------
    // Mean of every full window of `window` entries, stored under the
    // window's middle year (the earlier one for even windows).
    static std::unique_ptr<TCentroids> MovingAverage(const TCentroids& centroids, std::int32_t window);
    // Median (the lower middle value for even windows) of every full window,
    // x and y independently.
    static std::unique_ptr<TCentroids> MedianSmoothing(const TCentroids& centroids, std::int32_t window);
    // s[0] = c[0]; s[i] = (c[i] - s[i-1]) * alpha + s[i-1].
    static std::unique_ptr<TCentroids> ExponentialSmoothing(const TCentroids& centroids, double alpha);
    static std::vector<double> MovingAverageSmoothing(std::vector<double> values, std::int32_t window);
    static std::vector<double> ExponentialSmoothing(std::vector<double> values, double alpha);

    // --- Subpopulations by ordinate --------------------------------------
    // Patch names ascending by x (axis 'X') or y (any other character), in
    // the order a selection sort over the name-ordered list gives.
    static std::vector<std::string> SortOnOrdinate(const TPatches& patches, char axis);
    // The patches that hold the first `proportion` of the year's total
    // population, walking `order` from its front (fromLow) or its back.
    static std::unique_ptr<TPatches> GetSubpopulation(const TPatches& patches, const std::vector<std::string>& order,
                                                      double proportion, TYear year, bool fromLow);
    static std::unique_ptr<TCentroids> GetSubpopulationWeightedMeans(const TPatches& patches, double proportion,
                                                                     char axis, bool fromLow);
    static std::unique_ptr<TCentroids> GetSubpopulationMeans(const TPatches& patches, double proportion, char axis,
                                                             bool fromLow);

    // --- Minimum convex polygon areas -------------------------------------
    // Locations of the patches with a population above 0 in the year, in
    // name order.
    static std::vector<TPoint> GetNonzeroPoints(const TPatches& patches, TYear year);
    // Area of the convex hull of those locations, in square grid units.
    static double GetMCPArea(const TPatches& patches, TYear year);
    static std::vector<double> GetMCPAreas(const TPatches& patches);
};

} // namespace quorvel
