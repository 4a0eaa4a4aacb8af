#pragma once

#include "base/pagealloc.h"

#include <QStringList>

#include <vector>

class ColumnStore;

// The data items of one column list as the chart draws them: numbers, or times when most
// items that are not empty are timestamps (timetext.h) and none is a number.
namespace columnvalues {

// A long column's values: a million rows are 8 MB, mapped with huge pages.
using Values = std::vector<double, PageAllocator<double>>;

struct Column {
    bool times = false;         // a time column: values in seconds
    bool dated = false;         // its times carry dates (else they are times of day)
    Values values;              // one per row; 0 at the rows of gapRows
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
