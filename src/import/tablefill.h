#pragma once

#include "import/automation.h"
#include "import/tablelayout.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <vector>

class ColumnStore;

// Puts a sheet's rows into the column store as a table: every cell in the list of its own
// column (counted from the table's first used column), an empty cell an empty item, so
// that every list has one item a row. Item 1 of a list is the column's name ("第N列" where
// the file names none), item 2 its unit (empty where there is none), then the readings.
// The first rows are held until the layout is decided (tablelayout); later rows go
// straight in. What is left out (rows above the table, rows between units and readings,
// empty columns, columns past the store, rows of another table) is told in notes().
class TableFill {
public:
    explicit TableFill(ColumnStore &store);

    // One row of the sheet: cells[i] is column i + 1. Blank rows may be passed or not.
    void row(qint64 sheetRow, const automation::Variant *cells, int count);
    // The sheet has cells up to this column (a read that sees past the store's lists).
    void seeWidth(int sheetColumns) { m_sheetColumns = std::max(m_sheetColumns, sheetColumns); }
    // Writes what is still held and completes the lists.
    void finish();

    // For rows handed in as whole columns (import/textfill): decides the layout on the rows
    // held so far, as the thousandth row or finish() would.
    void decideNow();
    // Whether the readings go straight below the names in the lists of their own columns:
    // the layout decided, nothing refused, no made X column, merged time column or cells
    // left of the table, no second table. Rows may then come as columns (appendColumns).
    bool columnsFit() const;
    // `rows` rows of readings at once, every one with a cell: `put(list)` appends exactly
    // `rows` items to list `list` of the store, for lists 1..columns (the rightmost column
    // with a cell among them); lists right of that get empty items.
    void appendColumns(qint64 rows, int columns, const std::function<void(int list)> &put);
    // Rows with cells below a second table's start, counted only.
    void countRowsAfterEnd(qint64 rows) { m_rowsAfterEnd += m_endedAt != 0 ? rows : 0; }

    QStringList notes() const { return m_notes; }
    // Why the sheet holds no single table to read (empty: it does).
    QString refusal() const { return m_refusal; }
    // After finish(): the sheet column each list holds (index 0: list 1), and whether the
    // readings are plain rows, one a sheet row with one cell a list, so that rows appended
    // to the file later can be put below them alone (no merged date and time, no table
    // below the first, the layout decided).
    const std::vector<int> &listColumns() const { return m_listColumns; }
    bool plainRows() const { return !m_sampling && m_dateColumn == 0 && m_endedAt == 0 && m_outsideCells == 0; }
    // Items each list has: name, unit and the readings.
    qint64 items() const { return m_items; }
    const tablelayout::Layout &layout() const { return m_layout; }

private:
    void decide();
    void writeHeader();
    void writeRow(const automation::Variant *cells, int count);
    bool foreignRow(const automation::Variant *cells, int count) const;
    void padTo(int list, qint64 items);
    void ensureList(int list);
    void findDateAndTime();
    int listOf(int sheetColumn) const;

    ColumnStore &m_store;
    bool m_sampling = true;
    std::vector<tablelayout::Row> m_sample;
    std::vector<std::vector<automation::Variant>> m_sampleCells; // as the rows gave them
    tablelayout::Layout m_layout;
    std::vector<QString> m_names, m_units; // by list, from the header
    std::vector<char> m_readingColumn; // by sheet column: the table's readings are there
    qint64 m_items = 0;       // items every list of the table has
    int m_lists = 0;          // lists of the table so far
    int m_widest = 0;         // widest table column seen, past the store too
    int m_sheetColumns = 0;   // the sheet's last column with a cell
    int m_dateColumn = 0;     // a date column whose next column holds the times of day (0: none)
    QString m_pendingDate;
    qint64 m_outsideCells = 0; // cells left of the table's first column
    qint64 m_endedAt = 0;     // sheet row where another table starts
    qint64 m_rowsAfterEnd = 0;
    QStringList m_notes;
    QString m_refusal;
    std::vector<int> m_listColumns;
};
