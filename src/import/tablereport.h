#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class ColumnStore;

// What the main window does after a read, worked out from the column store alone. The
// window appends `log`, applies the box visibility, and only when `setCounts` is true sets
// colCount := `columns` and lastRow := `lastRow`, ticks the default boxes (each tick that
// changes a box runs the box click handler) and enables the draw and use buttons.
struct TableReport {
    QStringList log;          // lines to append to the log, in order
    int columns = 0;          // lists holding at least one item
    // Boxes of columns 1..`columns` belong to the table; those of columns
    // `columns` + 1..256 are hidden. Nothing changes visibility when `columns` is 0.
    bool setCounts = false;   // colCount, lastRow, default ticks, drawing enabled
    int lastRow = 0;          // item count of list 1 (valid when setCounts)
    int tickX = 0;            // x box to tick (0: none)
    QVector<int> tickY;       // y boxes to tick, ascending

    bool hidesColumn(int column) const { return columns > 0 && column > columns; }
};

// `notes`: what the read left out (ReadResult::notes), logged after the other lines.
TableReport reportTable(const ColumnStore &store, const QStringList &notes = {});
