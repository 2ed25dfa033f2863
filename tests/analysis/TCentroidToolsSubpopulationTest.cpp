#include "analysis/TCentroidTools.h"

#include "testlib/PatchFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
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
using quorvel::testing::SameDouble;
using quorvel::testing::TPatchSpec;

// Appended rather than "P" + ...: g++ 12 warns falsely (-Wrestrict) on that form.
std::string PatchName(int number)
{
    std::string name = "P";
    name += std::to_string(number);
    return name;
}


constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The selection sort the order is defined by, run as plainly as it reads.
std::vector<std::string> PlainSelectionSort(const TPatches& patches, char axis)
{
    std::vector<std::string> names;
    std::vector<double> values;
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        names.push_back(name);
        values.push_back(axis == 'X' ? patch->GetX() : patch->GetY());
    }
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        std::size_t smallest = i;
        for (std::size_t j = i + 1; j < values.size(); ++j)
            if (values[j] < values[smallest])
                smallest = j;
        std::swap(values[i], values[smallest]);
        std::swap(names[i], names[smallest]);
    }
    return names;
}

// (name, population) of every patch of a subpopulation in the year.
std::vector<std::pair<std::string, double>> Contents(const TPatches& patches, TYear year)
{
    std::vector<std::pair<std::string, double>> contents;
    for (const auto& [name, patch] : patches.GetPatchMap())
        contents.emplace_back(name, patch->GetYear(year));
    return contents;
}

// Three patches up the y axis, named against that order.
std::unique_ptr<TPatches> ThreeRows()
{
    return MakePatches({{"C", 10, 1, {{2000, 10}}}, {"B", 20, 2, {{2000, 20}}}, {"A", 30, 3, {{2000, 30}}}}, 2.5);
}

} // namespace

TEST(TCentroidToolsSubpopulation, SortOnOrdinatePicksTheAxisAndReplaysTheSelectionSort)
{
    // The swap at step 0 moves A behind B although their x are equal.
    const auto ties = MakePatches({{"A", 1, 0, {}}, {"B", 1, 0, {}}, {"C", 0, 0, {}}});
    EXPECT_EQ(TCentroidTools::SortOnOrdinate(*ties, 'X'), (std::vector<std::string>{"C", "B", "A"}));

    const auto patches = MakePatches({{"A", 3, 1, {}}, {"B", 2, 3, {}}, {"C", 1, 2, {}}});
    EXPECT_EQ(TCentroidTools::SortOnOrdinate(*patches, 'X'), (std::vector<std::string>{"C", "B", "A"}));
    // Only an upper-case X means x.
    for (const char axis : {'Y', 'y', 'x', 'Z'})
        EXPECT_EQ(TCentroidTools::SortOnOrdinate(*patches, axis), (std::vector<std::string>{"A", "C", "B"})) << axis;

    EXPECT_TRUE(TCentroidTools::SortOnOrdinate(TPatches(), 'X').empty());
    EXPECT_EQ(TCentroidTools::SortOnOrdinate(*MakePatches({{"only", kNaN, kNaN, {}}}), 'X'),
              std::vector<std::string>{"only"});
}

TEST(TCentroidToolsSubpopulation, SortOnOrdinateMatchesPlainSelectionSortWithTiesNaNAndSignedZeros)
{
    std::mt19937 random(99);
    // Few distinct values so that ties are everywhere; NaN and both zeros
    // are drawn often.
    const double pool[] = {kNaN, -0.0, 0.0, 1.0, -1.0, 2.5, kNaN, -0.0, 0.0, 7.0};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1);
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> count(0, round < 250 ? 12 : 300);
        std::vector<TPatchSpec> specs;
        const int n = count(random);
        for (int i = 0; i < n; ++i)
            specs.push_back({PatchName(1000 + i), pool[pick(random)], pool[pick(random)], {}});
        const auto patches = MakePatches(specs);
        for (const char axis : {'X', 'Y'})
            ASSERT_EQ(TCentroidTools::SortOnOrdinate(*patches, axis), PlainSelectionSort(*patches, axis))
                << "round " << round << ", axis " << axis;
    }
}

