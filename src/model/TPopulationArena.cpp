#include "model/TPopulationArena.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace quorvel {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMaxBlock = std::size_t{256} << 20;
} // namespace

TPopulationArena::~TPopulationArena()
{
    for (const TBlock& block : blocks_)
        ::munmap(block.base, block.size);
}

void* TPopulationArena::Allocate(std::size_t bytes, std::size_t alignment)
{
    auto at = reinterpret_cast<std::uintptr_t>(next_);
    at = (at + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    if (next_ == nullptr || at + bytes > reinterpret_cast<std::uintptr_t>(end_)) {
        // Blocks grow geometrically, so a model of any size needs few of them
        // and the unused tail of the last one stays small relative to it.
        std::size_t size = nextBlockSize_;
        while (size < bytes)
            size *= 2;
        nextBlockSize_ = std::min(nextBlockSize_ * 2, kMaxBlock);
        // Map one huge page more than needed to align the block to one.
        const std::size_t mapped = size + kHugePage;
        void* base = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED)
            throw std::bad_alloc();
        blocks_.push_back({base, mapped});
        const auto aligned = (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
        next_ = reinterpret_cast<char*>(aligned);
        end_ = next_ + size;
#ifdef MADV_HUGEPAGE
        ::madvise(next_, size, MADV_HUGEPAGE); // advice only: without huge pages it still works
#endif
        at = reinterpret_cast<std::uintptr_t>(next_);
    }
    next_ = reinterpret_cast<char*>(at + bytes);
    return reinterpret_cast<void*>(at);
}

} // namespace quorvel
