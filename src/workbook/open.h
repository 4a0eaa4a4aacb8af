#pragma once

#include "workbook/workbook.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// Opens a workbook of any kind the program reads, chosen by the file's content, never by
// its name: BIFF in an OLE2 container or bare (.xls), a zip package holding Office Open XML
// (.xlsx, .xlsm) or an OpenDocument spreadsheet (.ods), or delimited text (.csv, .txt).
// Refuses as every reader does: AppError "无法打开工作簿 <name>：<reason>".
namespace workbook {

enum class Kind { Biff, OfficeOpenXml, OpenDocument, DelimitedText, Unknown };

// A file that shrinks, is replaced or deleted during the read is refused with
// changedReason() (fileload.h). `whenMapped` runs once the file is mapped, before a byte of
// it is read (tests change the file there).
//
// Delimited text fills the sheet, or with TextAs::Columns typed columns (Workbook::textColumns)
// that the column store takes as they are.
enum class TextAs { Sheet, Columns };
std::unique_ptr<Workbook> openFile(const QString &path, const std::function<void()> &whenMapped = {},
                                   TextAs textAs = TextAs::Sheet);
std::unique_ptr<Workbook> openBytes(const QByteArray &bytes, const QString &name, TextAs textAs = TextAs::Sheet);

// The kind the content says (a zip package is looked into).
Kind sniffKind(const QByteArray &bytes);

}
