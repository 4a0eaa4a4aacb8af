#include "workbook/mapguard.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace mapguard {

namespace {

// A fixed table the handler can read without locks: reads of several files at once (the
// window and a follow read) each take a slot.
struct Slot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> faulted{false};
    std::atomic<bool> taken{false};
};
constexpr int SlotCount = 16;
Slot slots[SlotCount];
std::uintptr_t pageSize = 4096;
struct sigaction previous {};

void passOn(int signal, siginfo_t *info, void *context)
{
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && previous.sa_handler) {
        previous.sa_handler(signal);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
}

void onBusError(int signal, siginfo_t *info, void *context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot &slot : slots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = slot.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end)
            continue;
        // From the lost page to the end: pages below it were read from the file already.
        const std::uintptr_t page = address & ~(pageSize - 1);
        void *zero = ::mmap(reinterpret_cast<void *>(page), end - page, PROT_READ,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zero != MAP_FAILED) {
            slot.faulted.store(true, std::memory_order_release);
            return; // the access is made again, on a zero page
        }
        break;
    }
    passOn(signal, info, context);
}

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        if (size > 0)
            pageSize = std::uintptr_t(size);
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previous);
    });
}

}

int watch(const void *begin, std::size_t size)
{
    install();
    if (!begin || size == 0)
        return -1;
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t to = (from + size + pageSize - 1) & ~(pageSize - 1);
    for (int i = 0; i < SlotCount; ++i) {
        bool free = false;
        if (!slots[i].taken.compare_exchange_strong(free, true))
            continue;
        slots[i].faulted.store(false);
        slots[i].end.store(to, std::memory_order_release);
        slots[i].begin.store(from, std::memory_order_release);
        return i;
    }
    return -1;
}

bool faulted(int watch)
{
    return watch >= 0 && watch < SlotCount && slots[watch].faulted.load(std::memory_order_acquire);
}

void release(int watch)
{
    if (watch < 0 || watch >= SlotCount)
        return;
    slots[watch].begin.store(0, std::memory_order_release);
    slots[watch].end.store(0, std::memory_order_release);
    slots[watch].taken.store(false, std::memory_order_release);
}

}
