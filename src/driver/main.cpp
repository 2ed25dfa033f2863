// Quorvel: range shifts of a modelled population from one MP file.
//
// Exit status: 0 after a complete report, 1 after the usage message or any
// error (reported as one line on standard error).

#include "driver/TAnalysisRun.h"
#include "driver/TReport.h"
#include "driver/TRunSettings.h"

#include <cstdio>
#include <exception>
#include <new>

int main(int argc, char** argv)
{
    using namespace quorvel;
    auto fail = [](const char* message) {
        std::fputs(message, stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
        return 1;
    };
    try {
        const auto settings = TRunSettings::ParseCommandLine(argc, argv);
        if (!settings)
            return fail(TRunSettings::kUsage);
        TReport report(stdout, settings->Delimiter);
        TAnalysisRun::Execute(*settings, report);
        return 0;
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& error) {
        return fail(error.what());
    }
}
