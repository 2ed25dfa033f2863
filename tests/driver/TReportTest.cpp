#include "driver/TReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>

using quorvel::TReport;

// Finite numbers are written exactly as an output stream with default
// settings writes them, which is what scripts reading the report expect.
TEST(TReport, FormatDoubleMatchesStreamDefaults)
{
    std::mt19937_64 random(11);
    for (int i = 0; i < 200000; ++i) {
        double value = 0;
        if (i % 2 == 0) {
            std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value))
                continue;
        } else {
            // Values near rounding boundaries of six digits.
            value = std::ldexp(static_cast<double>(random() % 2000000) - 1000000.0,
                               static_cast<int>(random() % 60) - 40);
        }
        std::ostringstream stream;
        stream << value;
        ASSERT_EQ(stream.str(), TReport::FormatDouble(value));
    }
}

TEST(TReport, FormatCases)
{
    // value, text
    const struct {
        double value;
        const char* text;
    } kCases[] = {
        {1.0, "1"},
        {2.5, "2.5"},
        {123.456789, "123.457"},
        {0.0000123, "1.23e-05"},
        {1234567.0, "1.23457e+06"},
        {-0.0, "-0"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "Inf"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.text, TReport::FormatDouble(c.value)) << c.value;
    EXPECT_EQ("-2147483648", TReport::FormatInteger(INT32_MIN));
}

TEST(TReport, LinesJoinFieldsWithTheDelimiter)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    ASSERT_NE(nullptr, out);
    {
        TReport report(out, "\\t");
        report.WriteLine(false, "Year", "X", "Y");
        report.WriteLine(true, "Initial Coords", "1", "2");
    }
    std::fclose(out);
    EXPECT_EQ("Year\\tX\\tY\nInitial Coords\\t1\\t2\\t\n", std::string(buffer, size));
    std::free(buffer);
}
