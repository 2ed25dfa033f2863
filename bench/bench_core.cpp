// Micro-benchmarks of the hot paths of a run: reading an MP file, number
// conversion, the yearly weighted centroids, patch cleaning, range shifts
// and smoothing. Inputs are made here, deterministically.

#include "analysis/TCentroidTools.h"
#include "mp/TLineReader.h"
#include "mp/TMPParser.h"
#include "mp/TTextToNumber.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

// An MP file of `patches` patches and `years` years with value lines of the
// usual "mean sd min max" form.
std::string MakeModelText(int patches, int years)
{
    std::mt19937_64 random(1);
    std::string text = "Cell length 2.5 km\n";
    char line[96];
    for (int p = 1; p <= patches; ++p) {
        std::snprintf(line, sizeof line, "Pop %d,%d,%d,100,hab.KCH\n", p, p % 200, p / 200);
        text += line;
    }
    text += "Migration\nPop. ALL\n";
    for (int y = 0; y < years; ++y)
        text += "1000.0000 10.0000 900.0000 1100.0000\n";
    for (int p = 1; p <= patches; ++p) {
        std::snprintf(line, sizeof line, "Pop. %d\n", p);
        text += line;
        for (int y = 0; y < years; ++y) {
            const double mean = static_cast<double>(random() % 5000000) / 1e4;
            std::snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f\n", mean, mean / 10, mean * 0.9, mean * 1.1);
            text += line;
        }
    }
    return text;
}

std::unique_ptr<TPatches> MakeModel(int patches, int years)
{
    std::istringstream input(MakeModelText(patches, years));
    return TMPParser::LoadMP(input, 2000);
}

std::unique_ptr<TCentroids> MakeSeries(int years)
{
    std::mt19937_64 random(2);
    auto series = std::make_unique<TCentroids>("");
    for (int y = 0; y < years; ++y)
        series->SetCoords(2000 + y, TPoint(static_cast<double>(random() % 1000) / 7, static_cast<double>(random() % 1000) / 3));
    return series;
}

void BM_LoadMP(benchmark::State& state)
{
    const std::string text = MakeModelText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        // Straight from memory, as a file in the page cache is read.
        TLineReader reader(TLineReader::MemorySource(text));
        benchmark::DoNotOptimize(TMPParser::LoadMP(reader, 2000, "bench"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * state.range(1));
}
BENCHMARK(BM_LoadMP)->Args({3000, 100})->Args({30000, 100})->Unit(benchmark::kMillisecond);

void BM_ToDouble(benchmark::State& state)
{
    std::mt19937_64 random(3);
    std::vector<std::string> words;
    char word[32];
    for (int i = 0; i < 4096; ++i) {
        std::snprintf(word, sizeof word, "%.4f", static_cast<double>(random() % 50000000) / 1e4);
        words.emplace_back(word);
    }
    for (auto _ : state)
        for (const std::string& w : words)
            benchmark::DoNotOptimize(TTextToNumber::ToDouble(w));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(words.size()));
}
BENCHMARK(BM_ToDouble);

void BM_WeightedMeans(benchmark::State& state)
{
    const auto patches = MakeModel(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::WeightedMeans(*patches));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * state.range(1));
}
BENCHMARK(BM_WeightedMeans)->Args({30000, 100})->Unit(benchmark::kMillisecond);

void BM_CleanPatches(benchmark::State& state)
{
    const auto patches = MakeModel(30000, 100);
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::CleanPatches(*patches, 5));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 30000 * 100);
}
BENCHMARK(BM_CleanPatches)->Unit(benchmark::kMillisecond);

void BM_RangeShifts(benchmark::State& state)
{
    const auto series = MakeSeries(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::GetRangeCoordShifts(*series, 10));
}
BENCHMARK(BM_RangeShifts)->Arg(1000);

void BM_MovingAverage(benchmark::State& state)
{
    const auto series = MakeSeries(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::MovingAverage(*series, static_cast<std::int32_t>(state.range(0))));
}
BENCHMARK(BM_MovingAverage)->Arg(5)->Arg(50);

void BM_MedianSmoothing(benchmark::State& state)
{
    const auto series = MakeSeries(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::MedianSmoothing(*series, static_cast<std::int32_t>(state.range(0))));
}
BENCHMARK(BM_MedianSmoothing)->Arg(5)->Arg(50);

void BM_ExponentialSmoothing(benchmark::State& state)
{
    const auto series = MakeSeries(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(TCentroidTools::ExponentialSmoothing(*series, 0.25));
}
BENCHMARK(BM_ExponentialSmoothing);

} // namespace
