#include <QtTest>

#include "base/timetext.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/workbookread.h"
#include "workbook/open.h"
#include "workbook/sheetbuilder.h"

#include <set>

using namespace workbook;

Q_DECLARE_METATYPE(workbook::CellType)

// Date cells of .xlsx and .ods read as what they hold: milliseconds, zones, days no month
// has, durations in ISO date cells and the calendar's last day.
class TestDateCells : public QObject {
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void readThrough_data();
    void readThrough();
    void millisecondsStayApart();
    void isoDates_data();
    void isoDates();
};

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/") + name;
}

constexpr double Dec8 = 46364; // 2026-12-08

}

void TestDateCells::cells_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<CellType>("type");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    const CellType D = CellType::DateTime, T = CellType::Text;
    auto row = [](const char *name, const char *file, int r, int c, CellType type, double number,
                  const QString &text = QString()) {
        QTest::newRow(name) << QString::fromLatin1(file) << r << c << type << number << text;
    };
    row("xlsx whole second stays a date", "datecells.xlsx", 3, 1, D, Dec8 + 10 / 24.0);
    row("xlsx 1 ms", "datecells.xlsx", 4, 1, T, 0, QStringLiteral("2026/12/8 10:00:00.001"));
    row("xlsx 99 ms", "datecells.xlsx", 102, 1, T, 0, QStringLiteral("2026/12/8 10:00:00.099"));
    row("xlsx next whole second", "datecells.xlsx", 103, 1, D, Dec8 + 10 / 24.0 + 1 / 86400.0);
    row("xlsx duration in date cell", "datecells.xlsx", 3, 2, D, 11 / 1440.0);
    row("xlsx duration with seconds", "datecells.xlsx", 4, 2, D, (5400 + 15) / 86400.0);
    row("xlsx half-second duration", "datecells.xlsx", 5, 2, T, 0, QStringLiteral("0:00:00.5"));
    row("xlsx last day noon", "datecells.xlsx", 3, 3, D, 2958465.5);
    row("xlsx last day, ms", "datecells.xlsx", 4, 3, T, 0, QStringLiteral("9999/12/31 23:59:59.136"));
    row("xlsx last day rounding to next day", "datecells.xlsx", 5, 3, T, 0, QStringLiteral("9999/12/31 23:59:59.999"));
    row("xlsx last day's last ms", "datecells.xlsx", 6, 3, T, 0, QStringLiteral("9999/12/31 23:59:59.999"));
    row("ods +08:00 to UTC", "datecells.ods", 3, 1, D, Dec8 + 2 / 24.0);
    row("ods Z", "datecells.ods", 4, 1, D, Dec8 + 10 / 24.0);
    row("ods -05:30 with ms", "datecells.ods", 5, 1, T, 0, QStringLiteral("2026/12/8 15:30:00.125"));
    row("ods ms without zone", "datecells.ods", 6, 1, T, 0, QStringLiteral("2026/12/8 10:00:00.125"));
    row("ods impossible zone keeps text", "datecells.ods", 7, 1, T, 0, QStringLiteral("2026-12-08 10:00"));
    row("ods 30 February keeps text", "datecells.ods", 3, 2, T, 0, QStringLiteral("2026-02-30"));
    row("ods 5-digit year keeps text", "datecells.ods", 4, 2, T, 0, QStringLiteral("12026-01-01"));
    row("ods leap day", "datecells.ods", 5, 2, D, 45351);
    row("ods no leap day, value as text", "datecells.ods", 6, 2, T, 0, QStringLiteral("2025-02-29"));
    row("ods time", "datecells.ods", 7, 2, D, 1 / 24.0);
    row("ods cell after bad date", "datecells.ods", 4, 3, T, 0, QStringLiteral("after"));
}

void TestDateCells::cells()
{
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(CellType, type);
    QFETCH(double, number);
    QFETCH(QString, text);
    const auto book = openFile(fixture(file));
    const Cell cell = book->firstSheet.cell(row, column);
    QCOMPARE(cell.type, type);
    if (type == CellType::Text)
        QCOMPARE(cell.text, text);
    else
        QVERIFY2(qAbs(cell.number - number) < 1e-9, qPrintable(QString::number(cell.number, 'g', 17)));
}

