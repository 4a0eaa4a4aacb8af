#include <QtTest>

#include "base/apperror.h"
#include "chartwin/chartpage.h"
#include "chartwin/ui/chartprint.h"

#include "chartwin/chartpagedata.h"
#include "chartwin/ui/dataLineUnit.h"
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/pagecheck.h"
#include "support/pdftools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QPushButton>

// Prints through a real CUPS: a scheduler of the test's own (tests/cups/start-cups.sh) on a
// private socket, whose default queue keeps each job's PDF, which is then examined. The
// system's scheduler and default printer are never touched.
namespace {

constexpr int RasterDpi = 384;
const QString queue = QStringLiteral("TabrovexPDF");

QString runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// Turns a portrait page back to landscape: of the two turns, the one that puts the grid
// where the page puts it.
QImage upright(const QImage &raster, const Tkfdline &line)
{
    if (raster.width() > raster.height())
        return raster;
    for (int angle : {90, -90}) {
        QImage turned = raster.transformed(QTransform().rotate(angle));
        if (pagecheck::gridMismatch(turned, RasterDpi, line, chartpagedata::gridRgb, true, 70).isEmpty())
            return turned;
    }
    return raster.transformed(QTransform().rotate(90));
}

} // namespace

class TestReportPrint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void printsOnePage();
    void printButtonPrintsThePage();
    void refusedJobRaises();
    void cleanupTestCase();

private:
    QString waitForOutput(int job);
    void checkPrintedPage(const QString &pdf, const Tkfdline &line);

    QString m_outDir;
    QStringList m_outputs;
    QTemporaryDir m_cupsHome; // the scheduler's folder is made inside, and goes with it
    QString m_cupsFolder;
};

void TestReportPrint::initTestCase()
{
    QVERIFY(m_cupsHome.isValid());
    // The scheduler's helpers may run as another user: they must reach its folder.
    QFile::setPermissions(m_cupsHome.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                 | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    m_cupsFolder = m_cupsHome.filePath(QStringLiteral("cups"));
    QProcess script;
    script.start(QStringLiteral("bash"), {QStringLiteral(TABROVEX_SOURCE_DIR "/tests/cups/start-cups.sh"), m_cupsFolder,
                                          QString::number(QCoreApplication::applicationPid())});
    if (!script.waitForFinished(30000))
        QSKIP("the CUPS set-up script did not finish within 30 s");
    QString server;
    for (const QString &line : QString::fromUtf8(script.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("OUT=")))
            m_outDir = line.mid(4);
        if (line.startsWith(QStringLiteral("CUPS_SERVER=")))
            server = line.mid(12);
    }
    if (script.exitCode() != 0 || m_outDir.isEmpty() || server.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no CUPS scheduler of the test's own to print on: %1")
                                 .arg(QString::fromUtf8(script.readAllStandardError()).trimmed())));
    // Before anything talks to CUPS; the lpstat and cupsreject runs below inherit it.
    qputenv("CUPS_SERVER", server.toLocal8Bit());
}

// The cups-pdf file of a job: "<title>-job_<id>.pdf", complete once the job is.
QString TestReportPrint::waitForOutput(int job)
{
    const QString suffix = QStringLiteral("-job_%1.pdf").arg(job);
    const QString jobName = QStringLiteral("%1-%2").arg(queue).arg(job);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 45000) {
        const bool done = runTool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                                             QStringLiteral("-o"), queue})
                                  .contains(jobName + QLatin1Char(' '));
        if (done) {
            const QStringList files = QDir(m_outDir).entryList({QLatin1Char('*') + suffix}, QDir::Files);
            if (!files.isEmpty())
                return QDir(m_outDir).filePath(files.first());
        }
        QTest::qWait(250);
    }
    return QString();
}

void TestReportPrint::printsOnePage()
{
    ChartPage page;
    chartpagedata::fill(page, QStringLiteral("Excel数据曲线图"));
    const int job = printReport(page);
    QVERIFY2(job > 0, "the default printer took no job");
    const QString pdf = waitForOutput(job);
    QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("job %1 left no PDF in %2 within 45 s").arg(job).arg(m_outDir)));
    m_outputs << pdf;
    // A copy beside the build, for a person to look at.
    QFile::remove(QStringLiteral(TABROVEX_BINARY_DIR "/printed-by-cups.pdf"));
    QFile::copy(pdf, QStringLiteral(TABROVEX_BINARY_DIR "/printed-by-cups.pdf"));

    checkPrintedPage(pdf, page.line1);
}