TEST(TCentroidToolsSubpopulation, GetSubpopulationTakesPatchesUntilTheTargetIsReached)
{
    const auto patches = ThreeRows();
    const auto order = TCentroidTools::SortOnOrdinate(*patches, 'Y');
    ASSERT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    using Contents_ = std::vector<std::pair<std::string, double>>;
    // columns: proportion, year, walk from the low end, expected (name, population)
    struct Case {
        double proportion;
        TYear year;
        bool fromLow;
        Contents_ expected;
    };
    const Case cases[] = {
        {0.5, 2000, true, {{"B", 20}, {"C", 10}}}, // lands on the target exactly: B whole
        {0.5, 2000, false, {{"A", 30}}},
        {0.4, 2000, true, {{"B", 14}, {"C", 10}}}, // B only up to the target
        {0.4, 2000, false, {{"A", 24}}},
        {2.0, 2000, true, {{"A", 30}, {"B", 20}, {"C", 10}}},
        {2.0, 2000, false, {{"A", 30}, {"B", 20}, {"C", 10}}},
        {0.0, 2000, true, {}},
        {-0.5, 2000, false, {}},
        {0.5, 1999, true, {}},
    };
    for (const Case& c : cases) {
        const auto sub = TCentroidTools::GetSubpopulation(*patches, order, c.proportion, c.year, c.fromLow);
        EXPECT_EQ(Contents(*sub, c.year), c.expected) << c.proportion << (c.fromLow ? " from low" : " from high");
        EXPECT_EQ(sub->GetResolution(), 1.0);
    }
    // A copy keeps the location and holds the chosen year only.
    const auto sub = TCentroidTools::GetSubpopulation(*MakePatches({{"P", 4, 5, {{1, 1}, {2, 2}}}}),
                                                      std::vector<std::string>{"P"}, 1.0, 2, true);
    const TPatch* copy = sub->GetPatch("P");
    EXPECT_EQ(copy->GetLocation(), TPoint(4, 5));
    EXPECT_EQ(copy->GetYearList(), std::vector<TYear>{2});
}

TEST(TCentroidToolsSubpopulation, GetSubpopulationSkipsPatchesWithoutTheYearAndRejectsUnknownNames)
{
    const auto patches = MakePatches({{"low", 0, 0, {{2000, 5}}},
                                      {"gap", 0, 1, {{1999, 100}}},
                                      {"mid", 0, 2, {{2000, 5}}},
                                      {"top", 0, 3, {{2000, 10}}}});
    const std::vector<std::string> order{"low", "gap", "mid", "top"};
    // Target 10: "gap" holds no 2000 and adds nothing; "mid" completes it.
    const auto sub = TCentroidTools::GetSubpopulation(*patches, order, 0.5, 2000, true);
    EXPECT_EQ(Contents(*sub, 2000), (std::vector<std::pair<std::string, double>>{{"low", 5}, {"mid", 5}}));

    EXPECT_THROW(
        {
            try {
                TCentroidTools::GetSubpopulation(*patches, {"low", "nowhere"}, 1.0, 2000, true);
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Patch does not exist");
                throw;
            }
        },
        std::runtime_error);
    // The walk stops once the target is reached, before the unknown name.
    EXPECT_NO_THROW(TCentroidTools::GetSubpopulation(*patches, {"top", "nowhere"}, 0.5, 2000, true));
}

TEST(TCentroidToolsSubpopulation, SubpopulationCentroidsGiveOneEntryPerYear)
{
    // x runs against y so that a wrong axis shows; 2001 is held by nobody.
    const auto patches = MakePatches({{"C", 30, 1, {{2000, 10}, {2002, 0}}},
                                      {"B", 20, 2, {{2000, 20}, {2002, 0}}},
                                      {"A", 10, 3, {{2000, 30}, {2002, 0}}}});
    const auto weighted = TCentroidTools::GetSubpopulationWeightedMeans(*patches, 0.4, 'Y', true);
    const auto means = TCentroidTools::GetSubpopulationMeans(*patches, 0.4, 'Y', true);
    ASSERT_EQ(weighted->GetYearList(), (std::vector<TYear>{2000, 2001, 2002}));
    ASSERT_EQ(means->GetYearList(), (std::vector<TYear>{2000, 2001, 2002}));
    EXPECT_EQ(weighted->GetName(), "");

    // 2000 takes C (10) and 14 of B.
    EXPECT_DOUBLE_EQ(weighted->GetCoords(2000).X(), (30.0 * 10 + 20.0 * 14) / 24);
    EXPECT_DOUBLE_EQ(weighted->GetCoords(2000).Y(), (1.0 * 10 + 2.0 * 14) / 24);
    EXPECT_DOUBLE_EQ(means->GetCoords(2000).X(), 25.0);
    EXPECT_DOUBLE_EQ(means->GetCoords(2000).Y(), 1.5);
    for (const TYear empty : {2001, 2002}) {
        EXPECT_TRUE(std::isnan(weighted->GetCoords(empty).X()) && std::isnan(weighted->GetCoords(empty).Y()));
        EXPECT_TRUE(std::isnan(means->GetCoords(empty).X()) && std::isnan(means->GetCoords(empty).Y()));
    }

    const auto fromHigh = TCentroidTools::GetSubpopulationWeightedMeans(*patches, 0.4, 'Y', false);
    EXPECT_EQ(fromHigh->GetCoords(2000), TPoint(10, 3));
    // Along x from the low end, A (x = 10) comes first.
    const auto alongX = TCentroidTools::GetSubpopulationMeans(*patches, 0.4, 'X', true);
    EXPECT_EQ(alongX->GetCoords(2000), TPoint(10, 3));

    EXPECT_TRUE(TCentroidTools::GetSubpopulationWeightedMeans(TPatches(), 0.5, 'X', true)->IsEmpty());
}

