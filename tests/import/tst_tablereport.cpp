#include <QtTest>

#include "import/automation.h"
#include "import/columnstore.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "scriptedexcel.h"

namespace {

// A row of `n` cells "<prefix>1" .. "<prefix>n", joined for ScriptedExcel::setSheet.
QString row(const QString &prefix, int n, int leadingBlanks = 0)
{
    QStringList cells;
    for (int i = 0; i < leadingBlanks; ++i)
        cells << QString();
    for (int i = 1; i <= n; ++i)
        cells << prefix + QString::number(i);
    return cells.join(QLatin1Char('|'));
}

QStringList rows(int count, int width, int leadingBlanks = 0)
{
    QStringList out;
    for (int r = 1; r <= count; ++r)
        out << row(QStringLiteral("r%1c").arg(r), width, leadingBlanks);
    return out;
}

}

class TestTableReport : public QObject
{
    Q_OBJECT
private slots:
    void packAndReport_data();
    void packAndReport();
};

void TestTableReport::packAndReport_data()
{
    QTest::addColumn<QStringList>("sheet");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QList<int>>("counts");      // item counts of lists 1..n (the rest empty)
    QTest::addColumn<QStringList>("probes");     // "list:index=text"
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("setCounts");
    QTest::addColumn<QList<int>>("tickY");

    QTest::newRow("A1:C10") << rows(10, 3) << 1 << QList<int>{11, 11, 11}
                            << QStringList{"1:0=r1c1", "1:1=", "3:10=r10c3"}
                            << QStringList{"数据行数：11 ,  列数：3"} << 3 << true << QList<int>{2, 3};
    QTest::newRow("data start in column C") << rows(10, 3, 2) << 1 << QList<int>{11, 11, 11}
                                            << QStringList{"1:0=r1c1", "2:5=r5c2"}
                                            << QStringList{"数据行数：11 ,  列数：3"} << 3 << true
                                            << QList<int>{2, 3};
    QTest::newRow("gap in a row keeps its column") << QStringList{"n1|n2|n3", "1||3", "4|5|6"} << 1
                                              << QList<int>{4, 4, 4}
                                              << QStringList{"2:2=", "2:3=5", "3:2=3", "3:3=6", "1:2=1", "1:1="}
                                              << QStringList{"数据行数：4 ,  列数：3"} << 3 << true
                                              << QList<int>{2, 3};
    QTest::newRow("40 columns keep all 40") << rows(4, 40) << 1 << QList<int>(40, 5)
                                            << QStringList{"32:4=r4c32", "33:0=r1c33", "40:4=r4c40"}
                                            << QStringList{"数据行数：5 ,  列数：40"} << 40 << true
                                        << QList<int>{2, 3, 4, 5};
    QTest::newRow("single column") << rows(6, 1) << 1 << QList<int>{7} << QStringList{"1:6=r6c1"}
                                   << QStringList{"数据行数：7 ,  列数：1", "数据仅一列，条件不满足。"}
                                   << 1 << false << QList<int>{};
    QTest::newRow("no data") << QStringList{"|", ""} << 1 << QList<int>{} << QStringList{}
                             << QStringList{"没有数据！"} << 0 << false << QList<int>{};
    QTest::newRow("8 columns tick y 2..5") << rows(3, 8) << 1 << QList<int>(8, 4)
                                           << QStringList{"8:3=r3c8"}
                                           << QStringList{"数据行数：4 ,  列数：8"} << 8 << true
                                           << QList<int>{2, 3, 4, 5};
    QTest::newRow("widest row sets the width") << QStringList{"a|b", "c|d|e|f", "g"} << 1
                                               << QList<int>{4, 4, 4, 4}
                                               << QStringList{"4:0=第4列", "4:2=f", "4:3=", "1:3=g", "2:3="}
                                               << QStringList{"数据行数：4 ,  列数：4"} << 4 << true
                                               << QList<int>{2, 3, 4};
    // The used range starts at row 33 and holds 5 rows: rows 1..35 are read, so its last
    // two rows are lost.
    QTest::newRow("used range far below the top") << rows(5, 2) << 33 << QList<int>{4, 4}
                                                  << QStringList{"1:3=r3c1"}
                                                  << QStringList{"数据行数：4 ,  列数：2"} << 2
                                                  << true << QList<int>{2};
    QTest::newRow("used range within 30 rows of the top") << rows(4, 2) << 31 << QList<int>{5, 5}
                                                          << QStringList{"2:4=r4c2"}
                                                          << QStringList{"数据行数：5 ,  列数：2"}
                                                          << 2 << true << QList<int>{2};
}

void TestTableReport::packAndReport()
{
    QFETCH(QStringList, sheet);
    QFETCH(int, firstRow);
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, probes);
    QFETCH(QStringList, log);
    QFETCH(int, columns);
    QFETCH(bool, setCounts);
    QFETCH(QList<int>, tickY);

    ScriptedExcel excel;
    excel.setSheet(sheet, firstRow);
    automation::Registry registry;
    excel.install(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(QStringLiteral("t.xls"), store, registry);
    QVERIFY(result.connected && result.complete);

    for (int list = 1; list <= ColumnStore::ListCount; ++list)
        QCOMPARE(store.count(list), list <= counts.size() ? counts[list - 1] : 0);
    for (const QString &probe : probes) {
        const int colon = probe.indexOf(':'), eq = probe.indexOf('=');
        QCOMPARE(store.item(probe.left(colon).toInt(), probe.mid(colon + 1, eq - colon - 1).toInt()),
                 probe.mid(eq + 1));
    }

    const TableReport report = reportTable(store);
    QCOMPARE(report.log, log);
    QCOMPARE(report.columns, columns);
    QCOMPARE(report.setCounts, setCounts);
    QCOMPARE(report.tickX, setCounts ? 1 : 0);
    QCOMPARE(QList<int>(report.tickY.begin(), report.tickY.end()), tickY);
    QCOMPARE(report.lastRow, setCounts ? counts[0] : 0);
    for (int k = 1; k <= ColumnStore::ListCount; ++k)
        QCOMPARE(report.hidesColumn(k), columns > 0 && k > columns);
}

QTEST_GUILESS_MAIN(TestTableReport)
#include "tst_tablereport.moc"
