#include "analysis/TCentroidTools.h"

#include "testlib/PatchFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using quorvel::TCentroids;
using quorvel::TCentroidTools;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TPoint;
using quorvel::TYear;

namespace {

using quorvel::testing::SameDouble;
using quorvel::testing::TPatchSpec;

// The collection of the rows, held by value.
TPatches Collection(const std::vector<TPatchSpec>& specs)
{
    return std::move(*quorvel::testing::MakePatches(specs));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool SamePoint(const TPoint& a, const TPoint& b)
{
    return SameDouble(a.X(), b.X()) && SameDouble(a.Y(), b.Y());
}

// Populations of consecutive years from `first` on.
std::vector<std::pair<TYear, double>> YearRun(TYear first, const std::vector<double>& populations)
{
    std::vector<std::pair<TYear, double>> years;
    for (std::size_t i = 0; i < populations.size(); ++i)
        years.emplace_back(static_cast<TYear>(first + static_cast<TYear>(i)), populations[i]);
    return years;
}

// Populations 1 for every year of [first, last].
std::vector<std::pair<TYear, double>> Span(TYear first, TYear last)
{
    return YearRun(first, std::vector<double>(static_cast<std::size_t>(last - first + 1), 1.0));
}

// A series entry: year and point.
struct Entry {
    TYear year;
    double x;
    double y;
};

TCentroids MakeSeries(const std::vector<Entry>& entries)
{
    TCentroids series("series");
    for (const Entry& e : entries)
        series.SetCoords(e.year, TPoint(e.x, e.y));
    return series;
}

// Consecutive years from `first` on with the given x values and y = 0.
TCentroids SeriesOfX(TYear first, const std::vector<double>& xs)
{
    TCentroids series("series");
    for (std::size_t i = 0; i < xs.size(); ++i)
        series.SetCoords(static_cast<TYear>(first + static_cast<TYear>(i)), TPoint(xs[i], 0));
    return series;
}

::testing::AssertionResult SeriesIs(const TCentroids& actual, const std::vector<Entry>& expected)
{
    const auto& entries = actual.GetEntries();
    if (entries.size() != expected.size())
        return ::testing::AssertionFailure() << entries.size() << " entries, expected " << expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [year, point] = entries[i];
        if (year != expected[i].year || !SamePoint(point, TPoint(expected[i].x, expected[i].y)))
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << year << " (" << point.X() << ", " << point.Y() << "), expected "
                   << expected[i].year << " (" << expected[i].x << ", " << expected[i].y << ")";
    }
    return ::testing::AssertionSuccess();
}

std::vector<TYear> YearRange(TYear first, TYear last)
{
    std::vector<TYear> years;
    for (TYear y = first; y <= last; ++y)
        years.push_back(y);
    return years;
}

using quorvel::testing::ErrorOf;

} // namespace

// ---------------------------------------------------------------------------
// Year list and population sums

