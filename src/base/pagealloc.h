#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>

// An allocator for the long arrays of a read (a sheet's cells, the column lists): from a
// few megabytes on, memory comes straight from mmap with transparent huge pages asked for,
// so a table of hundreds of megabytes costs a fraction of the page faults, and goes back
// to the system whole when the array is freed. Smaller arrays use the ordinary heap.
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
        ::madvise(p, bytes, MADV_HUGEPAGE);
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
