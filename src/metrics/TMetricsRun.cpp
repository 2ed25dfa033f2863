#include "metrics/TMetricsRun.h"

#include "analysis/TCentroidTools.h"
#include "metrics/TMetricsPlot.h"
#include "metrics/TModelLoader.h"
#include "metrics/TOrderedParallel.h"
#include "metrics/TRangeMetrics.h"
#include "metrics/TTableWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorvel {

namespace {

struct TFileResult {
    bool Failed = false;
    std::string Text; // the rows, or the reason of the failure
    TPlotSeries Series;
};

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

unsigned TMetricsRun::EffectiveJobs(unsigned requested)
{
    if (requested > 0)
        return requested;
    return std::max(1u, std::thread::hardware_concurrency());
}

std::size_t TMetricsRun::Execute(const TMetricsOptions& options, std::ostream& standardOutput,
                                 const TCallbacks& callbacks)
{
    std::ofstream outputFile;
    std::string outputName = "standard output";
    if (!options.Output.empty()) {
        outputFile.open(options.Output, std::ios::binary | std::ios::trunc);
        if (!outputFile)
            throw std::runtime_error("cannot write the table to \"" + options.Output + "\": " +
                                     std::strerror(errno));
        outputName = "\"" + options.Output + "\"";
    }
    std::ostream& out = options.Output.empty() ? standardOutput : outputFile;
    auto write = [&](const std::string& text) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out)
            throw std::runtime_error("cannot write the table to " + outputName);
    };

    std::unique_ptr<TCentroids> baseline;
    if (!options.Compare.empty()) {
        try {
            const auto patches = TRangeMetrics::Prepare(TModelLoader::Load(options.Compare, options.StartYear), options);
            baseline = TCentroidTools::WeightedMeans(*patches);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            throw std::runtime_error("baseline " + options.Compare + ": " + OneLine(error.what()));
        }
    }

    const TTableWriter writer(options.Format, TRangeMetrics::ColumnNames(baseline != nullptr));
    write(writer.Header());

    const bool plot = !options.Plot.empty();
    const std::size_t total = options.Files.size();
    std::vector<TFileResult> results(total);
    std::vector<TPlotSeries> series;
    std::size_t failures = 0;

    auto work = [&](std::size_t i) {
        const std::string& file = options.Files[i];
        TFileResult& result = results[i];
        try {
            auto patches = TRangeMetrics::Prepare(TModelLoader::Load(file, options.StartYear), options);
            const TModelMetrics metrics = TRangeMetrics::Compute(*patches, options, baseline.get());
            patches.reset();
            result.Text = writer.Rows(file, metrics);
            if (plot)
                result.Series = TMetricsPlot::MakeSeries(file, metrics);
        } catch (const std::bad_alloc&) {
            result.Failed = true;
            result.Text = "out of memory";
        } catch (const std::exception& error) {
            result.Failed = true;
            result.Text = OneLine(error.what());
        }
    };
    auto emit = [&](std::size_t i) {
        TFileResult& result = results[i];
        if (result.Failed) {
            ++failures;
            if (callbacks.FileFailed)
                callbacks.FileFailed(options.Files[i], result.Text);
        } else {
            write(result.Text);
            if (plot)
                series.push_back(std::move(result.Series));
        }
        result = TFileResult(); // the rows are written: free them
    };
    auto progress = [&](std::size_t finished) {
        if (callbacks.Progress)
            callbacks.Progress(finished, total);
    };
    TOrderedParallel::Run(total, EffectiveJobs(options.Jobs), work, emit, progress);

    out.flush();
    if (!out)
        throw std::runtime_error("cannot write the table to " + outputName);
    if (plot)
        TMetricsPlot::Write(options.Plot, series, options.Smoothing.ToString());
    return failures;
}

} // namespace quorvel
