#include "import/xlsreader.h"

#include <algorithm>

namespace xls {

Cell Worksheet::cell(int row, int column) const
{
    Cell result;
    if (row < 1 || column < 1 || column > 0xFFFF || std::size_t(row) > m_rows.size())
        return result;
    const std::vector<Slot> &cells = m_rows[std::size_t(row) - 1];
    const Slot *slot = nullptr;
    // Rows are usually dense from column A, so try the direct position first.
    if (std::size_t(column) <= cells.size() && cells[std::size_t(column) - 1].column == column) {
        slot = &cells[std::size_t(column) - 1];
    } else {
        auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                   [](const Slot &s, int c) { return s.column < c; });
        if (it == cells.end() || it->column != column)
            return result;
        slot = &*it;
    }
    result.type = slot->type;
    switch (slot->type) {
    case CellType::Text:
        if (slot->aux < m_strings.size())
            result.text = m_strings[slot->aux];
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

int Worksheet::countOf(CellType type) const
{
    int n = 0;
    for (const auto &row : m_rows)
        for (const Slot &s : row)
            n += s.type == type ? 1 : 0;
    return n;
}

void Worksheet::put(int row, int column, CellType type, double number, std::uint32_t aux)
{
    if (row < 1 || column < 1 || column > 0xFFFF)
        return;
    if (std::size_t(row) > m_rows.size())
        m_rows.resize(std::size_t(row));
    std::vector<Slot> &cells = m_rows[std::size_t(row) - 1];
    const Slot slot{number, aux, std::uint16_t(column), type};
    if (cells.empty() || cells.back().column < column) {
        if (type != CellType::Empty)
            cells.push_back(slot);
        return;
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), column,
                               [](const Slot &s, int c) { return s.column < c; });
    if (it != cells.end() && it->column == column) {
        // A later record for the same cell replaces the earlier one, as Excel does.
        if (type == CellType::Empty)
            cells.erase(it);
        else
            *it = slot;
    } else if (type != CellType::Empty) {
        cells.insert(it, slot);
    }
}

void Worksheet::setCell(int row, int column, const Cell &cell)
{
    switch (cell.type) {
    case CellType::Text:
        put(row, column, CellType::Text, 0, addString(cell.text));
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

std::uint32_t Worksheet::addString(const QString &text)
{
    m_strings.push_back(text);
    return std::uint32_t(m_strings.size() - 1);
}

}
