#include "import/tablefill.h"

#include "base/numtext.h"
#include "base/timetext.h"
#include "import/columnstore.h"
#include "import/unitsplit.h"

#include <QCoreApplication>

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
    if (m_endedAt != 0) {
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
    if (m_layout.interleavedLevels > 0) {
        // Rows of every level under one set of names would put values under other names.
        m_refusal = QCoreApplication::translate("tablefill", "文件交替写有%1层记录，各层有自己的列名行，不是一个表格")
                        .arg(m_layout.interleavedLevels);
        m_endedAt = -1;
        std::vector<tablelayout::Row>().swap(m_sample);
        std::vector<std::vector<Variant>>().swap(m_sampleCells);
        return;
    }
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
    const int headerAbove = l.nameRow >= 0 ? l.headerRowsAbove : 0;
    const qint64 aboveSheetRow = headerRow - headerAbove > 0 && headerRow < int(m_sample.size())
                                     ? m_sample[size_t(headerRow - headerAbove)].sheetRow - 1 : 0;
    if (aboveSheetRow > 0)
        m_notes << QCoreApplication::translate("log", "跳过了开头的%1行说明文字").arg(aboveSheetRow);
    if (headerAbove > 0)
        m_notes << QCoreApplication::translate("log", "列名上方的%1行表头未读入").arg(headerAbove);
    if (!l.format.isEmpty())
        m_notes << QCoreApplication::translate("log", "表头按%1格式读取").arg(l.format);
    const int between = l.dataStart - 1 - std::max(l.nameRow, l.unitRow);
    if (l.nameRow >= 0 && between > 0)
        m_notes << QCoreApplication::translate("log", "跳过了表头与数据之间的%1行").arg(between);
    if (l.nameRow < 0)
        m_notes << QCoreApplication::translate("log", "文件没有列名行，各列按第N列命名");
    if (l.settings > 0)
        m_notes << QCoreApplication::translate("log", "第%1至%2列是%3项仪器设置（名称与值），不是数据列，未读入")
                       .arg(l.settingsFirstColumn).arg(l.settingsLastColumn).arg(l.settings);

    // Names and units of the columns the header has; wider rows get theirs in ensureList.
    if (l.nameRow >= 0)
        for (const tablelayout::Cell &c : m_sample[size_t(l.nameRow)].cells)
            m_widest = std::max(m_widest, c.column - l.firstColumn + 1);
    m_names.assign(size_t(std::max(m_widest, 0)) + 1, QString());
    m_units.assign(m_names.size(), QString());
    for (int list = 1; list <= m_widest; ++list) {
        const int column = list + l.firstColumn - 1;
        // An empty name takes the nearest header text above it (a logger's "Time").
        QString name = cellText(m_sample[size_t(l.nameRow)], column);
        for (int above = 1; above <= headerAbove && name.trimmed().isEmpty(); ++above)
            name = cellText(m_sample[size_t(l.nameRow - above)], column);
        if (l.unitRow >= 0) {
            m_names[size_t(list)] = name;
            // A labelled unit row lines up with the names when an X column fills the label's
            // place; without one its units start one cell to the right of the names.
            const int unitColumn = l.unitRowLabelled && l.madeX ? column + 1 : column;
            if (!(l.unitRowLabelled && unitColumn == l.firstColumn))
                m_units[size_t(list)] = cellText(m_sample[size_t(l.unitRow)], unitColumn).trimmed();
        } else {
            const unitsplit::NameUnit split = l.symbolNames ? unitsplit::symbolEntry(name) : unitsplit::split(name);
            m_names[size_t(list)] = split.name;
            m_units[size_t(list)] = split.unit;
        }
    }
    findDateAndTime();
    if (l.madeX) {
        m_names.insert(m_names.begin() + 1, QStringLiteral("X_Value"));
        m_units.insert(m_units.begin() + 1, QString());
        m_notes << QCoreApplication::translate("log", "第1列X_Value由X0与Delta_X算出（%1 + 行号×%2）")
                       .arg(numtext::generalValue(l.xStart)).arg(numtext::generalValue(l.xStep));
    }
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
        m_notes << QCoreApplication::translate("log", "第%1列“%2”与第%3列“%4”合为一个时间列")
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
    const int list = sheetColumn - m_layout.firstColumn + 1 + (m_layout.madeX ? 1 : 0);
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
        QString unit = size_t(k) < m_units.size() ? m_units[size_t(k)] : QString();
        if (unit.isEmpty()) // units the instrument's settings give
            unit = k == 1 ? m_layout.settingsXUnit : m_layout.settingsYUnit;
        m_store.append(k, unit);
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
    if (wrote && m_layout.madeX) {
        padTo(1, m_items);
        m_store.appendNumber(1, numtext::generalValue(m_layout.xStart + double(m_items - 2) * m_layout.xStep));
    }
    if (wrote)
        ++m_items;
}

