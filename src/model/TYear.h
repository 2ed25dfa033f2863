#pragma once

#include <cstdint>

namespace quorvel {

// A calendar year of the model. Every year in the program has this type, so
// that year arithmetic is checked in one width everywhere.
using TYear = std::int32_t;

} // namespace quorvel
