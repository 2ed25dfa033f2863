#include "geometry/TPointTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using quorvel::TPoint;
using quorvel::TPointTools;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Points = std::vector<TPoint>;

// Exact cross product (a - o) x (b - o) for integer-valued coordinates of
// moderate size: the oracle the hull is checked against.
std::int64_t Cross(const TPoint& o, const TPoint& a, const TPoint& b)
{
    const auto ox = static_cast<std::int64_t>(o.X()), oy = static_cast<std::int64_t>(o.Y());
    const auto ax = static_cast<std::int64_t>(a.X()), ay = static_cast<std::int64_t>(a.Y());
    const auto bx = static_cast<std::int64_t>(b.X()), by = static_cast<std::int64_t>(b.Y());
    return (ax - ox) * (by - oy) - (ay - oy) * (bx - ox);
}

bool Lower(const TPoint& a, const TPoint& b)
{
    return a.Y() < b.Y() || (a.Y() == b.Y() && a.X() < b.X());
}

// Checks that hull is the true convex hull of the integer-valued points:
// corners are input points, strictly convex and counterclockwise from the
// lowest point, and every input point lies inside or on the hull.
void ExpectTrueHull(const Points& input, const Points& hull)
{
    SCOPED_TRACE(testing::Message() << input.size() << " points, hull of " << hull.size());
    if (input.empty()) {
        EXPECT_TRUE(hull.empty());
        return;
    }
    ASSERT_FALSE(hull.empty());
    for (const TPoint& corner : hull)
        EXPECT_NE(std::find(input.begin(), input.end(), corner), input.end());
    const TPoint lowest = *std::min_element(input.begin(), input.end(), Lower);
    EXPECT_EQ(hull.front(), lowest);

    if (hull.size() == 1) {
        for (const TPoint& p : input)
            EXPECT_EQ(p, hull[0]);
        return;
    }
    if (hull.size() == 2) {
        EXPECT_NE(hull[0], hull[1]);
        const double minX = std::min(hull[0].X(), hull[1].X()), maxX = std::max(hull[0].X(), hull[1].X());
        for (const TPoint& p : input) {
            EXPECT_EQ(Cross(hull[0], hull[1], p), 0);
            EXPECT_TRUE(p.Y() >= hull[0].Y() && p.Y() <= hull[1].Y() && p.X() >= minX && p.X() <= maxX);
        }
        return;
    }
    const std::size_t n = hull.size();
    for (std::size_t i = 0; i < n; ++i) {
        const TPoint& a = hull[i];
        const TPoint& b = hull[(i + 1) % n];
        EXPECT_GT(Cross(a, b, hull[(i + 2) % n]), 0) << "corner " << (i + 1) % n << " is not a strict left turn";
        for (const TPoint& p : input)
            EXPECT_GE(Cross(a, b, p), 0) << "(" << p.X() << ", " << p.Y() << ") lies outside edge " << i;
    }
}

} // namespace

