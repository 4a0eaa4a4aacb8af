#include "workbook/workbook.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace workbook {

// ---- TextTable

void TextTable::Ends::push_back(std::uint32_t end)
{
    // A block grows as a vector does, up to its fixed size: a small table stays small.
    if ((m_size & BlockMask) == 0)
        m_blocks.emplace_back();
    m_blocks.back().push_back(end);
    ++m_size;
}

void TextTable::Ends::truncate(std::uint32_t count)
{
    if (count >= m_size)
        return;
    m_blocks.resize((std::size_t(count) + BlockMask) >> BlockBits);
    if (count & BlockMask)
        m_blocks.back().resize(count & BlockMask);
    m_size = count;
}

void TextTable::Ends::clear()
{
    std::vector<std::vector<std::uint32_t>>().swap(m_blocks);
    m_size = 0;
}

std::uint32_t TextTable::begin(std::uint32_t index) const
{
    const std::uint32_t from = index == 0 ? 0 : end(index - 1);
    return (m_ends[index] & WideBit) ? (from + 1) & ~1u : from;
}

std::uint32_t TextTable::append(const QString &text)
{
    const std::uint32_t index = size();
    if (index == UINT32_MAX)
        throw std::bad_alloc();
    const std::uint32_t from = index == 0 ? 0 : end(index - 1);
    if (text.size() >= SharedLength || text.isEmpty()) {
        if (!text.isEmpty())
            m_long.emplace_back(index, text);
        m_ends.push_back(from);
        return index;
    }
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
    const qint64 start = wide ? (from + 1) & ~1u : from;
    const qint64 stop = start + text.size() * (wide ? 2 : 1);
    if (stop >= qint64(WideBit))
        throw std::bad_alloc();
    m_bytes.resize(qsizetype(stop));
    char *out = m_bytes.data() + start;
    if (wide) {
        std::memcpy(out, text.constData(), size_t(text.size()) * 2);
    } else {
        for (QChar c : text)
            *out++ = char(c.unicode());
    }
    m_ends.push_back(std::uint32_t(stop) | (wide ? WideBit : 0));
    return index;
}

const QString *TextTable::longText(std::uint32_t index) const
{
    const auto it = std::lower_bound(m_long.begin(), m_long.end(), index,
                                     [](const auto &entry, std::uint32_t i) { return entry.first < i; });
    return it != m_long.end() && it->first == index ? &it->second : nullptr;
}

QString TextTable::text(std::uint32_t index) const
{
    if (index >= size())
        return QString();
    const std::uint32_t from = begin(index), to = end(index);
    if (to <= from) {
        const QString *shared = longText(index);
        return shared ? *shared : QString();
    }
    const char *bytes = m_bytes.constData() + from;
    if (m_ends[index] & WideBit)
        return QString(reinterpret_cast<const QChar *>(bytes), qsizetype(to - from) / 2);
    return QString::fromLatin1(bytes, qsizetype(to - from));
}

qsizetype TextTable::length(std::uint32_t index) const
{
    if (index >= size())
        return 0;
    const std::uint32_t from = begin(index), to = end(index);
    if (to <= from) {
        const QString *shared = longText(index);
        return shared ? shared->size() : 0;
    }
    return qsizetype(to - from) / ((m_ends[index] & WideBit) ? 2 : 1);
}

void TextTable::truncate(std::uint32_t count)
{
    if (count >= size())
        return;
    m_bytes.truncate(qsizetype(count == 0 ? 0 : end(count - 1)));
    m_ends.truncate(count);
    while (!m_long.empty() && m_long.back().first >= count)
        m_long.pop_back();
}

void TextTable::clear()
{
    m_bytes = QByteArray();
    m_ends.clear();
    std::vector<std::pair<std::uint32_t, QString>>().swap(m_long);
}

// ---- Worksheet

