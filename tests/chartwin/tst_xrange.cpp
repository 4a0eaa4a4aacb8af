#include <QtTest>

#include "chartwin/xrange.h"

class TestXRange : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestXRange::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("form"); // 0 numbers, 1 times of day, 2 dated times
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    const double day = 1796688000.0; // 2026-12-08 00:00
    QTest::newRow("numbers with dots") << "1.5..2.5" << 0 << true << 1.5 << 2.5;
    QTest::newRow("numbers with a colon") << "-5:5" << 0 << true << -5.0 << 5.0;
    QTest::newRow("blanks around") << " 10 .. 20 " << 0 << true << 10.0 << 20.0;
    QTest::newRow("exponent") << "1e3..2e3" << 0 << true << 1000.0 << 2000.0;
    QTest::newRow("reversed") << "5..1" << 0 << false << 0.0 << 0.0;
    QTest::newRow("empty stretch") << "3..3" << 0 << false << 0.0 << 0.0;
    QTest::newRow("one value") << "5" << 0 << false << 0.0 << 0.0;
    QTest::newRow("open end") << "5.." << 0 << false << 0.0 << 0.0;
    QTest::newRow("text") << "a..b" << 0 << false << 0.0 << 0.0;
    QTest::newRow("infinite") << "0..inf" << 0 << false << 0.0 << 0.0;
    QTest::newRow("time on a number column") << "08:45:00..08:46:00" << 0 << false << 0.0 << 0.0;
    QTest::newRow("times of day") << "08:45:00..08:46:00" << 1 << true << 31500.0 << 31560.0;
    QTest::newRow("times of day, colon") << "08:45:00:08:46:00" << 1 << true << 31500.0 << 31560.0;
    QTest::newRow("fractions") << "08:45:00.25..08:45:00.75" << 1 << true << 31500.25 << 31500.75;
    QTest::newRow("seconds on a time column") << "100..200" << 1 << true << 100.0 << 200.0;
    QTest::newRow("colon read two ways") << "1:2" << 1 << true << 1.0 << 2.0;
    QTest::newRow("date on a time-of-day column") << "2026-12-08 08:45:00..2026-12-08 08:46:00" << 1 << false << 0.0 << 0.0;
    QTest::newRow("dated times") << "2026-12-08 08:45:00..2026-12-08 08:46:00" << 2 << true << day + 31500
                                 << day + 31560;
    QTest::newRow("time of day on a dated column") << "08:45:00..08:46:00" << 2 << false << 0.0 << 0.0;
    // 10:00:00:10 could be 10:00:00 and 10 ms; 00:10:00:00 as well: more than one split.
    QTest::newRow("ambiguous colons") << "10:00:00:10:00:00:00" << 1 << false << 0.0 << 0.0;
}

void TestXRange::parse()
{
    QFETCH(QString, text);
    QFETCH(int, form);
    QFETCH(bool, ok);
    QFETCH(double, lower);
    QFETCH(double, upper);
    xrange::Range range{-1, -1};
    QString error;
    QCOMPARE(xrange::parse(text, xrange::Form{form > 0, form == 2}, &range, &error), ok);
    if (ok) {
        QCOMPARE(range.lower, lower);
        QCOMPARE(range.upper, upper);
        QVERIFY(error.isEmpty());
    } else {
        QCOMPARE(range.lower, -1.0); // untouched
        QVERIFY2(error.contains(text), qPrintable(error));
    }
}

QTEST_APPLESS_MAIN(TestXRange)
#include "tst_xrange.moc"
