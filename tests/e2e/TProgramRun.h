#pragma once

// Shared harness of the end-to-end tests: a scratch folder per test and a
// way to run a built program with files for its standard streams.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace quorvel::testing {

struct TResult {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvel-e2e-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Writes a file into the test's folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }

    // Runs `program` with standard input from `stdinPath` (or /dev/null) and
    // standard output to `stdoutPath` (or a file read back into the result).
    TResult Spawn(const std::string& program, const std::vector<std::string>& args,
                  const std::string& stdinPath = "", const std::string& stdoutPath = "")
    {
        const std::string outPath = stdoutPath.empty() ? Path("stdout") : stdoutPath;
        const std::string errPath = Path("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, stdinPath.empty() ? "/dev/null" : stdinPath.c_str(), O_RDONLY,
                                         0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        TResult result;
        const int started = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (started != 0) {
            ADD_FAILURE() << "cannot start " << program;
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (stdoutPath.empty())
            result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        return result;
    }

    std::string dir_;
};

} // namespace quorvel::testing
