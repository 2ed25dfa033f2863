// End-to-end tests: run the built Quorvel on small MP files and compare
// standard output, standard error and the exit status byte for byte.

#include "TProgramRun.h"

#include <string>
#include <vector>

namespace {

using quorvel::testing::TResult;

class QuorvelRun : public quorvel::testing::TProgramRunTest {
protected:
    TResult Run(const std::vector<std::string>& args, const std::string& stdoutPath = "")
    {
        return Spawn(QUORVEL_BINARY, args, "", stdoutPath);
    }
};

const char* const kUsage = "Usage: Quorvel filename startyear XorY delimiter [burn-in] [patch_size_threshold] "
                           "[moving_average_type (sma | exp) window_size]\n";

// The worked example: A at (0, 0) and B at (10, 0) with 1 and 1 in 2000 and
// 1 and 3 in 2001, resolution 2.
const char* const kTwoPatches = "Cell length 2 km\n"
                                "Pop A,0,0\n"
                                "Pop B,10,0\n"
                                "Migration\n"
                                "Pop. ALL\n"
                                "2 0 0 0\n"
                                "4 0 0 0\n"
                                "Pop. 1\n"
                                "1 0 1 1\n"
                                "1 0 1 1\n"
                                "Pop. 2\n"
                                "1 0 1 1\n"
                                "3 0 3 3\n";

// Three patches over five years, resolution 1: A at (0, 0) holds 1 every
// year; B at (10, 0) holds 1, 3, 1, 0, 2; C at (0, 10) holds 0, 0, 2, 2, 0.
// Weighted centroids: (5, 0), (7.5, 0), (2.5, 5), (0, 20/3), (20/3, 0).
const char* const kThreePatches = "Model of three patches\n"
                                  "A,0,0,100,a.KCH\n"
                                  "B,10,0,100,b.KCH\n"
                                  "C,0,10,100,c.KCH\n"
                                  "Migration\n"
                                  "Pop. ALL\n"
                                  "y\ny\ny\ny\ny\n"
                                  "Pop. 1\n1 s\n1 s\n1 s\n1 s\n1 s\n"
                                  "Pop. 2\n1 s\n3 s\n1 s\n0 s\n2 s\n"
                                  "Pop. 3\n0 s\n0 s\n2 s\n2 s\n0 s\n";

TEST_F(QuorvelRun, WorkedExample)
{
    const auto result = Run({Write("a.mp", kTwoPatches), "2000", "X", ","});
    EXPECT_EQ("Num patches loaded,2\n"
              "Resolution(km),2\n"
              "Total years,2\n"
              "Initial Coords,5,0,\n"
              "Year,X,Y,Year,X(km),Y(km),\n"
              "2000,0,0,2000,0,0\n"
              "2001,-2.5,0,2001,-5,0\n",
              result.out);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(0, result.status);
}

TEST_F(QuorvelRun, ReportVariants)
{
    const std::string file = Write("b.mp", kThreePatches);
    const std::string head = "Num patches loaded,3\nResolution(km),1\nTotal years,5\n";
    // arguments after the file name, expected standard output
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } kCases[] = {
        {{"2000", "X", ","},
         head + "Initial Coords,5,0,\nYear,X,Y\n2000,0,0\n2001,-2.5,0\n2002,2.5,-5\n2003,5,-6.66667\n"
                "2004,-1.66667,0\n"},
        // Any text in the third place; a burn-in of 0 or below prints nothing.
        {{"2000", "", ",", "0"},
         head + "Initial Coords,5,0,\nYear,X,Y\n2000,0,0\n2001,-2.5,0\n2002,2.5,-5\n2003,5,-6.66667\n"
                "2004,-1.66667,0\n"},
        {{"2000", "Y", ",", "2"},
         head + "Burn-in years,2\nInitial Coords,2.5,5,\nYear,X,Y\n2002,0,0\n2003,2.5,-1.66667\n"
                "2004,-4.16667,5\n"},
        {{"2000", "X", ",", "0", "-3", "sma", "3"},
         head + "Simple moving average smoothing window,3\nInitial Coords,7.5,0,\nYear,X,Y\n2001,0,-1.66667\n"
                "2002,1.66667,-3.88889\n2003,1.94444,-3.88889\n"},
        {{"2000", "X", ",", "0", "0", "exp", "3", "ignored"},
         head + "Exponential smoothing window,3\nInitial Coords,5,0,\nYear,X,Y\n2000,0,0\n2001,-1.25,0\n"
                "2002,0.625,-2.5\n2003,2.8125,-4.58333\n2004,0.572917,-2.29167\n"},
        // C is occupied in two successive years only.
        {{"2000", "X", ",", "0", "3"},
         "Num patches loaded,3\nPatch size threshold,3\nNum patches after cleaning,2\nResolution(km),1\n"
         "Total years,5\nInitial Coords,5,0,\nYear,X,Y\n2000,0,0\n2001,-2.5,0\n2002,0,0\n2003,5,0\n"
         "2004,-1.66667,0\n"},
        {{" -5abc", "X", "<tab>", "4"},
         "Num patches loaded<tab>3\nResolution(km)<tab>1\nTotal years<tab>5\nBurn-in years<tab>4\n"
         "Initial Coords<tab>6.66667<tab>0<tab>\nYear<tab>X<tab>Y\n-1<tab>0<tab>0\n"},
        {{"2000", "X", "", "3", "1", "exp", "1"},
         "Num patches loaded3\nPatch size threshold1\nNum patches after cleaning3\nResolution(km)1\n"
         "Total years5\nBurn-in years3\nExponential smoothing window1\nInitial Coords06.66667\nYearXY\n"
         "200300\n2004-6.666676.66667\n"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args{file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = Run(args);
        EXPECT_EQ(c.expected, result.out) << "arguments: " << ::testing::PrintToString(c.args);
        EXPECT_EQ("", result.err);
        EXPECT_EQ(0, result.status);
    }
}

TEST_F(QuorvelRun, ResolutionOtherThanOneAddsKilometreColumns)
{
    const std::string text = std::string("0.5 km\n") + kThreePatches;
    const auto result = Run({Write("c.mp", text), "2000", "X", ";", "3"});
    EXPECT_EQ("Num patches loaded;3\nResolution(km);0.5\nTotal years;5\nBurn-in years;3\n"
              "Initial Coords;0;6.66667;\nYear;X;Y;Year;X(km);Y(km);\n2003;0;0;2003;0;0\n"
              "2004;-6.66667;6.66667;2004;-3.33333;3.33333\n",
              result.out);
    EXPECT_EQ(0, result.status);
}

TEST_F(QuorvelRun, CrLfFileGivesTheSameReport)
{
    std::string crlf;
    for (const char* c = kThreePatches; *c; ++c) {
        if (*c == '\n')
            crlf += '\r';
        crlf += *c;
    }
    const auto lf = Run({Write("lf.mp", kThreePatches), "2000", "X", ",", "1", "1", "sma", "2"});
    const auto windows = Run({Write("crlf.mp", crlf), "2000", "X", ",", "1", "1", "sma", "2"});
    EXPECT_EQ(0, lf.status);
    EXPECT_NE("", lf.out);
    EXPECT_EQ(lf.out, windows.out);
    EXPECT_EQ(lf.err, windows.err);
}

TEST_F(QuorvelRun, YearWithoutPopulationIsNaN)
{
    const std::string text = "P,0,0,p.KCH\nQ,4,2\nMigration\nPop. ALL\ny\ny\ny\n"
                             "Pop. 1\n1 s\n0 s\n1 s\nPop. 2\n1 s\n0 s\n3 s\n";
    const auto result = Run({Write("d.mp", text), "1", "X", ","});
    EXPECT_EQ("Num patches loaded,2\nResolution(km),1\nTotal years,3\nInitial Coords,2,1,\nYear,X,Y\n"
              "1,0,0\n2,NaN,NaN\n3,-1,-0.5\n",
              result.out);
    EXPECT_EQ(0, result.status);
}

TEST_F(QuorvelRun, UsageAndArgumentErrors)
{
    const std::string file = Write("e.mp", kThreePatches);
    // arguments, expected standard error (standard output stays empty, status 1)
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } kCases[] = {
        {{}, kUsage},
        {{file, "2000", "X"}, kUsage},
        {{file, "2000", "X", ",", "0", "0", "sma"}, kUsage},
        {{file, "2000", "X", ",", "0", "0", "exp"}, kUsage},
        {{file, "2000", "X", ",", "0", "0", "SMA", "3"}, "Unknown moving average\n"},
        {{file, "2000", "X", ",", "0", "0", " sma"}, "Unknown moving average\n"},
        {{file, "2000", "X", ",", "0", "0", ""}, "Unknown moving average\n"},
        {{file, "2147483648", "X", ","},
         "argument 2 (startyear) \"2147483648\" is outside the range -2147483648 to 2147483647\n"},
        // Argument errors come in argument order.
        {{file, "1", "X", ",", "-99999999999", "0", "bad", "3"},
         "argument 5 (burn-in) \"-99999999999\" is outside the range -2147483648 to 2147483647\n"},
        {{file, "1", "X", ",", "0", "3000000000"},
         "argument 6 (patch_size_threshold) \"3000000000\" is outside the range -2147483648 to 2147483647\n"},
        {{file, "1", "X", ",", "0", "0", "exp", "12345678901"},
         "argument 8 (window_size) \"12345678901\" is outside the range -2147483648 to 2147483647\n"},
        {{dir_ + "/missing.mp", "2000", "X", ","},
         "cannot open MP file \"" + dir_ + "/missing.mp\": No such file or directory\n"},
        {{dir_, "2000", "X", ","}, "cannot read MP file \"" + dir_ + "\": Is a directory\n"},
    };
    for (const auto& c : kCases) {
        const auto result = Run(c.args);
        EXPECT_EQ("", result.out) << ::testing::PrintToString(c.args);
        EXPECT_EQ(c.expected, result.err) << ::testing::PrintToString(c.args);
        EXPECT_EQ(1, result.status) << ::testing::PrintToString(c.args);
    }
}

TEST_F(QuorvelRun, AnalysisErrorsKeepTheLinesWrittenBefore)
{
    const std::string file = Write("f.mp", kThreePatches);
    const std::string head = "Num patches loaded,3\nResolution(km),1\n";
    // arguments after the file name, expected standard error
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } kCases[] = {
        {{"2000", "X", ",", "5"}, "Range shifts: burn-in 5 is outside the allowed range 0 to 4 (the series has 5 years)\n"},
        {{"2000", "X", ",", "-1"},
         "Range shifts: burn-in -1 is outside the allowed range 0 to 4 (the series has 5 years)\n"},
        {{"2000", "X", ",", "0", "0", "sma", "0"}, "Moving average: smoothing window 0 is below 1\n"},
        {{"2000", "X", ",", "2", "0", "sma", "4"},
         "Moving average: smoothing window 4 is larger than the 3 years of range shifts\n"},
        {{"2000", "X", ",", "0", "0", "exp", "-1"}, "Exponential smoothing: smoothing window -1 is below 1\n"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args{file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = Run(args);
        EXPECT_EQ(head, result.out) << ::testing::PrintToString(c.args);
        EXPECT_EQ(c.expected, result.err) << ::testing::PrintToString(c.args);
        EXPECT_EQ(1, result.status) << ::testing::PrintToString(c.args);
    }

    // Cleaning that keeps no patch leaves no year to analyse.
    const auto cleaned = Run({file, "2000", "X", ",", "0", "9"});
    EXPECT_EQ("Num patches loaded,3\nPatch size threshold,9\nNum patches after cleaning,0\nResolution(km),1\n",
              cleaned.out);
    EXPECT_EQ("No year to analyse: no patch holds a population in any year\n", cleaned.err);
    EXPECT_EQ(1, cleaned.status);
}

TEST_F(QuorvelRun, ReaderErrors)
{
    // file text, expected standard output, expected standard error (status 1)
    const struct {
        std::string text;
        std::string out;
        std::string err;
    } kCases[] = {
        {"Pop 1,1,1\nMigration\nPop. ALL\ny\nPop. 9\n1 s\n", "", "Patch does not exist\n"},
        {"Pop 1,1,1\nMigration\nPop. ALL\ny\ny\nPop. 1\n1 s\n", "",
         "FILE:7: file ends inside block 1 of 1 (header on line 6: \"Pop. 1\"): 1 of 2 values read\n"},
        {"", "Num patches loaded,0\nResolution(km),1\n",
         "No year to analyse: no patch holds a population in any year\n"},
        {"Pop 1,1,1\nMigration\n", "Num patches loaded,1\nResolution(km),1\n",
         "No year to analyse: no patch holds a population in any year\n"},
    };
    for (const auto& c : kCases) {
        const std::string file = Write("g.mp", c.text);
        const auto result = Run({file, "2000", "X", ","});
        std::string err = c.err;
        if (auto at = err.find("FILE"); at != std::string::npos)
            err.replace(at, 4, file);
        EXPECT_EQ(c.out, result.out) << c.text;
        EXPECT_EQ(err, result.err) << c.text;
        EXPECT_EQ(1, result.status) << c.text;
    }
}

// A generated model large enough for the threaded reader, its chunking and
// the population arena; the reports were saved from the first, plain
// line-by-line implementation of the reader, so the optimised one must give
// them byte for byte.
TEST_F(QuorvelRun, MediumModelGivesTheSavedReports)
{
    const std::string model = Path("medium.mp");
    const auto made = Spawn(QUORVEL_MAKEMP_BINARY, {"--patches", "1500", "--years", "200", "--seed", "7",
                                                    "--resolution", "0.5", "--output", model});
    ASSERT_EQ(0, made.status) << made.err;
    // arguments after the file name, saved report
    const struct {
        std::vector<std::string> args;
        const char* saved;
    } kCases[] = {
        {{"2000", "X", ","}, "medium-plain.txt"},
        {{"2000", "X", ",", "10", "5", "sma", "7"}, "medium-sma.txt"},
        {{"1800", "X", ";", "3", "2", "exp", "4"}, "medium-exp.txt"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args{model};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = Run(args);
        EXPECT_EQ(quorvel::testing::ReadFile(std::string(QUORVEL_TEST_DATA) + "/" + c.saved), result.out) << c.saved;
        EXPECT_EQ(0, result.status) << result.err;
    }
}

TEST_F(QuorvelRun, WriteErrorIsReported)
{
    const auto result = Run({Write("h.mp", kTwoPatches), "2000", "X", ","}, "/dev/full");
    EXPECT_EQ("cannot write the report to standard output: No space left on device\n", result.err);
    EXPECT_EQ(1, result.status);
}

} // namespace
