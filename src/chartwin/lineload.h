#pragma once

#include "chartwin/columnvalues.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <vector>

class ColumnStore;
class Tkfdline;

// Copies the chosen columns of the column store into charts and works out every range and
// the decimals of every scale. The charts are filled one after the other for each step, in
// the order given (the screen chart, then the printed one).
namespace lineload {

// A chart holds at most this many points per curve. Longer columns are thinned to the rows
// of each stretch's extremes, with the ranges taken over every row; or, when asked, cut to
// their first rows for the ranges and the points alike, so the scales match what is drawn.
constexpr int MaxRows = 1000;

struct Request {
    int xCol = 0;          // X column (1-based)
    QVector<int> yCols;    // Y columns, ascending; at most 8 are used
    int nameRow = 1;       // item numbers (1-based) of name, unit, first and last data value
    int unitRow = 2;
    int firstRow = 3;
    int lastRow = 4;
    int scaleMode = 2;     // 2 widens each curve's range by half its span, 3 by the full span
    bool firstRowsOnly = false; // long columns: only their first MaxRows rows
};

struct Result {
    int xCol = 0;
    int yCol[8] = {};
    int yCount = 0;
    bool truncated = false; // cut to the first MaxRows data rows (firstRowsOnly)
    bool reduced = false;   // thinned to at most MaxRows points per curve
    int dataRows = 0;       // data rows of the table
    int drawnRows = 0;      // the most points any curve got
    int firstItem = 0;      // items (0-based) of every list that were loaded
    int lastItem = -1;
    // Data row (0 for the first) of every point of each curve, in point order.
    std::array<std::vector<int>, 8> pointRows;
    // Scales of time columns, and the items of each column not drawn for being no number
    // (in a time column: texts that are no time; its empty items are not counted here).
    bool xTime = false;
    bool xDated = false;    // X times carry dates (Unix seconds among them)
    bool yTime[8] = {};
    int xNotNumbers = 0;
    int yNotNumbers[8] = {};
    // The log lines about the chosen columns' values (columnvalues::notes), X first.
    QStringList valueNotes;
};

// The converted values of the lists, kept from one loading of a table to the next (the
// scaling modes load it again and again). Its keeper clears it when the table is replaced.
class ValueCache
{
public:
    void clear();
    // After the store's reset: the values of items it kept stay, the rest are converted
    // again when next asked for (a grown table: only the rows added).
    void keepItems(const ColumnStore &store);
    // Items first..last (0-based) of a list, converted once.
    const columnvalues::Column &column(const ColumnStore &store, int list, int first, int last);
    // The values last converted of a list, or null when none are kept.
    const columnvalues::Column *find(int list) const;
    // Each conversion of a list's values gets a new version (0: none kept). After one that
    // converted only the rows past keptRows(list), previousVersion(list) is the version it
    // grew from (0 when the list was converted whole).
    quint64 version(int list) const;
    quint64 previousVersion(int list) const;
    int keptRows(int list) const;

private:
    struct Entry {
        bool valid = false;
        int first = 0, last = -1;
        int sound = 0;      // items first..sound - 1 still hold what was converted
        int keptRows = -1;
        quint64 version = 0, previousVersion = 0;
        bool moved = false; // borrowed values taken again from where the store moved them
        columnvalues::Column column;
    };
    const Entry *entry(int list) const;
    void borrowAgain(const ColumnStore &store, int list, Entry &entry);
    quint64 m_versions = 0;
    std::vector<Entry> m_entries = std::vector<Entry>(257); // lists 1..256
};

// A row whose item holds no reading (no number; in a time column no time) is a gap: it is
// not drawn (of every curve for the X column, of its own curve for a Y column), stays out of
// the ranges and breaks the curve's line there, also through thinning. A column of times, or
// of Unix seconds by its name, gets a time scale: its values are seconds, its range is its
// own earliest to latest time. Ranges start from a column's own first value; a number
// scale gets more decimals where its labels would repeat. A column without a single reading
// raises AppError with the reason before any chart changes; a missing name or unit item
// raises AppError "List index out of bounds (n)", the charts keep what was filled until
// then. Without a cache every value is converted afresh.
Result loadLineData(const ColumnStore &store, const Request &request, const std::vector<Tkfdline *> &charts,
                    ValueCache *cache = nullptr);

// The log line about a long table: cut to its first rows, or thinned; empty when every
// row was drawn.
QString rowNotice(const Result &result);

// Digits after the point of a scale's labels: decimalsFor's, and for a number scale more
// where its labels would repeat.
int scaleDecimals(double lo, double hi, bool time);

// A curve's range as the automatic modes widen it: 2 by half its span, 3 by the full span;
// other modes leave it.
void widen(int scaleMode, double *lo, double *hi);

// Digits after the point for a scale from lo to hi: 3 below 1, 2 below 10, 1 below 100, else
// 0, by the larger magnitude.
int decimalsFor(double lo, double hi);

}
