#include "import/workbookread.h"

#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "workbook/fileload.h"

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

void readCells(automation::Object &sheet, ColumnStore &store)
{
    qint64 rowCount;
    {
        ObjectRef used = automation::toObject(
            automation::dispatch(sheet, u"usedRange", Invoke::MethodOrGet));
        ObjectRef rows = automation::toObject(
            automation::dispatch(*used, u"Rows", Invoke::MethodOrGet));
        rowCount = automation::toInt32(automation::dispatch(*rows, u"count", Invoke::MethodOrGet));
    }
    if (rowCount <= 0)
        return;
    // 64-bit row numbers: a count near the integer limit must not wrap into a negative end.
    const qint64 lastRow = qMin<qint64>(rowCount + ExtraRows, std::numeric_limits<qint32>::max());
    for (qint64 r = 1; r <= lastRow; ++r) {
        int position = 0;
        for (int c = 1; c <= ReadColumns; ++c) {
            const QString text = automation::toText(automation::dispatch(
                sheet, u"Cells", Invoke::PropertyGet,
                {Variant::fromInt(qint32(r)), Variant::fromInt(c)}));
            if (!text.isEmpty())
                store.append(++position, text);
        }
    }
}

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
        try {
            readCells(*sheet, store);
        } catch (const TextLimitError &) {
            refusal = ColumnStore::textLimitReason();
        } catch (const AppError &) {
            // Any other error ends the loop; what was read stays.
            result.complete = false;
        } catch (const std::bad_alloc &) {
            refusal = workbook::outOfMemoryReason();
        }
        if (!refusal.isEmpty())
            store.clear();
    }

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
