#include "import/textfill.h"

#include "base/numtext.h"
#include "base/readprogress.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/tablefill.h"
#include "import/tablelayout.h"
#include "workbook/csv/textcolumns.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>

using automation::Variant;
using textcolumns::Item;

namespace textfill {

namespace {

// Rows the table fill holds before it decides the layout (TableFill's sample).
constexpr qint64 SampleRows = 1000;
// Rows read past the used range's row count, as the cell-by-cell read does.
constexpr qint64 ExtraRows = 30;

// The cells of record `index` as the sheet's CellBlock gives them: numbers as read.
std::vector<Variant> cellsOf(const textcolumns::Table &table, qint64 index,
                             const std::map<std::pair<qint64, int>, double> &raw)
{
    const int width = table.width();
    std::vector<Variant> cells;
    for (int column = 1; column <= width; ++column) {
        const Item item = table.item(index, column);
        if (!textcolumns::isText(item)) {
            const auto found = raw.find({index, column});
            cells.resize(size_t(column));
            cells.back() = Variant::fromDouble(found != raw.end() ? found->second : textcolumns::numberOf(item));
            continue;
        }
        const QStringView text = table.text(item);
        if (text.isEmpty())
            continue;
        cells.resize(size_t(column));
        cells.back() = Variant::fromText(text.toString());
    }
    return cells;
}

// Numbers as read where the lists keep them otherwise, for the rows before `end`.
std::map<std::pair<qint64, int>, double> rawNumbers(const textcolumns::Table &table, qint64 end)
{
    std::map<std::pair<qint64, int>, double> raw;
    for (const textcolumns::Part &part : table.parts)
        for (const textcolumns::RawNumber &number : part.rawNumbers)
            if (number.row < end)
                raw[{number.row, number.column}] = number.value;
    return raw;
}

// The first row from `from` on that TableFill takes for the start of another table: its
// reading columns hold texts, none of them a reading. `rows` when there is none.
qint64 firstForeignRow(const textcolumns::Table &table, const std::vector<int> &readingColumns, qint64 from)
{
    qint64 base = 0;
    for (const textcolumns::Part &part : table.parts) {
        std::vector<const textcolumns::Column *> columns;
        int leadColumn = 0;
        for (int column : readingColumns)
            if (column >= 1 && size_t(column) <= part.columns.size()) {
                columns.push_back(&part.columns[size_t(column) - 1]);
                if (leadColumn == 0)
                    leadColumn = column;
            }
        // Without a text in the first reading column from `from` on, no row of the part is
        // another table's: a long log's part is passed over without a look.
        if (leadColumn > 0 && part.lastOther.size() == part.columns.size()
            && part.lastOther[size_t(leadColumn) - 1] < from - base) {
            base += part.rows;
            continue;
        }
        // A number in the first reading column makes a row a reading: only rows where it
        // holds a text need a closer look.
        const Item *lead = columns.empty() ? nullptr : columns.front()->data();
        for (qint64 r = std::max<qint64>(from - base, 0); r < part.rows; ++r) {
            if (lead) {
                while (r < part.rows && !textcolumns::isText(lead[r]))
                    ++r;
                if (r == part.rows)
                    break;
            }
            bool reading = false, text = false;
            for (const textcolumns::Column *column : columns) {
                const Item item = (*column)[size_t(r)];
                if (!textcolumns::isText(item)) {
                    reading = true;
                    break;
                }
                const QStringView t = table.text(item);
                if (t.isEmpty())
                    continue;
                double value = 0;
                if (tablelayout::readingText(t) || numtext::toDouble(t, &value)) {
                    reading = true;
                    break;
                }
                text = true;
            }
            if (text && !reading)
                return base + r;
        }
        base += part.rows;
    }
    return table.rows;
}

// Whether rows [from, to) of column `column` are all finite numbers by what the parts know
// of their items without a look at them: false where a part does not know.
bool knownNumbers(const textcolumns::Table &table, int column, qint64 from, qint64 to)
{
    qint64 base = 0;
    for (const textcolumns::Part &part : table.parts) {
        const qint64 begin = std::max(from - base, qint64(0));
        if (begin < std::min(to - base, part.rows)
            && (size_t(column) > part.columns.size() || part.lastOther.size() != part.columns.size()
                || part.lastOther[size_t(column) - 1] >= begin))
            return false;
        base += part.rows;
    }
    return true;
}

// Appends the items of column `column` of rows [from, to) to list `list`, freeing the column;
// `moved(items)` after every few thousand. The first part's column becomes the list, with
// the items the list had in place of the rows before `from`; the later parts' items join it
// by moving their pages (pagealloc::appendMoving): the readings are not copied.
void moveColumn(textcolumns::Table &table, int column, qint64 from, qint64 to, ColumnStore &store, int list,
                const std::function<void(qint64)> &moved)
{
    constexpr qint64 Step = readprogress::ReportRows;
    const auto report = [&](qint64 count) {
        for (qint64 n = 0; n < count; n += Step)
            moved(std::min(count - n, Step));
    };
    // Told to the store, which then need not look for texts in a long column of readings.
    const bool numbers = knownNumbers(table, column, from, to);
    textcolumns::Part &first = table.parts.front();
    qint64 base = 0;
    size_t part = 0;
    size_t heldItems = 0;
    textcolumns::Column items;
    if (size_t(column) <= first.columns.size() && first.rows >= from) {
        items.swap(first.columns[size_t(column) - 1]);
        const textcolumns::Column held = store.takeList(list);
        heldItems = held.size();
        const qint64 shift = from - qint64(held.size());
        if (shift > 0)
            items.erase(items.begin(), items.begin() + shift);
        else if (shift < 0)
            items.insert(items.begin(), size_t(-shift), textcolumns::EmptyItem);
        std::copy(held.begin(), held.end(), items.begin());
        const qint64 taken = std::min(to, first.rows) - from;
        items.resize(held.size() + size_t(taken));
        report(taken);
        base = first.rows;
        part = 1;
    } else {
        items = store.takeList(list);
        heldItems = items.size();
    }
    for (; part < table.parts.size(); ++part) {
        textcolumns::Part &p = table.parts[part];
        const qint64 begin = std::max(from - base, qint64(0));
        const qint64 count = std::max(std::min(to - base, p.rows) - begin, qint64(0));
        if (size_t(column) <= p.columns.size())
            pagealloc::appendMoving(items, p.columns[size_t(column) - 1], size_t(begin), size_t(count));
        else
            items.insert(items.end(), size_t(count), textcolumns::EmptyItem);
        report(count);
        base += p.rows;
    }
    store.replaceList(list, std::move(items), numbers ? heldItems : ColumnStore::NotKnown);
}

// The rightmost column with a filled field in rows [from, to).
int filledWidth(const textcolumns::Table &table, qint64 from, qint64 to)
{
    int width = 0;
    qint64 base = 0;
    for (const textcolumns::Part &part : table.parts) {
        for (size_t c = 0; c < part.columns.size(); ++c) {
            const qint64 last = part.lastFilled[c];
            if (last >= 0 && base + last >= from && base + last < to) {
                width = std::max(width, int(c) + 1);
                continue;
            }
            // The last filled field lies past `to`: look for one inside.
            if (last >= 0 && base + last >= to)
                for (qint64 r = std::max<qint64>(from - base, 0); r < std::min(to - base, part.rows); ++r)
                    if (!textcolumns::isEmpty(part.columns[c][size_t(r)])) {
                        width = std::max(width, int(c) + 1);
                        break;
                    }
        }
        base += part.rows;
    }
    return width;
}

}

bool fill(textcolumns::Table &table, ColumnStore &store, TableFill &fill)
{
    const qint64 rows = table.rows;
    if (rows == 0 || table.blankTexts)
        return false;
    // The cell-by-cell read takes rows 1 to the used rows' count + 30: a table that starts
    // further down is read that way.
    const qint64 firstRecord = table.recordOf(0), lastRecord = table.recordOf(rows - 1);
    if (lastRecord > std::min<qint64>(lastRecord - firstRecord + 1 + ExtraRows, std::numeric_limits<qint32>::max()))
        return false;

    const qint64 sampled = std::min(rows, SampleRows);
    const auto raw = rawNumbers(table, sampled);
    std::vector<std::vector<Variant>> sample;
    sample.reserve(size_t(sampled));
    for (qint64 r = 0; r < sampled; ++r)
        sample.push_back(cellsOf(table, r, raw));
    std::vector<int> readingColumns;
    {
        // The layout decided on a store of its own first: a table that does not fit stays
        // untouched for the cell-by-cell read.
        ColumnStore scratch;
        ColumnStore::Batch batch(scratch);
        TableFill trial(scratch);
        for (qint64 r = 0; r < sampled; ++r)
            trial.row(table.recordOf(r), sample[size_t(r)].data(), int(sample[size_t(r)].size()));
        trial.decideNow();
        if (!trial.columnsFit())
            return false;
        readingColumns = trial.layout().readingColumns;
    }
    // Read while the table still holds its texts.
    const qint64 foreign = firstForeignRow(table, readingColumns, sampled);
    // Its numbers lie outside the reading columns and are not read: their values do not matter.
    std::vector<Variant> foreignCells;
    if (foreign < rows)
        foreignCells = cellsOf(table, foreign, {});

    store.adoptTexts(std::move(table.chars), std::move(table.shared), table.textChars);
    for (qint64 r = 0; r < sampled; ++r) {
        fill.row(table.recordOf(r), sample[size_t(r)].data(), int(sample[size_t(r)].size()));
        std::vector<Variant>().swap(sample[size_t(r)]);
    }
    fill.decideNow();
    readprogress::filled(sampled, rows);

    const int columns = filledWidth(table, sampled, foreign);
    // Reports as the rows would make them, every few thousand items of every column.
    qint64 moved = 0;
    fill.appendColumns(foreign - sampled, columns, [&](int list) {
        moveColumn(table, list, sampled, foreign, store, list, [&](qint64 items) {
            moved += items;
            readprogress::filled(sampled + moved / std::max(columns, 1), rows);
        });
    });
    if (foreign < rows) {
        fill.row(table.recordOf(foreign), foreignCells.data(), int(foreignCells.size()));
        fill.countRowsAfterEnd(rows - foreign - 1);
    }
    table.parts.clear();
    return true;
}

}
