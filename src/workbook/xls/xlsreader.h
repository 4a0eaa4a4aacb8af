#pragma once

#include "workbook/workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Reader of legacy Excel workbooks (.xls): the OLE2 container through libgsf, BIFF8 and
// BIFF5/7 worksheets, BIFF2-4 single-stream files. Only what the program needs: the first
// worksheet in workbook order, its used range and its cells with their real types.
namespace xls {

// Reads the first worksheet of the workbook at `path`. Never writes the file.
// Throws AppError with a message that names the file and the reason, for example
// "无法打开工作簿 /x/a.xls：文件已损坏" (missing, unreadable, not a workbook, encrypted,
// corrupt, no worksheet). Never reads past a record or buffer, whatever the bytes say.
std::unique_ptr<workbook::Workbook> readWorkbookFile(const QString &path);

// The same from bytes in memory (fuzzing, tests); `name` is used in messages. With
// `releaseMappedPages` the bytes are a read-only file mapping: once the BIFF stream is
// copied out of its container the file's pages are handed back to the system (they are
// read again from the file should anything look at them), so the file and its stream are
// not held at once. Never for bytes in ordinary memory, which that would wipe.
std::unique_ptr<workbook::Workbook> readWorkbookBytes(const QByteArray &bytes, const QString &name,
                                                      bool releaseMappedPages = false);

}
