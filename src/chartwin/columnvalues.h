#pragma once

#include "base/pagealloc.h"

#include <QStringList>

#include <algorithm>
#include <vector>

class ColumnStore;

// The data items of one column list as the chart draws them: numbers, or times when most
// items that are not empty are timestamps (timetext.h) and none is a number.
namespace columnvalues {

// A long column's values: a million rows are 8 MB, mapped with huge pages.
using Values = std::vector<double, PageAllocator<double>>;

// A column's value of every row: its own, or borrowed from the store when the store's items
// are those values already (every one a finite number), which saves a copy of each.
class RowValues
{
public:
    size_t size() const { return m_borrowed ? m_size : m_own.size(); }
    bool empty() const { return size() == 0; }
    const double *data() const { return m_borrowed ? m_data : m_own.data(); }
    const double *begin() const { return data(); }
    const double *end() const { return data() + size(); }
    double operator[](size_t row) const { return data()[row]; }
    double front() const { return data()[0]; }
    bool borrowed() const { return m_borrowed; }
    bool operator==(const RowValues &other) const { return std::equal(begin(), end(), other.begin(), other.end()); }
    // The values to change: borrowed ones are copied first.
    Values &own()
    {
        if (m_borrowed) {
            m_own.assign(m_data, m_data + m_size);
            m_borrowed = false;
            m_data = nullptr;
            m_size = 0;
        }
        return m_own;
    }
    // Values that stay the owner's, valid until it changes them.
    void borrow(const double *data, size_t size)
    {
        m_own = Values();
        m_borrowed = true;
        m_data = data;
        m_size = size;
    }

private:
    Values m_own;
    bool m_borrowed = false;
    const double *m_data = nullptr;
    size_t m_size = 0;
};

struct Column {
    bool times = false;         // a time column: values in seconds
    bool dated = false;         // its times carry dates (else they are times of day)
    RowValues values;           // one per row; 0 at the rows of gapRows
    // Rows (0-based, ascending) that hold no reading: not drawn, left out of the ranges, and
    // the curve's line breaks there. Number columns: items that are no number (texts, empty
    // or missing items); time columns: empty, missing or other items that are no time.
    std::vector<int> gapRows;
    // Number columns: how many items are no number (the size of gapRows).
    int notNumbers = 0;
    // Time columns: empty or missing items, and texts that are no time.
    int emptyTimes = 0;
    int notTimes = 0;
    // Times of day: steps back to an earlier time, as a run over midnight makes.
    int backSteps = 0;
    // Every item a time, but some with a date and some without: not drawn as times.
    bool mixedDates = false;
    // Dates that could be read either way: 1 month first, 2 day first (0: no such dates).
    int dateOrder = 0;

    int readings() const { return int(values.size()) - int(gapRows.size()); }
};

// Items first..last (0-based) of the list; positions beyond its end are missing items.
Column read(const ColumnStore &store, int list, int first, int last);

// The column `read` gives for items first..last, made from `column`, which `read` gave for
// items first.. of the same list while its first `kept` rows held what they hold now: rows
// from `kept` on are read, the others kept. False when the new rows change what the whole
// column is (numbers after times, dates after times of day, a date order to choose again):
// the column is then left unusable and must be read whole.
bool extend(Column &column, const ColumnStore &store, int list, int first, int kept, int last);

// The column `read` gives, its values borrowed from the store (valid until the store
// changes), when items first..last all exist and are finite numbers; false otherwise, and
// `column` is left as it was.
bool borrow(Column &column, const ColumnStore &store, int list, int first, int last);

// A number column of Unix seconds: every reading within 1e9..4e9 (2001 to 2096) and a name
// that says so ("unix", "epoch" or "timestamp", any case). Such a column is drawn as dated
// times; its values already count from 1970-01-01 00:00.
bool isUnixSeconds(const QString &name, const Column &column);

// What the log says about a column (numbered as the lists are): the items not drawn, times
// of day that go back, dated and undated times mixed.
QStringList notes(int columnNumber, const Column &column);

// The refusal of a column without a single reading to draw; empty when it has one or has
// no rows at all.
QString refusal(int columnNumber, const Column &column);

}
