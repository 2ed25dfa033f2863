#include "mp/TLineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using quorvel::TLineReader;

namespace {

// Lines as the reader must give them: split at LF, one CR before LF dropped,
// a last line without LF kept.
std::vector<std::string> ReferenceLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t feed = text.find('\n', start);
        if (feed == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::string line = text.substr(start, feed - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = feed + 1;
    }
    return lines;
}

std::string RandomText(std::mt19937& random)
{
    static const char* const kPieces[] = {"a", "Pop.", "Po", "p.", "\n", "\r\n", "\r", " ", "km", "xyz", "\n\n"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 60)(random);
    for (int i = 0; i < count; ++i)
        text += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
    if (std::uniform_int_distribution<int>(0, 4)(random) == 0)
        text.append(std::uniform_int_distribution<std::size_t>(0, 200)(random), 'L');
    return text;
}

} // namespace

TEST(TLineReader, ReadLineMatchesReferenceSplitForAnyBlockSize)
{
    std::mt19937 random(3);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t block = std::uniform_int_distribution<std::size_t>(16, 40)(random);
        const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, 50)(random);
        TLineReader reader(TLineReader::MemorySource(text, piece), block);
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.ReadLine(line)) {
            lines.emplace_back(line);
            ASSERT_EQ(lines.size(), reader.GetLineNumber());
        }
        ASSERT_EQ(ReferenceLines(text), lines) << "text: " << text;
    }
}

TEST(TLineReader, SkipLineFindsMarkersAcrossRefillsAndKeepsPrefix)
{
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t block = std::uniform_int_distribution<std::size_t>(16, 40)(random);
        const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, 50)(random);
        const std::size_t prefixLimit = std::uniform_int_distribution<std::size_t>(0, 30)(random);
        TLineReader reader(TLineReader::MemorySource(text, piece), block);
        const std::vector<std::string> expected = ReferenceLines(text);
        std::size_t index = 0;
        bool found = false;
        std::string prefix;
        // Alternate skipping and reading, as the MP reader does.
        for (;; ++index) {
            if (index % 3 == 2) {
                std::string_view line;
                if (!reader.ReadLine(line))
                    break;
                ASSERT_LT(index, expected.size());
                ASSERT_EQ(expected[index], line);
                continue;
            }
            if (!reader.SkipLine("Pop.", found, &prefix, prefixLimit))
                break;
            ASSERT_LT(index, expected.size()) << "text: " << text;
            EXPECT_EQ(expected[index].find("Pop.") != std::string::npos, found) << "line " << expected[index];
            EXPECT_EQ(expected[index].substr(0, prefixLimit), prefix) << "line " << expected[index];
        }
        EXPECT_EQ(expected.size(), index) << "text: " << text;
    }
}

TEST(TLineReader, ReadLineBoundedKeepsShortLinesWholeAndHeadsOfLongOnes)
{
    const std::string_view markers[] = {"Pop.", "km"};
    std::mt19937 random(8);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t block = std::uniform_int_distribution<std::size_t>(16, 40)(random);
        const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, 50)(random);
        const std::size_t maxKept = std::uniform_int_distribution<std::size_t>(0, 120)(random);
        TLineReader reader(TLineReader::MemorySource(text, piece), block);
        std::string_view line;
        unsigned found = 0;
        bool cut = false;
        std::size_t index = 0;
        const std::vector<std::string> expected = ReferenceLines(text);
        while (reader.ReadLineBounded(line, maxKept, markers, found, cut)) {
            ASSERT_LT(index, expected.size());
            const std::string& whole = expected[index++];
            EXPECT_EQ(whole.size() > maxKept, cut) << whole;
            EXPECT_EQ(whole.substr(0, maxKept), line) << whole;
            const unsigned wanted = (whole.find("Pop.") != std::string::npos ? 1u : 0u) |
                                    (whole.find("km") != std::string::npos ? 2u : 0u);
            EXPECT_EQ(wanted, found) << whole;
        }
        EXPECT_EQ(expected.size(), index);
    }
}

TEST(TLineReader, SkippedLineDoesNotGrowTheBuffer)
{
    // A line far longer than the buffer is passed over; the line after it
    // is still read whole.
    std::string text(1 << 20, 'x');
    text += "Pop.\nnext\n";
    std::size_t largestRequest = 0;
    std::size_t position = 0;
    TLineReader reader(
        [&](char* destination, std::size_t capacity) {
            largestRequest = std::max(largestRequest, capacity);
            const std::size_t count = std::min(capacity, text.size() - position);
            std::memcpy(destination, text.data() + position, count);
            position += count;
            return count;
        },
        64);
    bool found = false;
    ASSERT_TRUE(reader.SkipLine("Pop.", found));
    EXPECT_TRUE(found);
    EXPECT_LE(largestRequest, 128u);
    std::string_view line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ("next", line);
    EXPECT_FALSE(reader.ReadLine(line));
}
