#include "metrics/TTableWriter.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using quorvel::TMetricsOptions;
using quorvel::TModelMetrics;
using quorvel::TTableWriter;
using TFormat = quorvel::TMetricsOptions::TFormat;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Two years, two columns: a = 0.1, 1e300 and b = NaN, -inf.
TModelMetrics TwoYears()
{
    TModelMetrics metrics;
    metrics.Years = {-5, 2000};
    metrics.Columns = {{0.1, 1e300}, {kNaN, -kInf}};
    return metrics;
}

TEST(TTableWriter, Formats)
{
    const struct {
        TFormat format;
        const char* file;
        const char* header;
        const char* rows;
    } kCases[] = {
        {TFormat::Csv, "runs/a.mp", "file,year,a,b\n", "runs/a.mp,-5,0.1,\nruns/a.mp,2000,1e+300,-inf\n"},
        // RFC 4180 quoting for names that need it.
        {TFormat::Csv, "x,\"y\".mp", "file,year,a,b\n", "\"x,\"\"y\"\".mp\",-5,0.1,\n\"x,\"\"y\"\".mp\",2000,1e+300,-inf\n"},
        {TFormat::Tsv, "a\tb\\c\n.mp", "file\tyear\ta\tb\n",
         "a\\tb\\\\c\\n.mp\t-5\t0.1\t\na\\tb\\\\c\\n.mp\t2000\t1e+300\t-inf\n"},
        // JSON has no NaN or infinities: both are null.
        {TFormat::Jsonl, "q\"\\\x01.mp", "",
         "{\"file\":\"q\\\"\\\\\\u0001.mp\",\"year\":-5,\"a\":0.1,\"b\":null}\n"
         "{\"file\":\"q\\\"\\\\\\u0001.mp\",\"year\":2000,\"a\":1e+300,\"b\":null}\n"},
    };
    for (const auto& c : kCases) {
        const TTableWriter writer(c.format, {"a", "b"});
        EXPECT_EQ(c.header, writer.Header()) << c.file;
        EXPECT_EQ(c.rows, writer.Rows(c.file, TwoYears())) << c.file;
    }
}

TEST(TTableWriter, NumbersReadBackExactly)
{
    EXPECT_EQ("", TTableWriter::FormatNumber(kNaN));
    EXPECT_EQ("0", TTableWriter::FormatNumber(0.0));
    EXPECT_EQ("-0", TTableWriter::FormatNumber(-0.0));
    EXPECT_EQ("12", TTableWriter::FormatNumber(12.0));
    EXPECT_EQ("0.30000000000000004", TTableWriter::FormatNumber(0.1 + 0.2));
    EXPECT_EQ("5e-324", TTableWriter::FormatNumber(std::numeric_limits<double>::denorm_min()));
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        std::uint64_t bits = random();
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        const std::string text = TTableWriter::FormatNumber(value);
        double back = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
        ASSERT_EQ(0, std::memcmp(&value, &back, sizeof value)) << text;
    }
}

} // namespace
