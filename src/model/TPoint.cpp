#include "model/TPoint.h"

#include <cmath>

namespace quorvel {

double TPoint::Distance(const TPoint& other) const
{
    // Not std::hypot: the plain form keeps the rounding of dx*dx + dy*dy that
    // the polygon areas are defined with.
    const double dx = x_ - other.x_;
    const double dy = y_ - other.y_;
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace quorvel
