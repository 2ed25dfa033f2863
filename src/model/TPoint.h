#pragma once

namespace quorvel {

// A planar point: a patch location, a centroid, a shift or a hull corner.
// Any pair of doubles is valid, NaN and infinities included. Points are
// small values: they are copied, never shared.
class TPoint {
public:
    TPoint() = default;
    TPoint(double x, double y) : x_(x), y_(y) {}

    double& X() { return x_; }
    double& Y() { return y_; }
    double X() const { return x_; }
    double Y() const { return y_; }

    TPoint Clone() const { return *this; }
    // The receiver minus other, coordinate by coordinate.
    TPoint Diff(const TPoint& other) const { return TPoint(x_ - other.x_, y_ - other.y_); }
    // Euclidean distance; NaN when a coordinate of either point is NaN.
    double Distance(const TPoint& other) const;

    friend bool operator==(const TPoint&, const TPoint&) = default;

private:
    double x_ = 0.0;
    double y_ = 0.0;
};

} // namespace quorvel
