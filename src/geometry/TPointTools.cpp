#include "geometry/TPointTools.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

namespace quorvel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// a + b = sum + error exactly (Knuth's two-sum; needs round-to-nearest and
// no value-changing optimisations such as -ffast-math).
std::pair<double, double> TwoSum(double a, double b)
{
    const double sum = a + b;
    const double bVirtual = sum - a;
    const double aVirtual = sum - bVirtual;
    return {sum, (a - aVirtual) + (b - bVirtual)};
}

// Sign of the sum of the terms, computed exactly: the terms are added into a
// nonoverlapping expansion (Shewchuk's grow-expansion), whose most
// significant nonzero component carries the sign of the whole sum.
// A non-finite component (overflow) gives 0.
template <std::size_t N>
int ExactSumSign(const std::array<double, N>& terms)
{
    std::array<double, N> expansion{};
    std::size_t length = 0;
    for (const double term : terms) {
        double carry = term;
        for (std::size_t i = 0; i < length; ++i) {
            auto [sum, error] = TwoSum(carry, expansion[i]);
            expansion[i] = error;
            carry = sum;
        }
        expansion[length++] = carry;
    }
    for (std::size_t i = length; i-- > 0;) {
        if (!std::isfinite(expansion[i]))
            return 0;
        if (expansion[i] != 0.0)
            return expansion[i] > 0.0 ? 1 : -1;
    }
    return 0;
}

// Sign of the cross product (a - o) x (b - o): 1 for a left (counterclockwise)
// turn o -> a -> b, -1 for a right turn, 0 for collinear points. Exact for
// finite coordinates whose products neither overflow nor underflow (roughly
// |coordinate| between 1e-140 and 1e140, or 0); an undefined product of an
// infinity (inf - inf, inf * 0) counts as collinear.
int Orientation(const TPoint& o, const TPoint& a, const TPoint& b)
{
    const double left = (a.X() - o.X()) * (b.Y() - o.Y());
    const double right = (a.Y() - o.Y()) * (b.X() - o.X());
    const double det = left - right;
    // Opposite signs cannot cancel: the rounded difference has the true sign.
    if ((left > 0.0 && right <= 0.0) || (left < 0.0 && right >= 0.0) || (left == 0.0 && right == 0.0))
        return det > 0.0 ? 1 : (det < 0.0 ? -1 : 0);
    // Shewchuk's error bound for this evaluation of the determinant.
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon() / 2.0;
    constexpr double kErrorBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;
    const double bound = kErrorBound * (std::fabs(left) + std::fabs(right));
    if (det > bound)
        return 1;
    if (-det > bound)
        return -1;
    // Near-collinear (or not finite): expand into the six coordinate products
    // ax*by - ax*oy - ox*by - ay*bx + ay*ox + oy*bx, each split exactly into
    // a rounded product and its rounding error.
    const std::array<std::pair<double, double>, 6> factors{{
        {a.X(), b.Y()},
        {-a.X(), o.Y()},
        {-o.X(), b.Y()},
        {-a.Y(), b.X()},
        {a.Y(), o.X()},
        {o.Y(), b.X()},
    }};
    std::array<double, 12> terms{};
    for (std::size_t i = 0; i < factors.size(); ++i) {
        const double product = factors[i].first * factors[i].second;
        terms[2 * i] = product;
        terms[2 * i + 1] = std::fma(factors[i].first, factors[i].second, -product);
    }
    return ExactSumSign(terms);
}

bool LowerThan(const TPoint& a, const TPoint& b)
{
    return a.Y() < b.Y() || (a.Y() == b.Y() && a.X() < b.X());
}

// Keeps the first occurrence of every point. Needed only when infinities
// make orientations undefined; exact orientations never repeat a corner.
void RemoveRepeatedPoints(std::vector<TPoint>& points)
{
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return LowerThan(points[a], points[b]); });
    std::vector<char> repeated(points.size(), 0);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (points[order[i]] == points[order[i - 1]])
            repeated[order[i]] = 1;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!repeated[i])
            points[kept++] = points[i];
    points.resize(kept);
}

} // namespace

