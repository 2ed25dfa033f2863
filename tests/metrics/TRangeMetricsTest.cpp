#include "metrics/TRangeMetrics.h"

#include "model/TPatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TCentroids;
using quorvel::TMetricsOptions;
using quorvel::TModelMetrics;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TPoint;
using quorvel::TRangeMetrics;
using quorvel::TYear;
using C = quorvel::TRangeMetrics::TColumn;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TPatchData {
    const char* name;
    double x, y;
    std::vector<double> populations; // from 2000 on
};

std::unique_ptr<TPatches> MakePatches(const std::vector<TPatchData>& data, double resolution)
{
    auto patches = std::make_unique<TPatches>();
    patches->SetResolution(resolution);
    for (const auto& d : data) {
        auto patch = std::make_unique<TPatch>(d.name, "", d.x, d.y);
        for (std::size_t i = 0; i < d.populations.size(); ++i)
            patch->SetYear(2000 + static_cast<TYear>(i), d.populations[i]);
        patches->AddPatch(std::move(patch));
    }
    return patches;
}

// Four corners of a 10 x 10 square over 2000-2004, resolution 2; nobody
// lives anywhere in 2002. Worked out by hand below.
std::unique_ptr<TPatches> Corners()
{
    return MakePatches({{"A", 0, 0, {1, 1, 0, 1, 2}},
                        {"B", 10, 0, {1, 3, 0, 0, 2}},
                        {"C", 0, 10, {0, 0, 0, 2, 0}},
                        {"D", 10, 10, {2, 0, 0, 1, 0}}},
                       2.0);
}

// Expects the column over 2000-2004; NaN expects a missing value.
void ExpectColumn(const TModelMetrics& metrics, C column, const std::vector<double>& expected)
{
    ASSERT_EQ(expected.size(), metrics.Columns[column].size()) << "column " << column;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double actual = metrics.Columns[column][i];
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(actual)) << "column " << TRangeMetrics::ColumnNames(true)[column] << ", year "
                                            << 2000 + i << ": " << actual;
        else
            EXPECT_NEAR(expected[i], actual, 1e-12)
                << "column " << TRangeMetrics::ColumnNames(true)[column] << ", year " << 2000 + i;
    }
}

TEST(TRangeMetrics, CornersByHand)
{
    TMetricsOptions options;
    options.Edge = 0.5;
    const auto metrics = TRangeMetrics::Compute(*Corners(), options, nullptr);
    EXPECT_EQ((std::vector<TYear>{2000, 2001, 2002, 2003, 2004}), metrics.Years);
    EXPECT_EQ(static_cast<std::size_t>(C::kBaseColumns), metrics.Columns.size());
    const double r125 = std::sqrt(125.0);
    // 2002 has no population: counts are 0, every other value is missing.
    ExpectColumn(metrics, C::TotalPopulation, {4, 4, 0, 4, 4});
    ExpectColumn(metrics, C::OccupiedPatches, {3, 2, 0, 3, 2});
    ExpectColumn(metrics, C::CentroidXGrid, {7.5, 7.5, kNaN, 2.5, 5});
    ExpectColumn(metrics, C::CentroidYGrid, {5, 0, kNaN, 7.5, 0});
    ExpectColumn(metrics, C::CentroidXKm, {15, 15, kNaN, 5, 10});
    ExpectColumn(metrics, C::CentroidYKm, {10, 0, kNaN, 15, 0});
    ExpectColumn(metrics, C::MeanXGrid, {20.0 / 3, 5, kNaN, 10.0 / 3, 5});
    ExpectColumn(metrics, C::MeanYGrid, {10.0 / 3, 0, kNaN, 20.0 / 3, 0});
    // Reference minus the year's centroid, in km.
    ExpectColumn(metrics, C::ShiftXKm, {0, 0, kNaN, 10, 5});
    ExpectColumn(metrics, C::ShiftYKm, {0, 10, kNaN, -5, 10});
    ExpectColumn(metrics, C::ShiftDistanceKm, {0, 10, kNaN, r125, r125});
    // The year's centroid minus the year before's; none next to 2002.
    ExpectColumn(metrics, C::YearlyShiftXKm, {kNaN, 0, kNaN, kNaN, 5});
    ExpectColumn(metrics, C::YearlyShiftYKm, {kNaN, -10, kNaN, kNaN, -15});
    ExpectColumn(metrics, C::YearlyShiftDistanceKm, {kNaN, 10, kNaN, kNaN, std::sqrt(250.0)});
    // Half the population from each end along x (order A, C, B, D).
    // The patch that crosses half the total adds only what is missing.
    ExpectColumn(metrics, C::EdgeLowXGrid, {5, 5, kNaN, 0, 0});
    ExpectColumn(metrics, C::EdgeLowYGrid, {0, 0, kNaN, 5, 0});
    ExpectColumn(metrics, C::EdgeHighXGrid, {10, 10, kNaN, 5, 10});
    ExpectColumn(metrics, C::EdgeHighYGrid, {10, 0, kNaN, 10, 0});
    // Two occupied patches make a range of area 0; none make no range.
    ExpectColumn(metrics, C::McpAreaGrid2, {50, 0, kNaN, 50, 0});
    ExpectColumn(metrics, C::McpAreaKm2, {200, 0, kNaN, 200, 0});
}

