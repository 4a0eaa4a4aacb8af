#include "cli/plotrun.h"

#include <QtTest>

#include <QTemporaryDir>

#include <cmath>

class TestPlotXRange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stretch_data();
    void stretch();

private:
    QTemporaryDir m_dir;
    QString m_settings;
};

void TestPlotXRange::initTestCase()
{
    m_settings = m_dir.filePath(QStringLiteral("none.ini"));
    QFile settings(m_settings);
    QVERIFY(settings.open(QIODevice::WriteOnly));
    // A logger's day: 08:00:00 on, one row a second, 20,000 rows; a one-row spike at
    // 08:45:30; and the same with numbers for X.
    QFile times(m_dir.filePath(QStringLiteral("times.csv")));
    QFile numbers(m_dir.filePath(QStringLiteral("numbers.csv")));
    QVERIFY(times.open(QIODevice::WriteOnly) && numbers.open(QIODevice::WriteOnly));
    QTextStream t(&times), n(&numbers);
    t << "time,p\n,bar\n";
    n << "x,p\n,bar\n";
    for (int i = 0; i < 20000; ++i) {
        const double p = i == 2730 ? 99.0 : std::sin(i / 100.0);
        t << QStringLiteral("%1:%2:%3,%4\n")
                 .arg(8 + i / 3600, 2, 10, QLatin1Char('0'))
                 .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                 .arg(i % 60, 2, 10, QLatin1Char('0'))
                 .arg(p, 0, 'f', 4);
        n << i * 0.5 << ',' << QString::number(p, 'f', 4) << '\n';
    }
}

void TestPlotXRange::stretch_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("points"); // of the curve; -1: not checked
    // One minute of times: 61 rows and the two beside them, every row drawn.
    QTest::newRow("times of day") << "times.csv" << "08:45:00..08:46:00" << 0 << 31500.0 << 31560.0 << 63;
    QTest::newRow("times with a colon") << "times.csv" << "08:45:00:08:46:00" << 0 << 31500.0 << 31560.0 << 63;
    QTest::newRow("seconds") << "times.csv" << "31500..31560" << 0 << 31500.0 << 31560.0 << 63;
    QTest::newRow("past the end") << "times.csv" << "12:00:00..23:00:00" << 0 << 43200.0 << 28800.0 + 19999 << -1;
    QTest::newRow("numbers") << "numbers.csv" << "100..200" << 0 << 100.0 << 200.0 << 203;
    QTest::newRow("numbers, colon") << "numbers.csv" << "100:200" << 0 << 100.0 << 200.0 << 203;
    QTest::newRow("thinned again") << "numbers.csv" << "0..9000" << 0 << 0.0 << 9000.0 << 1000;
    QTest::newRow("outside the data") << "numbers.csv" << "20000..30000" << 1 << 0.0 << 0.0 << -1;
    QTest::newRow("reversed") << "numbers.csv" << "200..100" << 1 << 0.0 << 0.0 << -1;
    QTest::newRow("time on numbers") << "numbers.csv" << "08:45:00..08:46:00" << 1 << 0.0 << 0.0 << -1;
    QTest::newRow("not a range") << "times.csv" << "08:45" << 1 << 0.0 << 0.0 << -1;
}

void TestPlotXRange::stretch()
{
    QFETCH(QString, file);
    QFETCH(QString, range);
    QFETCH(int, exitCode);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, points);
    const QString out = m_dir.filePath(QStringLiteral("chart.png"));
    QFile::remove(out);
    const Result r = plot({"chart", m_dir.filePath(file), "--settings", m_settings, "--x-range", range, "-o", out});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(range), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
        return;
    }
    const QJsonObject x = r.json["x"].toObject();
    QCOMPARE(x["lower"].toDouble(), lower);
    QCOMPARE(x["upper"].toDouble(), upper);
    const QJsonObject curve = r.json["curves"].toArray().first().toObject();
    if (points >= 0)
        QCOMPARE(curve["points"].toInt(), points);
    // The spike at 08:45:30 (X 1365 in numbers.csv) sets the scale wherever it is in view.
    const bool spikeInView = file == "times.csv" ? lower <= 31530 && 31530 <= upper : lower <= 1365 && 1365 <= upper;
    QCOMPARE(curve["upper"].toDouble() >= 99.0, spikeInView);
    const QStringList log = r.json["log"].toVariant().toStringList();
    QVERIFY2(!log.filter("X范围内的行").isEmpty(), qPrintable(log.join('\n')));
    QVERIFY(QFile::exists(out));
}

QTEST_APPLESS_MAIN(TestPlotXRange)
#include "tst_plotxrange.moc"
