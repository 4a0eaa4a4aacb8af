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
    void stats_data();
    void stats();

private:
    QTemporaryDir m_dir;
    QString m_settings;
    std::vector<double> m_p; // the values written, as read back
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
        m_p.push_back(QString::number(p, 'f', 4).toDouble());
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

void TestPlotXRange::stats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<double>("a"); // X at A and B (seconds on times.csv)
    QTest::addColumn<double>("b");
    QTest::addColumn<int>("step"); // seconds, or X units, per row
    QTest::newRow("numbers") << "numbers.csv" << "100..200" << 0 << 100.0 << 200.0 << 0;
    QTest::newRow("between rows") << "numbers.csv" << "100.25:1500.75" << 0 << 100.25 << 1500.75 << 0;
    QTest::newRow("two rows, one the spike") << "numbers.csv" << "1365..1365.5" << 0 << 1365.0 << 1365.5 << 0;
    QTest::newRow("no width") << "numbers.csv" << "1365..1365" << 1 << 0.0 << 0.0 << 0;
    QTest::newRow("past the end") << "numbers.csv" << "9000..20000" << 0 << 9000.0 << 20000.0 << 0;
    QTest::newRow("times of day") << "times.csv" << "08:45:00..08:46:00" << 0 << 31500.0 << 31560.0 << 1;
    QTest::newRow("outside the data") << "numbers.csv" << "20000..30000" << 1 << 0.0 << 0.0 << 0;
    QTest::newRow("reversed") << "numbers.csv" << "200..100" << 1 << 0.0 << 0.0 << 0;
    QTest::newRow("not a range") << "numbers.csv" << "100" << 1 << 0.0 << 0.0 << 0;
}

// The figures against a plain computation over the rows written.
void TestPlotXRange::stats()
{
    QFETCH(QString, file);
    QFETCH(QString, range);
    QFETCH(int, exitCode);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(int, step);
    const QString out = m_dir.filePath(QStringLiteral("stats.png"));
    QFile::remove(out);
    const Result r = plot({"chart", m_dir.filePath(file), "--settings", m_settings, "--stats", range, "-o", out});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(range), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
        return;
    }
    // Row i holds X i / 2 (numbers) or 28800 + i seconds (times).
    const auto xOf = [&](int i) { return step ? 28800.0 + i : 0.5 * i; };
    const int rows = int(m_p.size());
    long long n = 0;
    long double sum = 0, squares = 0;
    double min = INFINITY, max = -INFINITY;
    for (int i = 0; i < rows; ++i)
        if (xOf(i) >= a && xOf(i) <= b) {
            ++n;
            sum += m_p[size_t(i)];
            squares += (long double)m_p[size_t(i)] * m_p[size_t(i)];
            min = std::min(min, m_p[size_t(i)]);
            max = std::max(max, m_p[size_t(i)]);
        }
    const auto valueAt = [&](double at) {
        for (int i = 1; i < rows; ++i)
            if (xOf(i) >= at)
                return m_p[size_t(i - 1)] + (m_p[size_t(i)] - m_p[size_t(i - 1)]) * (at - xOf(i - 1)) / (xOf(i) - xOf(i - 1));
        return double(NAN);
    };
    const auto same = [](const QJsonValue &got, double want) {
        return std::isnan(want) ? got.isNull() : got.isDouble() && std::fabs(got.toDouble() - want) <= 1e-9 * std::max(1.0, std::fabs(want));
    };
    const QJsonObject stats = r.json["stats"].toObject();
    QCOMPARE(stats["a"].toDouble(), a);
    QCOMPARE(stats["b"].toDouble(), b);
    QCOMPARE(stats["dx"].toDouble(), b - a);
    QCOMPARE(stats["xRows"].toInteger(), n);
    const QJsonObject curve = stats["curves"].toArray().first().toObject();
    QCOMPARE(curve["column"].toInt(), 2);
    QCOMPARE(curve["rows"].toInteger(), n);
    QVERIFY(same(curve["min"], min) && same(curve["max"], max));
    QVERIFY2(same(curve["mean"], double(sum / n)), qPrintable(QString::number(curve["mean"].toDouble(), 'g', 17)));
    QVERIFY(same(curve["rms"], double(std::sqrt(squares / n))));
    const double atA = valueAt(a), atB = valueAt(b);
    QVERIFY2(same(curve["atA"], atA), qPrintable(QString::number(curve["atA"].toDouble(), 'g', 17)));
    QVERIFY(same(curve["atB"], atB));
    QVERIFY(same(curve["delta"], atB - atA));
    QVERIFY(QFile::exists(out));
}

QTEST_APPLESS_MAIN(TestPlotXRange)
#include "tst_plotxrange.moc"
