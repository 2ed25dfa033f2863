#pragma once

#include "metrics/TMetricsOptions.h"

#include <CLI/CLI.hpp>

#include <string>

namespace quorvel {

// The command line of quorvel-metrics, described and checked by CLI11.
// Parse throws CLI::ParseError: CLI::CallForHelp and CLI::CallForVersion
// (exit code 0) for --help and --version, another error for a usage
// mistake; GetApp().exit(error) prints what CLI11 prints for it.
class TMetricsCommandLine {
public:
    TMetricsCommandLine();
    TMetricsCommandLine(const TMetricsCommandLine&) = delete;
    TMetricsCommandLine& operator=(const TMetricsCommandLine&) = delete;

    TMetricsOptions Parse(int argc, const char* const* argv);
    CLI::App& GetApp() { return app_; }

    static constexpr int kUsageStatus = 2;

private:
    CLI::App app_;
    TMetricsOptions options_;
    std::string smooth_;
    std::string axis_ = "x";
    std::string format_ = "csv";
    double resolution_ = 0.0;
    CLI::Option* resolutionOption_ = nullptr;
};

} // namespace quorvel