TEST(TPointTools, ThetaIsAPseudoAngleExactAtCompassPoints)
{
    // columns: target seen from the origin, expected pseudo-angle
    struct Case {
        TPoint to;
        double theta;
    };
    const Case cases[] = {
        {{1, 0}, 0},     {{1, 1}, 45},    {{0, 1}, 90},    {{-1, 1}, 135}, {{-1, 0}, 180},
        {{-1, -1}, 225}, {{0, -1}, 270},  {{1, -1}, 315},  {{2, 1}, 30},   {{1, 2}, 60},
        {{-2, 1}, 150},  {{0, 0}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(TPointTools::Theta(TPoint(0, 0), c.to), c.theta) << c.to.X() << ", " << c.to.Y();
        // Only the difference counts.
        EXPECT_DOUBLE_EQ(TPointTools::Theta(TPoint(5, -3), TPoint(5 + c.to.X(), -3 + c.to.Y())), c.theta);
    }
}

TEST(TPointTools, HullOfSmallFixedSets)
{
    // columns: what the set shows, input points, expected corners
    struct Case {
        const char* what;
        Points input;
        Points corners;
    };
    const Case cases[] = {
        {"no point", {}, {}},
        {"one point", {{3, 4}}, {{3, 4}}},
        {"one point repeated", {{3, 4}, {3, 4}, {3, 4}}, {{3, 4}}},
        {"zeros of both signs are one point", {{0.0, -0.0}, {-0.0, 0.0}}, {{0, 0}}},
        {"two points, highest first", {{1, 5}, {2, 1}}, {{2, 1}, {1, 5}}},
        {"collinear with repeats, unsorted", {{2, 2}, {4, 4}, {0, 0}, {2, 2}, {1, 1}, {3, 3}}, {{0, 0}, {4, 4}}},
        {"horizontal line, leftmost is lowest", {{5, 1}, {2, 1}, {9, 1}}, {{2, 1}, {9, 1}}},
        {"square with edge and inner points, clockwise input",
         {{0, 1}, {1, 1}, {1, 0}, {0, 0}, {0.5, 0}, {1, 0.5}, {0.5, 0.5}, {0, 0.25}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"two lowest points: the left one starts", {{3, 0}, {0, 0}, {1, 2}}, {{0, 0}, {3, 0}, {1, 2}}},
        {"diamond", {{1, 2}, {0, 1}, {2, 1}, {1, 0}, {1, 1}}, {{1, 0}, {2, 1}, {1, 2}, {0, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TPointTools::FindConvexHull(c.input), c.corners) << c.what;
}

TEST(TPointTools, HullMatchesBruteForceOnRandomGrids)
{
    std::mt19937 random(20240611);
    // Small grids force many repeated and collinear points; the wide one
    // gives general position.
    const int extents[] = {1, 2, 3, 5, 8, 1000000};
    for (int round = 0; round < 400; ++round) {
        const int extent = extents[round % std::size(extents)];
        std::uniform_int_distribution<int> coordinate(-extent, extent);
        std::uniform_int_distribution<int> count(0, 60);
        Points input(static_cast<std::size_t>(count(random)));
        for (TPoint& p : input)
            p = TPoint(coordinate(random), coordinate(random));
        const Points copy = input;
        ExpectTrueHull(input, TPointTools::FindConvexHull(input));
        ASSERT_EQ(input, copy);
    }
}

TEST(TPointTools, HullOrientationIsExactForNearlyCollinearPoints)
{
    // A point a few units in the last place off the line y = x, seen with
    // two far points on that line: a plain double cross product gets the
    // side wrong for many of these, so the hull would drop or keep the
    // wrong corner.
    const double ulp = std::ldexp(1.0, -53);
    const TPoint far1(12, 12), far2(24, 24);
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 32; ++j) {
            const TPoint near(0.5 + i * ulp, 0.5 + j * ulp);
            const Points hull = TPointTools::FindConvexHull({far2, near, far1});
            // Twice the signed area of near, far1, far2 is 12 (j - i) ulp.
            Points expected{near, far2};
            if (j > i)
                expected = {near, far1, far2};
            else if (j < i)
                expected = {near, far2, far1};
            EXPECT_EQ(hull, expected) << "i = " << i << ", j = " << j;
        }
    }
}

TEST(TPointTools, HullIgnoresPointsWithNaN)
{
    const Points input{{kNaN, 0}, {0, 0}, {2, 0}, {0, kNaN}, {2, 2}, {kNaN, kNaN}, {0, 2}, {1, kNaN}};
    EXPECT_EQ(TPointTools::FindConvexHull(input), (Points{{0, 0}, {2, 0}, {2, 2}, {0, 2}}));
    EXPECT_TRUE(TPointTools::FindConvexHull({{kNaN, 1}, {1, kNaN}}).empty());
    EXPECT_EQ(TPointTools::FindConvexHull({{kNaN, 1}, {7, 8}}), (Points{{7, 8}}));
}

TEST(TPointTools, HullWithInfinitiesGivesDistinctInputPointsFromTheLowest)
{
    // Orientations with infinities can be undefined (inf - inf); the hull
    // must still end, and give distinct input points from the lowest on.
    std::mt19937 random(17);
    const double pool[] = {-kInf, kInf, 0, 1, 2, -1};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1);
    std::uniform_int_distribution<int> count(1, 8);
    for (int round = 0; round < 5000; ++round) {
        Points input(static_cast<std::size_t>(count(random)));
        for (TPoint& p : input)
            p = TPoint(pool[pick(random)], pool[pick(random)]);
        const Points hull = TPointTools::FindConvexHull(input);
        ASSERT_FALSE(hull.empty());
        EXPECT_EQ(hull.front(), *std::min_element(input.begin(), input.end(), Lower));
        for (const TPoint& corner : hull) {
            EXPECT_NE(std::find(input.begin(), input.end(), corner), input.end());
            EXPECT_EQ(std::count(hull.begin(), hull.end(), corner), 1);
        }
    }
}

TEST(TPointTools, CentroidIsTheMeanOfThePoints)
{
    const TPoint centroid = TPointTools::FindCentroid({{0, 0}, {4, 0}, {0, 3}});
    EXPECT_DOUBLE_EQ(centroid.X(), 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(centroid.Y(), 1.0);
    const TPoint none = TPointTools::FindCentroid({});
    EXPECT_TRUE(std::isnan(none.X()) && std::isnan(none.Y()));
}

TEST(TPointTools, HeronAreas)
{
    // columns: corners, expected area (exact unless tolerance > 0)
    struct Case {
        TPoint a, b, c;
        double area;
        double tolerance;
    };
    const Case cases[] = {
        {{0, 0}, {4, 0}, {0, 3}, 6, 1e-15},
        {{4, 0}, {0, 3}, {0, 0}, 6, 1e-15},
        {{0, 0}, {2, 0}, {1, 0}, 0, 0},
        {{1, 2}, {1, 2}, {1, 2}, 0, 0},
        {{1, 2}, {1, 2}, {5, 9}, 0, 0},
    };
    for (const Case& c : cases) {
        const double area = TPointTools::Heron(c.a, c.b, c.c);
        if (c.tolerance == 0)
            EXPECT_EQ(area, c.area);
        else
            EXPECT_NEAR(area, c.area, c.tolerance);
    }
}

TEST(TPointTools, HeronOfFlatTrianglesIsNeverNegativeOrNaN)
{
    // Points on lines: rounded side lengths make the product under the root
    // slightly negative for about 40% of these, or leave a tiny area.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> t(-10, 10), slope(-3, 3);
    for (int i = 0; i < 20000; ++i) {
        const double m = slope(random);
        const double t1 = t(random), t2 = t(random), t3 = t(random);
        const double area = TPointTools::Heron({t1, m * t1}, {t2, m * t2}, {t3, m * t3});
        ASSERT_FALSE(std::isnan(area)) << "round " << i;
        ASSERT_GE(area, 0.0);
        ASSERT_LT(area, 1e-4);
    }
}

TEST(TPointTools, ConvexPolygonAreas)
{
    // columns: corners in order, expected area
    struct Case {
        Points corners;
        double area;
    };
    const Case cases[] = {
        {{}, 0},
        {{{3, 3}}, 0},
        {{{0, 0}, {5, 5}}, 0},
        {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1},
        {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 1},
        {{{0, 0}, {4, 0}, {0, 3}}, 6},
        {{{1, 0}, {2, 1}, {1, 2}, {0, 1}}, 2},
        {{{0, 0}, {4, 1}, {1, 4}}, 7.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(TPointTools::FindConvexPolygonArea(c.corners), c.area, 1e-12) << c.corners.size() << " corners";
}
