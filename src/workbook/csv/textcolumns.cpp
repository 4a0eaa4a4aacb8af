#include "workbook/csv/textcolumns.h"

#include "workbook/sheetbuilder.h"
#include "workbook/workbook.h"

#include <algorithm>

namespace textcolumns {

int Table::width() const
{
    size_t width = 0;
    for (const Part &part : parts)
        width = std::max(width, part.columns.size());
    return int(width);
}

QStringView Table::text(Item item) const
{
    if (item & SharedBit)
        return QStringView(shared[size_t(item & 0xFFFFFFFFu)]);
    return QStringView(chars).mid(qsizetype(item & 0xFFFFFFFFu), qsizetype((item >> 32) & 0xFFFF));
}

std::pair<const Part *, qint64> Table::locate(qint64 index) const
{
    for (const Part &part : parts) {
        if (index < part.rows)
            return {&part, index};
        index -= part.rows;
    }
    return {nullptr, 0};
}

qint64 Table::recordOf(qint64 index) const
{
    // Each part's first record with a cell starts its first stretch; indexes are table-wide.
    qint64 base = 0;
    for (const Part &part : parts) {
        if (index < base + part.rows) {
            const auto after = std::upper_bound(part.rowStarts.begin(), part.rowStarts.end(), index,
                                                [](qint64 i, const std::pair<qint64, qint64> &s) { return i < s.first; });
            const auto &start = *(after - 1);
            return start.second + (index - start.first);
        }
        base += part.rows;
    }
    return 0;
}

Item Table::item(qint64 index, int column) const
{
    const auto [part, at] = locate(index);
    if (!part || column < 1 || size_t(column) > part->columns.size())
        return EmptyItem;
    return part->columns[size_t(column) - 1][size_t(at)];
}

bool movesByPages(const Part &part)
{
    for (const Column &column : part.columns)
        if (column.capacity() * sizeof(Item) < PageAllocator<Item>::MappedFrom)
            return false;
    return true;
}

qint64 lastOther(const Item *items, size_t count)
{
    // An item is no finite number when its exponent bits are all set: adding one to the
    // exponent then carries into the top bit. Or-ed together without a branch, a block of
    // a fixed length at a time (which the compiler turns into vector code): the items of a
    // log are numbers.
    constexpr Item Exponent = 0x7FF0000000000000ull;
    constexpr Item ExponentOne = 0x0010000000000000ull;
    const auto other = [](Item item) { return ((item & Exponent) + ExponentOne) >> 63; };
    constexpr size_t Block = 256;
    size_t end = count;
    for (; end > 0 && end % Block != 0; --end)
        if (other(items[end - 1]))
            return qint64(end - 1);
    for (; end > 0; end -= Block) {
        const Item *block = items + end - Block;
        Item any[4] = {};
        for (size_t i = 0; i < Block; i += 4)
            for (size_t k = 0; k < 4; ++k)
                any[k] |= (block[i + k] & Exponent) + ExponentOne;
        if ((any[0] | any[1] | any[2] | any[3]) >> 63)
            for (size_t i = end; i-- > end - Block;)
                if (other(items[i]))
                    return qint64(i);
    }
    return -1;
}

void noteOthers(Part &part)
{
    part.lastOther.clear();
    for (const Column &column : part.columns)
        part.lastOther.push_back(lastOther(column.data(), column.size()));
}

void appendPart(Part &first, Part &later, qint64 recordsBefore)
{
    const qint64 base = first.rows;
    const size_t width = std::max(first.columns.size(), later.columns.size());
    const bool othersKnown = first.lastOther.size() == first.columns.size();
    while (first.columns.size() < width) {
        // Room for as many rows as the columns beside it have: the later records join it too.
        Column column;
        column.reserve(first.columns.empty() ? size_t(base + later.rows) : first.columns.front().capacity());
        column.assign(size_t(base), EmptyItem);
        first.columns.push_back(std::move(column));
        first.lastFilled.push_back(-1);
        if (othersKnown)
            first.lastOther.push_back(base - 1);
    }
    for (size_t c = 0; c < width; ++c) {
        Column &column = first.columns[c];
        if (c < later.columns.size()) {
            qint64 other = -1; // in the joined column
            pagealloc::appendMoving(column, later.columns[c], 0, size_t(later.rows), [&](const Item *items, size_t n) {
                if (othersKnown) {
                    const qint64 last = lastOther(items, n);
                    if (last >= 0)
                        other = (items - column.data()) + last;
                }
            });
            if (later.lastFilled[c] >= 0)
                first.lastFilled[c] = base + later.lastFilled[c];
            if (other >= 0)
                first.lastOther[c] = other;
        } else {
            column.insert(column.end(), size_t(later.rows), EmptyItem);
            if (othersKnown && later.rows > 0)
                first.lastOther[c] = base + later.rows - 1;
        }
    }
    for (std::pair<qint64, qint64> start : later.rowStarts)
        first.rowStarts.emplace_back(start.first + base, start.second + recordsBefore);
    for (RawNumber raw : later.rawNumbers) {
        raw.row += base;
        first.rawNumbers.push_back(raw);
    }
    first.rows += later.rows;
    later = Part();
}

void fillSheet(Table &table, workbook::Worksheet &sheet)
{
    workbook::SheetBuilder builder(sheet, false, workbook::TextRows);
    qint64 base = 0;
    for (Part &part : table.parts) {
        size_t raw = 0;
        size_t start = 0;
        for (qint64 r = 0; r < part.rows; ++r) {
            const qint64 index = base + r;
            while (start + 1 < part.rowStarts.size() && part.rowStarts[start + 1].first <= index)
                ++start;
            const int row = int(part.rowStarts[start].second + (index - part.rowStarts[start].first));
            for (size_t c = 0; c < part.columns.size(); ++c) {
                const Item item = part.columns[c][size_t(r)];
                const int column = int(c) + 1;
                if (isText(item)) {
                    const QStringView text = table.text(item);
                    if (!text.isEmpty())
                        builder.text(row, column, text.toString());
                    continue;
                }
                double value = numberOf(item);
                while (raw < part.rawNumbers.size()
                       && (part.rawNumbers[raw].row < index
                           || (part.rawNumbers[raw].row == index && part.rawNumbers[raw].column < column)))
                    ++raw;
                if (raw < part.rawNumbers.size() && part.rawNumbers[raw].row == index && part.rawNumbers[raw].column == column)
                    value = part.rawNumbers[raw].value;
                builder.number(row, column, value, false);
            }
        }
        base += part.rows;
        std::vector<Column>().swap(part.columns);
    }
    builder.finish();
    table.parts.clear();
    table.rows = 0;
}

}
