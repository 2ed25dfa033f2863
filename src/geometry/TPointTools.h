#pragma once

#include "model/TPoint.h"

#include <vector>

namespace quorvel {

// Planar geometry on point lists. Knows nothing of patches or years.
class TPointTools {
public:
    // Pseudo-angle of the direction from p to q: 0 up to (not including) 360,
    // monotonic in the true counterclockwise angle from +x, exact at the
    // eight compass directions; 0 for coincident points.
    static double Theta(const TPoint& p, const TPoint& q);
    // The corners of the convex hull, counterclockwise from the lowest point
    // (smallest y, then smallest x): no point on an edge, none repeated.
    static std::vector<TPoint> FindConvexHull(std::vector<TPoint> points);
    // Mean of the points; NaN, NaN for an empty list.
    static TPoint FindCentroid(const std::vector<TPoint>& points);
    // Area of the triangle abc; never NaN for finite corners.
    static double Heron(const TPoint& a, const TPoint& b, const TPoint& c);
    // Area of a convex polygon given by its corners in order, as a fan of
    // triangles around the mean of its corners; 0 for fewer than 2 corners.
    static double FindConvexPolygonArea(const std::vector<TPoint>& corners);
};

} // namespace quorvel