TEST(TRangeMetrics, EdgesFollowTheAxis)
{
    // Along y the low half of 2000 is A and B (y = 0), the high half D.
    TMetricsOptions options;
    options.Edge = 0.5;
    options.Axis = 'Y';
    const auto metrics = TRangeMetrics::Compute(*Corners(), options, nullptr);
    EXPECT_EQ(5.0, metrics.Columns[C::EdgeLowXGrid][0]);
    EXPECT_EQ(0.0, metrics.Columns[C::EdgeLowYGrid][0]);
    EXPECT_EQ(10.0, metrics.Columns[C::EdgeHighXGrid][0]);
    EXPECT_EQ(10.0, metrics.Columns[C::EdgeHighYGrid][0]);
}

TEST(TRangeMetrics, BaselineColumns)
{
    // The baseline's centroid is this model's moved by (-1, +2) grid units.
    const auto patches = Corners();
    TMetricsOptions plain;
    const auto own = TRangeMetrics::Compute(*patches, plain, nullptr);
    TCentroids baseline("");
    for (std::size_t i = 0; i < own.Years.size(); ++i)
        baseline.SetCoords(own.Years[i], TPoint(own.Columns[C::CentroidXGrid][i] - 1.0,
                                                own.Columns[C::CentroidYGrid][i] + 2.0));
    const auto metrics = TRangeMetrics::Compute(*patches, plain, &baseline);
    ASSERT_EQ(static_cast<std::size_t>(C::kAllColumns), metrics.Columns.size());
    // This model minus the baseline, in km.
    ExpectColumn(metrics, C::BaselineDiffXKm, {2, 2, kNaN, 2, 2});
    ExpectColumn(metrics, C::BaselineDiffYKm, {-4, -4, kNaN, -4, -4});
    // | |R - c(y)| - |R - c(first)| | / |R - c(first)| in percent, R the
    // baseline's reference centroid (6.5, 7).
    ExpectColumn(metrics, C::PropInitialShiftXPct, {0, 0, kNaN, 300, 50});
    ExpectColumn(metrics, C::PropInitialShiftYPct, {0, 250, kNaN, 75, 250});
    // This model's yearly step over the gap baseline minus this (-1, 2).
    ExpectColumn(metrics, C::PropYearlyShiftXPct, {kNaN, 0, kNaN, kNaN, -250});
    ExpectColumn(metrics, C::PropYearlyShiftYPct, {kNaN, -250, kNaN, kNaN, -375});

    TCentroids shorter("");
    shorter.SetCoords(2000, TPoint(0, 0));
    try {
        TRangeMetrics::Compute(*patches, plain, &shorter);
        FAIL() << "no error for a baseline with other years";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("the years 2000 to 2004 differ from the baseline's years 2000 to 2000 (--compare needs the "
                     "same years)",
                     error.what());
    }
}

// Two patches, A always 1 and B (x = 10) 1, 3, 1, 0, 1: centroid x 5, 7.5,
// 5, 0, 5; shifts from 2000: 0, -2.5, 0, 5, 0; yearly: -, 2.5, -2.5, -5, 5.
std::unique_ptr<TPatches> Line()
{
    return MakePatches({{"A", 0, 0, {1, 1, 1, 1, 1}}, {"B", 10, 0, {1, 3, 1, 0, 1}}}, 1.0);
}

