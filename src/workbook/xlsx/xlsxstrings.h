#pragma once

#include "workbook/workbook.h"

#include <QIODevice>
#include <QString>

// The shared strings of an Office Open XML workbook: rich text runs joined, phonetic runs
// left out, Office's character escapes decoded. Read by the byte scanner as the part
// inflates, or by the XML reader when the part holds what the scanner does not know. Long
// strings are kept once however many cells show them (TextTable).
namespace package {
class ZipPackage;
}

namespace xlsx {

// Raises FormatRefused (sheetbuilder.h) for a damaged part. An empty part name, or a part
// the package does not hold, gives an empty table.
workbook::TextTable readSharedStrings(const package::ZipPackage &package, const QString &part);

// The byte scanner alone, reading `window` bytes at a time: false, with `strings` partly
// filled, for a part it does not know.
bool scanSharedStrings(QIODevice &part, workbook::TextTable &strings, qsizetype window = qsizetype(1) << 16);

}
