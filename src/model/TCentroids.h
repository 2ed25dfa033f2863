#pragma once

#include "model/TPoint.h"
#include "model/TYear.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

// A named series of points keyed by year, in ascending year order. The
// series owns its points; it hands out copies only.
class TCentroids {
public:
    explicit TCentroids(std::string name) : name_(std::move(name)) {}

    bool YearExists(TYear year) const;
    std::vector<TYear> GetYearList() const;
    // A copy of the year's point; throws std::runtime_error("Year does not exist.").
    TPoint GetCoords(TYear year) const;
    // Enters or replaces the point of a year.
    void SetCoords(TYear year, TPoint point);

    const std::string& GetName() const { return name_; }
    std::size_t GetNumYears() const { return points_.size(); }
    bool IsEmpty() const { return points_.empty(); }
    // The (year, point) entries in ascending year order.
    const std::vector<std::pair<TYear, TPoint>>& GetEntries() const { return points_; }

private:
    // Sorted by year: analyses fill series in ascending order, so an entry is
    // almost always appended.
    std::vector<std::pair<TYear, TPoint>> points_;
    std::string name_;
};

} // namespace quorvel
