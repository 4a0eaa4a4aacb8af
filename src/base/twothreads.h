#pragma once

#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>

// Long passes over a table's rows after a read (the lists' checks, a chart's ranges, its
// thinning and indexes) share the machine's two cores: one half of the rows on a thread of
// their own, the other on the calling thread. Each half works on its own rows and the caller
// joins the halves in row order, so the result does not depend on which half ends first.
namespace twothreads {

// Rows below this are done on the calling thread alone: starting a thread costs about as
// much as a pass over this many rows.
constexpr std::int64_t SplitFrom = std::int64_t(1) << 17;

// Runs first() on another thread and second() on this one, and returns when both are done.
// An exception of either is raised here once both ended (the first one's when both raise).
// Without a thread to be had, both run here, one after the other.
template <typename First, typename Second>
void both(First first, Second second)
{
    std::exception_ptr firstError;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                first();
            } catch (...) {
                firstError = std::current_exception();
            }
        });
    } catch (const std::system_error &) {
        first();
        second();
        return;
    }
    std::exception_ptr secondError;
    try {
        second();
    } catch (...) {
        secondError = std::current_exception();
    }
    other.join();
    if (firstError)
        std::rethrow_exception(firstError);
    if (secondError)
        std::rethrow_exception(secondError);
}

// The middle of [0, count) where a pass splits it, or 0 when it is not worth a thread.
inline std::int64_t middle(std::int64_t count, std::int64_t splitFrom = SplitFrom)
{
    return count >= splitFrom && count >= 2 ? count / 2 : 0;
}

}
