// What Quorvel does with the files users actually have lying around:
// truncated runs, binary files, huge lines, odd bytes. Whatever the input,
// the run either prints the correct report or one error line and status 1.

#include "TProgramRun.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using quorvel::testing::ReadFile;
using quorvel::testing::TResult;

class BadInput : public quorvel::testing::TProgramRunTest {
protected:
    TResult Run(const std::vector<std::string>& args) { return Spawn(QUORVEL_BINARY, args); }

    // A one-line error with status 1 and, before it, only whole report lines.
    static void ExpectCleanFailure(const TResult& result, const std::string& what)
    {
        EXPECT_EQ(1, result.status) << what;
        ASSERT_FALSE(result.err.empty()) << what;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << what << ": " << result.err;
        EXPECT_TRUE(result.out.empty() || result.out.back() == '\n') << what;
        EXPECT_EQ(std::string::npos, result.out.find("Year,X,Y")) << what << ": a report table after an error";
    }
};

const std::string kExample = std::string(QUORVEL_EXAMPLES) + "/example.mp";

// Three patches, two years.
const std::string kModel = "Pop 1,0,0,a.KCH\nPop 2,4,0\nPop 3,0,4\nMigration\nPop. ALL\ny\ny\n"
                           "Pop. 1\n1 s\n1 s\nPop. 2\n1 s\n3 s\nPop. 3\n2 s\n0 s\n";
const std::string kModelReport = "Num patches loaded,3\nResolution(km),1\nTotal years,2\nInitial Coords,1,2,\n"
                                 "Year,X,Y\n2000,0,0\n2001,-2,2\n";

// A copy of the example cut at many offsets either loads fully and gives
// the full report, or fails with one error line: never a report built on
// part of the file. The one exception is a cut inside the last value line,
// which is then a shorter line like any other and still read.
TEST_F(BadInput, TruncatedExampleNeverGivesAPartialReport)
{
    const std::string text = ReadFile(kExample);
    const TResult full = Run({kExample, "1990", "X", ","});
    ASSERT_EQ(0, full.status);
    // The last value line: the 40th line after the last block header.
    std::size_t lastValueLine = text.find("\nPop. 300\n") + 1;
    for (int line = 0; line < 40; ++line)
        lastValueLine = text.find('\n', lastValueLine) + 1;
    const std::size_t lastValueEnd = text.find('\n', lastValueLine);

    std::mt19937 random(4);
    std::vector<std::size_t> cuts = {0, 1, lastValueLine, lastValueEnd, lastValueEnd + 1, text.size() - 1};
    for (int i = 0; i < 150; ++i)
        cuts.push_back(std::uniform_int_distribution<std::size_t>(0, text.size())(random));
    for (std::size_t cut : cuts) {
        const std::string path = Write("cut.mp", text.substr(0, cut));
        const TResult result = Run({path, "1990", "X", ","});
        const std::string what = "cut at byte " + std::to_string(cut);
        if (cut > lastValueEnd) {
            EXPECT_EQ(full.out, result.out) << what;
            EXPECT_EQ(0, result.status) << what;
        } else if (cut <= lastValueLine) {
            ExpectCleanFailure(result, what);
        }
    }
}

TEST_F(BadInput, FilesThatAreNoModels)
{
    std::mt19937 random(6);
    std::string binary(1 << 16, '\0');
    for (char& byte : binary)
        byte = static_cast<char>(random());
    const std::string noYears = "Num patches loaded,0\nResolution(km),1\n";
    // file bytes, expected standard output, expected standard error
    const struct {
        std::string bytes;
        std::string out;
        std::string err;
    } kCases[] = {
        {"", noYears, "No year to analyse: no patch holds a population in any year\n"},
        {"\n\n\r\n", noYears, "No year to analyse: no patch holds a population in any year\n"},
        // A gzip header: bytes 0x1f 0x8b and then binary.
        {std::string("\x1f\x8b\x08\x00", 4) + binary.substr(0, 100), "", ""},
        {binary, "", ""},
    };
    for (const auto& c : kCases) {
        const TResult result = Run({Write("x.mp", c.bytes), "2000", "X", ","});
        ExpectCleanFailure(result, "bytes of size " + std::to_string(c.bytes.size()));
        if (!c.err.empty()) {
            EXPECT_EQ(c.out, result.out);
            EXPECT_EQ(c.err, result.err);
        }
    }
    // A path through a file is no folder.
    const TResult notDir = Run({Write("plain", "x") + "/model.mp", "2000", "X", ","});
    EXPECT_EQ("cannot open MP file \"" + Path("plain") + "/model.mp\": Not a directory\n", notDir.err);
    EXPECT_EQ(1, notDir.status);
}

TEST_F(BadInput, NulAndHighBytesInNamesAndValues)
{
    using namespace std::string_literals;
    const std::string text = "Pop \0\xff,0,0,a.KCH\nPop \xff,4,0\nMigration\nPop. ALL\ny\ny\n"
                             "Pop. 1\n1\0 s\n1\xff\nPop. 2\n1 s\n3\0\n"s;
    const TResult result = Run({Write("nul.mp", text), "2000", "X", ","});
    EXPECT_EQ("Num patches loaded,2\nResolution(km),1\nTotal years,2\nInitial Coords,2,0,\nYear,X,Y\n"
              "2000,0,0\n2001,-1,0\n",
              result.out);
    EXPECT_EQ(0, result.status) << result.err;
}

