#include <QtTest>

#include "import/columnchoice.h"

namespace {

// Builds a choice from compact strings: `x` and `y` list the ticked columns ("1 3"),
// `counts` the item counts of lists 1, 2, ...
ChoiceState state(const QString &x, const QString &y, int colCount, const QString &counts)
{
    ChoiceState s;
    s.colCount = colCount;
    for (const QString &k : x.split(' ', Qt::SkipEmptyParts))
        s.x[size_t(k.toInt() - 1)] = true;
    for (const QString &k : y.split(' ', Qt::SkipEmptyParts))
        s.y[size_t(k.toInt() - 1)] = true;
    const QStringList c = counts.split(' ', Qt::SkipEmptyParts);
    for (int i = 0; i < c.size(); ++i)
        s.itemCounts[size_t(i)] = c[i].toInt();
    return s;
}

}

class TestColumnChoice : public QObject
{
    Q_OBJECT
private slots:
    void check_data();
    void check();
};

void TestColumnChoice::check_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("colCount");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("disableDraw");
    QTest::addColumn<int>("xCol");
    QTest::addColumn<QString>("yCols");

    const QString even = "10 10 10 10 10 10 10 10";
    QTest::newRow("default choice passes") << "1" << "2 3 4 5" << 8 << even << "" << false << 1 << "2 3 4 5";
    QTest::newRow("no box at all") << "" << "" << 8 << even << "没有选择Y坐标数据" << false << 0 << "";
    QTest::newRow("no x") << "" << "2" << 8 << even << "没有选择X坐标数据" << false << 0 << "2";
    QTest::newRow("no y") << "1" << "" << 8 << even << "没有选择Y坐标数据" << false << 1 << "";
    QTest::newRow("two x") << "1 3" << "2" << 8 << even << "X指标个数不能超过1个" << false << 1 << "2";
    QTest::newRow("two x and no y") << "1 3" << "" << 8 << even << "X指标个数不能超过1个" << false << 1 << "";
    QTest::newRow("five y and no x") << "" << "2 3 4 5 6" << 8 << even << "Y指标个数不能超过4个" << false << 0 << "2 3 4 5 6";
    QTest::newRow("five y and two x") << "1 7" << "2 3 4 5 6" << 8 << even << "Y指标个数不能超过4个" << false << 1 << "2 3 4 5 6";
    QTest::newRow("four y") << "8" << "1 2 3 4" << 8 << even << "" << false << 8 << "1 2 3 4";
    QTest::newRow("shorter y") << "1" << "2 3" << 3 << "10 10 9" << "各列数据个数不相同：第1列10个，第3列9个" << true << 1 << "2 3";
    QTest::newRow("longer y") << "1" << "2" << 3 << "10 11 10" << "各列数据个数不相同：第1列10个，第2列11个" << true << 1 << "2";
    QTest::newRow("x column need not be longest") << "2" << "1" << 2 << "12 9" << "各列数据个数不相同：第1列12个，第2列9个" << true << 2 << "1";
    QTest::newRow("every odd column named, in column order") << "3" << "1 2 5 6" << 6 << "118 120 120 7 121 120"
                                                             << "各列数据个数不相同：第1列118个，第3列120个，第5列121个"
                                                             << true << 3 << "1 2 5 6";
    QTest::newRow("unchosen column of another length not named") << "1" << "2" << 3 << "10 9 4"
                                                                 << "各列数据个数不相同：第1列10个，第2列9个" << true << 1 << "2";
    QTest::newRow("unchosen columns may differ") << "1" << "3" << 3 << "10 4 10" << "" << false << 1 << "3";
    QTest::newRow("boxes above colCount ignored") << "1 5" << "2 6 7 8 9" << 4 << "10 10 10 10 3 3"
                                                   << "" << false << 1 << "2";
    QTest::newRow("only x above colCount") << "5" << "2" << 4 << "10 10 10 10 10" << "没有选择X坐标数据" << false << 0 << "2";
    QTest::newRow("names only") << "1" << "2 3" << 3 << "1 1 1" << "各列只有1项，没有单位和数据" << false << 1 << "2 3";
    QTest::newRow("names and units draw") << "1" << "2" << 2 << "2 2" << "" << false << 1 << "2";
    QTest::newRow("colCount 0 sees nothing") << "1" << "2" << 0 << even << "没有选择Y坐标数据" << false << 0 << "";
}

void TestColumnChoice::check()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(int, colCount);
    QFETCH(QString, counts);
    QFETCH(QString, message);
    QFETCH(bool, disableDraw);
    QFETCH(int, xCol);
    QFETCH(QString, yCols);

    const ChoiceState s = state(x, y, colCount, counts);
    const ChoiceCheck result = checkChoice(s);
    QCOMPARE(result.message, message);
    QCOMPARE(result.ok, message.isEmpty());
    QCOMPARE(result.disableDraw, disableDraw);

    const ColumnChoice choice = chosenColumns(s);
    QCOMPARE(choice.xCol, xCol);
    QStringList ys;
    for (int k : choice.yCols)
        ys << QString::number(k);
    QCOMPARE(ys.join(' '), yCols);
}

QTEST_GUILESS_MAIN(TestColumnChoice)
#include "tst_columnchoice.moc"
