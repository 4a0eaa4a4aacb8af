#pragma once

#include "workbook/workbook.h"

#include <QString>

#include <vector>

class ColumnStore;
struct ReadResult;

// Following a file that a logger appends to: after a whole read, the lines added to a
// delimited-text file are read alone, with the separator, decimal mark and columns of that
// read, and put below the rows the lists hold. Only complete lines are taken; a last line
// still without its line break waits for it (a row read from it before is taken back when
// the whole line comes). Whatever cannot be read that way (another format, a file that was
// replaced or shrank, appended rows with cells in columns the lists do not hold) asks for
// the whole file to be read again.
namespace followread {

struct Source {
    QString path;
    workbook::TextTail tail;       // tail.known false: whole reads only
    std::vector<int> listColumns;  // sheet column of each list (index 0: list 1)
    bool partialRowInStore = false; // the lists' last row was read from an unfinished line
    qint64 modifiedNs = 0;         // workbooks: the file's time of change when it was read
};

// What a whole read of `path` left to follow.
Source sourceOf(const QString &path, const ReadResult &result);

enum class Change {
    None,      // the file is as it was read, or only a part of a line was added
    Appended,  // rows were put below the lists
    ReadAgain, // the whole file must be read again
    Gone,      // the file is not there (it may come back)
};

struct Step {
    Change change = Change::None;
    int rows = 0; // rows added (Appended); a row taken back and read whole counts as none
};

// Looks at the file and reads what was appended to it into `store`, which must hold the
// table the read of `source` made (and the rows of earlier steps). Updates `source`.
// `maxBytes`: more appended bytes than that are read again whole, on the reading thread.
Step readAppended(Source &source, ColumnStore &store, qint64 maxBytes = qint64(16) << 20);

}
