// Times the live reads on generated logs (written to a temporary folder at start):
//   - a 10,000,000 x 4 CSV read into the column lists, without and with progress reports
//     (best of two each; the reports may cost at most 3 %);
//   - the main window reading that file: a click on "取消" until the window answers again
//     (the click's handler and the next event processed), and until the read's thread is gone;
//   - following a 1,000,000-row CSV with the chart window shown: 1,000 rows appended, then
//     one follow step (read, lists, chart redrawn).
// Runs on Qt's offscreen platform. Usage: bench_liveread [ROWS] (10000000 unless given).
#include "offscreendesktop.h"
#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "base/readprogress.h"
#include "benchservices.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/workbookread.h"
#include "widgets/services.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray logLines(qint64 first, qint64 count)
{
    QByteArray text;
    text.reserve(count * 32);
    for (qint64 i = first; i < first + count; ++i) {
        text += QByteArray::number(double(i) * 0.01, 'f', 2) + ',' + QByteArray::number(i % 1000 * 0.5) + ','
                + QByteArray::number((i * 7) % 997) + ',' + QByteArray::number(i % 13) + '\n';
    }
    return text;
}

void writeLog(const QString &path, qint64 rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("t,a,b,c\ns,V,A,C\n");
    for (qint64 done = 0; done < rows; done += 100000)
        file.write(logLines(done, std::min<qint64>(100000, rows - done)));
}

double readSeconds(const QString &path, bool withProgress)
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    readprogress::Progress progress(QFile(path).size());
    qint64 reports = 0;
    progress.onReport = [&reports](const readprogress::Progress &) { ++reports; };
    ColumnStore store;
    QElapsedTimer timer;
    timer.start();
    {
        const readprogress::Scope scope(withProgress ? &progress : nullptr);
        readWorkbook(path, store, registry);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("  %s: %.2f s, %d rows%s\n", withProgress ? "with progress" : "without progress", seconds,
                store.count(1), withProgress ? qPrintable(QStringLiteral(", %1 reports").arg(reports)) : "");
    return seconds;
}

void waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void paint(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    widget->render(&image);
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication application(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10000000;
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("log.csv"));
    writeLog(big, rows);
    std::printf("%lld x 4 CSV, %.1f MB\n", rows, QFile(big).size() / 1048576.0);
    double plain = 1e9, reported = 1e9;
    for (int run = 0; run < 2; ++run) {
        plain = std::min(plain, readSeconds(big, false));
        reported = std::min(reported, readSeconds(big, true));
    }
    std::printf("read, best of 2: %.2f s without progress, %.2f s with (%+.1f %%)\n", plain, reported,
                (reported / plain - 1) * 100);

    app().executableFolder = dir.path() + QLatin1Char('/');
    BenchServices services;
    setServices(&services);
    Tmainform *main = createApplicationWindows();
    main->show();
    // The cancel: clicked a third of the way through the file.
    const int reads = main->readCount();
    main->openWorkbook(big);
    // A small file may be read before a third of it can be seen: then there is nothing to cancel.
    waitFor([main, reads] { return (main->reading() && main->readBar->value() > 250) || main->readCount() > reads; },
            600000);
    if (!main->reading()) {
        std::printf("cancel: the file was read before a third of it could be seen; no cancel timed\n");
    } else {
        QElapsedTimer click;
        click.start();
        main->cancelBtn->click();
        bool answered = false;
        QTimer::singleShot(0, main, [&answered] { answered = true; });
        waitFor([&answered] { return answered; }, 10000);
        paint(main);
        const double responsive = click.nsecsElapsed() / 1e6;
        waitFor([main] { return !main->Timer1->isActive() && !main->readThreadRunning(); }, 60000);
        std::printf("cancel: window answering %.1f ms after the click, read's thread gone after %.1f ms\n",
                    responsive, click.nsecsElapsed() / 1e6);
    }

    // The follow step on a million rows with the chart shown.
    const QString log = dir.filePath(QStringLiteral("follow.csv"));
    writeLog(log, 1000000);
    const int before = main->readCount();
    main->openWorkbook(log);
    waitFor([main, before] { return main->readCount() > before; }, 600000);
    main->loadLineData();
    TdataLineForm *chart = app().dataLineForm;
    chart->firstActivation = true;
    chart->show();
    QCoreApplication::processEvents();
    main->followAction->setChecked(true);
    QFile file(log);
    file.open(QIODevice::Append);
    file.write(logLines(1000000, 1000));
    file.close();
    QElapsedTimer step;
    step.start();
    main->followStep();
    paint(chart);
    std::printf("follow step: 1,000 rows appended to 1,000,000, read, lists and chart redrawn in %.1f ms"
                " (lists now %d rows)\n", step.nsecsElapsed() / 1e6, main->lastRow());
    main->followAction->setChecked(false);
    chart->hide();
    destroyApplicationWindows();
    setServices(nullptr);
    return 0;
}
