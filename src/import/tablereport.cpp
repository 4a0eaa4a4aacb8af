#include "import/tablereport.h"

#include "import/columnstore.h"

#include <algorithm>

#include <QCoreApplication>

namespace {
constexpr int MaxDefaultY = 5; // y of columns 2..5: four curves at most
}

namespace {

TableReport reportStore(const ColumnStore &store)
{
    TableReport report;
    if (store.count(1) == 0) {
        report.log << QCoreApplication::translate("log", "没有数据！");
        return report;
    }
    // The read packs a row's cells into lists 1, 2, ..., so the filled lists are 1..cols.
    report.columns = store.filledLists();
    report.log << QCoreApplication::translate("log", "数据行数：%1 ,  列数：%2").arg(store.count(1)).arg(report.columns);
    if (report.columns == 1) {
        report.log << QCoreApplication::translate("log", "数据仅一列，条件不满足。");
        return report;
    }
    report.setCounts = true;
    report.lastRow = store.count(1);
    report.tickX = 1;
    for (int k = 2; k <= std::min(report.columns, MaxDefaultY); ++k)
        report.tickY << k;
    return report;
}

}

TableReport reportTable(const ColumnStore &store, const QStringList &notes)
{
    TableReport report = reportStore(store);
    report.log << notes;
    return report;
}
