// Micro-benchmarks of the geometry behind the subpopulation and minimum
// convex polygon analyses. Run from a Release build:
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_BENCHMARKS=ON
//   cmake --build build-bench -j2 --target bench_geometry && ./build-bench/bench/bench_geometry
#include "analysis/TCentroidTools.h"
#include "model/TPatches.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

using quorvel::TCentroidTools;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TYear;

namespace {

// How patch coordinates are drawn.
enum class TLayout { Grid, Distinct, Equal };

// Patches named so that name order and location order are unrelated. On the
// 1000 x 1000 grid many coordinates are equal, as in real maps; Distinct
// draws real numbers; Equal puts every patch on one point (the most ties).
std::unique_ptr<TPatches> MakePatches(std::size_t count, std::size_t years, unsigned seed,
                                      TLayout layout = TLayout::Grid)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grid(0, 999);
    std::uniform_real_distribution<double> real(0.0, 1000.0);
    std::uniform_real_distribution<double> population(-50.0, 100.0); // about a third empty
    auto patches = std::make_unique<TPatches>();
    std::vector<double> populations(years);
    char name[16];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "P%08zu", (i * 7919) % count);
        double x = 0.0, y = 0.0;
        if (layout == TLayout::Grid) {
            x = grid(random);
            y = grid(random);
        } else if (layout == TLayout::Distinct) {
            x = real(random);
            y = real(random);
        }
        auto patch = std::make_unique<TPatch>(name, "", x, y);
        for (double& value : populations)
            value = std::max(0.0, population(random));
        patch->SetYears(2000, populations.data(), populations.size());
        patches->AddPatch(std::move(patch));
    }
    return patches;
}

const TPatches& MillionPatches(TLayout layout)
{
    static std::unique_ptr<TPatches> made[3];
    auto& patches = made[static_cast<int>(layout)];
    if (!patches)
        patches = MakePatches(1000000, 0, 1, layout);
    return *patches;
}

const TPatches& HundredThousandPatchesCenturyLong()
{
    static const auto patches = MakePatches(100000, 100, 2);
    return *patches;
}

// Argument: the layout (0 grid, 1 distinct, 2 all equal).
void BM_SortOnOrdinate_1M(benchmark::State& state)
{
    const TPatches& patches = MillionPatches(static_cast<TLayout>(state.range(0)));
    for (auto _ : state) {
        auto order = TCentroidTools::SortOnOrdinate(patches, 'X');
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * patches.GetNumPatches());
}
BENCHMARK(BM_SortOnOrdinate_1M)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Floor for the sort: one walk over the patches copying every name.
void BM_GetNames_1M(benchmark::State& state)
{
    const TPatches& patches = MillionPatches(TLayout::Grid);
    for (auto _ : state) {
        auto names = patches.GetNames();
        benchmark::DoNotOptimize(names.data());
    }
    state.SetItemsProcessed(state.iterations() * patches.GetNumPatches());
}
BENCHMARK(BM_GetNames_1M)->Unit(benchmark::kMillisecond);

void BM_GetMCPAreas_100k_100y(benchmark::State& state)
{
    const TPatches& patches = HundredThousandPatchesCenturyLong();
    for (auto _ : state) {
        auto areas = TCentroidTools::GetMCPAreas(patches);
        benchmark::DoNotOptimize(areas.data());
    }
    state.SetItemsProcessed(state.iterations() * patches.GetNumPatches() * 100);
}
BENCHMARK(BM_GetMCPAreas_100k_100y)->Unit(benchmark::kMillisecond);

// The one-year form on the same data, for comparison per year.
void BM_GetMCPArea_100k_oneYear(benchmark::State& state)
{
    const TPatches& patches = HundredThousandPatchesCenturyLong();
    TYear year = 2000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TCentroidTools::GetMCPArea(patches, year));
        year = year == 2099 ? 2000 : year + 1;
    }
    state.SetItemsProcessed(state.iterations() * patches.GetNumPatches());
}
BENCHMARK(BM_GetMCPArea_100k_oneYear)->Unit(benchmark::kMillisecond);

// Half the population from the low end along y, every year.
void BM_SubpopulationWeightedMeans_100k_100y(benchmark::State& state)
{
    const TPatches& patches = HundredThousandPatchesCenturyLong();
    for (auto _ : state) {
        auto centroids = TCentroidTools::GetSubpopulationWeightedMeans(patches, 0.5, 'Y', true);
        benchmark::DoNotOptimize(centroids.get());
    }
    state.SetItemsProcessed(state.iterations() * patches.GetNumPatches() * 100);
}
BENCHMARK(BM_SubpopulationWeightedMeans_100k_100y)->Unit(benchmark::kMillisecond);

} // namespace
