#include "mp/TBlockReader.h"

#include "mp/TTextToNumber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TBlockReader;
using quorvel::TLineReader;

namespace {

std::string RandomLines(std::mt19937& random)
{
    static const char* const kLines[] = {"12.5 1 2 3", "7", "", "   ", " 8 9", "Pop. 3", "-0.25\r", "1e3 x", "ab", "0x10"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 400)(random);
    for (int i = 0; i < count; ++i) {
        text += kLines[std::uniform_int_distribution<std::size_t>(0, std::size(kLines) - 1)(random)];
        text += '\n';
    }
    if (random() % 2)
        text += "42 last";
    return text;
}

} // namespace

// Whether the worker thread runs (input left to read) or not, the lines and
// their values come out in file order, continuing the line numbers.
TEST(TBlockReader, LinesAndValuesInFileOrder)
{
    std::mt19937 random(17);
    for (int round = 0; round < 300; ++round) {
        auto text = std::make_shared<const std::string>("head\n" + RandomLines(random));
        TLineReader lines(TLineReader::MemorySource(*text, std::uniform_int_distribution<std::size_t>(1, 300)(random)), 64);
        std::string_view first;
        ASSERT_TRUE(lines.ReadLine(first));
        ASSERT_EQ("head", first);

        // The reference: the rest, split by a fresh line reader.
        TLineReader reference(TLineReader::MemorySource(*text, 1 << 20));
        std::string_view skipped;
        reference.ReadLine(skipped);

        TBlockReader blocks(lines, std::uniform_int_distribution<std::size_t>(16, 200)(random));
        TBlockReader::TLine line;
        std::string_view expected;
        while (reference.ReadLine(expected)) {
            ASSERT_TRUE(blocks.Next(line));
            ASSERT_EQ(expected, line.text);
            TBlockReader::TLine converted;
            TBlockReader::ConvertLine(expected, converted);
            ASSERT_EQ(converted.holdsValue, line.holdsValue) << expected;
            ASSERT_EQ(converted.value, line.value) << expected;
            ASSERT_EQ(reference.GetLineNumber(), blocks.GetLineNumber());
        }
        EXPECT_FALSE(blocks.Next(line));
    }
}

TEST(TBlockReader, ConvertLineTakesTheFirstWord)
{
    // line, holds a value, value
    const struct {
        const char* text;
        bool holdsValue;
        double value;
    } kCases[] = {
        {"", false, 0}, {"5", false, 0}, {"  ", false, 0}, {"55", true, 55}, {"  6 7", true, 6},
        {"\t7", true, 7}, {"x 1", true, 0}, {"1.5e2 9", true, 150},
    };
    for (const auto& c : kCases) {
        TBlockReader::TLine line;
        TBlockReader::ConvertLine(c.text, line);
        EXPECT_EQ(c.holdsValue, line.holdsValue) << c.text;
        EXPECT_EQ(c.value, line.value) << c.text;
    }
}

TEST(TBlockReader, ReadErrorReachesTheCaller)
{
    auto text = std::make_shared<const std::string>("head\n1 2\n3 4\n");
    auto calls = std::make_shared<int>(0);
    TLineReader lines(
        [text, calls](char* destination, std::size_t capacity) -> std::size_t {
            if (++*calls > 1)
                throw std::runtime_error("disk gone");
            const std::size_t count = std::min(capacity, text->size());
            std::memcpy(destination, text->data(), count);
            return count;
        },
        64);
    std::string_view first;
    ASSERT_TRUE(lines.ReadLine(first));
    TBlockReader blocks(lines, 16);
    TBlockReader::TLine line;
    try {
        while (blocks.Next(line)) {
        }
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("disk gone", error.what());
    }
}
