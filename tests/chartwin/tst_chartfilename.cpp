#include <QtTest>

#include "chartwin/chartfilename.h"

class TestChartFileName : public QObject
{
    Q_OBJECT
private slots:
    void suggest_data();
    void suggest();
    void longNamesAreCut();
};

void TestChartFileName::suggest_data()
{
    QTest::addColumn<QString>("workbook");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("expected");
    QTest::newRow("workbook and curves") << "/data/泵试验.xls" << QStringList{"压力", "流量"} << "泵试验_压力_流量";
    QTest::newRow("only the last extension goes") << "/d/run.2026-12-08.csv" << QStringList{"T"} << "run.2026-12-08_T";
    QTest::newRow("characters no file name takes") << "/d/a.xls" << QStringList{"p/q", "x:y*z?", "\"<>|\\"}
                                                   << "a_p_q_x_y_z_______";
    QTest::newRow("control characters") << "/d/a.xls" << QStringList{QStringLiteral("l\tm\nn")} << "a_l_m_n";
    QTest::newRow("empty names left out") << "/d/book.xlsx" << QStringList{"", "  ", "速度"} << "book_速度";
    QTest::newRow("no workbook") << "" << QStringList{"压力"} << "压力";
    QTest::newRow("nothing at all") << "" << QStringList{} << "chart";
    QTest::newRow("dots only") << "" << QStringList{".."} << "chart";
}

void TestChartFileName::suggest()
{
    QFETCH(QString, workbook);
    QFETCH(QStringList, names);
    QFETCH(QString, expected);
    QCOMPARE(chartfilename::suggest(workbook, names), expected);
}

void TestChartFileName::longNamesAreCut()
{
    // Whole characters, within what a file system takes with room for ".png".
    const QString astral = QString::fromUtf8("\xF0\x9D\x90\x80");
    for (const QString &unit : {QStringLiteral("压"), QStringLiteral("p"), astral}) {
        const QString name = chartfilename::suggest(QStringLiteral("/d/book.xls"), {unit.repeated(300)});
        QVERIFY(name.startsWith(QStringLiteral("book_") + unit));
        QVERIFY(name.toUtf8().size() <= 200);
        QVERIFY(name.toUtf8().size() > 200 - 4);
        QVERIFY(!name.back().isHighSurrogate());
        QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
    }
}

QTEST_MAIN(TestChartFileName)
#include "tst_chartfilename.moc"