TEST(TCentroidToolsSubpopulation, SubpopulationCentroidsEqualTheYearByYearDefinitionBitForBit)
{
    // The series are computed without building a collection per year; this
    // holds them to GetSubpopulation followed by the one-year centroid.
    std::mt19937 random(31);
    const double coordinates[] = {kNaN, -0.0, 0.0, 0.1, 1.0, 2.7, -3.3, 1e9};
    const double populations[] = {kNaN, 0.0, -2.0, 0.3, 1.0, 7.0, 1e-3, 40.5};
    std::uniform_int_distribution<std::size_t> pickCoordinate(0, std::size(coordinates) - 1);
    std::uniform_int_distribution<std::size_t> pickPopulation(0, std::size(populations) - 1);
    std::uniform_int_distribution<int> years(0, 8);
    std::uniform_int_distribution<int> patchCount(0, 40);
    for (int round = 0; round < 60; ++round) {
        std::vector<TPatchSpec> specs;
        const int n = patchCount(random);
        for (int i = 0; i < n; ++i) {
            TPatchSpec spec{PatchName(100 + i), coordinates[pickCoordinate(random)],
                           coordinates[pickCoordinate(random)], {}};
            const int held = years(random);
            for (int k = 0; k < held; ++k) {
                double population = populations[pickPopulation(random)];
                // NaN and negative populations in every third round only:
                // a NaN ends the walk, which would hide the other cases.
                if (round % 3 != 0 && (std::isnan(population) || population < 0))
                    population = 5.0;
                spec.years.emplace_back(static_cast<TYear>(1990 + years(random)), population);
            }
            specs.push_back(spec);
        }
        const auto patches = MakePatches(specs);
        for (const double proportion : {0.0, 0.25, 0.5, 0.9, 1.0, 1.5, -0.5}) {
            for (const char axis : {'X', 'Y'}) {
                for (const bool fromLow : {true, false}) {
                    SCOPED_TRACE(testing::Message() << "round " << round << ", proportion " << proportion << ", axis "
                                                    << axis << (fromLow ? ", from low" : ", from high"));
                    const auto order = TCentroidTools::SortOnOrdinate(*patches, axis);
                    const auto weighted =
                        TCentroidTools::GetSubpopulationWeightedMeans(*patches, proportion, axis, fromLow);
                    const auto means = TCentroidTools::GetSubpopulationMeans(*patches, proportion, axis, fromLow);
                    const std::vector<TYear> yearList = TCentroidTools::MakeYearList(*patches);
                    ASSERT_EQ(weighted->GetYearList(), yearList);
                    ASSERT_EQ(means->GetYearList(), yearList);
                    for (const TYear year : yearList) {
                        const auto sub = TCentroidTools::GetSubpopulation(*patches, order, proportion, year, fromLow);
                        const TPoint expectedWeighted = TCentroidTools::WeightedMeans(*sub, year);
                        const TPoint expectedMeans = TCentroidTools::Means(*sub, year);
                        const TPoint gotWeighted = weighted->GetCoords(year);
                        const TPoint gotMeans = means->GetCoords(year);
                        EXPECT_TRUE(SameDouble(gotWeighted.X(), expectedWeighted.X()) &&
                                    SameDouble(gotWeighted.Y(), expectedWeighted.Y()))
                            << year << ": " << gotWeighted.X() << ", " << gotWeighted.Y() << " against "
                            << expectedWeighted.X() << ", " << expectedWeighted.Y();
                        EXPECT_TRUE(SameDouble(gotMeans.X(), expectedMeans.X()) &&
                                    SameDouble(gotMeans.Y(), expectedMeans.Y()))
                            << year << ": " << gotMeans.X() << ", " << gotMeans.Y() << " against "
                            << expectedMeans.X() << ", " << expectedMeans.Y();
                    }
                }
            }
        }
    }
}
