#pragma once

#include "base/twothreads.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// An allocator for the long arrays of a read (a sheet's cells, the column lists): from a
// few megabytes on, memory comes straight from mmap and goes back to the system whole when
// the array is freed. Smaller arrays use the ordinary heap. No huge pages are asked for:
// on a machine that has run a while, the kernel compacts memory to find them, and a read
// of a few hundred megabytes then spent more time waiting for that than parsing.
template <typename T>
struct PageAllocator {
    using value_type = T;
    static constexpr std::size_t MappedFrom = std::size_t(4) << 20;

    PageAllocator() = default;
    template <typename U>
    PageAllocator(const PageAllocator<U> &) noexcept {}

    T *allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < MappedFrom)
            return static_cast<T *>(::operator new(bytes));
        void *p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T *>(p);
    }

    void deallocate(T *p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < MappedFrom)
            ::operator delete(p);
        else
            ::munmap(p, bytes);
    }

    template <typename U>
    bool operator==(const PageAllocator<U> &) const noexcept { return true; }
    template <typename U>
    bool operator!=(const PageAllocator<U> &) const noexcept { return false; }
};

// The same allocator for arrays of plain items whose owner writes the memory before it counts
// the items in: growing such an array with resize() leaves the new items as the memory holds
// them, with no zeroing pass (which would touch every new page of a long array).
template <typename T>
struct FilledPageAllocator : PageAllocator<T> {
    template <typename U>
    struct rebind {
        using other = FilledPageAllocator<U>;
    };

    FilledPageAllocator() = default;
    template <typename U>
    FilledPageAllocator(const FilledPageAllocator<U> &) noexcept {}

    template <typename U>
    void construct(U *p) noexcept
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
};

namespace pagealloc {

// Moves `count` items from `from` down to `to` (at or below it), as memmove does; a long run
// on both cores. The second half's writes reach the last items the first half reads, by the
// distance moved: those few are put aside before the halves start.
template <typename T>
void moveDown(T *to, const T *from, std::size_t count)
{
    static_assert(std::is_trivially_copyable_v<T>, "items moved as bytes");
    const std::size_t shift = std::size_t(from - to);
    const std::size_t half = std::size_t(twothreads::middle(std::int64_t(count)));
    if (half == 0 || shift == 0 || 2 * shift > half) {
        std::memmove(to, from, count * sizeof(T));
        return;
    }
    const std::vector<T> aside(from + half - shift, from + half);
    twothreads::both([&] { std::memmove(to + half, from + half, (count - half) * sizeof(T)); },
                     [&] {
                         std::memmove(to, from, (half - shift) * sizeof(T));
                         std::memcpy(to + half - shift, aside.data(), shift * sizeof(T));
                     });
}

// Appends items [first, first + count) of `from` to `to` and frees `from`. When both arrays
// are mapped and `to` has the room, the pages holding the items are moved into that room
// (the system remaps them, nothing is copied nor touched anew) and shifted down to the end of
// `to`'s items by less than a page in place; otherwise they are copied. A long read's later
// stretches so join the first for the cost of one pass over warm memory, where a copy into
// fresh memory costs a page fault every 4 KB.
template <typename T>
void appendMoving(std::vector<T, FilledPageAllocator<T>> &to, std::vector<T, FilledPageAllocator<T>> &from,
                  std::size_t first, std::size_t count)
{
    static_assert(std::is_trivially_copyable_v<T>, "items moved as bytes");
    const auto mapped = [](std::size_t items) { return items * sizeof(T) >= PageAllocator<T>::MappedFrom; };
    if (count > 0 && mapped(to.capacity()) && mapped(from.capacity())) {
        const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        const auto down = [page](std::uintptr_t at) { return at & ~(page - 1); };
        const auto up = [page](std::uintptr_t at) { return (at + page - 1) & ~(page - 1); };
        const std::uintptr_t source = std::uintptr_t(from.data() + first);
        const std::uintptr_t sourcePages = down(source);
        const std::size_t length = up(source + count * sizeof(T)) - sourcePages;
        const std::uintptr_t end = std::uintptr_t(to.data() + to.size());
        const std::uintptr_t target = up(end);
        const std::uintptr_t room = std::uintptr_t(to.data()) + up(to.capacity() * sizeof(T));
        // The old place stays mapped, empty, and goes with `from`: no other mapping can take
        // its addresses meanwhile.
        if (target + length <= room
            && ::mremap(reinterpret_cast<void *>(sourcePages), length, length,
                        MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, reinterpret_cast<void *>(target))
                   != MAP_FAILED) {
            moveDown(reinterpret_cast<T *>(end), reinterpret_cast<const T *>(target + (source - sourcePages)), count);
            to.resize(to.size() + count); // the items are in place: nothing is written
            std::vector<T, FilledPageAllocator<T>>().swap(from);
            return;
        }
    }
    to.insert(to.end(), from.begin() + std::ptrdiff_t(first), from.begin() + std::ptrdiff_t(first + count));
    std::vector<T, FilledPageAllocator<T>>().swap(from);
}

}
