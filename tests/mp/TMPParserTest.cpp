#include "mp/TMPParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TMPParser;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TYear;

namespace {

std::unique_ptr<TPatches> Load(const std::string& text, TYear startYear = 1990)
{
    std::istringstream input(text);
    return TMPParser::LoadMP(input, startYear, "t.mp");
}

std::string LoadError(const std::string& text, TYear startYear = 1990)
{
    try {
        Load(text, startYear);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(no error)";
}

// year -> population pairs of a patch, ascending.
std::vector<std::pair<TYear, double>> Populations(const TPatch& patch)
{
    std::vector<std::pair<TYear, double>> result;
    patch.ForEachYear([&](TYear year, double population) { result.emplace_back(year, population); });
    return result;
}

using TPops = std::vector<std::pair<TYear, double>>;

// Two patches and three years; blocks in file order.
const std::string kSmall = "Model settings\n"
                           "Cell length 0.5 km\n"
                           "Pop 1,0,0,100,hab.KCH\n"
                           "Pop 2,10.5,20,100\n"
                           "Migration\n"
                           "0.1,0.2\n"
                           "Pop. ALL\n"
                           "10 1 2 3\n"
                           "20 1 2 3\n"
                           "30 1 2 3\n"
                           "Pop. 1\n"
                           "1 0 0 0\n"
                           "2 0 0 0\n"
                           "3 0 0 0\n"
                           "Pop. 2\n"
                           "5.0\n"
                           "7 5 1\n"
                           "12.5\n"
                           "Other section\n";

} // namespace

TEST(TMPParser, ReadsResolutionPatchesAndBlocks)
{
    auto patches = Load(kSmall);
    EXPECT_EQ(0.5, patches->GetResolution());
    ASSERT_EQ(2, patches->GetNumPatches());
    const TPatch* second = patches->GetPatch("Pop 2");
    EXPECT_EQ(10.5, second->GetX());
    EXPECT_EQ(20.0, second->GetY());
    EXPECT_EQ((TPops{{1990, 5.0}, {1991, 7.0}, {1992, 12.5}}), Populations(*second));
    EXPECT_EQ((TPops{{1990, 1.0}, {1991, 2.0}, {1992, 3.0}}), Populations(*patches->GetPatch("Pop 1")));
}

TEST(TMPParser, CrLfFileGivesTheSameResult)
{
    std::string crlf;
    for (char c : kSmall) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    auto expected = Load(kSmall);
    auto actual = Load(crlf);
    EXPECT_EQ(expected->GetResolution(), actual->GetResolution());
    ASSERT_EQ(expected->GetNames(), actual->GetNames());
    for (const std::string& name : expected->GetNames())
        EXPECT_EQ(Populations(*expected->GetPatch(name)), Populations(*actual->GetPatch(name)));
}

TEST(TMPParser, ResolutionLine)
{
    // lines before the patch list, expected resolution
    const struct {
        const char* lines;
        double expected;
    } kCases[] = {
        {"no marker here\n", 1.0},
        {"0.5 km\n", 0.5},
        {"0.5 km\n2 km\n", 0.5},        // only the first line with "km" counts
        {"Dimension 3 km\n", 0.0},      // the first piece ends before the m of Dimension
        {"0.25 km per cell\n", 0.25},
        {"km\n", 0.0},                  // the first piece holds no word
        {"   km\n", 0.0},
        {"km 5\n", 5.0},                // leading separators are dropped
        {"Cell\tsize 2 km\n", 2.0},     // a tab is part of a word
    };
    for (const auto& c : kCases) {
        auto patches = Load(std::string(c.lines) + "Pop 1,1,1\nMigration\n");
        EXPECT_EQ(c.expected, patches->GetResolution()) << c.lines;
    }
    // A patch line is searched too, up to the "Pop. ALL" line.
    EXPECT_EQ(3.0, Load("Pop 1,1,1, 3 km\nMigration\n")->GetResolution());
    EXPECT_EQ(1.0, Load("Pop 1,1,1\nMigration\nPop. ALL\ny\nPop. 1\n7 km\n")->GetResolution());
}

TEST(TMPParser, PatchLines)
{
    auto patches = Load("Pop 1,10.5,20,1000\n A ,,3,,4\nB,x,1e1\nMigration\nC,1,1\n");
    EXPECT_EQ((std::vector<std::string>{" A ", "B", "Pop 1"}), patches->GetNames());
    EXPECT_EQ(3.0, patches->GetPatch(" A ")->GetX());
    EXPECT_EQ(4.0, patches->GetPatch(" A ")->GetY());
    EXPECT_EQ(0.0, patches->GetPatch("B")->GetX());
    EXPECT_EQ(10.0, patches->GetPatch("B")->GetY());
    EXPECT_EQ(20.0, patches->GetPatch("Pop 1")->GetY());

    // The list opens with .KCH, Pop or .DCH; a Migration line on that line
    // closes it at once.
    EXPECT_EQ(1, Load("x\nq,1,2,a.DCH\nMigration\n")->GetNumPatches());
    EXPECT_EQ(0, Load("Pop Migration\nPop 1,1,1\n")->GetNumPatches());
    EXPECT_EQ(0, Load("a,1,2\nb,3,4\n")->GetNumPatches());
}

TEST(TMPParser, PatchLineWithTooFewFieldsFails)
{
    EXPECT_EQ("t.mp:3: patch line has 2 comma-separated fields, needs 3 (name, X, Y): \"Pop 2,,5\"",
              LoadError("x\nPop 1,1,1\nPop 2,,5\n"));
    EXPECT_EQ("t.mp:2: patch line has 0 comma-separated fields, needs 3 (name, X, Y): \"\"",
              LoadError("Pop 1,1,1\n\nMigration\n"));
    // Without any patch list marker before it, "Pop. ALL" opens the list.
    EXPECT_EQ("t.mp:2: patch line has 1 comma-separated field, needs 3 (name, X, Y): \"Pop. ALL\" (no line "
              "before the population section opened a patch list with .KCH, Pop or .DCH, so the \"Pop. ALL\" "
              "line was read as a patch line)",
              LoadError("a,1,2\nPop. ALL\ny\nPop. 1\n"));
}

TEST(TMPParser, ValueLines)
{
    // T = 3; one-character and blank lines are no value lines.
    auto patches = Load("Pop 1,0,0\nMigration\nPop. ALL\ny\ny\ny\nPop. 1\n5\n\n55\n    \n 6 7\n0x10 1\n");
    EXPECT_EQ((TPops{{1990, 55.0}, {1991, 6.0}, {1992, 16.0}}), Populations(*patches->GetPatch("Pop 1")));
}

TEST(TMPParser, BlocksAreMatchedByNumberNotPosition)
{
    const std::string head = "B,1,1,b.KCH\nA,2,2\nMigration\nPop. ALL\ny\ny\n";
    auto patches = Load(head + "Pop. 2\n1 x\n2 x\nPop. 1\n3 x\n4 x\n");
    // Patch numbers follow file order: B is 1, A is 2.
    EXPECT_EQ((TPops{{1990, 1.0}, {1991, 2.0}}), Populations(*patches->GetPatch("A")));
    EXPECT_EQ((TPops{{1990, 3.0}, {1991, 4.0}}), Populations(*patches->GetPatch("B")));

    // A patch named twice keeps the later values; one left out keeps none.
    patches = Load(head + "Pop. 1\n3 x\n4 x\nPop. 1\n5 x\n6 x\n");
    EXPECT_EQ((TPops{{1990, 5.0}, {1991, 6.0}}), Populations(*patches->GetPatch("B")));
    EXPECT_EQ(0u, patches->GetPatch("A")->GetNumYears());
}

TEST(TMPParser, DuplicatePatchNamesReadOneBlockFewer)
{
    auto patches = Load("P,1,1,p.KCH\nP,5,5\nQ,2,2\nMigration\nPop. ALL\ny\nPop. 2\n7 x\nPop. 3\n8 x\n");
    ASSERT_EQ(2, patches->GetNumPatches());
    EXPECT_EQ(5.0, patches->GetPatch("P")->GetX());
    EXPECT_EQ((TPops{{1990, 7.0}}), Populations(*patches->GetPatch("P")));
    EXPECT_EQ((TPops{{1990, 8.0}}), Populations(*patches->GetPatch("Q")));
}

TEST(TMPParser, BlockHeaderNamingNoPatchFails)
{
    const std::string head = "Pop 1,1,1\nMigration\nPop. ALL\ny\n";
    for (const char* header : {"Pop. 0", "Pop. -1", "Pop. 2", "Pop. 9223372036854775808", "Pop. x"})
        EXPECT_EQ("Patch does not exist", LoadError(head + header + "\n5 x\n")) << header;
    EXPECT_EQ("t.mp:5: block header of block 1 has 1 word, needs 2 (\"Pop.\" and the patch number): \"Pop.\"",
              LoadError(head + "Pop.\n5 x\n"));
}

TEST(TMPParser, EndOfInput)
{
    // Ending after the patch list, or without a population section, is fine.
    auto patches = Load("0.5 km\nPop 1,1,1\nPop 2,2,2");
    EXPECT_EQ(2, patches->GetNumPatches());
    EXPECT_EQ(0.5, patches->GetResolution());
    // A last line without a line feed is read like any other.
    EXPECT_EQ((TPops{{1990, 4.0}}),
              Populations(*Load("Pop 1,1,1\nMigration\nPop. ALL\ny\nPop. 1\n4 x")->GetPatch("Pop 1")));
    // No patches: the year lines are still read, nothing else.
    EXPECT_EQ(0, Load("x.KCH Migration\nPop. ALL\ny\nPop. 1\n")->GetNumPatches());

    // Ending inside the population section fails and names where.
    const std::string head = "Pop 1,1,1\nPop 2,2,2\nMigration\nPop. ALL\ny\ny\n";
    EXPECT_EQ("t.mp:3: file ends inside the year lines of the population section that begins on line 3; no block "
              "header (a line containing \"Pop.\") follows",
              LoadError("Pop 1,1,1\nMigration\nPop. ALL"));
    EXPECT_EQ("t.mp:6: file ends inside the year lines of the population section that begins on line 4; no block "
              "header (a line containing \"Pop.\") follows",
              LoadError(head));
    EXPECT_EQ("t.mp:8: file ends inside block 1 of 2 (header on line 7: \"Pop. 1\"): 1 of 2 values read",
              LoadError(head + "Pop. 1\n1 x\n"));
    EXPECT_EQ("t.mp:9: file ends after block 1 of 2 of the population section; the header of block 2 is missing",
              LoadError(head + "Pop. 1\n1 x\n2 x\n"));
    EXPECT_EQ("t.mp:11: file ends inside block 2 of 2 (header on line 10: \"Pop. 2\"): 1 of 2 values read",
              LoadError(head + "Pop. 1\n1 x\n2 x\nPop. 2\n3 x\n"));
    // Complete without the line after the last block.
    EXPECT_EQ(2, Load(head + "Pop. 1\n1 x\n2 x\nPop. 2\n3 x\n4 x")->GetNumPatches());
}

TEST(TMPParser, YearsBeyondTheIntegerRangeFail)
{
    const std::string text = "Pop 1,1,1\nMigration\nPop. ALL\ny\ny\nPop. 1\n1 x\n2 x\n";
    EXPECT_EQ((TPops{{2147483646, 1.0}, {2147483647, 2.0}}), Populations(*Load(text, 2147483646)->GetPatch("Pop 1")));
    EXPECT_EQ("t.mp:6: the 2 years from start year 2147483647 go beyond year 2147483647", LoadError(text, 2147483647));
}

TEST(TMPParser, BytesOutsideAsciiAreKept)
{
    const std::string name("N\0\xff", 3);
    auto patches = Load(name + ",1,2,n.KCH\nMigration\n");
    ASSERT_TRUE(patches->PatchExists(name));
    EXPECT_EQ(2.0, patches->GetPatch(name)->GetY());
}

TEST(TMPParser, FileErrorsNameTheFile)
{
    try {
        TMPParser::LoadMP(std::string("/nonexistent/x.mp"), 2000);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("cannot open MP file \"/nonexistent/x.mp\": No such file or directory", error.what());
    }
    try {
        TMPParser::LoadMP(std::string("/"), 2000);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("cannot read MP file \"/\": Is a directory", error.what());
    }
}

TEST(TMPParser, Tokenize)
{
    // text, delimiters, expected words (appended after an existing one)
    const struct {
        const char* text;
        const char* delimiters;
        std::vector<std::string> expected;
    } kCases[] = {
        {"A,,3,4", ",", {"old", "A", "3", "4"}},
        {",,", ",", {"old"}},
        {"", ",", {"old"}},
        {"Pop. 12", ". ", {"old", "Pop", "12"}},
        {" a\tb ", " ", {"old", "a\tb"}},
        {"xkmy", "mk", {"old", "x", "y"}},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> words{"old"};
        TMPParser::Tokenize(c.text, words, c.delimiters);
        EXPECT_EQ(c.expected, words) << c.text;
    }
}

TEST(TMPParser, ParsePatchLine)
{
    auto patch = TMPParser::ParsePatchLine(" Pop 1 ,1.5,-2,99");
    EXPECT_EQ(" Pop 1 ", patch->GetName());
    EXPECT_EQ("", patch->GetInfo());
    EXPECT_EQ(1.5, patch->GetX());
    EXPECT_EQ(-2.0, patch->GetY());
    EXPECT_EQ(0u, patch->GetNumYears());
    EXPECT_THROW(TMPParser::ParsePatchLine("a,1"), std::runtime_error);
}
