#pragma once

#include "workbook/workbook.h"

#include <memory>

// Office Open XML workbooks (.xlsx, .xlsm; transitional and strict): the first worksheet in
// workbook order, found through the package relationships, with its cells' real types.
namespace package {
class ZipPackage;
}

namespace xlsx {

// Raises FormatRefused (sheetbuilder.h) when the package holds no workbook or a damaged one.
// `scanBytes`: try the byte scanner on the worksheet first (false: the XML reader only, for
// tests comparing the two).
std::unique_ptr<workbook::Workbook> readXlsxPackage(const package::ZipPackage &package, bool scanBytes = true);

// Whether the package looks like Office Open XML at all.
bool isXlsxPackage(const package::ZipPackage &package);

}
