// libFuzzer target: one whole command-line run, from the argument vector to
// the last report line.
//
// Input layout:
//   byte 0        the number of arguments after the program name: (byte - '0') mod 10,
//                 so the digits '0' to '9' read as themselves
//   then          that many arguments, each ended by a NUL byte (an argument
//                 that the input ends inside runs to the end of the input)
//   the rest      the MP file
//
// Argument 1 (the file name) is replaced: the MP file is written to a file
// made once per process with mkstemp, and the run reads that file, except
// that the argument texts "(missing)" and "(directory)" name a file that
// does not exist and a directory, so that those errors are reached too. No
// other path is ever opened: a fuzzed path could name a device that never
// ends.
//
// The report goes to /dev/null. std::runtime_error is the run's documented
// error; anything else escapes and is a finding.

#include "driver/TAnalysisRun.h"
#include "driver/TReport.h"
#include "driver/TRunSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

struct TScratch {
    std::string path;
    int fd = -1;
    std::FILE* devNull = nullptr;

    TScratch()
    {
        char name[] = "/tmp/quorvel-fuzz-run-XXXXXX";
        fd = ::mkstemp(name);
        devNull = std::fopen("/dev/null", "w");
        if (fd < 0 || devNull == nullptr) {
            std::perror("fuzz_run: cannot set up its scratch file or /dev/null");
            std::abort();
        }
        path = name;
    }
    ~TScratch() { ::unlink(path.c_str()); }

    void Write(const std::uint8_t* data, std::size_t size) const
    {
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
            std::perror("fuzz_run: cannot write its scratch file");
            std::abort();
        }
    }
};

TScratch& Scratch()
{
    static TScratch scratch; // its destructor removes the file at exit
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int count = static_cast<std::uint8_t>(data[0] - '0') % 10;
    std::size_t at = 1;
    std::vector<std::string> arguments{"Quorvel"};
    for (int i = 0; i < count; ++i) {
        const auto* end = static_cast<const std::uint8_t*>(std::memchr(data + at, 0, size - at));
        const std::size_t length = end ? static_cast<std::size_t>(end - (data + at)) : size - at;
        arguments.emplace_back(reinterpret_cast<const char*>(data + at), length);
        at += length + (end ? 1 : 0);
    }

    TScratch& scratch = Scratch();
    scratch.Write(data + at, size - at);
    if (count >= 1) {
        if (arguments[1] == "(missing)")
            arguments[1] = scratch.path + ".missing";
        else if (arguments[1] == "(directory)")
            arguments[1] = "/tmp";
        else
            arguments[1] = scratch.path;
    }

    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);

    try {
        const auto settings =
            quorvel::TRunSettings::ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
        if (!settings)
            return 0;
        quorvel::TReport report(scratch.devNull, settings->Delimiter);
        quorvel::TAnalysisRun::Execute(*settings, report);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
