#pragma once

// Small collections written as tables in the analysis tests, and a
// comparison of doubles for results that must agree bit for bit.

#include "model/TPatches.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::testing {

// A patch as a table row: name, location and (year, population) entries.
struct TPatchSpec {
    std::string name;
    double x;
    double y;
    std::vector<std::pair<TYear, double>> years;
};

inline std::unique_ptr<TPatches> MakePatches(const std::vector<TPatchSpec>& specs, double resolution = 1.0)
{
    auto patches = std::make_unique<TPatches>();
    patches->SetResolution(resolution);
    for (const TPatchSpec& spec : specs) {
        auto patch = std::make_unique<TPatch>(spec.name, "", spec.x, spec.y);
        for (const auto& [year, population] : spec.years)
            patch->SetYear(year, population);
        patches->AddPatch(std::move(patch));
    }
    return patches;
}

// Bitwise equality of doubles; any NaN equals any NaN.
inline bool SameDouble(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The message of the std::runtime_error an action throws.
inline std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(no exception)";
}

} // namespace quorvel::testing
