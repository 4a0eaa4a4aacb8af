#include "import/tablefill.h"

#include "base/numtext.h"
#include "base/timetext.h"
#include "import/columnstore.h"
#include "import/unitsplit.h"

#include <algorithm>

using automation::Variant;

namespace {

// Rows held before the layout is decided: enough for the longest instrument headers
// (several hundred lines) with readings below them.
constexpr size_t SampleRows = 1000;

// An empty cell, or one of blanks only.
bool blank(const Variant &v)
{
    if (v.isEmpty())
        return true;
    if (v.type() != Variant::Type::Text)
        return false;
    for (QChar c : v.text())
        if (c != u' ' && c != u'\t')
            return false;
    return true;
}

tablelayout::Row layoutRow(qint64 sheetRow, const Variant *cells, int count)
{
    tablelayout::Row row;
    row.sheetRow = sheetRow;
    for (int i = 0; i < count; ++i) {
        const Variant &v = cells[i];
        if (blank(v))
            continue;
        tablelayout::Cell cell;
        cell.column = i + 1;
        cell.text = automation::toText(v);
        double value = 0;
        cell.number = v.type() == Variant::Type::Double
                      || (v.type() == Variant::Type::Text && numtext::toDouble(cell.text, &value));
        row.cells.push_back(std::move(cell));
    }
    return row;
}

bool oneOf(const QString &name, std::initializer_list<const char *> words)
{
    const QString n = name.trimmed();
    for (const char *w : words)
        if (n.compare(QString::fromUtf8(w), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString cellText(const tablelayout::Row &row, int column)
{
    for (const tablelayout::Cell &c : row.cells)
        if (c.column == column)
            return c.text;
    return QString();
}

}

TableFill::TableFill(ColumnStore &store) : m_store(store) {}

void TableFill::row(qint64 sheetRow, const Variant *cells, int count)
{
    bool any = false;
    for (int i = 0; i < count && !any; ++i)
        any = !blank(cells[i]);
    if (!any)
        return;
    if (m_sampling) {
        m_sample.push_back(layoutRow(sheetRow, cells, count));
        m_sampleCells.emplace_back(cells, cells + count);
        if (m_sample.size() >= SampleRows)
            decide();
        return;
    }
    if (m_endedAt > 0) {
        ++m_rowsAfterEnd;
        return;
    }
    if (foreignRow(cells, count)) {
        m_endedAt = sheetRow;
        m_rowsAfterEnd = 1;
        return;
    }
    writeRow(cells, count);
}

void TableFill::decide()
{
    m_sampling = false;
    m_layout = tablelayout::decide(m_sample);
    for (int column : m_layout.readingColumns) {
        if (size_t(column) >= m_readingColumn.size())
            m_readingColumn.resize(size_t(column) + 1, 0);
        m_readingColumn[size_t(column)] = 1;
    }
    writeHeader();
    const int first = m_layout.dataStart;
    for (size_t i = size_t(first); i < m_sample.size(); ++i) {
        const auto &cells = m_sampleCells[i];
        if (m_endedAt > 0) {
            ++m_rowsAfterEnd;
        } else if (foreignRow(cells.data(), int(cells.size()))) {
            m_endedAt = m_sample[i].sheetRow;
            m_rowsAfterEnd = 1;
        } else {
            writeRow(cells.data(), int(cells.size()));
        }
    }
    std::vector<tablelayout::Row>().swap(m_sample);
    std::vector<std::vector<Variant>>().swap(m_sampleCells);
}

void TableFill::writeHeader()
{
    m_items = 2;
    const tablelayout::Layout &l = m_layout;
    const int headerRow = l.nameRow >= 0 ? l.nameRow : l.dataStart;
    // Lines above the table, blank ones among them, when any of them holds something.
    const qint64 aboveSheetRow = headerRow > 0 && headerRow < int(m_sample.size())
                                     ? m_sample[size_t(headerRow)].sheetRow - 1 : 0;
    if (aboveSheetRow > 0)
        m_notes << QStringLiteral("跳过了开头的%1行说明文字").arg(aboveSheetRow);
    if (!l.format.isEmpty())
        m_notes << QStringLiteral("表头按%1格式读取").arg(l.format);
    const int between = l.dataStart - 1 - std::max(l.nameRow, l.unitRow);
    if (l.nameRow >= 0 && between > 0)
        m_notes << QStringLiteral("跳过了表头与数据之间的%1行").arg(between);
    if (l.nameRow < 0)
        m_notes << QStringLiteral("文件没有列名行，各列按第N列命名");

    // Names and units of the columns the header has; wider rows get theirs in ensureList.
    if (l.nameRow >= 0)
        for (const tablelayout::Cell &c : m_sample[size_t(l.nameRow)].cells)
            m_widest = std::max(m_widest, c.column - l.firstColumn + 1);
    m_names.assign(size_t(std::max(m_widest, 0)) + 1, QString());
    m_units.assign(m_names.size(), QString());
    for (int list = 1; list <= m_widest; ++list) {
        const int column = list + l.firstColumn - 1;
        const QString name = cellText(m_sample[size_t(l.nameRow)], column);
        if (l.unitRow >= 0) {
            m_names[size_t(list)] = name;
            if (!(l.unitRowLabelled && column == l.firstColumn))
                m_units[size_t(list)] = cellText(m_sample[size_t(l.unitRow)], column).trimmed();
        } else {
            const unitsplit::NameUnit split = unitsplit::split(name);
            m_names[size_t(list)] = split.name;
            m_units[size_t(list)] = split.unit;
        }
    }
    findDateAndTime();
    ensureList(std::min(listOf(m_widest + l.firstColumn - 1), ColumnStore::ListCount));
}

// A Date column right beside a Time column is one time column: loggers write the day and
// the time of day apart.
void TableFill::findDateAndTime()
{
    const tablelayout::Layout &l = m_layout;
    if (l.dataStart >= int(m_sample.size()))
        return;
    const tablelayout::Row &data = m_sample[size_t(l.dataStart)];
    for (int list = 1; list + 1 < int(m_names.size()); ++list) {
        if (!oneOf(m_names[size_t(list)], {"date", "datum", "data", "fecha", "日期"})
            || !oneOf(m_names[size_t(list + 1)], {"time", "zeit", "uhrzeit", "hora", "ora", "时间"}))
            continue;
        const int column = list + l.firstColumn - 1;
        timetext::Stamp date, time;
        const QString day = cellText(data, column);
        if (!(timetext::parse(day, &date) || timetext::parse(day, &date, timetext::DateOrder::DayFirst))
            || !date.dated
            || !timetext::parse(cellText(data, column + 1), &time) || time.dated)
            continue;
        m_dateColumn = column;
        m_notes << QStringLiteral("第%1列“%2”与第%3列“%4”合为一个时间列")
                       .arg(list).arg(m_names[size_t(list)]).arg(list + 1).arg(m_names[size_t(list + 1)]);
        m_names[size_t(list)] = m_names[size_t(list)].trimmed() + u' ' + m_names[size_t(list + 1)].trimmed();
        m_names.erase(m_names.begin() + list + 1);
        m_units.erase(m_units.begin() + list + 1);
        return;
    }
}

// The list of a sheet column: counted from the table's first column, one less right of a
// merged time column.
int TableFill::listOf(int sheetColumn) const
{
    const int list = sheetColumn - m_layout.firstColumn + 1;
    return m_dateColumn > 0 && sheetColumn > m_dateColumn ? list - 1 : list;
}

void TableFill::ensureList(int list)
{
    while (m_lists < list) {
        const int k = ++m_lists;
        QString name = size_t(k) < m_names.size() ? m_names[size_t(k)] : QString();
        if (name.trimmed().isEmpty())
            name = QStringLiteral("第%1列").arg(k);
        m_store.append(k, name);
        m_store.append(k, size_t(k) < m_units.size() ? m_units[size_t(k)] : QString());
        padTo(k, m_items);
    }
}

void TableFill::padTo(int list, qint64 items)
{
    for (qint64 n = m_store.count(list); n < items; ++n)
        m_store.append(list, QStringView());
}

bool TableFill::foreignRow(const Variant *cells, int count) const
{
    bool foreign = false;
    for (int i = 0; i < count; ++i) {
        const size_t column = size_t(i) + 1;
        if (column >= m_readingColumn.size() || !m_readingColumn[column] || blank(cells[i]))
            continue;
        if (cells[i].type() != Variant::Type::Text)
            return false;
        double value = 0;
        if (tablelayout::readingText(cells[i].text()) || numtext::toDouble(cells[i].text(), &value))
            return false;
        foreign = true;
    }
    return foreign;
}

void TableFill::writeRow(const Variant *cells, int count)
{
    bool wrote = false;
    for (int i = 0; i < count; ++i) {
        const Variant &v = cells[i];
        if (blank(v))
            continue;
        const int column = i + 1;
        const int list = listOf(column);
        if (column < m_layout.firstColumn) {
            ++m_outsideCells;
            continue;
        }
        if (m_dateColumn > 0 && (column == m_dateColumn || column == m_dateColumn + 1)) {
            // The date waits for its time; both go in as one stamp.
            if (column == m_dateColumn) {
                m_pendingDate = automation::toText(v);
                continue;
            }
            padTo(list, m_items);
            const QString time = automation::toText(v);
            m_store.append(list, m_pendingDate.isEmpty() ? time : m_pendingDate + u' ' + time);
            m_pendingDate.clear();
            wrote = true;
            continue;
        }
        m_widest = std::max(m_widest, column - m_layout.firstColumn + 1);
        if (list > ColumnStore::ListCount)
            continue;
        if (list > m_lists)
            ensureList(list);
        padTo(list, m_items);
        if (v.type() == Variant::Type::Double)
            m_store.appendNumber(list, numtext::generalValue(v.number()));
        else
            m_store.append(list, automation::toText(v));
        wrote = true;
    }
    if (!m_pendingDate.isEmpty()) {
        const int list = listOf(m_dateColumn);
        padTo(list, m_items);
        m_store.append(list, m_pendingDate);
        m_pendingDate.clear();
        wrote = true;
    }
    if (wrote)
        ++m_items;
}

void TableFill::finish()
{
    if (m_sampling) {
        if (m_sample.empty())
            return;
        decide();
    }
    for (int list = 1; list <= m_lists; ++list)
        padTo(list, m_items);
    m_listColumns.clear();
    for (int list = 1; list <= m_lists; ++list)
        m_listColumns.push_back(list + m_layout.firstColumn - 1);

    // Columns without a reading are left out: they hold nothing to draw.
    QStringList dropped;
    for (int list = m_lists; list >= 1; --list) {
        bool filled = false;
        for (qint64 i = 2; i < m_items && !filled; ++i) {
            const ColumnStore::Entry e = m_store.entry(list, int(i));
            filled = e.isNumber || !e.text.isEmpty();
        }
        if (filled)
            continue;
        // One line of the log however the name is written.
        QString name = m_store.item(list, 0).simplified();
        if (name.size() > 40)
            name = name.left(40) + QStringLiteral("…");
        dropped.prepend(QStringLiteral("第%1列“%2”").arg(list).arg(name));
        m_store.removeList(list);
        m_listColumns.erase(m_listColumns.begin() + (list - 1));
        --m_lists;
    }
    if (!dropped.isEmpty())
        m_notes << QStringLiteral("%1没有数据，未列出").arg(dropped.join(QStringLiteral("、")));
    const int width = listOf(std::max(m_widest + m_layout.firstColumn - 1, m_sheetColumns));
    if (width > ColumnStore::ListCount)
        m_notes << QStringLiteral("表格有%1列，第%2列起的%3列未读入")
                       .arg(width).arg(ColumnStore::ListCount + 1).arg(width - ColumnStore::ListCount);
    if (m_outsideCells > 0)
        m_notes << QStringLiteral("表格左侧的%1个单元格未读入").arg(m_outsideCells);
    if (m_endedAt > 0)
        m_notes << QStringLiteral("第%1行起是另一个表格，其后的%2行未读入").arg(m_endedAt).arg(m_rowsAfterEnd);
}
