#pragma once

#include "base/pagealloc.h"

#include <QStringList>

#include <vector>

class ColumnStore;

// The data items of one column list as the chart draws them: numbers, or times when every
// item that is not empty is a timestamp (timetext.h).
namespace columnvalues {

// A long column's values: a million rows are 8 MB, mapped with huge pages.
using Values = std::vector<double, PageAllocator<double>>;

struct Column {
    bool times = false;         // a time column: values in seconds
    bool dated = false;         // its times carry dates (else they are times of day)
    Values values;              // one per row; 0 where a number does not convert or a time is empty
    // Time columns: rows (0-based, ascending) whose item is empty or missing; they are not drawn.
    std::vector<int> emptyRows;
    // Number columns: items that count as 0 (texts that do not convert, empty or missing items).
    int notNumbers = 0;
    // Times of day: steps back to an earlier time, as a run over midnight makes.
    int backSteps = 0;
    // Every item a time, but some with a date and some without: not drawn as times.
    bool mixedDates = false;
    // Dates that could be read either way: 1 month first, 2 day first (0: no such dates).
    int dateOrder = 0;
};

// Items first..last (0-based) of the list; positions beyond its end are missing items.
Column read(const ColumnStore &store, int list, int first, int last);

// What the log says about a column (numbered as the lists are): the items drawn as 0, the
// empty times left out, times of day that go back, dated and undated times mixed.
QStringList notes(int columnNumber, const Column &column);

}
