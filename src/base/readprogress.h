#pragma once

#include <QtGlobal>

#include <atomic>
#include <exception>
#include <functional>

// How far a read of a file has come, and the wish to stop it. A read that runs on its own
// thread is given a Progress through a Scope; the readers' loops report to it every few
// thousand rows, and stop there by throwing Cancelled once cancel() was called. Without a
// Scope the reports cost one test and do nothing (tabrovex-plot without --progress, tests).
namespace readprogress {

// Thrown from a reader's loop when the read was cancelled; nothing catches it but the
// code that started the read, so nothing half read is kept.
struct Cancelled : std::exception {
    const char *what() const noexcept override { return "read cancelled"; }
};

enum class Phase { Parse, Fill };

class Progress {
public:
    explicit Progress(qint64 fileBytes = 0) : m_fileBytes(fileBytes) {}

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    qint64 fileBytes() const { return m_fileBytes; }
    // Rows of the file parsed so far, bytes of it passed (0 when the format cannot tell).
    qint64 rows() const { return m_rows.load(std::memory_order_relaxed); }
    qint64 bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    // Once the file is parsed: rows put into the column lists.
    qint64 filledRows() const { return m_filled.load(std::memory_order_relaxed); }
    qint64 fillTotal() const { return m_fillTotal.load(std::memory_order_relaxed); }
    Phase phase() const { return m_phase.load(std::memory_order_relaxed); }
    // Share of the whole read done, 0 to 1: parsing the file counts for 80 %, filling the
    // lists for the rest.
    double fraction() const;

    // Called on the reading thread with every report (every few thousand rows).
    std::function<void(const Progress &)> onReport;

    // reports (the reading thread):
    void parsed(qint64 rows, qint64 bytes);
    void filled(qint64 rows, qint64 totalRows);

private:
    void report();

    const qint64 m_fileBytes;
    std::atomic<bool> m_cancelled{false};
    std::atomic<qint64> m_rows{0}, m_bytes{0}, m_filled{0}, m_fillTotal{0};
    std::atomic<Phase> m_phase{Phase::Parse};
};

// Makes `progress` the one this thread's reads report to, while the Scope lives.
class Scope {
public:
    explicit Scope(Progress *progress);
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    Progress *m_previous;
};

// The reports of the readers; each throws Cancelled when the read was cancelled. `bytes`
// below 0: the format cannot tell.
void parsed(qint64 rows, qint64 bytes = -1);
void filled(qint64 rows, qint64 totalRows);
// For loops that pass over a file's bytes before its rows (checks, unpacking): throws
// Cancelled when the read was cancelled, reports nothing. Call it every 64 KB or so.
void checkCancelled();
// Bytes a loop passes between two checks.
inline constexpr qint64 CheckBytes = qint64(1) << 16;
// Whether this thread reads with a Progress at all.
bool active();

// Rows between two reports: a report is cheap, but not free in a loop of ten million rows.
inline constexpr qint64 ReportRows = 4096;

}
