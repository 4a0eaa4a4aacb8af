#pragma once

#include "workbook/xlsx/xlsxcells.h"

#include <QIODevice>

// The worksheet part as nearly every writer lays it out, read straight from its UTF-8 bytes
// as they inflate: several times faster than the general XML reader on a sheet of millions
// of cells, and never more of the part in memory than a window of `window` bytes (or the
// longest single value).
namespace xlsx {

// Stores the cells of the sheet's sheetData. Returns false, having stored an unknown part of
// the cells, when the part holds anything outside the layout it knows (another encoding, a
// DTD, CDATA, an unknown entity, mismatched tags) or fails to inflate: the caller then reads
// the part again with the XML reader, which handles or refuses it.
bool scanSheet(QIODevice &part, const CellStore &store, qsizetype window = qsizetype(1) << 16);

}