// Pressing "打印" in the chart window puts the page on the default printer.
void TestReportPrint::printButtonPrintsThePage()
{
    const QStringList before = QDir(m_outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(5, 40);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    f.services.onModal = [](QDialog *d) {
        if (d == app().dataLineForm)
            app().dataLineForm->printBtn->click();
    };
    m->drawBtn->click();
    QVERIFY2(f.services.errors.isEmpty(), qPrintable(f.services.errors.join(QLatin1Char('\n'))));
    // The user is told which printer took the page.
    QCOMPARE(f.services.messages, QStringList{QStringLiteral("图表已送到打印机 ") + queue});

    QString pdf;
    QElapsedTimer timer;
    timer.start();
    while (pdf.isEmpty() && timer.elapsed() < 45000) {
        const bool idle = runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).trimmed().isEmpty();
        for (const QString &name : QDir(m_outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            if (idle && !before.contains(name))
                pdf = QDir(m_outDir).filePath(name);
        if (pdf.isEmpty())
            QTest::qWait(250);
    }
    QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("no new PDF in %1 within 45 s").arg(m_outDir)));
    m_outputs << pdf;
    checkPrintedPage(pdf, *app().dataLineForm->line1);
}

void TestReportPrint::checkPrintedPage(const QString &pdf, const Tkfdline &line)
{
    const pdftools::Info info = pdftools::info(pdf);
    QCOMPARE(info.pages, 1);
    const QSizeF size = info.pointSize.width() > info.pointSize.height() ? info.pointSize : info.pointSize.transposed();
    QVERIFY2(qAbs(size.width() - 842) < 2 && qAbs(size.height() - 595) < 2,
             qPrintable(QStringLiteral("%1 x %2 pt").arg(info.pointSize.width()).arg(info.pointSize.height())));

    // Look at the ink, not the text: a queue may redraw text as outlines.
    const QImage raster = upright(pdftools::raster(pdf, RasterDpi), line);
    QVERIFY(!raster.isNull());
    for (bool horizontal : {true, false}) {
        const QString wrong = pagecheck::gridMismatch(raster, RasterDpi, line, chartpagedata::gridRgb, horizontal, 70);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    const pagecheck::Ink ink = pagecheck::titleInk(raster, RasterDpi);
    QVERIFY2(ink.count > 200, qPrintable(QString::number(ink.count)));
}

// A queue that refuses jobs must not look like a printed page.
void TestReportPrint::refusedJobRaises()
{
    runTool(QStringLiteral("cupsreject"), {queue});
    struct Accept
    {
        ~Accept() { runTool(QStringLiteral("cupsaccept"), {queue}); }
    } acceptAgain;
    ChartPage page;
    chartpagedata::fill(page, QStringLiteral("refused"));
    try {
        printReport(page);
        QFAIL("printing on a queue that refuses jobs raised nothing");
    } catch (const AppError &error) {
        QVERIFY2(error.message().contains(queue), qPrintable(error.message()));
    }

    // "打印" in the chart window shows the refusal in a message box, and no success.
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(3, 10);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    f.services.onModal = [](QDialog *d) {
        if (d == app().dataLineForm)
            app().dataLineForm->printBtn->click();
    };
    m->drawBtn->click();
    QCOMPARE(f.services.errors.size(), 1);
    QVERIFY2(f.services.errors.constFirst().contains(queue), qPrintable(f.services.errors.constFirst()));
    QVERIFY(f.services.messages.isEmpty());
}

void TestReportPrint::cleanupTestCase()
{
    for (const QString &file : std::as_const(m_outputs))
        QFile::remove(file);
    if (m_cupsFolder.isEmpty())
        return;
    QProcess::execute(QStringLiteral("bash"), {QStringLiteral(TABROVEX_SOURCE_DIR "/tests/cups/stop-cups.sh"), m_cupsFolder});
    QVERIFY2(!QFileInfo::exists(m_cupsFolder), qPrintable(m_cupsFolder));
}

QTEST_MAIN(TestReportPrint)
#include "tst_reportprint.moc"
