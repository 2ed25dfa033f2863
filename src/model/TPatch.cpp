#include "model/TPatch.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace quorvel {

TPatch::TPatch(std::string name, std::string info, double x, double y)
    : name_(std::move(name)), info_(std::move(info)), location_(x, y)
{
}

std::size_t TPatch::FindIndex(TYear year) const
{
    // The last run that starts at or before the year.
    auto it = std::upper_bound(runs_.begin(), runs_.end(), year,
                               [](TYear y, const TYearRun& run) { return y < run.first; });
    if (it == runs_.begin())
        return kNotFound;
    const std::size_t run = static_cast<std::size_t>(it - runs_.begin()) - 1;
    const std::int64_t distance = std::int64_t{year} - runs_[run].first;
    const std::size_t index = runs_[run].offset + static_cast<std::size_t>(distance);
    return index < RunEnd(run) ? index : kNotFound;
}

std::vector<TYear> TPatch::GetYearList() const
{
    std::vector<TYear> years;
    years.reserve(populations_.size());
    ForEachYear([&](TYear year, double) { years.push_back(year); });
    return years;
}

double TPatch::GetYear(TYear year) const
{
    const std::size_t index = FindIndex(year);
    if (index == kNotFound)
        throw std::runtime_error("Year does not exist");
    return populations_[index];
}

TYear TPatch::GetMinYear() const
{
    return runs_.empty() ? kNoMinYear : runs_.front().first;
}

TYear TPatch::GetMaxYear() const
{
    if (runs_.empty())
        return kNoMaxYear;
    const std::size_t count = populations_.size() - runs_.back().offset;
    return static_cast<TYear>(runs_.back().first + static_cast<std::int64_t>(count) - 1);
}

void TPatch::InsertValue(std::size_t index, double population, std::size_t firstShiftedRun)
{
    populations_.insert(populations_.begin() + static_cast<std::ptrdiff_t>(index), population);
    for (std::size_t r = firstShiftedRun; r < runs_.size(); ++r)
        ++runs_[r].offset;
}

void TPatch::SetYear(TYear year, double population)
{
    if (runs_.empty()) {
        runs_.push_back({year, 0});
        populations_.push_back(population);
        return;
    }
    // The common case while reading a file: the year after the last one.
    if (year == std::int64_t{GetMaxYear()} + 1) {
        populations_.push_back(population);
        return;
    }

    auto it = std::upper_bound(runs_.begin(), runs_.end(), year,
                               [](TYear y, const TYearRun& run) { return y < run.first; });
    const std::size_t next = static_cast<std::size_t>(it - runs_.begin());
    if (next > 0) {
        const std::size_t run = next - 1;
        const std::size_t end = RunEnd(run);
        const std::int64_t distance = std::int64_t{year} - runs_[run].first;
        const std::int64_t length = static_cast<std::int64_t>(end - runs_[run].offset);
        if (distance < length) {
            populations_[runs_[run].offset + static_cast<std::size_t>(distance)] = population;
            return;
        }
        if (distance == length) {
            // Extends run `run` at its end, and may close the gap to the next run.
            InsertValue(end, population, next);
            if (next < runs_.size() && std::int64_t{runs_[next].first} == std::int64_t{year} + 1)
                runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(next));
            return;
        }
    }
    if (next < runs_.size() && std::int64_t{runs_[next].first} == std::int64_t{year} + 1) {
        // Extends the next run at its front: its offset stays, its first year moves.
        InsertValue(runs_[next].offset, population, next + 1);
        runs_[next].first = year;
        return;
    }
    const std::size_t offset = next < runs_.size() ? runs_[next].offset : populations_.size();
    InsertValue(offset, population, next);
    runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(next), TYearRun{year, offset});
}

// Under AddressSanitizer populations stay on the heap, where every array
// has guard zones of its own.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_HEAP_ONLY 1
#endif
#endif

void TPatch::UseArena([[maybe_unused]] std::shared_ptr<TPopulationArena> arena)
{
#ifndef QUORVEL_HEAP_ONLY
    if (populations_.empty())
        populations_ = std::vector<double, TArenaAllocator<double>>(TArenaAllocator<double>(std::move(arena)));
#endif
}

void TPatch::SetYears(TYear first, const double* populations, std::size_t count)
{
    if (count == 0)
        return;
    if (runs_.empty()) {
        runs_.push_back({first, 0});
        populations_.assign(populations, populations + count);
        return;
    }
    if (first == std::int64_t{GetMaxYear()} + 1) {
        populations_.insert(populations_.end(), populations, populations + count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        SetYear(static_cast<TYear>(first + static_cast<std::int64_t>(i)), populations[i]);
}

std::unique_ptr<TPatch> TPatch::ShallowClone() const
{
    return std::make_unique<TPatch>(name_, info_, location_.X(), location_.Y());
}

std::unique_ptr<TPatch> TPatch::Clone() const
{
    auto copy = ShallowClone();
    copy->runs_ = runs_;
    copy->populations_ = populations_;
    return copy;
}

void TPatch::DeepClone(TPatch& target) const
{
    if (&target == this)
        return;
    target.ReserveYears(target.GetNumYears() + populations_.size());
    ForEachYear([&](TYear year, double population) { target.SetYear(year, population); });
}

} // namespace quorvel