double TPointTools::Theta(const TPoint& p, const TPoint& q)
{
    const double dx = q.X() - p.X();
    const double dy = q.Y() - p.Y();
    double t = 0.0;
    if (!(dx == 0.0 && dy == 0.0))
        t = dy / (std::fabs(dx) + std::fabs(dy));
    if (dx < 0.0)
        t = 2.0 - t;
    else if (dy < 0.0)
        t = t + 4.0;
    return t * 90.0;
}

// Andrew's monotone chain over the points sorted by (y, x): the first chain
// runs up the right side from the lowest point, the second back down the
// left side, both keeping only strict left turns.
//
// A point with a NaN coordinate has no location and is left out (NaN would
// also break the ordering the sort relies on). Infinite coordinates are
// kept and sort like any other value; orientations they make undefined count
// as collinear, so the result is still distinct input points starting at the
// lowest one, but need not be a meaningful hull.
std::vector<TPoint> TPointTools::FindConvexHull(std::vector<TPoint> points)
{
    std::erase_if(points, [](const TPoint& p) { return std::isnan(p.X()) || std::isnan(p.Y()); });
    std::sort(points.begin(), points.end(), LowerThan);
    // -0.0 and 0.0 compare equal, so such points count as one.
    points.erase(std::unique(points.begin(), points.end()), points.end());
    const std::size_t n = points.size();
    if (n <= 2)
        return points;

    std::vector<TPoint> hull(2 * n);
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        while (k >= 2 && Orientation(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    for (std::size_t i = n - 1, chainStart = k + 1; i-- > 0;) {
        while (k >= chainStart && Orientation(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1); // the last corner is the lowest point again

    const bool hasInfinity = std::any_of(points.begin(), points.end(),
                                         [](const TPoint& p) { return std::isinf(p.X()) || std::isinf(p.Y()); });
    if (hasInfinity)
        RemoveRepeatedPoints(hull);
    return hull;
}

TPoint TPointTools::FindCentroid(const std::vector<TPoint>& points)
{
    if (points.empty())
        return TPoint(kNaN, kNaN);
    double sumX = 0.0, sumY = 0.0;
    for (const TPoint& p : points) {
        sumX += p.X();
        sumY += p.Y();
    }
    const auto n = static_cast<double>(points.size());
    return TPoint(sumX / n, sumY / n);
}

double TPointTools::Heron(const TPoint& a, const TPoint& b, const TPoint& c)
{
    double s0 = a.Distance(b), s1 = b.Distance(c), s2 = c.Distance(a);
    // Three compare-and-swaps instead of std::sort: well defined even for NaN.
    if (s0 < s1)
        std::swap(s0, s1);
    if (s1 < s2)
        std::swap(s1, s2);
    if (s0 < s1)
        std::swap(s0, s1);
    // Kahan's arrangement: every bracket is formed without cancellation, so a
    // flat triangle gives 0 (or a rounding-sized negative, clamped) instead of
    // the NaN the textbook s(s-a)(s-b)(s-c) can give.
    const double product = (s0 + (s1 + s2)) * (s2 - (s0 - s1)) * (s2 + (s0 - s1)) * (s0 + (s1 - s2));
    if (product < 0.0)
        return 0.0;
    return 0.25 * std::sqrt(product);
}

double TPointTools::FindConvexPolygonArea(const std::vector<TPoint>& corners)
{
    const std::size_t n = corners.size();
    if (n < 2)
        return 0.0;
    const TPoint centre = FindCentroid(corners);
    double sum = 0.0;
    for (std::size_t i = 1; i < n; ++i)
        sum = Heron(corners[i], corners[i - 1], centre) + sum;
    sum = Heron(corners[0], corners[n - 1], centre) + sum;
    return sum;
}

} // namespace quorvel
