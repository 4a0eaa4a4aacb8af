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
