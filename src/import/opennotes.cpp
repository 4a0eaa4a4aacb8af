#include "import/opennotes.h"

#include "workbook/sheetbuilder.h"
#include "workbook/workbook.h"

namespace opennotes {

namespace {
Notes lastNotes; // the program reads one workbook at a time, on its main thread
}

Notes last() { return lastNotes; }

void clear() { lastNotes = Notes(); }

void record(const workbook::Workbook &book)
{
    lastNotes.skippedLeadingLines = book.skippedLeadingLines;
    lastNotes.cutRows = book.cutRows;
    lastNotes.rowLimit = book.maxRows;
}

void recordTable(const QStringList &lines)
{
    lastNotes.table = lines;
}

void recordStop(const QString &line)
{
    lastNotes.readStop = line;
}

QStringList logLines(const Notes &notes)
{
    QStringList lines;
    if (notes.skippedLeadingLines > 0)
        lines << QStringLiteral("跳过了开头的%1行说明文字").arg(notes.skippedLeadingLines);
    lines << notes.table;
    if (notes.cutRows > 0)
        lines << QStringLiteral("文件超过%1行，其后的%2行未读入").arg(notes.rowLimit).arg(notes.cutRows);
    if (!notes.readStop.isEmpty())
        lines << notes.readStop;
    return lines;
}

}
