#include "base/readprogress.h"

#include <algorithm>

namespace readprogress {

namespace {
thread_local Progress *current = nullptr;
}

double Progress::fraction() const
{
    constexpr double ParseShare = 0.8;
    if (phase() == Phase::Fill) {
        const qint64 total = m_fillTotal.load(std::memory_order_relaxed);
        const double filled = total > 0 ? std::clamp(double(filledRows()) / double(total), 0.0, 1.0) : 0.0;
        return ParseShare + (1 - ParseShare) * filled;
    }
    if (m_fileBytes <= 0)
        return 0;
    return ParseShare * std::clamp(double(bytes()) / double(m_fileBytes), 0.0, 1.0);
}

void Progress::parsed(qint64 rows, qint64 bytes)
{
    m_rows.store(rows, std::memory_order_relaxed);
    if (bytes >= 0)
        m_bytes.store(bytes, std::memory_order_relaxed);
    report();
}

void Progress::filled(qint64 rows, qint64 totalRows)
{
    if (m_phase.load(std::memory_order_relaxed) != Phase::Fill) {
        // The whole file was parsed: what the reader could not count in bytes is done too.
        m_bytes.store(m_fileBytes, std::memory_order_relaxed);
        m_phase.store(Phase::Fill, std::memory_order_relaxed);
    }
    m_filled.store(rows, std::memory_order_relaxed);
    m_fillTotal.store(totalRows, std::memory_order_relaxed);
    report();
}

void Progress::report()
{
    if (onReport)
        onReport(*this);
    if (cancelled())
        throw Cancelled();
}

Scope::Scope(Progress *progress) : m_previous(current)
{
    current = progress;
}

Scope::~Scope()
{
    current = m_previous;
}

void parsed(qint64 rows, qint64 bytes)
{
    if (current)
        current->parsed(rows, bytes);
}

void filled(qint64 rows, qint64 totalRows)
{
    if (current)
        current->filled(rows, totalRows);
}

void checkCancelled()
{
    if (current && current->cancelled())
        throw Cancelled();
}

bool active()
{
    return current != nullptr;
}

}
