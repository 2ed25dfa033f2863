#include "analysis/TCentroidTools.h"

#include "testlib/PatchFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

using quorvel::TCentroidTools;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TPoint;
using quorvel::TYear;

namespace {

using quorvel::testing::MakePatches;
using quorvel::testing::TPatchSpec;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One patch per location, all holding population 1 in year 1, named in the
// given order so that name order and location order can disagree.
std::unique_ptr<TPatches> Occupied(const std::vector<std::pair<std::string, TPoint>>& named)
{
    std::vector<TPatchSpec> specs;
    for (const auto& [name, location] : named)
        specs.push_back({name, location.X(), location.Y(), {{1, 1.0}}});
    return MakePatches(specs);
}

} // namespace

TEST(TCentroidToolsMCP, NonzeroPointsAreTheOccupiedLocationsInNameOrder)
{
    const auto patches = MakePatches({{"e", 5, 5, {{7, 2}}},
                                      {"a", 1, 1, {{7, 0.5}}},
                                      {"zero", 2, 2, {{7, 0}}},
                                      {"negative", 3, 3, {{7, -1}}},
                                      {"nan", 4, 4, {{7, kNaN}}},
                                      {"other year", 6, 6, {{8, 9}}},
                                      {"c", 7, 7, {{6, 1}, {7, 1e-300}}}});
    EXPECT_EQ(TCentroidTools::GetNonzeroPoints(*patches, 7), (std::vector<TPoint>{{1, 1}, {7, 7}, {5, 5}}));
    EXPECT_TRUE(TCentroidTools::GetNonzeroPoints(*patches, 9).empty());
}

TEST(TCentroidToolsMCP, AreaIsThatOfTheTrueHullWhateverTheNames)
{
    // columns: what the set shows, occupied locations, expected area
    struct Case {
        const char* what;
        std::vector<TPoint> locations;
        double area;
    };
    const Case cases[] = {
        {"no patch", {}, 0},
        {"one patch", {{2, 3}}, 0},
        {"two patches", {{0, 0}, {3, 4}}, 0},
        {"collinear", {{0, 0}, {2, 2}, {1, 1}, {3, 3}}, 0},
        {"unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1},
        {"triangle", {{4, 0}, {0, 0}, {0, 3}}, 6},
        {"square with inner and edge patches", {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}, {1, 0}, {0, 1.5}}, 4},
    };
    for (const Case& c : cases) {
        std::vector<std::size_t> naming(c.locations.size());
        for (std::size_t i = 0; i < naming.size(); ++i)
            naming[i] = i;
        // Every assignment of names, hence every visiting order.
        do {
            std::vector<std::pair<std::string, TPoint>> named;
            for (std::size_t i = 0; i < naming.size(); ++i)
                named.emplace_back(std::string(1, static_cast<char>('a' + naming[i])), c.locations[i]);
            EXPECT_NEAR(TCentroidTools::GetMCPArea(*Occupied(named), 1), c.area, 1e-12) << c.what;
        } while (std::next_permutation(naming.begin(), naming.end()));
    }
}

TEST(TCentroidToolsMCP, AreaCountsOccupiedPatchesOnlyAndIgnoresResolution)
{
    auto patches = MakePatches({{"a", 0, 0, {{1, 1}, {2, 1}}},
                                {"b", 4, 0, {{1, 1}, {2, 0}}},
                                {"c", 0, 3, {{1, 1}, {2, 1}}},
                                {"d", 10, 10, {{1, 0}, {2, 1}}},
                                {"e", kNaN, 50, {{1, 1}, {2, 1}}}});
    patches->SetResolution(1000.0);
    EXPECT_NEAR(TCentroidTools::GetMCPArea(*patches, 1), 6.0, 1e-12);
    EXPECT_NEAR(TCentroidTools::GetMCPArea(*patches, 2), 15.0, 1e-12);
    EXPECT_EQ(TCentroidTools::GetMCPArea(*patches, 3), 0.0);
}

TEST(TCentroidToolsMCP, AreasGiveEachYearOfTheListAsTheOneYearFormDoes)
{
    // Years 3 and 4 are held by nobody; year 5 by one patch only.
    const auto small = MakePatches({{"a", 0, 0, {{1, 1}, {2, 1}}},
                                    {"b", 1, 0, {{1, 1}, {2, 1}, {5, 1}}},
                                    {"c", 1, 1, {{1, 1}}},
                                    {"d", 0, 1, {{1, 1}, {2, 1}}}});
    const std::vector<double> expected{1, 0.5, 0, 0, 0};
    const std::vector<double> smallAreas = TCentroidTools::GetMCPAreas(*small);
    ASSERT_EQ(smallAreas.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(smallAreas[i], expected[i], 1e-12) << "year " << 1 + i;
    EXPECT_TRUE(TCentroidTools::GetMCPAreas(TPatches()).empty());

    // Random collections on small grids (repeated and collinear locations),
    // patches with year gaps, empty patches and patches without a location.
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        std::uniform_int_distribution<int> coordinate(-3 - round, 3 + round), population(-1, 2), years(0, 6);
        std::vector<TPatchSpec> specs;
        for (int i = 0; i < 80; ++i) {
            // Appended rather than "P" + ...: g++ 12 warns falsely (-Wrestrict) on that form.
            std::string name = "P";
            name += std::to_string(i);
            TPatchSpec spec{name, static_cast<double>(coordinate(random)),
                           static_cast<double>(coordinate(random)), {}};
            if (i % 17 == 0)
                spec.x = kNaN;
            if (i % 19 == 0)
                spec.y = kNaN;
            const int held = years(random);
            for (int k = 0; k < held; ++k)
                spec.years.emplace_back(static_cast<TYear>(1990 + years(random) * 2), population(random));
            specs.push_back(spec);
        }
        const auto patches = MakePatches(specs);
        const std::vector<TYear> yearList = TCentroidTools::MakeYearList(*patches);
        const std::vector<double> areas = TCentroidTools::GetMCPAreas(*patches);
        ASSERT_EQ(areas.size(), yearList.size());
        for (std::size_t i = 0; i < yearList.size(); ++i)
            EXPECT_EQ(areas[i], TCentroidTools::GetMCPArea(*patches, yearList[i])) << "round " << round;
    }
}
