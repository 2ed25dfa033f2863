#include "model/TPatches.h"

#include <stdexcept>

namespace quorvel {

void TPatches::AddPatch(std::unique_ptr<TPatch> patch)
{
    if (!patch)
        throw std::invalid_argument("AddPatch: null patch");
    auto [it, inserted] = patches_.try_emplace(patch->GetName());
    if (inserted || it->second != patch)
        it->second = std::move(patch);
    else
        (void)patch.release(); // the same patch added again: it is stored already
}

TPatch* TPatches::GetPatch(std::string_view name) const
{
    auto it = patches_.find(name);
    if (it == patches_.end())
        throw std::runtime_error("Patch does not exist");
    return it->second.get();
}

std::vector<std::string> TPatches::GetNames() const
{
    std::vector<std::string> names;
    names.reserve(patches_.size());
    for (const auto& entry : patches_)
        names.push_back(entry.first);
    return names;
}

std::vector<double> TPatches::GetPatchSizes(TYear year) const
{
    std::vector<double> sizes;
    sizes.reserve(patches_.size());
    for (const auto& entry : patches_)
        sizes.push_back(entry.second->GetYear(year));
    return sizes;
}

std::vector<TPoint> TPatches::GetCoordinates() const
{
    std::vector<TPoint> points;
    points.reserve(patches_.size());
    for (const auto& entry : patches_)
        points.push_back(entry.second->GetLocation());
    return points;
}

} // namespace quorvel