// Lines of 100 MB: before the patch list (passed over), as the resolution
// line and as a value line (both read).
TEST_F(BadInput, HundredMegabyteLines)
{
    const std::string huge(100u << 20, 'x');
    TResult result = Run({Write("a.mp", huge + "\n" + kModel), "2000", "X", ","});
    EXPECT_EQ(kModelReport, result.out);
    EXPECT_EQ(0, result.status) << result.err;

    result = Run({Write("b.mp", "0.5 km " + huge + "\n" + kModel), "2000", "X", ","});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("Resolution(km),0.5\n"));

    std::string model = kModel;
    model.replace(model.find("3 s"), 3, "3 " + std::string(100u << 20, ' ') + "9");
    result = Run({Write("c.mp", model), "2000", "X", ","});
    EXPECT_EQ(kModelReport, result.out);
    EXPECT_EQ(0, result.status) << result.err;
}

TEST_F(BadInput, BlockHeaders)
{
    const std::string head = "Pop 1,0,0,a.KCH\nPop 2,4,0\nPop 3,0,4\nMigration\nPop. ALL\ny\ny\n";
    const std::string block1 = "Pop. 1\n1 s\n1 s\n", block2 = "Pop. 2\n1 s\n3 s\n", block3 = "Pop. 3\n2 s\n0 s\n";
    // Any block order gives the same report.
    TResult result = Run({Write("order.mp", head + block3 + block1 + block2), "2000", "X", ","});
    EXPECT_EQ(kModelReport, result.out);
    EXPECT_EQ(0, result.status);
    // A block repeated takes the place of another: that patch keeps no years.
    result = Run({Write("dup.mp", head + block1 + block2 + "Pop. 2\n5 s\n5 s\n"), "2000", "X", ","});
    EXPECT_EQ("Num patches loaded,3\nResolution(km),1\nTotal years,2\nInitial Coords,3.33333,0,\nYear,X,Y\n"
              "2000,0,0\n2001,0,0\n",
              result.out);
    for (const char* number : {"0", "-1", "9223372036854775808", "4"}) {
        result = Run({Write("n.mp", head + "Pop. " + number + "\n1 s\n1 s\n" + block2 + block3), "2000", "X", ","});
        EXPECT_EQ("", result.out) << number;
        EXPECT_EQ("Patch does not exist\n", result.err) << number;
        EXPECT_EQ(1, result.status) << number;
    }
}

TEST_F(BadInput, StartYearNearTheLimit)
{
    const std::string path = Write("m.mp", kModel);
    TResult result = Run({path, "2147483646", "X", ","});
    EXPECT_EQ(0, result.status);
    EXPECT_NE(std::string::npos, result.out.find("\n2147483647,-2,2\n"));
    result = Run({path, "2147483647", "X", ","});
    EXPECT_EQ("", result.out);
    EXPECT_EQ(path + ":8: the 2 years from start year 2147483647 go beyond year 2147483647\n", result.err);
    EXPECT_EQ(1, result.status);
    result = Run({path, "-2147483648", "X", ",", "1"});
    EXPECT_NE(std::string::npos, result.out.find("\n-2147483647,0,0\n"));
    EXPECT_EQ(0, result.status);
}

TEST_F(BadInput, EveryArgumentCount)
{
    const std::string path = Write("m.mp", kModel);
    const std::vector<std::string> all = {path, "2000", "X", ",", "1", "0", "sma", "1", "extra"};
    for (std::size_t count = 0; count <= all.size(); ++count) {
        const std::vector<std::string> args(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
        const TResult result = Run(args);
        const bool usage = count < 4 || count == 7;
        EXPECT_EQ(usage ? 1 : 0, result.status) << count << " arguments";
        EXPECT_EQ(usage, result.out.empty()) << count << " arguments";
        EXPECT_EQ(usage, !result.err.empty()) << count << " arguments";
    }
}

TEST_F(BadInput, BurnInAndWindowAtTheirBounds)
{
    const std::string path = Write("m.mp", kModel);
    // burn-in, type, window, expected status
    const struct {
        const char* burnIn;
        const char* type;
        const char* window;
        int status;
    } kCases[] = {
        {"1", "sma", "1", 0}, {"2", "sma", "1", 1}, {"-1", "sma", "1", 1}, {"0", "sma", "2", 0},
        {"0", "sma", "3", 1}, {"0", "sma", "0", 1}, {"0", "exp", "1", 0},  {"0", "exp", "0", 1},
        {"0", "exp", "-1", 1}, {"0", "exp", "2147483647", 0}, {"0", "sma", "-2147483648", 1},
    };
    for (const auto& c : kCases) {
        const TResult result = Run({path, "2000", "X", ",", c.burnIn, "0", c.type, c.window});
        const std::string what = std::string(c.burnIn) + " " + c.type + " " + c.window;
        EXPECT_EQ(c.status, result.status) << what << ": " << result.err;
        if (c.status != 0)
            ExpectCleanFailure(result, what);
    }
}

} // namespace
