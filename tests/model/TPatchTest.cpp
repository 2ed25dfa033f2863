#include "model/TPatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using quorvel::TPatch;
using quorvel::TYear;

namespace {

using TModel = std::map<std::int32_t, double>;

constexpr TYear kMin = std::numeric_limits<TYear>::min();
constexpr TYear kMax = std::numeric_limits<TYear>::max();

std::vector<TYear> Years(const TModel& model)
{
    std::vector<TYear> years;
    for (const auto& entry : model)
        years.push_back(entry.first);
    return years;
}

// Compares every observable of the patch with the ordered-map model; probes
// are extra years to ask HasYear/GetYear about (held or not).
::testing::AssertionResult MatchesModel(const TPatch& patch, const TModel& model, const std::vector<TYear>& probes)
{
    if (patch.GetYearList() != Years(model))
        return ::testing::AssertionFailure() << "year list differs";
    if (patch.GetNumYears() != model.size())
        return ::testing::AssertionFailure() << "count " << patch.GetNumYears() << " vs " << model.size();
    const TYear expectedMin = model.empty() ? TPatch::kNoMinYear : model.begin()->first;
    const TYear expectedMax = model.empty() ? TPatch::kNoMaxYear : model.rbegin()->first;
    if (patch.GetMinYear() != expectedMin || patch.GetMaxYear() != expectedMax)
        return ::testing::AssertionFailure() << "bounds " << patch.GetMinYear() << ".." << patch.GetMaxYear()
                                             << " vs " << expectedMin << ".." << expectedMax;
    std::vector<std::pair<TYear, double>> visited;
    patch.ForEachYear([&](TYear year, double population) { visited.emplace_back(year, population); });
    if (visited != std::vector<std::pair<TYear, double>>(model.begin(), model.end()))
        return ::testing::AssertionFailure() << "ForEachYear differs";
    for (const auto& [year, population] : model) {
        if (!patch.HasYear(year))
            return ::testing::AssertionFailure() << "HasYear(" << year << ") false";
        if (patch.GetYear(year) != population)
            return ::testing::AssertionFailure() << "GetYear(" << year << ") = " << patch.GetYear(year) << " vs "
                                                 << population;
    }
    for (TYear year : probes) {
        const bool held = model.count(year) != 0;
        if (patch.HasYear(year) != held)
            return ::testing::AssertionFailure() << "HasYear(" << year << ") should be " << held;
        if (!held) {
            try {
                (void)patch.GetYear(year);
                return ::testing::AssertionFailure() << "GetYear(" << year << ") did not throw";
            } catch (const std::runtime_error&) {
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(TPatch, NewPatchHoldsNoYear)
{
    const TPatch patch("P", "info", 1, 2);
    EXPECT_EQ(patch.GetName(), "P");
    EXPECT_EQ(patch.GetInfo(), "info");
    EXPECT_EQ(patch.GetX(), 1.0);
    EXPECT_EQ(patch.GetY(), 2.0);
    EXPECT_FALSE(patch.HasYear(0));
    EXPECT_FALSE(patch.HasYear(2000));
    EXPECT_TRUE(patch.GetYearList().empty());
    EXPECT_EQ(patch.GetMinYear(), 99999999);
    EXPECT_EQ(patch.GetMaxYear(), 0);
    try {
        (void)patch.GetYear(2000);
        FAIL() << "GetYear on a patch without years must throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Year does not exist");
    }
}

TEST(TPatch, YearsAreOrderedAndReplaced)
{
    TPatch patch("P", "", 0, 0);
    patch.SetYear(2000, 3);
    patch.SetYear(1990, 4);
    EXPECT_EQ(patch.GetYearList(), (std::vector<TYear>{1990, 2000}));
    EXPECT_EQ(patch.GetMinYear(), 1990);
    EXPECT_EQ(patch.GetMaxYear(), 2000);
    EXPECT_FALSE(patch.HasYear(1995));
    EXPECT_THROW((void)patch.GetYear(1995), std::runtime_error);

    patch.SetYear(2000, 7);
    EXPECT_EQ(patch.GetYearList(), (std::vector<TYear>{1990, 2000}));
    EXPECT_EQ(patch.GetYear(2000), 7.0);

    patch.SetYear(1995, 0); // a zero population is a held year like any other
    EXPECT_TRUE(patch.HasYear(1995));
    EXPECT_EQ(patch.GetYear(1995), 0.0);
    EXPECT_EQ(patch.GetYearList(), (std::vector<TYear>{1990, 1995, 2000}));
}

// The bounds are those of the years held, whatever their sign or size; the
// start values 99999999/0 only describe a patch without years.
TEST(TPatch, BoundsOfASingleYear)
{
    // columns: the only year held
    const TYear cases[] = {-5, 0, 150000000, kMin, kMax};
    for (TYear year : cases) {
        SCOPED_TRACE(year);
        TPatch patch("P", "", 0, 0);
        patch.SetYear(year, 1);
        EXPECT_EQ(patch.GetMinYear(), year);
        EXPECT_EQ(patch.GetMaxYear(), year);
    }
}

TEST(TPatch, ShallowCloneKeepsIdentityWithoutYears)
{
    TPatch patch("Name", "Info text", 3.5, -4.25);
    patch.SetYear(1990, 1);
    const auto copy = patch.ShallowClone();
    EXPECT_EQ(copy->GetName(), "Name");
    EXPECT_EQ(copy->GetInfo(), "Info text");
    EXPECT_EQ(copy->GetX(), 3.5);
    EXPECT_EQ(copy->GetY(), -4.25);
    EXPECT_TRUE(copy->GetYearList().empty());
    EXPECT_FALSE(copy->HasYear(1990));
}

TEST(TPatch, CloneIsFullAndIndependent)
{
    TPatch patch("Name", "Info", 1, 2);
    patch.SetYear(1990, 1);
    patch.SetYear(1991, 2);
    patch.SetYear(1995, 3);
    const auto copy = patch.Clone();
    EXPECT_EQ(copy->GetName(), "Name");
    EXPECT_EQ(copy->GetInfo(), "Info");
    EXPECT_EQ(copy->GetLocation(), patch.GetLocation());
    EXPECT_TRUE(MatchesModel(*copy, {{1990, 1}, {1991, 2}, {1995, 3}}, {1989, 1992, 1996}));

    copy->SetYear(1990, 100);
    copy->SetYear(1992, 5);
    patch.SetYear(1993, 6);
    EXPECT_TRUE(MatchesModel(patch, {{1990, 1}, {1991, 2}, {1993, 6}, {1995, 3}}, {1992}));
    EXPECT_TRUE(MatchesModel(*copy, {{1990, 100}, {1991, 2}, {1992, 5}, {1995, 3}}, {1993}));
}

TEST(TPatch, DeepCloneMergesIntoTarget)
{
    TPatch source("S", "", 0, 0);
    source.SetYear(1990, 9);
    source.SetYear(1995, 3);
    TPatch target("T", "t", 5, 6);
    target.SetYear(1985, 1);
    target.SetYear(1990, 2);
    source.DeepClone(target);
    EXPECT_TRUE(MatchesModel(target, {{1985, 1}, {1990, 9}, {1995, 3}}, {1986, 1991, 1994}));
    EXPECT_EQ(target.GetMinYear(), 1985);
    EXPECT_EQ(target.GetMaxYear(), 1995);
    EXPECT_EQ(target.GetName(), "T");
    EXPECT_EQ(target.GetX(), 5.0);
    EXPECT_TRUE(MatchesModel(source, {{1990, 9}, {1995, 3}}, {1985}));

    source.DeepClone(source); // into itself: nothing changes
    EXPECT_TRUE(MatchesModel(source, {{1990, 9}, {1995, 3}}, {1985}));
}

// The run storage against std::map on random SetYear sequences. Years come
// from narrow ranges so that runs are created, extended at either end,
// merged and overwritten in every order; some ranges sit at the ends of the
// year type. SetYears and DeepClone are mixed in, as they promise to act as
// SetYear calls do.
TEST(TPatch, RunStorageBehavesLikeAnOrderedMap)
{
    // columns: lowest year, number of years in the range
    struct Range {
        std::int64_t low;
        std::int64_t size;
    };
    const Range ranges[] = {
        {0, 12}, {-6, 12}, {1990, 30}, {kMin, 10}, {std::int64_t{kMax} - 9, 10},
    };
    std::mt19937 random(424242);
    double nextValue = 0.0;
    for (int sequence = 0; sequence < 3000; ++sequence) {
        // One range, or a mix of all of them (runs far apart, both extremes).
        const bool mixed = sequence % 5 == 0;
        const Range& only = ranges[random() % std::size(ranges)];
        auto pickYear = [&]() -> TYear {
            const Range& range = mixed ? ranges[random() % std::size(ranges)] : only;
            return static_cast<TYear>(range.low + static_cast<std::int64_t>(random() % range.size));
        };
        std::vector<TYear> probes;
        for (const Range& range : mixed ? std::vector<Range>(std::begin(ranges), std::end(ranges))
                                        : std::vector<Range>{only}) {
            for (std::int64_t y = range.low - 1; y <= range.low + range.size; ++y)
                if (y >= kMin && y <= kMax)
                    probes.push_back(static_cast<TYear>(y));
        }

        TPatch patch("P", "", 0, 0);
        TModel model;
        const int operations = 1 + static_cast<int>(random() % 40);
        for (int op = 0; op < operations; ++op) {
            const unsigned kind = random() % 10;
            if (kind == 0) {
                // SetYears over a short run that stays inside the year type.
                const TYear first = pickYear();
                const std::size_t count = 1 + random() % 4;
                const auto room = static_cast<std::size_t>(std::int64_t{kMax} - first + 1);
                const std::size_t n = std::min(count, room);
                std::vector<double> values;
                for (std::size_t i = 0; i < n; ++i) {
                    values.push_back(nextValue);
                    model[static_cast<TYear>(first + static_cast<std::int64_t>(i))] = nextValue;
                    nextValue += 1.0;
                }
                patch.SetYears(first, values.data(), values.size());
            } else if (kind == 1 && op > 0) {
                // DeepClone of a copy merged into a small random patch.
                TPatch other("O", "", 0, 0);
                TModel otherModel;
                for (int i = 0; i < 3; ++i) {
                    const TYear year = pickYear();
                    other.SetYear(year, -nextValue);
                    otherModel[year] = -nextValue;
                    nextValue += 1.0;
                }
                patch.DeepClone(other);
                for (const auto& entry : model)
                    otherModel[entry.first] = entry.second;
                ASSERT_TRUE(MatchesModel(other, otherModel, probes)) << "DeepClone, sequence " << sequence;
                ASSERT_TRUE(MatchesModel(*patch.Clone(), model, probes)) << "Clone, sequence " << sequence;
                continue;
            } else {
                const TYear year = pickYear();
                const double value = kind == 2 ? 0.0 : nextValue;
                nextValue += 1.0;
                patch.SetYear(year, value);
                model[year] = value;
            }
            ASSERT_TRUE(MatchesModel(patch, model, probes)) << "sequence " << sequence << ", operation " << op;
        }
    }
}

// Hand-written orders that exercise each way a run changes, including the
// year on each side of the type's limits.
TEST(TPatch, RunStorageEdgeSequences)
{
    // columns: name, years set in order (population = position in the list)
    struct Case {
        const char* name;
        std::vector<TYear> years;
    };
    const Case cases[] = {
        {"descending merges at the front", {5, 4, 3, 2, 1}},
        {"gap closed from the left run", {1, 3, 2}},
        {"gap closed from the right run", {3, 1, 2, 0, 4}},
        {"three runs joined", {1, 5, 3, 2, 4}},
        {"extremes", {kMax, kMin, kMax - 1, kMin + 1, 0}},
        {"extremes joined from outside in", {kMin, kMin + 2, kMin + 1, kMax, kMax - 2, kMax - 1}},
        {"overwrite inside runs", {1, 2, 3, 2, 1, 3, 10, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPatch patch("P", "", 0, 0);
        TModel model;
        std::vector<TYear> probes;
        for (std::size_t i = 0; i < c.years.size(); ++i) {
            patch.SetYear(c.years[i], static_cast<double>(i));
            model[c.years[i]] = static_cast<double>(i);
            for (std::int64_t d = -1; d <= 1; ++d) {
                const std::int64_t y = std::int64_t{c.years[i]} + d;
                if (y >= kMin && y <= kMax)
                    probes.push_back(static_cast<TYear>(y));
            }
            ASSERT_TRUE(MatchesModel(patch, model, probes)) << "after " << i + 1 << " years";
        }
    }
}
