#include "import/workbookread.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "base/readprogress.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablefill.h"
#include "import/textfill.h"
#include "workbook/fileload.h"
#include "workbook/workbook.h"

#include <algorithm>
#include <limits>
#include <new>

#include <QCoreApplication>

using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

namespace {

// Rows read past the used range's count, so that a range starting up to that many rows
// below the top is still read to its end.
constexpr int ExtraRows = 30;
constexpr int ReadColumns = workbook::GridColumns;

ObjectRef firstWorkbook(automation::Object &app, QStringView member)
{
    return automation::toObject(
        automation::dispatch(app, member, Invoke::PropertyGet, {Variant::fromInt(1)}));
}

// Ends the application after a failed open, without letting a failing quit hide the
// error that matters.
void quitQuietly(automation::Object &app) noexcept
{
    try {
        automation::dispatch(app, u"quit", Invoke::Method);
    } catch (...) {
    }
}

// Where a text file ended, when the application tells it (TextTail).
workbook::TextTail readerTextTail(automation::Object &book)
{
    workbook::TextTail tail;
    if (book.memberId(u"TextTail") < 0)
        return tail;
    const Variant value = automation::dispatch(book, u"TextTail", Invoke::PropertyGet);
    const automation::VariantArray &row = automation::toArray(value);
    if (row.values.size() < 8)
        return tail;
    auto text = [&row](size_t i) { return automation::toText(row.values[i]); };
    tail.separator = text(1).isEmpty() ? ',' : char(text(1).at(0).toLatin1());
    tail.decimalComma = text(2) == QLatin1String("1");
    tail.completeBytes = text(3).toLongLong();
    tail.partialLine = text(4) == QLatin1String("1");
    tail.fileBytes = text(5).toLongLong();
    tail.device = text(6).toULongLong();
    tail.inode = text(7).toULongLong();
    tail.known = text(0) == QLatin1String("1") && tail.fileBytes > 0;
    return tail;
}

// The application's notes about the file, when it keeps any: a column of texts.
QStringList readerNotes(automation::Object &book)
{
    QStringList lines;
    if (book.memberId(u"ReadNotes") < 0)
        return lines;
    const Variant value = automation::dispatch(book, u"ReadNotes", Invoke::PropertyGet);
    const automation::VariantArray &texts = automation::toArray(value);
    for (const Variant &text : texts.values)
        lines << automation::toText(text);
    return lines;
}

// Rows asked for in one CellBlock call: 4096 rows of up to 32 values, a few megabytes;
// fewer rows of a wider table (512 of the widest), so a block stays that size.
constexpr int BlockRows = 4096;
constexpr int BlockCells = BlockRows * 32;

// Where the cell loop is, so a read that ends early can say where.
struct Position {
    qint64 row = 0;
    int column = 0;
};

// One Cells call a cell, as the application is asked everywhere; the store's width of
// columns, for cells right of it could not be kept.
void readOneByOne(automation::Object &sheet, qint64 lastRow, TableFill &fill, Position &at)
{
    std::vector<Variant> row(size_t(ColumnStore::ListCount));
    for (at.row = 1; at.row <= lastRow; ++at.row) {
        if (at.row % readprogress::ReportRows == 0)
            readprogress::filled(at.row, lastRow);
        try {
            for (at.column = 1; at.column <= ColumnStore::ListCount; ++at.column)
                row[size_t(at.column - 1)] = Variant::fromText(automation::toText(automation::dispatch(
                    sheet, u"Cells", Invoke::PropertyGet,
                    {Variant::fromInt(qint32(at.row)), Variant::fromInt(at.column)})));
        } catch (const AppError &) {
            // The cells of the row before the one that failed are read all the same.
            fill.row(at.row, row.data(), at.column - 1);
            throw;
        }
        fill.row(at.row, row.data(), int(row.size()));
    }
}

// The same cells, a block of rows a call, from an application that answers CellBlock. A
// block with fewer rows means the grid ended there, where Cells would fail; one with fewer
// columns holds no cell in those it left out. Blocks are as wide as the grid (and the
// store); their rows are fewer when the table is wide.
void readInBlocks(automation::Object &sheet, qint64 lastRow, ColumnStore &store, TableFill &fill,
                  Position &at)
{
    store.reserve(int(std::min<qint64>(lastRow, 1 << 24)));
    int width = ReadColumns;
    for (qint64 first = 1; first <= lastRow;) {
        const int blockRows = std::clamp(BlockCells / std::max(width, 1), 64, BlockRows);
        const int rows = int(std::min<qint64>(blockRows, lastRow - first + 1));
        readprogress::filled(first - 1, lastRow);
        at.row = first;
        at.column = 1;
        const Variant value = automation::dispatch(
            sheet, u"CellBlock", Invoke::PropertyGet,
            {Variant::fromInt(qint32(first)), Variant::fromInt(1), Variant::fromInt(rows),
             Variant::fromInt(ReadColumns)});
        const automation::VariantArray &block = automation::toArray(value);
        width = std::max(block.columns, 1);
        fill.seeWidth(block.columns);
        for (int r = 0; r < block.rows; ++r) {
            at.row = first + r;
            at.column = 1;
            if (block.columns == 0)
                continue;
            const Variant *cells = &block.at(r, 0);
            // A value without a text (an error value, a date out of range) ends the read at
            // that cell; the cells before it are read.
            for (int c = 0; c < block.columns; ++c) {
                const Variant::Type type = cells[c].type();
                if (type == Variant::Type::Double || type == Variant::Type::Text || type == Variant::Type::Empty)
                    continue;
                try {
                    automation::toText(cells[c]);
                } catch (const AppError &) {
                    at.column = c + 1;
                    fill.row(at.row, cells, c);
                    throw;
                }
            }
            // The store's width, as a cell-by-cell read gives.
            fill.row(at.row, cells, std::min(block.columns, ColumnStore::ListCount));
        }
        if (block.rows < rows) {
            at.row = first + block.rows;
            at.column = 1;
            throw AppError(QCoreApplication::translate("log", "下标越界：Cells(%1, 1)").arg(at.row));
        }
        first += rows;
    }
}

// A delimited text that the application read as typed columns goes into the store as
// columns; false when the sheet has none or the table needs the cell-by-cell read.
bool readTextColumns(automation::Object &sheet, ColumnStore &store, TableFill &fill)
{
    if (sheet.memberId(u"TextColumns") < 0)
        return false;
    const ObjectRef object = automation::toObject(automation::dispatch(sheet, u"TextColumns", Invoke::PropertyGet));
    const auto *columns = dynamic_cast<const excelapp::TextColumnsObject *>(object.get());
    return columns && columns->table() && textfill::fill(*columns->table(), store, fill);
}

void readCells(automation::Object &sheet, ColumnStore &store, TableFill &fill, Position &at,
               qint64 *usedRows)
{
    if (readTextColumns(sheet, store, fill))
        return;
    qint64 rowCount;
    {
        ObjectRef used = automation::toObject(
            automation::dispatch(sheet, u"usedRange", Invoke::MethodOrGet));
        ObjectRef rows = automation::toObject(
            automation::dispatch(*used, u"Rows", Invoke::MethodOrGet));
        rowCount = automation::toInt32(automation::dispatch(*rows, u"count", Invoke::MethodOrGet));
    }
    *usedRows = rowCount;
    if (rowCount <= 0)
        return;
    // 64-bit row numbers: a count near the integer limit must not wrap into a negative end.
    const qint64 lastRow = qMin<qint64>(rowCount + ExtraRows, std::numeric_limits<qint32>::max());
    if (sheet.memberId(u"CellBlock") >= 0)
        readInBlocks(sheet, lastRow, store, fill, at);
    else
        readOneByOne(sheet, lastRow, fill, at);
}

}

