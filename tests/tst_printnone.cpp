#include <QtTest>

#include "chartwin/chartpage.h"
#include "chartwin/chartprint.h"

#include "chartpagedata.h"

#include <QApplication>
#include <QPrinterInfo>

// With no print server to ask, there is no default printer: printing does nothing, shows
// nothing and raises nothing.
class TestPrintNone : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void printDoesNothing_data();
    void printDoesNothing();

private:
    QTemporaryDir m_dir;
};

void TestPrintNone::initTestCase()
{
    // A socket path where nothing listens, set before anything talks to CUPS.
    qputenv("CUPS_SERVER", m_dir.filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
    QVERIFY(QPrinterInfo::defaultPrinter().isNull());
    QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
}

void TestPrintNone::printDoesNothing_data()
{
    QTest::addColumn<bool>("drawn");
    QTest::newRow("never drawn") << false;
    QTest::newRow("drawn") << true;
}

void TestPrintNone::printDoesNothing()
{
    QFETCH(bool, drawn);
    ChartPage page;
    if (drawn)
        chartpagedata::fill(page, QStringLiteral("title"));
    const int changes = page.line1.changeCount();
    int job = -1;
    try {
        job = printReport(page);
    } catch (...) {
        QFAIL("printing without a printer raised an error");
    }
    QCOMPARE(job, 0);
    QCOMPARE(page.line1.changeCount(), changes);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

QTEST_MAIN(TestPrintNone)
#include "tst_printnone.moc"
