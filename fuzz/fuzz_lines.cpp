// libFuzzer target: the layer under the MP reader, line splitting and number
// conversion, against plain reference implementations.
//
// Input layout:
//   byte 0   TLineReader read block: 16 + (byte mod 64) bytes
//   byte 1   TBlockReader chunk: 1 + (byte mod 64) bytes
//   byte 2   lines read through TLineReader::ReadLine before the rest of the
//            input is handed to a TBlockReader: byte mod 8
//   the rest the text
//
// Small blocks and chunks put line ends, CR LF pairs and long lines across
// every boundary, and leave input unread when the TBlockReader takes over,
// so that its worker thread runs. Every line must come out as the reference
// split gives it (at LF, without a CR directly before it, a last line
// without LF), with its 1-based number; a TBlockReader line holds a value
// when it has at least two characters and one that is not a space, and the
// value is that of its first space-separated word as strtod reads it.
// TTextToNumber is compared with strtod, strtol and a checked 32-bit read on
// every line. A mismatch aborts with both values.

#include "mp/TBlockReader.h"
#include "mp/TLineReader.h"
#include "mp/TTextToNumber.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quorvel::TBlockReader;
using quorvel::TLineReader;
using quorvel::TTextToNumber;

[[noreturn]] void Mismatch(const char* what, std::string_view line, const std::string& detail)
{
    std::fprintf(stderr, "fuzz_lines: %s differs for the line of %zu bytes \"%.*s\": %s\n", what, line.size(),
                 static_cast<int>(std::min<std::size_t>(line.size(), 200)), line.data(), detail.c_str());
    std::abort();
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t feed = text.find('\n', start);
        std::size_t end = feed == std::string_view::npos ? text.size() : feed;
        const std::size_t next = feed == std::string_view::npos ? text.size() : feed + 1;
        if (feed != std::string_view::npos && end > start && text[end - 1] == '\r')
            --end;
        lines.push_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

// strtod on a NUL-terminated copy: the C library stops at an embedded NUL.
double ReferenceDouble(std::string_view text)
{
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

bool SameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckNumbers(std::string_view line)
{
    const std::string copy(line);
    char text[64];

    const double expectedDouble = std::strtod(copy.c_str(), nullptr);
    const double actualDouble = TTextToNumber::ToDouble(line);
    if (!SameDouble(expectedDouble, actualDouble)) {
        std::snprintf(text, sizeof text, "strtod %a, ToDouble %a", expectedDouble, actualDouble);
        Mismatch("ToDouble", line, text);
    }

    errno = 0;
    const long expectedLong = std::strtol(copy.c_str(), nullptr, 10);
    const bool longOverflow = errno == ERANGE;
    const long actualLong = TTextToNumber::ToLong(line);
    if (expectedLong != actualLong) {
        std::snprintf(text, sizeof text, "strtol %ld, ToLong %ld", expectedLong, actualLong);
        Mismatch("ToLong", line, text);
    }

    // In range of 32 bits exactly when strtol neither overflowed nor left it.
    std::optional<std::int32_t> expectedInt;
    if (!longOverflow && expectedLong >= INT32_MIN && expectedLong <= INT32_MAX)
        expectedInt = static_cast<std::int32_t>(expectedLong);
    const std::optional<std::int32_t> actualInt = TTextToNumber::ToInt32(line);
    if (expectedInt != actualInt) {
        std::snprintf(text, sizeof text, "expected %s%ld, ToInt32 %s%d", expectedInt ? "" : "none/",
                      expectedLong, actualInt ? "" : "none/", actualInt.value_or(0));
        Mismatch("ToInt32", line, text);
    }
}

void CheckBlockLine(std::string_view expected, const TBlockReader::TLine& line)
{
    if (line.text != expected)
        Mismatch("TBlockReader text", expected, "got \"" + std::string(line.text.substr(0, 200)) + "\"");
    std::size_t start = 0;
    while (start < expected.size() && expected[start] == ' ')
        ++start;
    const bool holdsValue = expected.size() >= 2 && start < expected.size();
    if (line.holdsValue != holdsValue)
        Mismatch("TBlockReader holdsValue", expected, line.holdsValue ? "true" : "false");
    if (!holdsValue)
        return;
    const std::size_t space = expected.find(' ', start);
    const std::string_view word =
        expected.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start);
    const double value = ReferenceDouble(word);
    if (!SameDouble(value, line.value)) {
        char text[64];
        std::snprintf(text, sizeof text, "strtod %a, value %a", value, line.value);
        Mismatch("TBlockReader value", expected, text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t lineBlock = 16 + data[0] % 64;
    const std::size_t chunk = 1 + data[1] % 64;
    const std::size_t readFirst = data[2] % 8;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::vector<std::string_view> expected = SplitLines(text);

    TLineReader reader(TLineReader::MemorySource(text), lineBlock);

    std::size_t index = 0;
    std::string_view line;
    while (index < readFirst && reader.ReadLine(line)) {
        if (index >= expected.size() || line != expected[index])
            Mismatch("TLineReader", index < expected.size() ? expected[index] : "(no line)",
                     "got \"" + std::string(line.substr(0, 200)) + "\"");
        ++index;
        if (reader.GetLineNumber() != index)
            Mismatch("TLineReader line number", line, std::to_string(reader.GetLineNumber()));
    }
    if (index < readFirst && index != expected.size())
        Mismatch("TLineReader end", expected[index], "input ended early");

    {
        TBlockReader blocks(reader, chunk);
        TBlockReader::TLine blockLine;
        while (blocks.Next(blockLine)) {
            if (index >= expected.size())
                Mismatch("TBlockReader", "(no line)", "got \"" + std::string(blockLine.text.substr(0, 200)) + "\"");
            CheckBlockLine(expected[index], blockLine);
            ++index;
            if (blocks.GetLineNumber() != index)
                Mismatch("TBlockReader line number", expected[index - 1], std::to_string(blocks.GetLineNumber()));
        }
        if (index != expected.size())
            Mismatch("TBlockReader end", expected[index], "input ended early");
    }

    for (std::string_view each : expected)
        CheckNumbers(each);
    return 0;
}