QString stopNotice(const ReadResult &result)
{
    if (result.stopRow <= 0)
        return QString();
    return QCoreApplication::translate("log", "读取在第%1行第%2列停止（%3），其后的数据未读入")
        .arg(result.stopRow)
        .arg(result.stopColumn)
        .arg(result.stopReason);
}

ReadResult readWorkbook(const QString &path, ColumnStore &store,
                        const automation::Registry &registry)
{
    ReadResult result;
    ObjectRef app;
    try {
        app = registry.create(QStringLiteral("Excel.Application"));
    } catch (const std::exception &) {
        result.connected = false;
        result.message = QCoreApplication::translate("workbookread", "连接Excel失败");
        return result;
    }

    ObjectRef books, book, sheet;
    try {
        automation::dispatch(*app, u"DisplayAlerts", Invoke::PropertyPut, {Variant::fromBool(false)});
        books = automation::toObject(automation::dispatch(*app, u"Workbooks", Invoke::MethodOrGet));
        automation::dispatch(*books, u"Open", Invoke::Method, {Variant::fromText(path)});
        book = firstWorkbook(*app, u"Workbooks");
        sheet = automation::toObject(
            automation::dispatch(*book, u"WorkSheets", Invoke::PropertyGet, {Variant::fromInt(1)}));
        result.notes = readerNotes(*book);
        result.tail = readerTextTail(*book);
    } catch (...) {
        // The application is asked to quit here too: it was started for this read only, and
        // nothing of it should outlive the read just because the workbook did not open.
        quitQuietly(*app);
        throw;
    }

    // A table too large for memory or for the store's cap is refused once the workbook is
    // closed: the half table read until then is dropped, for it would look complete.
    QString refusal;
    {
        // One model reset for the whole refill.
        ColumnStore::Batch batch(store);
        store.clear();
        Position at;
        qint64 usedRows = 0;
        TableFill fill(store);
        try {
            readCells(*sheet, store, fill, at, &usedRows);
        } catch (const TextLimitError &) {
            refusal = ColumnStore::textLimitReason();
        } catch (const AppError &error) {
            // Any other error ends the loop; what was read stays. Past the used rows that
            // loses nothing (the grid's end); inside them the log must say where.
            result.complete = false;
            if (at.row <= usedRows) {
                result.stopRow = int(at.row);
                result.stopColumn = at.column;
                result.stopReason = error.message();
            }
        } catch (const std::bad_alloc &) {
            refusal = workbook::outOfMemoryReason();
        }
        // What was read before a stop is a table all the same.
        if (refusal.isEmpty()) {
            try {
                fill.finish();
                result.notes << fill.notes();
                refusal = fill.refusal();
            } catch (const TextLimitError &) {
                refusal = ColumnStore::textLimitReason();
            } catch (const std::bad_alloc &) {
                refusal = workbook::outOfMemoryReason();
            }
        }
        if (!refusal.isEmpty())
            store.clear();
        if (refusal.isEmpty() && result.stopRow == 0 && fill.plainRows())
            result.listColumns = fill.listColumns();
        else
            result.tail.known = false;
    }
    if (const QString stop = stopNotice(result); !stop.isEmpty())
        result.notes << stop;

    // The workbook is saved (it is unchanged, so the application has nothing to write),
    // marked saved so that closing cannot prompt, and closed. If any of that fails it is
    // closed once more; a failure of that second close ends the read with its error and
    // the quit request is not sent.
    try {
        automation::dispatch(*firstWorkbook(*app, u"workbooks"), u"save", Invoke::Method);
        automation::dispatch(*firstWorkbook(*app, u"Workbooks"), u"Saved", Invoke::PropertyPut,
                             {Variant::fromBool(true)});
        automation::dispatch(*firstWorkbook(*app, u"workbooks"), u"close", Invoke::Method);
    } catch (const AppError &) {
        automation::dispatch(*firstWorkbook(*app, u"workbooks"), u"close", Invoke::Method);
    }
    automation::dispatch(*app, u"quit", Invoke::Method);
    if (!refusal.isEmpty())
        workbook::refuse(path, refusal);
    return result;
}
