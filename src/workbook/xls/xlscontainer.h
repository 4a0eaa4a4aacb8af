#pragma once

#include <QByteArray>

// Finds the BIFF stream of a workbook file: the "Workbook" (BIFF8) or "Book" (BIFF5) stream
// of an OLE2 compound file, or the whole file for BIFF2-4 files written without a container.
namespace xls {

enum class ContainerResult { Ok, NotWorkbook, Corrupt };

struct BiffStream {
    QByteArray bytes;
    bool fromWorkbookStream = false; // the stream is named "Workbook": BIFF8 by convention
};

ContainerResult extractBiffStream(const QByteArray &file, BiffStream *out);

}