Cell Worksheet::cell(int row, int column) const
{
    Cell result;
    if (row < 1 || column < 1 || column > 0xFFFF)
        return result;
    const Slot *begin, *end;
    if (m_inOrder) {
        if (std::size_t(row) > m_flatEnds.size())
            return result;
        begin = m_flat.data() + (row == 1 ? 0 : m_flatEnds[std::size_t(row) - 2]);
        end = m_flat.data() + m_flatEnds[std::size_t(row) - 1];
    } else {
        if (std::size_t(row) > m_rows.size())
            return result;
        const std::vector<Slot> &cells = m_rows[std::size_t(row) - 1];
        begin = cells.data();
        end = begin + cells.size();
    }
    const Slot *slot = nullptr;
    // Rows are usually dense from column A, so try the direct position first.
    if (end - begin >= column && begin[column - 1].column == column) {
        slot = begin + (column - 1);
    } else {
        const Slot *it = std::lower_bound(begin, end, column,
                                          [](const Slot &s, int c) { return s.column < c; });
        if (it == end || it->column != column)
            return result;
        slot = it;
    }
    result.type = slot->type;
    switch (slot->type) {
    case CellType::Text:
        result.text = m_strings.text(slot->aux);
        break;
    case CellType::Error:
        result.errorCode = int(slot->aux);
        break;
    default:
        result.number = slot->number;
        break;
    }
    return result;
}

int Worksheet::lastColumnOf(int row) const
{
    if (row < 1)
        return 0;
    if (m_inOrder) {
        if (std::size_t(row) > m_flatEnds.size())
            return 0;
        const std::uint32_t begin = row == 1 ? 0 : m_flatEnds[std::size_t(row) - 2];
        const std::uint32_t end = m_flatEnds[std::size_t(row) - 1];
        return end > begin ? m_flat[end - 1].column : 0;
    }
    if (std::size_t(row) > m_rows.size() || m_rows[std::size_t(row) - 1].empty())
        return 0;
    return m_rows[std::size_t(row) - 1].back().column;
}

int Worksheet::countOf(CellType type) const
{
    int n = 0;
    const auto count = [&](const Slot &s) { n += s.type == type ? 1 : 0; };
    std::for_each(m_flat.begin(), m_flat.end(), count); // empty once cells left row order
    for (const auto &row : m_rows)
        std::for_each(row.begin(), row.end(), count);
    return n;
}

bool Worksheet::putInOrder(int row, const Slot &slot)
{
    const std::size_t rows = m_flatEnds.size();
    if (std::size_t(row) < rows)
        return false;
    if (std::size_t(row) == rows) {
        const std::uint32_t begin = rows < 2 ? 0 : m_flatEnds[rows - 2];
        if (m_flatEnds.back() > begin && m_flat[m_flatEnds.back() - 1].column >= slot.column)
            return false;
    }
    if (slot.type == CellType::Empty)
        return true; // nothing there to clear
    if (m_flat.size() >= UINT32_MAX)
        throw std::bad_alloc();
    m_flat.push_back(slot);
    if (std::size_t(row) != rows)
        m_flatEnds.resize(std::size_t(row), rows == 0 ? 0 : m_flatEnds.back());
    m_flatEnds.back() = std::uint32_t(m_flat.size());
    ++m_cellCount;
    return true;
}

void Worksheet::reserveCells(std::size_t cells, std::size_t rows)
{
    if (!m_inOrder)
        return;
    // Only a head start: when the memory is not there, the arrays grow as cells come.
    try {
        m_flat.reserve(std::min<std::size_t>(cells, UINT32_MAX));
        m_flatEnds.reserve(rows);
    } catch (const std::bad_alloc &) {
    }
}

void Worksheet::leaveOrder()
{
    m_rows.resize(m_flatEnds.size());
    std::uint32_t begin = 0;
    for (std::size_t r = 0; r < m_flatEnds.size(); ++r) {
        m_rows[r].assign(m_flat.begin() + begin, m_flat.begin() + m_flatEnds[r]);
        begin = m_flatEnds[r];
    }
    decltype(m_flat)().swap(m_flat);
    decltype(m_flatEnds)().swap(m_flatEnds);
    m_inOrder = false;
}

