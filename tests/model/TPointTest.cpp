#include "model/TPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using quorvel::TPoint;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

TEST(TPoint, DistanceIsSymmetricEuclidean)
{
    const TPoint origin(0, 0), corner(3, 4);
    EXPECT_EQ(origin.Distance(corner), 5.0);
    EXPECT_EQ(corner.Distance(origin), 5.0);
    EXPECT_EQ(corner.Distance(corner), 0.0);
}

TEST(TPoint, DiffIsReceiverMinusArgument)
{
    const TPoint d = TPoint(1, 5).Diff(TPoint(4, 1));
    EXPECT_EQ(d.X(), -3.0);
    EXPECT_EQ(d.Y(), 4.0);
    const TPoint back = TPoint(4, 1).Diff(TPoint(1, 5));
    EXPECT_EQ(back.X(), 3.0);
    EXPECT_EQ(back.Y(), -4.0);
}

TEST(TPoint, NaNCoordinatePropagates)
{
    // columns: point with a NaN, whether the NaN is in x
    struct Case {
        TPoint withNaN;
        bool nanInX;
    };
    const Case cases[] = {{TPoint(kNaN, 1), true}, {TPoint(1, kNaN), false}};
    const TPoint other(2, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nanInX ? "NaN in x" : "NaN in y");
        EXPECT_TRUE(std::isnan(c.withNaN.Distance(other)));
        EXPECT_TRUE(std::isnan(other.Distance(c.withNaN)));
        const TPoint d1 = c.withNaN.Diff(other);
        const TPoint d2 = other.Diff(c.withNaN);
        EXPECT_EQ(std::isnan(d1.X()), c.nanInX);
        EXPECT_EQ(std::isnan(d1.Y()), !c.nanInX);
        EXPECT_EQ(std::isnan(d2.X()), c.nanInX);
        EXPECT_EQ(std::isnan(d2.Y()), !c.nanInX);
    }
}

TEST(TPoint, CloneIsIndependent)
{
    const TPoint original(1.5, -2.5);
    TPoint copy = original.Clone();
    EXPECT_EQ(copy, original);
    copy.X() = 10;
    copy.Y() = 20;
    EXPECT_EQ(original.X(), 1.5);
    EXPECT_EQ(original.Y(), -2.5);
    EXPECT_EQ(copy.X(), 10.0);
    EXPECT_EQ(copy.Y(), 20.0);
}