// Through the whole read: the texts the lists get, and no read stopped by a date.
void TestDateCells::readThrough_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole second as before") << "datecells.xlsx" << 1 << 2 << "2026/12/8 10:00:00";
    QTest::newRow("fraction carried") << "datecells.xlsx" << 1 << 3 << "2026/12/8 10:00:00.001";
    QTest::newRow("duration as time of day") << "datecells.xlsx" << 2 << 2 << "0:11:00";
    QTest::newRow("last day noon") << "datecells.xlsx" << 3 << 2 << "9999/12/31 12:00:00";
    QTest::newRow("just below the last day's end") << "datecells.xlsx" << 3 << 4 << "9999/12/31 23:59:59.999";
    QTest::newRow("ods zone to UTC") << "datecells.ods" << 1 << 2 << "2026/12/8 2:00:00";
    QTest::newRow("ods impossible day kept") << "datecells.ods" << 2 << 2 << "2026-02-30";
    QTest::newRow("ods 5-digit year kept") << "datecells.ods" << 2 << 3 << "12026-01-01";
    QTest::newRow("ods next cell in its column") << "datecells.ods" << 3 << 3 << "after";
}

void TestDateCells::readThrough()
{
    QFETCH(QString, file);
    QFETCH(int, list);
    QFETCH(int, index);
    QFETCH(QString, text);
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(fixture(file), store, registry);
    QVERIFY(result.connected);
    QVERIFY2(result.complete, qPrintable(result.stopReason));
    QCOMPARE(store.item(list, index), text);
}

// 100 stamps a millisecond apart are 100 times, each 1 ms after the one before.
void TestDateCells::millisecondsStayApart()
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    QVERIFY(readWorkbook(fixture(QStringLiteral("datecells.xlsx")), store, registry).complete);
    double previous = 0;
    for (int i = 0; i < 100; ++i) {
        timetext::Stamp stamp;
        const QString item = store.item(1, 2 + i);
        QVERIFY2(timetext::parse(item, &stamp), qPrintable(item));
        if (i > 0)
            QVERIFY2(qAbs(stamp.seconds - previous - 0.001) < 1e-6, qPrintable(item));
        previous = stamp.seconds;
    }
}

void TestDateCells::isoDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<double>("serial");
    const double may1 = 45413;
    QTest::newRow("leap day") << "2024-02-29" << true << 45351.0;
    QTest::newRow("no leap day") << "2023-02-29" << false << 0.0;
    QTest::newRow("31 April") << "2024-04-31" << false << 0.0;
    QTest::newRow("end of the day") << "2024-05-01T24:00:00" << true << may1 + 1;
    QTest::newRow("past the end of the day") << "2024-05-01T24:30" << false << 0.0;
    QTest::newRow("zone +0530") << "2024-05-01T12:00+0530" << true << may1 + 6.5 / 24;
    QTest::newRow("zone +08 hours only") << "2024-05-01T12:00+08" << true << may1 + 4 / 24.0;
    QTest::newRow("zone back over midnight") << "2024-05-01T20:00:00-05:00" << true << may1 + 1 + 1 / 24.0;
    QTest::newRow("text after the zone") << "2024-05-01T12:00:00Z x" << false << 0.0;
    QTest::newRow("zone of 3 digits") << "2024-05-01T12:00+080" << false << 0.0;
}

void TestDateCells::isoDates()
{
    QFETCH(QString, text);
    QFETCH(bool, read);
    QFETCH(double, serial);
    double got = -1;
    QCOMPARE(isoDateSerial(text, &got), read);
    if (read)
        QVERIFY2(qAbs(got - serial) < 1e-9, qPrintable(QString::number(got, 'g', 17)));
}

QTEST_GUILESS_MAIN(TestDateCells)
#include "tst_datecells.moc"
