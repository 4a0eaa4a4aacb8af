#include "workbook/sheetchoice.h"

#include <algorithm>
#include <vector>

namespace workbook {

namespace {

// Rows looked at: an information block is a few dozen; a table shows itself in its first rows.
constexpr int JudgedRows = 2000;

}

bool outranks(const Worksheet &candidate, int rowsSoFar)
{
    return candidate.usedRowCount() > rowsSoFar && holdsChartTable(candidate);
}

bool holdsChartTable(const Worksheet &sheet)
{
    if (sheet.empty())
        return false;
    // By column: -1 before its first text, then the numbers seen below it.
    std::vector<int> numbers(size_t(GridColumns) + 1, -1);
    const int last = std::min(sheet.lastRow(), sheet.firstRow() + JudgedRows - 1);
    for (int row = sheet.firstRow(); row <= last; ++row) {
        const int width = std::min(sheet.lastColumnOf(row), GridColumns);
        for (int column = 1; column <= width; ++column) {
            const CellType type = sheet.cell(row, column).type;
            int &seen = numbers[size_t(column)];
            if (type == CellType::Text && seen < 0)
                seen = 0;
            else if ((type == CellType::Number || type == CellType::DateTime) && seen >= 0 && ++seen >= 2)
                return true;
        }
    }
    return false;
}

}