TEST(TCentroidTools, MakeYearListSpansAllPatchesWithYears)
{
    // columns: name, patches, expected year list
    struct Case {
        const char* name;
        std::vector<TPatchSpec> patches;
        std::vector<TYear> years;
    };
    const Case cases[] = {
        {"one patch", {{"A", 0, 0, Span(1990, 2000)}}, YearRange(1990, 2000)},
        {"wider patch second by name", {{"A", 0, 0, Span(1995, 2000)}, {"B", 0, 0, Span(1990, 2005)}},
         YearRange(1990, 2005)},
        {"wider patch first by name", {{"A", 0, 0, Span(1990, 2005)}, {"B", 0, 0, Span(1995, 2000)}},
         YearRange(1990, 2005)},
        {"gap between patches filled", {{"A", 0, 0, Span(1990, 1992)}, {"B", 0, 0, Span(1996, 1999)}},
         YearRange(1990, 1999)},
        {"gap inside a patch filled", {{"A", 0, 0, {{1990, 1}, {1995, 0}}}}, YearRange(1990, 1995)},
        {"patch without years ignored, negative years",
         {{"A", 0, 0, {}}, {"B", 0, 0, Span(-21000, -20990)}}, YearRange(-21000, -20990)},
        {"patch without years ignored, years above 99999999",
         {{"A", 0, 0, Span(150000000, 150000002)}, {"Z", 0, 0, {}}}, YearRange(150000000, 150000002)},
        {"no patch", {}, {}},
        {"only a patch without years", {{"A", 0, 0, {}}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCentroidTools::MakeYearList(Collection(c.patches)), c.years);
    }
}

TEST(TCentroidTools, SumPopulationsAddsHoldersOfTheYear)
{
    const TPatches patches = Collection({
        {"A", 0, 0, {{2000, 10}, {2001, 1}}},
        {"B", 0, 0, {{2000, -2}}},
        {"C", 0, 0, {{2000, 0}, {2002, 7}}},
    });
    EXPECT_EQ(TCentroidTools::SumPopulations(patches, 2000), 8.0);
    EXPECT_EQ(TCentroidTools::SumPopulations(patches, 2001), 1.0);
    EXPECT_EQ(TCentroidTools::SumPopulations(patches, 1999), 0.0);
    EXPECT_EQ(TCentroidTools::SumPopulations(TPatches(), 2000), 0.0);
}

// ---------------------------------------------------------------------------
// Yearly centroids

TEST(TCentroidTools, CentroidsOfOneYear)
{
    // columns: name, patches, expected weighted centroid of 2000, expected plain mean of 2000
    struct Case {
        const char* name;
        std::vector<TPatchSpec> patches;
        TPoint weighted;
        TPoint mean;
    };
    const Case cases[] = {
        {"two patches", {{"A", 0, 0, {{2000, 1}}}, {"B", 10, 0, {{2000, 3}}}}, TPoint(7.5, 0), TPoint(5, 0)},
        {"a zero population changes nothing",
         {{"A", 0, 0, {{2000, 1}}}, {"B", 10, 0, {{2000, 3}}}, {"C", 100, 100, {{2000, 0}}}}, TPoint(7.5, 0),
         TPoint(5, 0)},
        {"a patch lacking the year is ignored",
         {{"A", 0, 0, {{2000, 1}}}, {"B", 10, 0, {{2000, 3}}}, {"C", 100, 100, {{1999, 5}, {2001, 5}}}},
         TPoint(7.5, 0), TPoint(5, 0)},
        {"y weighted too", {{"A", 2, 4, {{2000, 1}}}, {"B", 2, 8, {{2000, 1}}}}, TPoint(2, 6), TPoint(2, 6)},
        {"nobody holds the year", {{"A", 1, 1, {{1999, 5}}}}, TPoint(kNaN, kNaN), TPoint(kNaN, kNaN)},
        {"every population 0", {{"A", 1, 1, {{2000, 0}}}, {"B", 3, 3, {{2000, 0}}}}, TPoint(kNaN, kNaN),
         TPoint(kNaN, kNaN)},
        {"populations cancel", {{"A", 1, 1, {{2000, 5}}}, {"B", 3, 3, {{2000, -5}}}}, TPoint(kNaN, kNaN),
         TPoint(1, 1)},
        {"only negative populations", {{"A", 1, 1, {{2000, -2}}}}, TPoint(1, 1), TPoint(kNaN, kNaN)},
        {"no patch", {}, TPoint(kNaN, kNaN), TPoint(kNaN, kNaN)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TPatches patches = Collection(c.patches);
        const TPoint weighted = TCentroidTools::WeightedMeans(patches, 2000);
        const TPoint mean = TCentroidTools::Means(patches, 2000);
        EXPECT_TRUE(SamePoint(weighted, c.weighted)) << weighted.X() << ", " << weighted.Y();
        EXPECT_TRUE(SamePoint(mean, c.mean)) << mean.X() << ", " << mean.Y();
    }
}

TEST(TCentroidTools, CentroidsOfAllYearsCoverTheYearList)
{
    const TPatches patches = Collection({
        {"A", 0, 0, {{2000, 1}, {2001, 1}, {2004, 2}}},
        {"B", 10, 2, {{2000, 3}, {2001, 0}}},
        {"C", 4, 4, {}},
    });
    const auto weighted = TCentroidTools::WeightedMeans(patches);
    const auto means = TCentroidTools::Means(patches);
    EXPECT_EQ(weighted->GetName(), "");
    EXPECT_EQ(means->GetName(), "");
    EXPECT_TRUE(SeriesIs(*weighted, {{2000, 7.5, 1.5},
                                     {2001, 0, 0},
                                     {2002, kNaN, kNaN},
                                     {2003, kNaN, kNaN},
                                     {2004, 0, 0}}));
    EXPECT_TRUE(SeriesIs(*means, {{2000, 5, 1}, {2001, 0, 0}, {2002, kNaN, kNaN}, {2003, kNaN, kNaN}, {2004, 0, 0}}));
    EXPECT_TRUE(TCentroidTools::WeightedMeans(TPatches())->IsEmpty());
    EXPECT_TRUE(TCentroidTools::Means(TPatches())->IsEmpty());
}

// The all-years forms are one-pass rewrites of the one-year forms: on random
// collections with gaps, zeros, negatives and cancelling sums, every year
// must agree bit for bit.
TEST(TCentroidTools, CentroidsOfAllYearsEqualOneYearForms)
{
    std::mt19937 random(7001);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
    for (int collection = 0; collection < 200; ++collection) {
        TPatches patches;
        const int count = 1 + static_cast<int>(random() % 12);
        for (int p = 0; p < count; ++p) {
            auto patch = std::make_unique<TPatch>("Pop " + std::to_string(random() % 40), "", coordinate(random),
                                                  coordinate(random));
            const int runs = static_cast<int>(random() % 4); // 0 runs: a patch without years
            for (int r = 0; r < runs; ++r) {
                const TYear first = 1990 + static_cast<TYear>(random() % 40);
                const int length = 1 + static_cast<int>(random() % 8);
                for (TYear y = first; y < first + length; ++y) {
                    double population = 0.0;
                    switch (random() % 6) {
                    case 0: break;
                    case 1: population = -std::floor(coordinate(random)); break;
                    case 2: population = 3.0; break;
                    default: population = std::fabs(coordinate(random)) / 7.0;
                    }
                    patch->SetYear(y, population);
                }
            }
            patches.AddPatch(std::move(patch));
        }
        const std::vector<TYear> years = TCentroidTools::MakeYearList(patches);
        const auto weighted = TCentroidTools::WeightedMeans(patches);
        const auto means = TCentroidTools::Means(patches);
        ASSERT_EQ(weighted->GetYearList(), years);
        ASSERT_EQ(means->GetYearList(), years);
        for (TYear year : years) {
            const TPoint w1 = TCentroidTools::WeightedMeans(patches, year);
            const TPoint w2 = weighted->GetCoords(year);
            ASSERT_TRUE(SamePoint(w1, w2)) << "collection " << collection << ", year " << year << ": one-year ("
                                           << w1.X() << ", " << w1.Y() << "), all-years (" << w2.X() << ", "
                                           << w2.Y() << ")";
            const TPoint m1 = TCentroidTools::Means(patches, year);
            const TPoint m2 = means->GetCoords(year);
            ASSERT_TRUE(SamePoint(m1, m2)) << "collection " << collection << ", year " << year;
        }
    }
}

// ---------------------------------------------------------------------------
// Patch cleaning

TEST(TCentroidTools, CleanPatchesNeedsAdjacentNonZeroEntries)
{
    // columns: name, the patch's (year, population) entries, threshold, kept
    struct Case {
        const char* name;
        std::vector<std::pair<TYear, double>> years;
        std::int32_t threshold;
        bool kept;
    };
    const Case cases[] = {
        {"three adjacent after a zero", YearRun(1990, {5, 0, 4, 4, 4}), 3, true},
        {"longest run two", YearRun(1990, {5, 5, 0, 4, 4}), 3, false},
        {"run restarts after a zero", YearRun(1990, {1, 0, 1}), 2, false},
        {"calendar gaps are no gaps", {{1990, 1}, {1991, 1}, {1995, 1}}, 3, true},
        {"one non-zero with threshold 1", YearRun(1990, {0, 0, 2}), 1, true},
        {"all zero with threshold 1", YearRun(1990, {0, 0, 0}), 1, false},
        {"negative counts as non-zero", YearRun(1990, {-2, 3}), 2, true},
        {"NaN counts as non-zero", YearRun(1990, {kNaN, 1}), 2, true},
        {"fewer years than the threshold", YearRun(1990, {1, 1}), 3, false},
        {"threshold 0 keeps all zeros", YearRun(1990, {0, 0}), 0, true},
        {"threshold 0 keeps a patch without years", {}, 0, true},
        {"no years with threshold 1", {}, 1, false},
        {"negative threshold keeps nothing", YearRun(1990, {5, 5, 5}), -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TPatches patches = Collection({{"P", 0, 0, c.years}});
        const auto cleaned = TCentroidTools::CleanPatches(patches, c.threshold);
        EXPECT_EQ(cleaned->PatchExists("P"), c.kept);
        EXPECT_EQ(cleaned->GetNumPatches(), c.kept ? 1 : 0);
        // The form that consumes its input keeps the same patches.
        const auto inPlace = TCentroidTools::CleanPatches(quorvel::testing::MakePatches({{"P", 0, 0, c.years}}, 3.0),
                                                          c.threshold);
        EXPECT_EQ(inPlace->PatchExists("P"), c.kept);
        EXPECT_EQ(inPlace->GetResolution(), 3.0);
    }
}

TEST(TCentroidTools, CleanPatchesReturnsCopiesWithTheResolution)
{
    TPatches patches = Collection({
        {"A", 1, 2, YearRun(2000, {1, 2, 3})},
        {"B", 3, 4, YearRun(2000, {1, 0, 3})},
        {"C", 5, 6, {{1990, 4}, {2010, 5}}},
    });
    patches.SetResolution(-2.5);
    const auto cleaned = TCentroidTools::CleanPatches(patches, 2);
    EXPECT_EQ(cleaned->GetResolution(), -2.5);
    ASSERT_EQ(cleaned->GetNames(), (std::vector<std::string>{"A", "C"}));
    TPatch* const copy = cleaned->GetPatch("A");
    EXPECT_NE(copy, patches.GetPatch("A"));
    EXPECT_EQ(copy->GetLocation(), TPoint(1, 2));
    EXPECT_EQ(copy->GetYearList(), (std::vector<TYear>{2000, 2001, 2002}));
    EXPECT_EQ(copy->GetYear(2001), 2.0);
    EXPECT_EQ(cleaned->GetPatch("C")->GetYearList(), (std::vector<TYear>{1990, 2010}));

    copy->SetYear(2001, 99);
    copy->SetYear(2003, 1);
    EXPECT_EQ(patches.GetPatch("A")->GetYear(2001), 2.0);
    EXPECT_FALSE(patches.GetPatch("A")->HasYear(2003));
    EXPECT_EQ(patches.GetNumPatches(), 3);
}

// ---------------------------------------------------------------------------
// Range coordinate shifts

TEST(TCentroidTools, RangeCoordShiftsAgainstTheBurnInYear)
{
    const TCentroids series = MakeSeries({{2000, 0, 5}, {2001, 1, 5}, {2002, 3, 4}, {2003, 6, 6}, {2004, 10, 5}});
    // columns: burn-in, expected shifts
    struct Case {
        std::int32_t burnIn;
        std::vector<Entry> shifts;
    };
    const Case cases[] = {
        {0, {{2000, 0, 0}, {2001, -1, 0}, {2002, -3, 1}, {2003, -6, -1}, {2004, -10, 0}}},
        {2, {{2002, 0, 0}, {2003, -3, -2}, {2004, -7, -1}}},
        {4, {{2004, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.burnIn);
        const auto shifts = TCentroidTools::GetRangeCoordShifts(series, c.burnIn);
        EXPECT_EQ(shifts->GetName(), "");
        EXPECT_TRUE(SeriesIs(*shifts, c.shifts));
    }
}

TEST(TCentroidTools, RangeCoordShiftsRejectABurnInOutsideTheSeries)
{
    const TCentroids series = SeriesOfX(2000, {0, 1, 3, 6, 10});
    // columns: series, burn-in
    struct Case {
        const TCentroids* series;
        std::int32_t burnIn;
    };
    const TCentroids empty("");
    const Case cases[] = {{&series, -1}, {&series, 5}, {&series, 1000}, {&empty, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.burnIn);
        const std::string message = ErrorOf([&] { (void)TCentroidTools::GetRangeCoordShifts(*c.series, c.burnIn); });
        EXPECT_NE(message, "(no exception)");
        if (!c.series->IsEmpty()) {
            EXPECT_NE(message.find("range"), std::string::npos) << message;
            EXPECT_NE(message.find('4'), std::string::npos) << "the last allowed burn-in: " << message;
        }
    }
}

TEST(TCentroidTools, YearlyRangeCoordShifts)
{
    const auto shifts = TCentroidTools::GetYearlyRangeCoordShifts(
        MakeSeries({{2000, 0, 1}, {2001, 1, 1}, {2002, 3, 0}, {2003, 6, 0}, {2004, 10, 2}}));
    EXPECT_TRUE(SeriesIs(*shifts, {{2001, 1, 0}, {2002, 2, -1}, {2003, 3, 0}, {2004, 4, 2}}));

    EXPECT_TRUE(TCentroidTools::GetYearlyRangeCoordShifts(SeriesOfX(2000, {7}))->IsEmpty());
    EXPECT_EQ(ErrorOf([] { (void)TCentroidTools::GetYearlyRangeCoordShifts(MakeSeries({{2000, 0, 0}, {2001, 1, 1},
                                                                                       {2003, 2, 2}})); }),
              "Year does not exist.");
    EXPECT_NE(ErrorOf([] { (void)TCentroidTools::GetYearlyRangeCoordShifts(TCentroids("")); }), "(no exception)");
}

TEST(TCentroidTools, DiffsYearByYear)
{
    const TCentroids a = MakeSeries({{2000, 1, 2}, {2001, 4, 8}});
    const TCentroids b = MakeSeries({{1999, 9, 9}, {2000, 0, 5}, {2001, 1, 1}});
    EXPECT_TRUE(SeriesIs(*TCentroidTools::GetDiffs(a, a), {{2000, 0, 0}, {2001, 0, 0}}));
    EXPECT_TRUE(SeriesIs(*TCentroidTools::GetDiffs(a, b), {{2000, 1, -3}, {2001, 3, 7}}));
    EXPECT_EQ(ErrorOf([&] { (void)TCentroidTools::GetDiffs(b, a); }), "Year does not exist.");
}

TEST(TCentroidTools, DiffInitialAgainstTheYearBeforeTheBurnIn)
{
    const TCentroids a = MakeSeries({{2000, 100, 50}, {2001, 200, 60}, {2002, 300, 70}, {2003, 0, 0}, {2004, 0, 0}});
    const TCentroids b = MakeSeries({{2000, 0, 0}, {2001, 1, 2}, {2002, 3, 4}, {2003, 6, 8}, {2004, 10, 16}});
    // columns: burn-in, expected differences
    struct Case {
        std::int32_t burnIn;
        std::vector<Entry> diffs;
    };
    const Case cases[] = {
        {0, {{2000, 100, 50}, {2001, 99, 48}, {2002, 97, 46}, {2003, 94, 42}, {2004, 90, 34}}},
        {2, {{2002, 197, 56}, {2003, 194, 52}, {2004, 190, 44}}},
        {5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.burnIn);
        EXPECT_TRUE(SeriesIs(*TCentroidTools::GetDiffInitial(a, b, c.burnIn), c.diffs));
    }
    EXPECT_NE(ErrorOf([&] { (void)TCentroidTools::GetDiffInitial(a, b, -1); }), "(no exception)");
    EXPECT_NE(ErrorOf([&] { (void)TCentroidTools::GetDiffInitial(a, b, 6); }), "(no exception)");
}

TEST(TCentroidTools, ProportionalShifts)
{
    // A(2000) - B(y) has x differences 2, 3, 1, -4 and y differences 4, 2, 6, 4.
    const TCentroids a = MakeSeries({{2000, 10, 10}, {2001, 0, 0}, {2002, 0, 0}, {2003, 0, 0}});
    const TCentroids b = MakeSeries({{2000, 8, 6}, {2001, 7, 8}, {2002, 9, 4}, {2003, 14, 6}});
    EXPECT_TRUE(SeriesIs(*TCentroidTools::GetPropInitialRangeCoordShifts(a, b, 0),
                         {{2000, 0, 0}, {2001, 50, 50}, {2002, 50, 50}, {2003, 100, 0}}));

    // B moves by (1, 2) in 2001, where A - B is (4, -8).
    const TCentroids a2 = MakeSeries({{2000, 0, 0}, {2001, 5, -6}});
    const TCentroids b2 = MakeSeries({{2000, 0, 0}, {2001, 1, 2}});
    EXPECT_TRUE(SeriesIs(*TCentroidTools::GetPropYearlyRangeCoordShifts(a2, b2), {{2001, 25, -25}}));
}

// ---------------------------------------------------------------------------
// Smoothing

TEST(TCentroidTools, MovingAverageOverFullWindows)
{
    const TCentroids series =
        MakeSeries({{2000, 1, 0}, {2001, 2, 0}, {2002, 3, 0}, {2003, 4, 3}, {2004, 10, 0}});
    // columns: window, expected smoothed series
    struct Case {
        std::int32_t window;
        std::vector<Entry> smoothed;
    };
    const Case cases[] = {
        {1, {{2000, 1, 0}, {2001, 2, 0}, {2002, 3, 0}, {2003, 4, 3}, {2004, 10, 0}}},
        {3, {{2001, 2, 0}, {2002, 3, 1}, {2003, (3.0 + 4.0 + 10.0) / 3.0, 1}}},
        {4, {{2001, 2.5, 0.75}, {2002, 4.75, 0.75}}},
        {5, {{2002, 4, 0.6}}},
        {6, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        EXPECT_TRUE(SeriesIs(*TCentroidTools::MovingAverage(series, c.window), c.smoothed));
    }
    EXPECT_NE(ErrorOf([&] { (void)TCentroidTools::MovingAverage(series, 0); }), "(no exception)");
    EXPECT_NE(ErrorOf([&] { (void)TCentroidTools::MovingAverage(series, -3); }), "(no exception)");
}

TEST(TCentroidTools, MedianSmoothingTakesTheLowerMiddle)
{
    // columns: name, series, window, expected smoothed series
    struct Case {
        const char* name;
        std::vector<Entry> series;
        std::int32_t window;
        std::vector<Entry> smoothed;
    };
    const Case cases[] = {
        {"odd window", {{2000, 5, 3}, {2001, 1, 7}, {2002, 9, 1}, {2003, 2, 1}}, 3, {{2001, 5, 3}, {2002, 2, 1}}},
        {"even window", {{2000, 4, 0}, {2001, 1, 0}, {2002, 3, 0}, {2003, 2, 0}}, 4, {{2001, 2, 0}}},
        {"window 1", {{2000, 4, 1}, {2001, 1, 2}}, 1, {{2000, 4, 1}, {2001, 1, 2}}},
        {"window longer than the series", {{2000, 4, 1}, {2001, 1, 2}}, 3, {}},
        {"empty series", {}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(SeriesIs(*TCentroidTools::MedianSmoothing(MakeSeries(c.series), c.window), c.smoothed));
    }
    EXPECT_NE(ErrorOf([] { (void)TCentroidTools::MedianSmoothing(SeriesOfX(2000, {1, 2, 3}), 0); }),
              "(no exception)");
}

TEST(TCentroidTools, ExponentialSmoothingOfASeries)
{
    EXPECT_TRUE(SeriesIs(*TCentroidTools::ExponentialSmoothing(MakeSeries({{2000, 0, 4}, {2001, 10, 0}, {2002, 10, 0}}),
                                                               0.5),
                         {{2000, 0, 4}, {2001, 5, 2}, {2002, 7.5, 1}}));
    EXPECT_TRUE(SeriesIs(*TCentroidTools::ExponentialSmoothing(MakeSeries({{1990, 3, -2}}), 0.5), {{1990, 3, -2}}));
    EXPECT_TRUE(TCentroidTools::ExponentialSmoothing(TCentroids(""), 0.5)->IsEmpty());
}

TEST(TCentroidTools, SmoothingOfValueSequences)
{
    using Values = std::vector<double>;
    // columns: values, window, expected moving averages
    struct Case {
        Values values;
        std::int32_t window;
        Values smoothed;
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, 3, {2, 3}},
        {{1, 2, 3, 4}, 1, {1, 2, 3, 4}},
        {{1, 2, 3, 4}, 4, {2.5}},
        {{1, 2, 3, 4}, 5, {}},
        {{}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        EXPECT_EQ(TCentroidTools::MovingAverageSmoothing(c.values, c.window), c.smoothed);
    }
    EXPECT_NE(ErrorOf([] { (void)TCentroidTools::MovingAverageSmoothing({1, 2}, 0); }), "(no exception)");

    EXPECT_EQ(TCentroidTools::ExponentialSmoothing(Values{0, 10, 10}, 0.5), (Values{0, 5, 7.5}));
    EXPECT_EQ(TCentroidTools::ExponentialSmoothing(Values{4}, 0.5), (Values{4}));
    EXPECT_TRUE(TCentroidTools::ExponentialSmoothing(Values{}, 0.5).empty());
}
