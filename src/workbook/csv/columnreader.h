#pragma once

#include "base/numtext.h"
#include "workbook/csv/textcolumns.h"
#include "workbook/workbook.h"

#include <QByteArray>

#include <memory>

// Delimited text read into typed columns (textcolumns.h) instead of a sheet of cells, with
// the rules of csvreader.h: the same fields, numbers, texts, cut cells and notes. A long
// text is cut at line starts into pieces that the threads take in turn; when a quoted field
// runs over a piece's start, the reading of the piece before goes on to the end alone. Text
// lined up by blanks is read into a sheet as before.
namespace csv {

struct ColumnReading {
    // Parsed pages of a file mapping are handed back to the system as the read passes
    // them (never for bytes in ordinary memory, which that would wipe).
    bool releaseMappedPages = false;
    // Stretches read side by side; 1 reads the file on the calling thread alone.
    int threads = 2;
    // Texts shorter than this are read on one thread.
    qsizetype splitFrom = qsizetype(1) << 20;
    // Longer texts are cut into pieces of about this many bytes (at least one a thread, at
    // most MaxPieces), which the threads take in turn.
    qsizetype pieceBytes = qsizetype(4) << 20;
};
constexpr int MaxPieces = 16;

std::unique_ptr<workbook::Workbook> readTextColumns(const QByteArray &bytes, const ColumnReading &how = {});

// A field's number by fieldNumber's rule, in one pass over the field whichever its mark.
numtext::Reading fieldReading(const char *begin, const char *end, bool decimalComma, double *value);

}
