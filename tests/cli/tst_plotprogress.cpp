// tabrovex-plot --progress: how far the read is goes to standard error, and nothing else
// changes; without it standard error stays empty.
#include "cli/plotrun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPlotProgress : public QObject
{
    Q_OBJECT
private slots:
    void progressOnStandardError_data();
    void progressOnStandardError();
};

void TestPlotProgress::progressOnStandardError_data()
{
    QTest::addColumn<QStringList>("command"); // before the workbook
    QTest::addColumn<QStringList>("after");   // after it
    QTest::newRow("table") << QStringList{"table"} << QStringList{};
    QTest::newRow("table, a slice") << QStringList{"table"} << QStringList{"--rows", "1:5"};
    QTest::newRow("chart") << QStringList{"chart"} << QStringList{"-o", "CHART"};
}

void TestPlotProgress::progressOnStandardError()
{
    QFETCH(QStringList, command);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("t,a,b\ns,V,A\n");
    const int rows = 60000;
    for (int i = 0; i < rows; ++i)
        file.write(QByteArray::number(i) + ',' + QByteArray::number(i % 97) + ',' + QByteArray::number(i % 13) + '\n');
    file.close();
    after.replaceInStrings(QStringLiteral("CHART"), dir.filePath(QStringLiteral("c.png")));

    const Result plain = plot(command + QStringList{path} + after);
    const Result shown = plot(command + QStringList{path} + after + QStringList{"--progress"});
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(shown.exitCode, 0);
    QCOMPARE(shown.out, plain.out);
    QCOMPARE(plain.err, QString());
    // Progress lines, the first while the file is read, the last when it was read whole.
    const QStringList lines = shown.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 2, qPrintable(shown.err));
    QVERIFY2(lines.first().contains(QStringLiteral("MB")), qPrintable(lines.first()));
    QVERIFY2(lines.last().contains(QString::number(rows + 2)), qPrintable(lines.last()));
}

QTEST_GUILESS_MAIN(TestPlotProgress)
#include "tst_plotprogress.moc"