void TableFill::decideNow()
{
    if (m_sampling && !m_sample.empty())
        decide();
}

bool TableFill::columnsFit() const
{
    return !m_sampling && m_refusal.isEmpty() && m_endedAt == 0 && m_dateColumn == 0 && m_outsideCells == 0
           && !m_layout.madeX && m_layout.firstColumn == 1;
}

void TableFill::appendColumns(qint64 rows, int columns, const std::function<void(int list)> &put)
{
    if (rows <= 0)
        return;
    columns = std::min(columns, ColumnStore::ListCount);
    m_widest = std::max(m_widest, columns);
    ensureList(columns);
    for (int list = 1; list <= m_lists; ++list) {
        padTo(list, m_items);
        if (list <= columns)
            put(list);
        else
            padTo(list, m_items + rows);
    }
    m_items += rows;
}

void TableFill::finish()
{
    if (m_sampling) {
        if (m_sample.empty())
            return;
        decide();
    }
    if (!m_refusal.isEmpty())
        return;
    for (int list = 1; list <= m_lists; ++list)
        padTo(list, m_items);
    m_listColumns.clear();
    for (int list = 1; list <= m_lists; ++list)
        m_listColumns.push_back(list + m_layout.firstColumn - 1);

    // Columns with neither a name nor a reading are left out: they hold nothing at all. A
    // named column without readings (a logger's Comment) stays, so the names after it keep
    // the places the file gives them.
    QStringList dropped;
    for (int list = m_lists; list >= 1; --list) {
        bool filled = size_t(list) < m_names.size() && !m_names[size_t(list)].trimmed().isEmpty();
        for (qint64 i = 2; i < m_items && !filled; ++i) {
            const ColumnStore::Entry e = m_store.entry(list, int(i));
            filled = e.isNumber || !e.text.isEmpty();
        }
        if (filled)
            continue;
        dropped.prepend(QCoreApplication::translate("log", "第%1列").arg(list));
        m_store.removeList(list);
        m_listColumns.erase(m_listColumns.begin() + (list - 1));
        --m_lists;
    }
    if (!dropped.isEmpty())
        m_notes << QCoreApplication::translate("log", "%1没有数据，未列出").arg(dropped.join(QCoreApplication::translate("log", "、")));
    const int width = listOf(std::max(m_widest + m_layout.firstColumn - 1, m_sheetColumns));
    if (width > ColumnStore::ListCount)
        m_notes << QCoreApplication::translate("log", "表格有%1列，第%2列起的%3列未读入")
                       .arg(width).arg(ColumnStore::ListCount + 1).arg(width - ColumnStore::ListCount);
    if (m_outsideCells > 0)
        m_notes << QCoreApplication::translate("log", "表格左侧的%1个单元格未读入").arg(m_outsideCells);
    if (m_endedAt > 0)
        m_notes << QCoreApplication::translate("log", "第%1行起是另一个表格，其后的%2行未读入").arg(m_endedAt).arg(m_rowsAfterEnd);
}