void Worksheet::put(int row, int column, CellType type, double number, std::uint32_t aux,
                    bool ownText)
{
    if (row < 1 || column < 1 || column > 0xFFFF)
        return;
    Slot slot;
    if (type == CellType::Text || type == CellType::Error)
        slot.aux = aux;
    else
        slot.number = number;
    slot.column = std::uint16_t(column);
    slot.type = type;
    slot.ownText = ownText && type == CellType::Text;
    if (m_inOrder) {
        if (putInOrder(row, slot))
            return;
        leaveOrder();
    }
    if (std::size_t(row) > m_rows.size())
        m_rows.resize(std::size_t(row));
    std::vector<Slot> &cells = m_rows[std::size_t(row) - 1];
    if (cells.empty() || cells.back().column < column) {
        if (type != CellType::Empty) {
            cells.push_back(slot);
            ++m_cellCount;
        }
        return;
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), column,
                               [](const Slot &s, int c) { return s.column < c; });
    if (it != cells.end() && it->column == column) {
        // A later record for the same cell replaces the earlier one, as Excel does.
        const Slot replaced = *it;
        if (type == CellType::Empty) {
            cells.erase(it);
            --m_cellCount;
        } else {
            *it = slot;
        }
        drop(replaced);
    } else if (type != CellType::Empty) {
        cells.insert(it, slot);
        ++m_cellCount;
    }
}

void Worksheet::drop(const Slot &replaced)
{
    if (!replaced.ownText || m_sharedAfterOwn)
        return;
    ++m_garbageTexts;
    m_garbageChars += std::uint64_t(m_strings.length(replaced.aux));
    // Compacting walks every cell and the live own texts, so it waits until the garbage is
    // as large as that: a sheet that rewrites one cell millions of times costs memory for
    // its live texts only, and time linear in its records.
    const std::uint64_t live = m_cellCount + (m_strings.size() - m_ownFrom - m_garbageTexts);
    if (m_garbageTexts >= std::max<std::uint64_t>(65536, live)
        || m_garbageChars >= std::max<std::uint64_t>(std::uint64_t(1) << 22, live * 64))
        compactOwnTexts();
}

void Worksheet::compactOwnTexts()
{
    TextTable live;
    const auto move = [&](Slot &s) {
        if (s.ownText)
            s.aux = m_ownFrom + live.append(m_strings.text(s.aux));
    };
    std::for_each(m_flat.begin(), m_flat.end(), move); // empty once cells left row order
    for (auto &row : m_rows)
        std::for_each(row.begin(), row.end(), move);
    m_strings.truncate(m_ownFrom);
    for (std::uint32_t i = 0; i < live.size(); ++i)
        m_strings.append(live.text(i));
    m_garbageTexts = 0;
    m_garbageChars = 0;
}

void Worksheet::setCell(int row, int column, const Cell &cell)
{
    switch (cell.type) {
    case CellType::Text:
        setOwnText(row, column, cell.text);
        break;
    case CellType::Error:
        put(row, column, CellType::Error, 0, std::uint32_t(cell.errorCode));
        break;
    default:
        put(row, column, cell.type, cell.number, 0);
        break;
    }
}

void Worksheet::setNumber(int row, int column, CellType type, double value)
{
    put(row, column, type, value, 0);
}

void Worksheet::setError(int row, int column, int code)
{
    put(row, column, CellType::Error, 0, std::uint32_t(code));
}

void Worksheet::setText(int row, int column, std::uint32_t stringIndex)
{
    put(row, column, CellType::Text, 0, stringIndex);
}

void Worksheet::setOwnText(int row, int column, const QString &text)
{
    if (row < 1 || column < 1 || column > 0xFFFF)
        return;
    if (m_ownFrom == UINT32_MAX)
        m_ownFrom = m_strings.size();
    put(row, column, CellType::Text, 0, m_strings.append(text), true);
}

std::uint32_t Worksheet::addString(const QString &text)
{
    if (m_ownFrom != UINT32_MAX)
        m_sharedAfterOwn = true;
    return m_strings.append(text);
}

void Worksheet::setStrings(std::vector<QString> strings)
{
    TextTable table;
    for (const QString &s : strings)
        table.append(s);
    setStrings(std::move(table));
}

}
