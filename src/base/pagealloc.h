#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>

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
