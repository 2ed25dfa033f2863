// quorvel-metrics: every range metric of many MP files as one tidy table.
//
// Exit status: 0 when every file was analysed, 1 when a file failed or the
// run could not go on, 2 for a usage error (CLI11's message).

#include "metrics/TMetricsCommandLine.h"
#include "metrics/TMetricsRun.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>

int main(int argc, char** argv)
{
    using namespace quorvel;
    std::ios::sync_with_stdio(false);
    TMetricsCommandLine commandLine;
    TMetricsOptions options;
    try {
        options = commandLine.Parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = commandLine.GetApp().exit(error);
        return status == 0 ? 0 : TMetricsCommandLine::kUsageStatus;
    }

    // The progress line is for a person watching; logs stay clean.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    bool progressShown = false;
    auto clearProgress = [&] {
        if (progressShown)
            std::fputs("\r\033[K", stderr);
        progressShown = false;
    };
    TMetricsRun::TCallbacks callbacks;
    callbacks.FileFailed = [&](const std::string& file, const std::string& reason) {
        clearProgress();
        // The reader's messages may start with the file name already.
        if (reason.compare(0, file.size() + 1, file + ":") == 0)
            std::fprintf(stderr, "quorvel-metrics: %s\n", reason.c_str());
        else
            std::fprintf(stderr, "quorvel-metrics: %s: %s\n", file.c_str(), reason.c_str());
    };
    if (terminal) {
        callbacks.Progress = [&](std::size_t finished, std::size_t total) {
            std::fprintf(stderr, "\r\033[Kquorvel-metrics: %zu of %zu files", finished, total);
            progressShown = true;
        };
    }
    try {
        const std::size_t failures = TMetricsRun::Execute(options, std::cout, callbacks);
        clearProgress();
        if (failures > 0)
            std::fprintf(stderr, "quorvel-metrics: %zu of %zu files failed\n", failures, options.Files.size());
        return failures > 0 ? 1 : 0;
    } catch (const std::bad_alloc&) {
        clearProgress();
        std::fputs("quorvel-metrics: out of memory\n", stderr);
    } catch (const std::exception& error) {
        clearProgress();
        std::fprintf(stderr, "quorvel-metrics: %s\n", error.what());
    }
    return 1;
}
