#include "metrics/TMetricsCommandLine.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TMetricsCommandLine;
using quorvel::TMetricsOptions;
using TKind = quorvel::TMetricsOptions::TSmoothing::TKind;

namespace {

TMetricsOptions Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "quorvel-metrics");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    TMetricsCommandLine commandLine;
    return commandLine.Parse(static_cast<int>(argv.size()), argv.data());
}

TEST(TMetricsCommandLine, Defaults)
{
    const TMetricsOptions options = Parse({"a.mp", "b.mp.gz", "-"});
    EXPECT_EQ((std::vector<std::string>{"a.mp", "b.mp.gz", "-"}), options.Files);
    EXPECT_EQ(0, options.StartYear);
    EXPECT_FALSE(options.Resolution.has_value());
    EXPECT_EQ(0, options.BurnIn);
    EXPECT_EQ(0, options.Threshold);
    EXPECT_EQ(TKind::None, options.Smoothing.Kind);
    EXPECT_EQ(0.1, options.Edge);
    EXPECT_EQ('X', options.Axis);
    EXPECT_EQ("", options.Compare);
    EXPECT_EQ(TMetricsOptions::TFormat::Csv, options.Format);
    EXPECT_EQ("", options.Output);
    EXPECT_EQ("", options.Plot);
    EXPECT_EQ(0u, options.Jobs);
}

TEST(TMetricsCommandLine, EveryOption)
{
    const TMetricsOptions options =
        Parse({"--start-year", "-21000", "--resolution", "2.5", "--burn-in", "3", "--threshold", "2", "--smooth",
               "median:5", "--edge", "0.25", "--axis", "Y", "--compare", "base.mp", "--format", "jsonl", "--output",
               "t.jsonl", "--plot", "f.svg", "--jobs", "3", "m.mp"});
    EXPECT_EQ((std::vector<std::string>{"m.mp"}), options.Files);
    EXPECT_EQ(-21000, options.StartYear);
    EXPECT_EQ(2.5, options.Resolution.value_or(0.0));
    EXPECT_EQ(3, options.BurnIn);
    EXPECT_EQ(2, options.Threshold);
    EXPECT_EQ(TKind::Median, options.Smoothing.Kind);
    EXPECT_EQ(5, options.Smoothing.Window);
    EXPECT_EQ(0.25, options.Edge);
    EXPECT_EQ('Y', options.Axis);
    EXPECT_EQ("base.mp", options.Compare);
    EXPECT_EQ(TMetricsOptions::TFormat::Jsonl, options.Format);
    EXPECT_EQ("t.jsonl", options.Output);
    EXPECT_EQ("f.svg", options.Plot);
    EXPECT_EQ(3u, options.Jobs);
    EXPECT_EQ(TMetricsOptions::TFormat::Tsv, Parse({"--format", "tsv", "m.mp"}).Format);
}

TEST(TMetricsCommandLine, UsageErrors)
{
    const std::vector<std::vector<std::string>> kCases = {
        {},
        {"--edge", "0", "m.mp"},
        {"--edge", "1.5", "m.mp"},
        {"--edge", "many", "m.mp"},
        {"--resolution", "0", "m.mp"},
        {"--resolution", "nan", "m.mp"},
        {"--burn-in", "-1", "m.mp"},
        {"--threshold", "-2", "m.mp"},
        {"--jobs", "0", "m.mp"},
        {"--smooth", "sma", "m.mp"},
        {"--smooth", "lowess:3", "m.mp"},
        {"--smooth", "exp:0", "m.mp"},
        {"--axis", "z", "m.mp"},
        {"--format", "xml", "m.mp"},
        {"--start-year", "3000000000", "m.mp"},
        {"--unknown", "m.mp"},
    };
    for (const auto& args : kCases)
        EXPECT_THROW(Parse(args), CLI::ParseError) << ::testing::PrintToString(args);
    // --help and --version are "errors" that exit with 0.
    for (const char* flag : {"--help", "--version"}) {
        try {
            Parse({flag});
            ADD_FAILURE() << flag;
        } catch (const CLI::ParseError& error) {
            EXPECT_EQ(0, error.get_exit_code()) << flag;
        }
    }
}

} // namespace
