#pragma once

#include "model/TPatch.h"
#include "model/TPoint.h"
#include "model/TYear.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// The patches of one model keyed by name, with the grid resolution in
// kilometres per grid unit. Names are ordered byte by byte as unsigned
// values; every analysis walks the patches in this order, which fixes the
// order in which sums are formed.
class TPatches {
public:
    using TPatchMap = std::map<std::string, std::unique_ptr<TPatch>, std::less<>>;

    TPatches() = default;

    // Stores the patch under its name, replacing (and deleting) any patch
    // stored under that name before.
    void AddPatch(std::unique_ptr<TPatch> patch);
    // The patch of a name, still owned by the collection; throws
    // std::runtime_error("Patch does not exist").
    TPatch* GetPatch(std::string_view name) const;
    bool PatchExists(std::string_view name) const { return patches_.find(name) != patches_.end(); }
    std::vector<std::string> GetNames() const;
    std::int32_t GetNumPatches() const { return static_cast<std::int32_t>(patches_.size()); }
    double GetResolution() const { return resolution_; }
    void SetResolution(double resolution) { resolution_ = resolution; }
    // Every patch's population in the year, in name order; throws the
    // patch's "Year does not exist" for the first patch that lacks it.
    std::vector<double> GetPatchSizes(TYear year) const;
    // Every patch's location, in name order.
    std::vector<TPoint> GetCoordinates() const;

    // Deletes every patch for which `remove(const TPatch&)` is true.
    template <class Predicate>
    void RemovePatchesIf(Predicate&& remove)
    {
        std::erase_if(patches_, [&](const auto& entry) { return remove(*entry.second); });
    }

    // Name-ordered view for loops that need neither copies nor look-ups.
    const TPatchMap& GetPatchMap() const { return patches_; }

private:
    TPatchMap patches_;
    double resolution_ = 1.0;
};

} // namespace quorvel
