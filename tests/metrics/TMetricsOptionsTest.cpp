#include "metrics/TMetricsOptions.h"

#include <gtest/gtest.h>

#include <stdexcept>

using quorvel::TMetricsOptions;
using TKind = quorvel::TMetricsOptions::TSmoothing::TKind;

namespace {

TEST(TMetricsOptions, SmoothingText)
{
    using TSmoothing = TMetricsOptions::TSmoothing;
    const struct {
        const char* text;
        TKind kind;
        std::int32_t window;
    } kGood[] = {{"sma:1", TKind::MovingAverage, 1}, {"exp:12", TKind::Exponential, 12},
                 {"median:2147483647", TKind::Median, 2147483647}};
    for (const auto& c : kGood) {
        const TSmoothing smoothing = TSmoothing::Parse(c.text);
        EXPECT_EQ(c.kind, smoothing.Kind) << c.text;
        EXPECT_EQ(c.window, smoothing.Window) << c.text;
        EXPECT_EQ(c.text, smoothing.ToString());
    }
    for (const char* bad : {"", "sma", "sma:", "sma:0", "sma:-3", "sma:3x", "sma: 3", "SMA:3", "median:2147483648",
                            "mean:3"})
        EXPECT_THROW(TSmoothing::Parse(bad), std::invalid_argument) << bad;
}

} // namespace
