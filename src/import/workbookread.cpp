#include "import/workbookread.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "workbook/fileload.h"

#include <algorithm>
#include <limits>
#include <new>

using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

namespace {

// Rows read past the used range's count, so that a range starting up to that many rows
// below the top is still read to its end.
constexpr int ExtraRows = 30;
constexpr int ReadColumns = ColumnStore::ListCount;

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

// Rows asked for in one CellBlock call: 4096 x 32 values, a few megabytes.
constexpr int BlockRows = 4096;

// Where the cell loop is, so a read that ends early can say where.
struct Position {
    qint64 row = 0;
    int column = 0;
};

// Appends one cell's value to the next list of its row. A number goes in as the value its
// text reads back as, which is what the chart draws.
void appendValue(const Variant &value, int *position, ColumnStore &store)
{
    if (value.type() == Variant::Type::Double) {
        store.appendNumber(++*position, numtext::generalValue(value.number()));
        return;
    }
    if (value.isEmpty())
        return;
    const QString text = automation::toText(value);
    if (!text.isEmpty())
        store.append(++*position, text);
}

// One Cells call a cell, as the application is asked everywhere.
void readOneByOne(automation::Object &sheet, qint64 lastRow, ColumnStore &store, Position &at)
{
    for (at.row = 1; at.row <= lastRow; ++at.row) {
        int position = 0;
        for (at.column = 1; at.column <= ReadColumns; ++at.column) {
            const QString text = automation::toText(automation::dispatch(
                sheet, u"Cells", Invoke::PropertyGet,
                {Variant::fromInt(qint32(at.row)), Variant::fromInt(at.column)}));
            if (!text.isEmpty())
                store.append(++position, text);
        }
    }
}

// The same cells in the same order, a block of rows a call, from an application that
// answers CellBlock. A block with fewer rows means the grid ended there, where Cells would
// fail; one with fewer columns holds no cell in those it left out.
void readInBlocks(automation::Object &sheet, qint64 lastRow, ColumnStore &store, Position &at)
{
    store.reserve(int(std::min<qint64>(lastRow, 1 << 24)));
    for (qint64 first = 1; first <= lastRow; first += BlockRows) {
        const int rows = int(std::min<qint64>(BlockRows, lastRow - first + 1));
        at.row = first;
        at.column = 1;
        const Variant value = automation::dispatch(
            sheet, u"CellBlock", Invoke::PropertyGet,
            {Variant::fromInt(qint32(first)), Variant::fromInt(1), Variant::fromInt(rows),
             Variant::fromInt(ReadColumns)});
        const automation::VariantArray &block = automation::toArray(value);
        for (int r = 0; r < block.rows; ++r) {
            at.row = first + r;
            int position = 0;
            for (at.column = 1; at.column <= std::min(block.columns, ReadColumns); ++at.column)
                appendValue(block.at(r, at.column - 1), &position, store);
        }
        if (block.rows < rows) {
            at.row = first + block.rows;
            at.column = 1;
            throw AppError(QStringLiteral("下标越界：Cells(%1, 1)").arg(at.row));
        }
    }
}

void readCells(automation::Object &sheet, ColumnStore &store, Position &at, qint64 *usedRows)
{
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
        readInBlocks(sheet, lastRow, store, at);
    else
        readOneByOne(sheet, lastRow, store, at);
}

}

QString stopNotice(const ReadResult &result)
{
    if (result.stopRow <= 0)
        return QString();
    return QStringLiteral("读取在第%1行第%2列停止（%3），其后的数据未读入")
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
        result.message = QStringLiteral("连接Excel失败");
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
        try {
            readCells(*sheet, store, at, &usedRows);
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
        if (!refusal.isEmpty())
            store.clear();
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
