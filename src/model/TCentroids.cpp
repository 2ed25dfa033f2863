#include "model/TCentroids.h"

#include <algorithm>
#include <stdexcept>

namespace quorvel {

namespace {
auto LowerBound(const std::vector<std::pair<TYear, TPoint>>& points, TYear year)
{
    return std::lower_bound(points.begin(), points.end(), year,
                            [](const std::pair<TYear, TPoint>& entry, TYear y) { return entry.first < y; });
}
} // namespace

bool TCentroids::YearExists(TYear year) const
{
    auto it = LowerBound(points_, year);
    return it != points_.end() && it->first == year;
}

std::vector<TYear> TCentroids::GetYearList() const
{
    std::vector<TYear> years;
    years.reserve(points_.size());
    for (const auto& entry : points_)
        years.push_back(entry.first);
    return years;
}

TPoint TCentroids::GetCoords(TYear year) const
{
    auto it = LowerBound(points_, year);
    if (it == points_.end() || it->first != year)
        throw std::runtime_error("Year does not exist.");
    return it->second;
}

void TCentroids::SetCoords(TYear year, TPoint point)
{
    if (points_.empty() || points_.back().first < year) {
        points_.emplace_back(year, point);
        return;
    }
    auto it = std::lower_bound(points_.begin(), points_.end(), year,
                               [](const std::pair<TYear, TPoint>& entry, TYear y) { return entry.first < y; });
    if (it != points_.end() && it->first == year)
        it->second = point;
    else
        points_.insert(it, {year, point});
}

} // namespace quorvel
