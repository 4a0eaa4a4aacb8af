#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// Memory an array is about to be written into, mapped in one call instead of one page fault
// every 4 KB: a long read that fills fresh pages spends less in the system.
namespace pageahead {

// Maps the whole pages of [from, to) for writing; what they hold is unchanged. Nothing
// happens on a system without the call.
inline void prepare(const void *from, const void *to)
{
    static std::atomic<bool> unsupported{false};
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (std::uintptr_t(from) + page - 1) & ~(page - 1);
    const std::uintptr_t last = std::uintptr_t(to) & ~(page - 1);
    if (last <= first || unsupported.load(std::memory_order_relaxed))
        return;
    if (::madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE) != 0)
        unsupported.store(true, std::memory_order_relaxed); // an older system: faults as before
}

}
