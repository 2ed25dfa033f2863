#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace quorvel {

// Memory for the populations of a loaded model: large blocks handed out by
// bumping a pointer and released all at once with the arena.
//
// A large model stores hundreds of megabytes of populations in tens of
// thousands of arrays. Taken from the heap one by one, every 4 KiB page of
// them costs a page fault on first touch; the arena's blocks are aligned to
// and advised for 2 MiB pages, which cuts the faults by a factor of 512.
class TPopulationArena {
public:
    TPopulationArena() = default;
    ~TPopulationArena();
    TPopulationArena(const TPopulationArena&) = delete;
    TPopulationArena& operator=(const TPopulationArena&) = delete;

    // Never returns null; throws std::bad_alloc.
    void* Allocate(std::size_t bytes, std::size_t alignment);

private:
    struct TBlock {
        void* base;
        std::size_t size;
    };
    std::vector<TBlock> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    std::size_t nextBlockSize_ = std::size_t{4} << 20;
};

// Allocates from an arena when it has one and from the heap otherwise.
// Copies of a container start on the heap again, so a copy never keeps an
// arena alive; moves take the arena along.
template <class T>
class TArenaAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::false_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    TArenaAllocator() noexcept = default;
    explicit TArenaAllocator(std::shared_ptr<TPopulationArena> arena) noexcept : arena_(std::move(arena)) {}
    template <class U>
    TArenaAllocator(const TArenaAllocator<U>& other) noexcept : arena_(other.arena_)
    {
    }

    T* allocate(std::size_t count)
    {
        if (!arena_)
            return std::allocator<T>().allocate(count);
        return static_cast<T*>(arena_->Allocate(count * sizeof(T), alignof(T)));
    }
    void deallocate(T* pointer, std::size_t count) noexcept
    {
        // Arena memory goes back with the arena.
        if (!arena_)
            std::allocator<T>().deallocate(pointer, count);
    }
    TArenaAllocator select_on_container_copy_construction() const { return TArenaAllocator(); }

    template <class U>
    friend bool operator==(const TArenaAllocator& a, const TArenaAllocator<U>& b) noexcept
    {
        return a.arena_ == b.arena_;
    }

private:
    template <class U>
    friend class TArenaAllocator;
    std::shared_ptr<TPopulationArena> arena_;
};

} // namespace quorvel
