#include <QtTest>

#include "base/timetext.h"
#include "chartwin/columnvalues.h"
#include "import/columnstore.h"

using timetext::DateOrder;

namespace {

// Seconds since 1970-01-01 00:00 of a civil time.
double at(int y, int mo, int d, int h = 0, int mi = 0, double s = 0)
{
    return double(timetext::daysFromCivil(y, mo, d)) * 86400 + h * 3600 + mi * 60 + s;
}

}

// Timestamps as data loggers write them, and the day/month order a column decides.
class TestLoggerTime : public QObject
{
    Q_OBJECT
private slots:
    void stamps_data();
    void stamps();
    void refused_data();
    void refused();
    void columnOrder_data();
    void columnOrder();
};

void TestLoggerTime::stamps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("order"); // DateOrder
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("dated");
    const int def = int(DateOrder::Default), m = int(DateOrder::MonthFirst), d = int(DateOrder::DayFirst);
    QTest::newRow("HOBO m/d/yy with AM") << "04/13/17 08:45:16 AM" << def << at(2017, 4, 13, 8, 45, 16) << true;
    QTest::newRow("PM") << "5/11/2021 3:40:24 PM" << def << at(2021, 5, 11, 15, 40, 24) << true;
    QTest::newRow("12 AM is midnight") << "1/3/2019 12:05:00 AM" << def << at(2019, 1, 3, 0, 5) << true;
    QTest::newRow("12 PM is noon") << "1/3/2019 12:05 PM" << def << at(2019, 1, 3, 12, 5) << true;
    QTest::newRow("4-digit year, no seconds") << "05/09/2017 13:02" << def << at(2017, 5, 9, 13, 2) << true;
    QTest::newRow("day first when asked") << "05/09/2017 13:02:11" << d << at(2017, 9, 5, 13, 2, 11) << true;
    QTest::newRow("day.month.year") << "13.04.2017 08:45:16" << def << at(2017, 4, 13, 8, 45, 16) << true;
    QTest::newRow("day.month.yy, fraction") << "07.08.25 00:20:00.5" << def << at(2025, 8, 7, 0, 20, 0.5) << true;
    QTest::newRow("1900s for a 2-digit year from 70") << "12/31/99" << def << at(1999, 12, 31) << true;
    QTest::newRow("date alone") << "3/04/2023" << d << at(2023, 4, 3) << true;
    QTest::newRow("milliseconds after a colon") << "3/04/2023 13:46:59:479" << d << at(2023, 4, 3, 13, 46, 59.479) << true;
    QTest::newRow("compact with underscore") << "20170413_084516" << def << at(2017, 4, 13, 8, 45, 16) << true;
    QTest::newRow("compact with T") << "20170413T084516" << def << at(2017, 4, 13, 8, 45, 16) << true;
    QTest::newRow("time of day with AM") << "8:48:31 AM" << def << (8 * 3600 + 48 * 60 + 31.0) << false;
    QTest::newRow("下午 before the time") << "下午 3:05:00" << def << (15 * 3600 + 5 * 60.0) << false;
    QTest::newRow("上午 in an ISO stamp") << "2017/4/13 上午 08:45:16" << def << at(2017, 4, 13, 8, 45, 16) << true;
    QTest::newRow("ISO still read") << "2026-12-08 10:00:00.125" << m << at(2026, 12, 8, 10, 0, 0.125) << true;
}

void TestLoggerTime::stamps()
{
    QFETCH(QString, text);
    QFETCH(int, order);
    QFETCH(double, seconds);
    QFETCH(bool, dated);
    timetext::Stamp stamp;
    QVERIFY(timetext::parse(text, &stamp, DateOrder(order)));
    QCOMPARE(stamp.seconds, seconds);
    QCOMPARE(stamp.dated, dated);
}

void TestLoggerTime::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("order");
    QTest::newRow("13th month") << "13/04/2017" << int(DateOrder::MonthFirst);
    QTest::newRow("31 April") << "31.04.2017" << int(DateOrder::Default);
    QTest::newRow("a bad clock") << "45/25/2165 45:85:85" << int(DateOrder::Default);
    QTest::newRow("13 PM") << "1/3/2019 13:05 PM" << int(DateOrder::Default);
    QTest::newRow("3-digit year") << "1/3/201" << int(DateOrder::Default);
    QTest::newRow("compact, bad day") << "20170431_084516" << int(DateOrder::Default);
    QTest::newRow("text after") << "1/3/2019 10:00 later" << int(DateOrder::Default);
}

void TestLoggerTime::refused()
{
    QFETCH(QString, text);
    QFETCH(int, order);
    timetext::Stamp stamp;
    QVERIFY(!timetext::parse(text, &stamp, DateOrder(order)));
}

void TestLoggerTime::columnOrder_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("order");      // Column::dateOrder: 1 month first, 2 day first
    QTest::addColumn<double>("first");
    QTest::newRow("only day first is valid")
        << QStringList{"12/04/2023 10:00", "13/04/2023 10:00"} << 2 << at(2023, 4, 12, 10);
    QTest::newRow("only month first is valid")
        << QStringList{"04/12/2023 10:00", "04/13/2023 10:00"} << 1 << at(2023, 4, 12, 10);
    QTest::newRow("both valid: the one that goes forward")
        << QStringList{"12/11/2022 23:00", "01/12/2022 01:00"} << 2 << at(2022, 11, 12, 23);
    QTest::newRow("both valid and forward: month first for /")
        << QStringList{"01/02/2024", "01/03/2024"} << 1 << at(2024, 1, 2);
    QTest::newRow("both valid and forward: day first for .")
        << QStringList{"01.02.2024", "01.03.2024"} << 2 << at(2024, 2, 1);
}

void TestLoggerTime::columnOrder()
{
    QFETCH(QStringList, items);
    QFETCH(int, order);
    QFETCH(double, first);
    ColumnStore store;
    for (const QString &item : items)
        store.append(1, item);
    const columnvalues::Column column = columnvalues::read(store, 1, 0, int(items.size()) - 1);
    QVERIFY(column.times);
    QCOMPARE(column.dateOrder, order);
    QCOMPARE(column.values.front(), first);
    QVERIFY(columnvalues::notes(1, column).join(u'/').contains(order == 1 ? "月/日/年" : "日/月/年"));
}

QTEST_GUILESS_MAIN(TestLoggerTime)
#include "tst_loggertime.moc"
