#pragma once

#include "import/automation.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace workbook {
struct Workbook;
}
namespace textcolumns {
struct Table;
}

// The program's own in-process spreadsheet application, served under the automation class
// name "Excel.Application". It answers what the workbook read asks of it:
//
//   application  DisplayAlerts (get, put), Workbooks (no argument: the collection; an index:
//                that workbook), Quit
//   collection   Open(path) (the workbook becomes the last item), Count, Item(i) (also the
//                default member)
//   workbook     Worksheets(1) (only one sheet is loaded: the first, or the longest later
//                table where the first has none), Save (the workbook is never
//                changed, so nothing is written), Saved (get, put), Close, ReadNotes (get:
//                what the file's reader left out or skipped, as a column of texts),
//                TextTail (get: where a delimited-text file ends, workbook::TextTail's
//                fields in order as a row of texts)
//   worksheet    UsedRange, Cells(row, column) (rows 1 to the format's last row: 65,536
//                for .xls, 1,048,576 for .xlsx and .ods, every line of a text file;
//                columns 1..256), CellBlock(row, column, rows, columns): the values of a
//                block of cells, row after row, as an array (cut at the last row, and
//                narrower when the columns left out hold no cell), TextColumns (get, only
//                for delimited text read as typed columns: a TextColumnsObject; asking for
//                cells puts the columns into the sheet first)
//   used range   Rows;  rows: Count (the used range's row count)
//   cell         Value (also the default member): empty, double, date, text, boolean or
//                error, by the cell's type
//
// Names match without regard to case. An unknown member, a wrong argument count or an
// index out of range raises AppError naming the member. After Quit every call fails.
namespace excelapp {

// The log lines about what the reader of `book` skipped or cut: lines above a text table,
// rows past the format's last row. Empty when it kept everything.
QStringList readerNotes(const workbook::Workbook &book);

// The typed columns of a delimited-text workbook, for the read to take into the store
// without a sheet of cells in between (import/textfill).
class TextColumnsObject : public automation::Object {
public:
    explicit TextColumnsObject(std::shared_ptr<workbook::Workbook> book);
    ~TextColumnsObject() override;
    // Null once the sheet was asked for its cells.
    textcolumns::Table *table() const;
    int memberId(QStringView name) const override;
    automation::Variant invoke(int member, automation::Invoke kind, automation::Args args) override;

private:
    std::shared_ptr<workbook::Workbook> m_book;
};

using WorkbookOpener = std::function<std::unique_ptr<workbook::Workbook>(const QString &path)>;

// A new application object that opens workbooks with `opener` (errors it raises pass on).
automation::ObjectRef createApplication(WorkbookOpener opener);

// Registers "Excel.Application" in `registry`, opening workbooks with `opener`.
void registerApplication(automation::Registry &registry, WorkbookOpener opener);

// Registers "Excel.Application" backed by the program's .xls reader. The program calls this
// once at start with automation::Registry::global().
void registerApplication(automation::Registry &registry);

}
