#pragma once

#include "workbook/workbook.h"

#include <QString>
#include <QStringList>

#include <vector>

class ColumnStore;

namespace automation {
class Registry;
}

// The result of one workbook read. An error while opening the workbook or reaching its
// first worksheet is not a result: it is raised as AppError for the top-level display.
struct ReadResult {
    // false: the spreadsheet application could not be created; `message` says so
    // ("连接Excel失败") for the window to show, and the store was not touched.
    bool connected = true;
    QString message;
    // false: an error ended the cell loop early; the rows read before it are in the store.
    bool complete = true;
    // When that happened inside the used rows: the cell whose reading failed, and why.
    int stopRow = 0;
    int stopColumn = 0;
    QString stopReason;
    // What the read left out, as log lines in order: what the application's reader skipped
    // or cut (when it answers ReadNotes), then where the cell loop stopped (stopNotice).
    QStringList notes;
    // For reading lines appended to a delimited-text file later (followread): where the
    // file ended and how it was read, and the sheet column each list holds (index 0: list
    // 1). tail.known is false where that cannot be done: other formats, converted text,
    // merged date and time columns, a second table, a read that stopped or was refused.
    workbook::TextTail tail;
    std::vector<int> listColumns;
};

// The log line of a read that ended inside the used rows; empty for any other.
QString stopNotice(const ReadResult &result);

// Reads the first worksheet of the workbook at `path` through the automation class
// "Excel.Application" of `registry` into `store`: rows 1 to N + 30 (N the used range's row
// count), columns 1 to 256, each row's non-empty cell texts going to lists 1, 2, 3 ... in
// column order. An application that answers CellBlock is asked for blocks of rows instead
// of single cells, with the same result. The store is cleared only once the first worksheet has been reached, and
// its models see one reset for the whole read. Every automation object is released on
// every path. Closing errors that survive the second close are raised as AppError, and
// so is a table that runs out of memory or past the store's cap ("无法打开工作簿 <path>：
// 内存不足" or the store's reason), after the workbook was closed and with the store empty.
ReadResult readWorkbook(const QString &path, ColumnStore &store,
                        const automation::Registry &registry);
