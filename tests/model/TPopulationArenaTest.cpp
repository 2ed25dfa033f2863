#include "model/TPatch.h"
#include "model/TPopulationArena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

using quorvel::TArenaAllocator;
using quorvel::TPatch;
using quorvel::TPopulationArena;

TEST(TPopulationArena, AllocationsAreAlignedDisjointAndSpanBlocks)
{
    TPopulationArena arena;
    std::vector<std::pair<std::uintptr_t, std::size_t>> taken;
    // Far more than the first block, in odd sizes, and one larger than it.
    for (std::size_t i = 0; i < 5000; ++i) {
        const std::size_t bytes = 8 * (1 + i % 997);
        auto* p = static_cast<unsigned char*>(arena.Allocate(bytes, 8));
        ASSERT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % 8);
        p[0] = 1;
        p[bytes - 1] = 2;
        taken.emplace_back(reinterpret_cast<std::uintptr_t>(p), bytes);
    }
    auto* big = static_cast<unsigned char*>(arena.Allocate(std::size_t{20} << 20, 64));
    big[(std::size_t{20} << 20) - 1] = 3;
    taken.emplace_back(reinterpret_cast<std::uintptr_t>(big), std::size_t{20} << 20);
    std::sort(taken.begin(), taken.end());
    for (std::size_t i = 1; i < taken.size(); ++i)
        ASSERT_LE(taken[i - 1].first + taken[i - 1].second, taken[i].first);
}

TEST(TPopulationArena, PatchesOnAnArenaBehaveLikeOthersAndCopiesLeaveIt)
{
    auto arena = std::make_shared<TPopulationArena>();
    std::unique_ptr<TPatch> copy;
    {
        TPatch patch("P", "", 1, 2);
        patch.UseArena(arena);
        const double values[] = {1, 2, 3};
        patch.SetYears(2000, values, 3);
        patch.SetYear(1990, 7); // grows and moves inside the arena
        patch.SetYear(2003, 4);
        EXPECT_EQ((std::vector<quorvel::TYear>{1990, 2000, 2001, 2002, 2003}), patch.GetYearList());
        copy = patch.Clone();
    }
    arena.reset(); // the copy holds nothing of the arena
    EXPECT_EQ(7.0, copy->GetYear(1990));
    EXPECT_EQ(4.0, copy->GetYear(2003));
    EXPECT_EQ(5u, copy->GetNumYears());
}
