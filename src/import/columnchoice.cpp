#include "import/columnchoice.h"

#include "import/columnstore.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

static_assert(ChoiceState::Columns == ColumnStore::ListCount, "a box for every list of the store");

namespace {

int usedColumns(const ChoiceState &s)
{
    return std::clamp(s.colCount, 0, ChoiceState::Columns);
}

constexpr int MaxY = 4;

}

ChoiceCheck checkChoice(const ChoiceState &s)
{
    ChoiceCheck result;
    const int cols = usedColumns(s);
    int xCount = 0, yCount = 0, xLength = 0;
    for (int i = 0; i < cols; ++i) {
        if (s.x[size_t(i)]) {
            ++xCount;
            xLength = s.itemCounts[size_t(i)];
        }
        if (s.y[size_t(i)])
            ++yCount;
    }

    // Later rules overwrite earlier ones on purpose: the last failing rule is reported.
    if (xCount == 0)
        result.message = QCoreApplication::translate("columnchoice", "没有选择X坐标数据");
    if (yCount == 0)
        result.message = QCoreApplication::translate("columnchoice", "没有选择Y坐标数据");
    if (xCount > 1)
        result.message = QCoreApplication::translate("columnchoice", "X指标个数不能超过1个");
    if (yCount > MaxY)
        result.message = QCoreApplication::translate("columnchoice", "Y指标个数不能超过4个");
    if (!result.message.isEmpty())
        return result;

    bool differ = false;
    for (int i = 0; i < cols && !differ; ++i)
        differ = (s.x[size_t(i)] || s.y[size_t(i)]) && s.itemCounts[size_t(i)] != xLength;
    if (!differ) {
        // A table of one row (a single overlong line, say) has names only: nothing to draw,
        // and the unit the chart reads is not there.
        if (xLength < 2) {
            result.message = QCoreApplication::translate("columnchoice", "各列只有%1项，没有单位和数据").arg(xLength);
            return result;
        }
        result.ok = true;
        return result;
    }
    // Named: the X column and every chosen column whose count is not the X column's.
    QStringList named;
    for (int i = 0; i < cols; ++i) {
        const bool chosen = s.x[size_t(i)] || s.y[size_t(i)];
        if (s.x[size_t(i)] || (chosen && s.itemCounts[size_t(i)] != xLength))
            named << QCoreApplication::translate("columnchoice", "第%1列%2个").arg(i + 1).arg(s.itemCounts[size_t(i)]);
    }
    result.message = QCoreApplication::translate("columnchoice", "各列数据个数不相同：") + named.join(QCoreApplication::translate("columnchoice", "，"));
    result.disableDraw = true;
    return result;
}

ColumnChoice chosenColumns(const ChoiceState &s)
{
    ColumnChoice choice;
    const int cols = usedColumns(s);
    for (int i = 0; i < cols; ++i) {
        if (s.x[size_t(i)] && choice.xCol == 0)
            choice.xCol = i + 1;
        if (s.y[size_t(i)])
            choice.yCols << i + 1;
    }
    return choice;
}
