#pragma once

#include "model/TPoint.h"
#include "model/TPopulationArena.h"
#include "model/TYear.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// One habitat patch: a name, a grid location and a population per year.
//
// Populations are kept as runs of consecutive years over one contiguous
// array of doubles, so a patch read from an MP file (one unbroken run of
// years) costs 8 bytes per year plus a small constant. Any sequence of
// SetYear calls is still accepted and behaves like an ordered map from year
// to population.
class TPatch {
public:
    // Year bounds reported by a patch that holds no year.
    static constexpr TYear kNoMinYear = 99999999;
    static constexpr TYear kNoMaxYear = 0;

    TPatch(std::string name, std::string info, double x, double y);

    bool HasYear(TYear year) const { return FindIndex(year) != kNotFound; }
    std::vector<TYear> GetYearList() const;
    // Stores or replaces the population of a year.
    void SetYear(TYear year, double population);
    // The population of a year; throws std::runtime_error("Year does not exist").
    double GetYear(TYear year) const;

    // Stores count populations for the years first, first + 1, ..., exactly
    // as that many SetYear calls would; fast when the run is the patch's
    // first or follows its last year. The years must fit in TYear.
    void SetYears(TYear first, const double* populations, std::size_t count);

    // The smallest and largest year held; kNoMinYear and kNoMaxYear when none.
    TYear GetMinYear() const;
    TYear GetMaxYear() const;
    double GetX() const { return location_.X(); }
    double GetY() const { return location_.Y(); }
    const TPoint& GetLocation() const { return location_; }
    const std::string& GetName() const { return name_; }
    const std::string& GetInfo() const { return info_; }

    // Same name, info text and location; no populations.
    std::unique_ptr<TPatch> ShallowClone() const;
    // A full, independent copy.
    std::unique_ptr<TPatch> Clone() const;
    // Stores every population of this patch into target, as SetYear would.
    void DeepClone(TPatch& target) const;

    // Takes the storage of populations stored from now on from `arena`;
    // only for a patch that holds no year yet.
    void UseArena(std::shared_ptr<TPopulationArena> arena);

    std::size_t GetNumYears() const { return populations_.size(); }
    void ReserveYears(std::size_t count) { populations_.reserve(count); }
    // Visits every (year, population) in ascending year order without
    // building a year list; the hot loops of the analyses use it.
    template <class Visitor>
    void ForEachYear(Visitor&& visit) const
    {
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            const std::size_t end = r + 1 < runs_.size() ? runs_[r + 1].offset : populations_.size();
            // Counted in 64 bits: a run may end at the largest year.
            std::int64_t year = runs_[r].first;
            for (std::size_t i = runs_[r].offset; i < end; ++i, ++year)
                visit(static_cast<TYear>(year), populations_[i]);
        }
    }

private:
    static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
    // Years first, first + 1, ... stored from populations_[offset] on, up to
    // the next run's offset. Runs are ascending and never touch each other.
    struct TYearRun {
        TYear first;
        std::size_t offset;
    };

    std::size_t RunEnd(std::size_t run) const
    {
        return run + 1 < runs_.size() ? runs_[run + 1].offset : populations_.size();
    }
    std::size_t FindIndex(TYear year) const;
    void InsertValue(std::size_t index, double population, std::size_t firstShiftedRun);

    std::string name_;
    std::string info_;
    TPoint location_;
    std::vector<TYearRun> runs_;
    std::vector<double, TArenaAllocator<double>> populations_;
};

} // namespace quorvel
