#pragma once

#include "workbook/workbook.h"

#include <memory>

// OpenDocument spreadsheets (.ods): the first table of content.xml with its cells' types.
namespace package {
class ZipPackage;
}

namespace ods {

// Whether the package is an OpenDocument document of any kind (its mimetype part or its
// content.xml with a manifest).
bool isOpenDocumentPackage(const package::ZipPackage &package);

// Raises FormatRefused (sheetbuilder.h) for another kind of OpenDocument, a damaged one or
// one without a table.
std::unique_ptr<workbook::Workbook> readOdsPackage(const package::ZipPackage &package);

}