TEST(TRangeMetrics, SmoothingAndBurnIn)
{
    const struct {
        const char* smooth; // empty: none
        std::int32_t burnIn;
        std::vector<double> shift;
        std::vector<double> yearly;
    } kCases[] = {
        {"", 0, {0, -2.5, 0, 5, 0}, {kNaN, 2.5, -2.5, -5, 5}},
        {"", 2, {kNaN, kNaN, 0, 5, 0}, {kNaN, 2.5, -2.5, -5, 5}},
        {"sma:3", 0, {kNaN, -2.5 / 3, 2.5 / 3, 5.0 / 3, kNaN}, {kNaN, kNaN, -5.0 / 3, -2.5 / 3, kNaN}},
        // The yearly series has 4 entries: no window of 5 fits.
        {"sma:5", 0, {kNaN, kNaN, 0.5, kNaN, kNaN}, {kNaN, kNaN, kNaN, kNaN, kNaN}},
        {"median:3", 0, {kNaN, 0, 0, 0, kNaN}, {kNaN, kNaN, -2.5, -2.5, kNaN}},
        // Factor 2 / (3 + 1).
        {"exp:3", 0, {0, -1.25, -0.625, 2.1875, 1.09375}, {kNaN, 2.5, 0, -2.5, 1.25}},
    };
    for (const auto& c : kCases) {
        TMetricsOptions options;
        options.BurnIn = c.burnIn;
        if (*c.smooth)
            options.Smoothing = TMetricsOptions::TSmoothing::Parse(c.smooth);
        SCOPED_TRACE(std::string(c.smooth) + " burn-in " + std::to_string(c.burnIn));
        const auto metrics = TRangeMetrics::Compute(*Line(), options, nullptr);
        ExpectColumn(metrics, C::ShiftXKm, c.shift);
        ExpectColumn(metrics, C::YearlyShiftXKm, c.yearly);
        // The distance is the length of the smoothed shift.
        std::vector<double> distance;
        for (const double x : c.shift)
            distance.push_back(std::fabs(x));
        ExpectColumn(metrics, C::ShiftDistanceKm, distance);
        // Smoothing leaves the centroids alone.
        ExpectColumn(metrics, C::CentroidXGrid, {5, 7.5, 5, 0, 5});
    }
}

TEST(TRangeMetrics, Errors)
{
    const struct {
        const char* smooth;
        std::int32_t burnIn;
        const char* message;
    } kCases[] = {
        {"sma:6", 0, "smoothing window 6 is larger than the 5 years of range shifts"},
        {"median:4", 2, "smoothing window 4 is larger than the 3 years of range shifts"},
        {"", 5, "Range shifts: burn-in 5 is outside the allowed range 0 to 4 (the series has 5 years)"},
    };
    for (const auto& c : kCases) {
        TMetricsOptions options;
        options.BurnIn = c.burnIn;
        if (*c.smooth)
            options.Smoothing = TMetricsOptions::TSmoothing::Parse(c.smooth);
        try {
            TRangeMetrics::Compute(*Line(), options, nullptr);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(c.message, error.what());
        }
    }
    TPatches empty;
    EXPECT_THROW(TRangeMetrics::Compute(empty, TMetricsOptions(), nullptr), std::runtime_error);
}

TEST(TRangeMetrics, PrepareCleansAndSetsTheResolution)
{
    // A and B hold a population in two adjacent years, C and D never.
    TMetricsOptions options;
    auto patches = TRangeMetrics::Prepare(Corners(), options);
    EXPECT_EQ(4, patches->GetNumPatches());
    EXPECT_EQ(2.0, patches->GetResolution());
    options.Threshold = 2;
    options.Resolution = 0.5;
    patches = TRangeMetrics::Prepare(Corners(), options);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), patches->GetNames());
    EXPECT_EQ(0.5, patches->GetResolution());
    options.Threshold = 3;
    patches = TRangeMetrics::Prepare(Corners(), options);
    EXPECT_EQ((std::vector<std::string>{}), patches->GetNames());
    EXPECT_THROW(TRangeMetrics::Compute(*patches, options, nullptr), std::runtime_error);
}

} // namespace
