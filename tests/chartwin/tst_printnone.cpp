#include <QtTest>

#include "chartwin/chartpage.h"
#include "chartwin/ui/chartprint.h"

#include "chartwin/chartpagedata.h"
#include "chartwin/ui/dataLineUnit.h"
#include "support/appfixture.h"
#include "support/sheetserver.h"

#include <QPushButton>

#include <QApplication>
#include <QPrinterInfo>

// With no print server to ask, there is no default printer: printing does nothing and raises
// nothing; the chart window's "打印" says so in a message box.
class TestPrintNone : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void printDoesNothing_data();
    void printDoesNothing();
    void printButtonSaysNoPrinter();

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

void TestPrintNone::printButtonSaysNoPrinter()
{
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(3, 10);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    bool pressed = false;
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        const int changes = w->line1->changeCount();
        w->printBtn->click();
        QCOMPARE(w->line1->changeCount(), changes);
        pressed = true;
    };
    m->drawBtn->click();
    QVERIFY(pressed);
    QVERIFY(f.services.errors.isEmpty());
    QCOMPARE(f.services.messages, QStringList{QStringLiteral("没有安装打印机，图表没有打印")});
}

QTEST_MAIN(TestPrintNone)
#include "tst_printnone.moc"
