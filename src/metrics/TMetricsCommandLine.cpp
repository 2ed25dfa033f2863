#include "metrics/TMetricsCommandLine.h"

#include "metrics/TMetricsRun.h"

#include <cmath>
#include <stdexcept>

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "unknown"
#endif

namespace quorvel {

namespace {

// Checks a number before CLI11 converts it; the message for a failed check.
CLI::Validator NumberCheck(bool (*accept)(double), const char* requirement)
{
    return CLI::Validator(
        [accept, requirement](std::string& text) -> std::string {
            double value = 0.0;
            if (!CLI::detail::lexical_cast(text, value))
                return "\"" + text + "\" is not a number";
            return accept(value) ? std::string() : std::string(requirement);
        },
        "");
}

} // namespace

TMetricsCommandLine::TMetricsCommandLine()
    : app_("quorvel-metrics: every range metric of many MP files (metapopulation models) as one tidy table, one "
           "row per file and year, and optionally a figure.",
           "quorvel-metrics")
{
    app_.set_version_flag("--version", std::string("quorvel-metrics ") + QUORVEL_VERSION);
    app_.footer("Exit status: 0 when every file was analysed; 1 when a file failed (its rows are missing, the "
                "others are written; one line on standard error names it and the reason) or the run could not "
                "go on (baseline unreadable, table or figure not writable); 2 for a usage error.\n"
                "Numbers are exact (shortest round-trip form); a value that does not exist (a year without "
                "population, a year before the reference year or dropped by smoothing) is an empty cell, null "
                "in JSON.");

    app_.add_option("FILE", options_.Files,
                    "MP files to analyse, any number; a name ending in .gz is read through zlib without unpacking "
                    "it, - reads standard input (plain or gzip)")
        ->required()
        ->type_name("");
    app_.add_option("--start-year", options_.StartYear,
                    "calendar year of the first population value of every file (MP files carry no year numbers)")
        ->type_name("Y")
        ->default_str("0");
    resolutionOption_ = app_.add_option("--resolution", resolution_,
                                        "kilometres per grid unit for every file and the baseline, instead of each "
                                        "file's own (its first line containing \"km\"; 1 without one)")
                            ->type_name("KM")
                            ->default_str("each file's own")
                            ->check(NumberCheck([](double value) { return value > 0.0 && std::isfinite(value); },
                                               "must be above 0"));
    app_.add_option("--burn-in", options_.BurnIn,
                    "position of the reference year in each file's years: shifts are measured from year "
                    "start-year + B on, earlier years get empty shift cells")
        ->type_name("B")
        ->default_str("0")
        ->check(NumberCheck([](double value) { return value >= 0.0; }, "must be 0 or more"));
    app_.add_option("--threshold", options_.Threshold,
                    "patch cleaning: keep only patches holding a non-zero population in K adjacent years; 0 "
                    "keeps every patch")
        ->type_name("K")
        ->default_str("0")
        ->check(NumberCheck([](double value) { return value >= 0.0; }, "must be 0 or more"));
    app_.add_option("--smooth", smooth_,
                    "smooth both shift series (from the reference year and year to year): sma:W moving average "
                    "over W years, exp:W exponential smoothing with factor 2/(W+1), median:W moving median; "
                    "distances are those of the smoothed x and y; years the window drops get empty cells")
        ->type_name("sma:W|exp:W|median:W")
        ->default_str("none")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                try {
                    TMetricsOptions::TSmoothing::Parse(text);
                    return "";
                } catch (const std::invalid_argument& error) {
                    return error.what();
                }
            },
            ""));
    app_.add_option("--edge", options_.Edge,
                    "share of each year's population at each end of --axis whose weighted centroid is the low "
                    "edge and the high edge; above 0, at most 1")
        ->type_name("P")
        ->default_str("0.1")
        ->check(NumberCheck([](double value) { return value > 0.0 && value <= 1.0; }, "must be above 0 and at most 1"));
    app_.add_option("--axis", axis_, "axis along which patches are ordered for the edge centroids")
        ->type_name("x|y")
        ->default_str("x")
        ->transform(CLI::IsMember({"x", "y"}, CLI::ignore_case).description(""));
    app_.add_option("--compare", options_.Compare,
                    "MP file of a baseline model (read like FILE, same start year, cleaning and resolution, "
                    "same years required): adds baseline_diff_* (this model's weighted centroid minus the "
                    "baseline's, km) and the proportional shifts prop_initial_shift_* and prop_yearly_shift_* "
                    "(percent)")
        ->type_name("BASELINE")
        ->default_str("none");
    app_.add_option("--format", format_, "table format")
        ->type_name("csv|tsv|jsonl")
        ->default_str("csv")
        ->transform(CLI::IsMember({"csv", "tsv", "jsonl"}, CLI::ignore_case).description(""));
    app_.add_option("--output", options_.Output, "write the table to FILE instead of standard output")
        ->type_name("FILE")
        ->default_str("standard output");
    app_.add_option("--plot", options_.Plot,
                    "also draw an SVG figure: each model's centroid path on the grid, shift distance and range "
                    "area over the years")
        ->type_name("FILE.svg")
        ->default_str("none");
    app_.add_option("--jobs", options_.Jobs,
                    "files analysed at once; the table is the same for any N, in the order the files were given")
        ->type_name("N")
        ->default_str("one per core, " + std::to_string(TMetricsRun::EffectiveJobs(0)) + " here")
        ->check(NumberCheck([](double value) { return value >= 1.0; }, "must be 1 or more"));
}

TMetricsOptions TMetricsCommandLine::Parse(int argc, const char* const* argv)
{
    app_.parse(argc, argv);
    TMetricsOptions options = options_;
    if (resolutionOption_->count() > 0)
        options.Resolution = resolution_;
    if (!smooth_.empty())
        options.Smoothing = TMetricsOptions::TSmoothing::Parse(smooth_);
    options.Axis = axis_ == "y" ? 'Y' : 'X';
    options.Format = format_ == "tsv"     ? TMetricsOptions::TFormat::Tsv
                     : format_ == "jsonl" ? TMetricsOptions::TFormat::Jsonl
                                          : TMetricsOptions::TFormat::Csv;
    return options;
}

} // namespace quorvel
