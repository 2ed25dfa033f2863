#include "driver/TRunSettings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TRunSettings;
using TSmoothing = TRunSettings::TSmoothing;

namespace {

std::optional<TRunSettings> Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "Quorvel");
    return TRunSettings::ParseCommandLine(static_cast<int>(args.size()), args.data());
}

} // namespace

TEST(TRunSettings, ArgumentCounts)
{
    EXPECT_FALSE(Parse({}));
    EXPECT_FALSE(Parse({"f", "1", "X"}));

    auto four = Parse({"f.mp", "1990", "anything", ";;"});
    ASSERT_TRUE(four);
    EXPECT_EQ("f.mp", four->FileName);
    EXPECT_EQ(1990, four->StartYear);
    EXPECT_EQ(";;", four->Delimiter);
    EXPECT_EQ(0, four->BurnIn);
    EXPECT_EQ(0, four->PatchSizeThreshold);
    EXPECT_EQ(TSmoothing::None, four->MovingAverageType);
    EXPECT_EQ(0, four->WindowSize);

    auto nine = Parse({"f", "1", "", "", "2", "-3", "exp", "4", "extra"});
    ASSERT_TRUE(nine);
    EXPECT_EQ(2, nine->BurnIn);
    EXPECT_EQ(-3, nine->PatchSizeThreshold);
    EXPECT_EQ(TSmoothing::Exponential, nine->MovingAverageType);
    EXPECT_EQ(4, nine->WindowSize);

    // A smoothing type without its window is a usage error.
    EXPECT_FALSE(Parse({"f", "1", "X", ",", "0", "0", "sma"}));
}

TEST(TRunSettings, IntegersFollowAtol)
{
    // start year text, value
    const struct {
        const char* text;
        int value;
    } kCases[] = {{"2000", 2000}, {"5abc", 5}, {"abc", 0}, {" -5", -5}, {"+12", 12}, {"", 0}, {"\t7", 7}};
    for (const auto& c : kCases)
        EXPECT_EQ(c.value, Parse({"f", c.text, "X", ","})->StartYear) << c.text;
}

TEST(TRunSettings, SmoothingTypeIsMatchedExactly)
{
    EXPECT_EQ(TSmoothing::SimpleMovingAverage, Parse({"f", "1", "X", ",", "0", "0", "sma", "3"})->MovingAverageType);
    for (const char* type : {"SMA", "Exp", " sma", "sma ", "", "median"}) {
        try {
            Parse({"f", "1", "X", ",", "0", "0", type, "3"});
            ADD_FAILURE() << "no error for " << type;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ("Unknown moving average", error.what());
        }
    }
}

TEST(TRunSettings, OutOfRangeIntegersFailInArgumentOrder)
{
    try {
        Parse({"f", "9999999999", "X", ",", "9999999999", "0", "bad", "3"});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("argument 2 (startyear) \"9999999999\" is outside the range -2147483648 to 2147483647",
                     error.what());
    }
}
