#include "mp/TTextToNumber.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

using quorvel::TTextToNumber;

namespace {

// Bitwise equality, so that -0.0 differs from 0.0; NaNs compare by sign only.
bool SameDouble(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string RandomNumberText(std::mt19937_64& random)
{
    static const char* const kPieces[] = {
        "0", "1", "2", "5", "9", "00", "123456789", "98765432109876543210987654321", ".", ".", "e", "E",
        "e+", "e-", "e308", "e309", "e-320", "e-400", "+", "-", " ", "\t", "\n", "\v", "\f", "\r", "x", "X",
        "0x", "0X1p", "p-3", "P+2", "a", "f", "F", "inf", "INF", "infinity", "nan", "NaN", "nan(12)", "(",
        ")", "abc", ",", "1e", "4.9406564584124654e-324", "2.2250738585072011e-308",
        "1.7976931348623157e308", "0.1", "3.0000000000000000000000000001", "\0"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < count; ++i) {
        const auto index = std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random);
        if (index == std::size(kPieces) - 1)
            text.push_back('\0');
        else
            text += kPieces[index];
    }
    if (std::uniform_int_distribution<int>(0, 9)(random) == 0)
        text.append(std::uniform_int_distribution<std::size_t>(300, 900)(random), '7');
    return text;
}

} // namespace

// Differential check against the C library on many random strings: the fast
// path must never change a result.
TEST(TTextToNumber, ToDoubleAgreesWithAtof)
{
    std::mt19937_64 random(20261211);
    for (int i = 0; i < 300000; ++i) {
        const std::string text = RandomNumberText(random);
        const double expected = std::atof(text.c_str());
        const double actual = TTextToNumber::ToDouble(text);
        ASSERT_TRUE(SameDouble(expected, actual)) << "text \"" << text << "\": atof " << expected << ", got " << actual;
    }
}

// Plain decimals of every length around the 53-bit and 19-digit limits of
// the fast path, as population values are written.
TEST(TTextToNumber, PlainDecimalsAgreeWithAtof)
{
    std::mt19937_64 random(99);
    for (int i = 0; i < 300000; ++i) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int integerDigits = static_cast<int>(random() % 18);
        const int fractionDigits = static_cast<int>(random() % 25);
        for (int d = 0; d < integerDigits; ++d)
            text += static_cast<char>('0' + random() % 10);
        if (fractionDigits > 0 || random() % 2 == 0)
            text += '.';
        for (int d = 0; d < fractionDigits; ++d)
            text += static_cast<char>('0' + random() % 10);
        const double expected = std::atof(text.c_str());
        ASSERT_TRUE(SameDouble(expected, TTextToNumber::ToDouble(text))) << "text \"" << text << "\"";
    }
}

TEST(TTextToNumber, ToLongAgreesWithStrtol)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = RandomNumberText(random);
        const long expected = std::strtol(text.c_str(), nullptr, 10);
        ASSERT_EQ(expected, TTextToNumber::ToLong(text)) << "text \"" << text << "\"";
    }
}

TEST(TTextToNumber, ToDoubleCases)
{
    // text, expected value
    const struct {
        const char* text;
        double expected;
    } kCases[] = {
        {"", 0.0},        {"abc", 0.0},      {"  12.5", 12.5},  {"+3", 3.0},   {"-0", -0.0},
        {"5abc", 5.0},    {"0x10", 16.0},    {"0x1p3", 8.0},    {"1e", 1.0},   {"1e5", 1e5},
        {"\t7", 7.0},     {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL}, {"1e-400", 0.0}, {"inf", HUGE_VAL},
    };
    for (const auto& c : kCases)
        EXPECT_TRUE(SameDouble(c.expected, TTextToNumber::ToDouble(c.text))) << c.text;
    EXPECT_TRUE(std::isnan(TTextToNumber::ToDouble("nan")));
    // A view is converted up to its end, not to a NUL further on.
    EXPECT_EQ(12.0, TTextToNumber::ToDouble(std::string_view("123", 2)));
}

TEST(TTextToNumber, ToInt32Range)
{
    // text, expected value (or no value when out of range)
    const struct {
        const char* text;
        std::optional<std::int32_t> expected;
    } kCases[] = {
        {"2000", 2000},
        {" -5", -5},
        {"+7", 7},
        {"5abc", 5},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"000000000000000000000042", 42},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.expected, TTextToNumber::ToInt32(c.text)) << c.text;
}
