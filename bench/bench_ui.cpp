// Times what a user waits for in the windows:
//   - cold start of the program (a fresh process) until the main window is shown;
//   - from "绘制曲线" on a 1,000-row and on a 65,536-row, 5-column workbook until the chart
//     window is painted;
//   - a scaling mode switch in the chart window (reload and both redraws);
//   - the read-out: a pointer move over the screen chart until it is painted again.
// Runs on Qt's offscreen platform. Usage: bench_ui [workbook folder]
#include "offscreendesktop.h"
#include "app/appstate.h"
#include "app/mainunit.h"
#include "benchservices.h"
#include "widgets/services.h"
#include "app/startup.h"
#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Counts the paint events a widget receives, so a figure can show it measured real painting.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The child process of the start-up figure: the program's start, then exit once shown.
int startupChild(int argc, char **argv, const QString &folder)
{
    QApplication application(argc, argv);
    app().executableFolder = folder;
    Tmainform *main = createApplicationWindows();
    main->show();
    QTimer::singleShot(0, [] {
        std::printf("shown\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    application.exec();
    destroyApplicationWindows();
    return 0;
}

void benchStartup(const QString &self, const QString &folder)
{
    std::vector<double> times;
    for (int i = 0; i < 11; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromUtf8(offscreenDesktop()));
        child.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        child.start(self, {QStringLiteral("--startup-child"), folder});
        while (!child.canReadLine() && child.state() != QProcess::NotRunning)
            child.waitForReadyRead(5000);
        times.push_back(timer.nsecsElapsed() / 1e6);
        child.waitForFinished(5000);
    }
    std::printf("cold start to main window shown: median %.1f ms (min %.1f, %zu runs; goal 300 ms)\n",
                median(times), *std::min_element(times.begin(), times.end()), times.size());
}

struct Goals {
    const char *table;
    double opening, modeSwitch, hover;
};

void benchChartWindow(const QString &folder, BenchServices &services, const Goals &goals)
{
    app().executableFolder = folder;
    setServices(&services);
    Tmainform *main = createApplicationWindows();
    main->show();
    QElapsedTimer wait;
    wait.start();
    while (main->readCount() == 0 && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!main->drawBtn->isEnabled()) {
        std::printf("the workbook was not read\n");
        return;
    }

    QElapsedTimer timer;
    std::vector<double> opening, modeSwitch, hover;
    int readoutsShown = 0;
    PaintCounter paints;
    services.onModal = [&](QDialog *dialog) {
        TdataLineForm *chart = app().dataLineForm;
        if (dialog != chart)
            return;
        // Offscreen windows are never exposed, so repaint() would paint nothing: the window
        // paints into a picture of its own size instead.
        QImage windowImage(chart->size(), QImage::Format_ARGB32_Premultiplied);
        chart->render(&windowImage);
        opening.push_back(timer.nsecsElapsed() / 1e6);
        for (int i = 0; i < 10; ++i) {
            QRadioButton *box = i % 2 ? chart->box1 : chart->box3;
            QElapsedTimer t;
            t.start();
            box->click();
            chart->render(&windowImage);
            modeSwitch.push_back(t.nsecsElapsed() / 1e6);
        }
        // Across the plot in steps of 3 pixels, each move painted before the next.
        ChartView *view = chart->kfdline1View;
        const Tkfdline *k = chart->kfdline1;
        view->installEventFilter(&paints);
        QImage viewImage(view->size(), QImage::Format_ARGB32_Premultiplied);
        for (int x = k->marginLeft; x <= k->Width - k->marginRight; x += 3) {
            const QPointF at(x, k->marginTop + 150 + x % 50);
            QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QElapsedTimer t;
            t.start();
            QCoreApplication::sendEvent(view, &move);
            view->render(&viewImage);
            hover.push_back(t.nsecsElapsed() / 1e6);
            readoutsShown += view->currentReadout().visible;
        }
        view->removeEventFilter(&paints);
    };
    for (int i = 0; i < 11; ++i) {
        timer.start();
        main->drawBtnClick();
    }
    // The first drawing after a read converts the table's numbers; later ones reuse them.
    std::printf("\"绘制曲线\" on %s to the chart window painted: first after the read %.1f ms, median %.1f ms"
                " (goal %.0f ms)\n", goals.table, opening.empty() ? 0.0 : opening.front(), median(opening),
                goals.opening);
    std::printf("  scaling mode switch (load, both redraws, painted): median %.1f ms (goal %.0f ms)\n",
                median(modeSwitch), goals.modeSwitch);
    std::printf("  read-out, one pointer move painted: median %.2f ms, slowest %.2f ms over %zu moves, %d shown,"
                " %d paints (goal %.0f ms)\n",
                median(hover), hover.empty() ? 0.0 : *std::max_element(hover.begin(), hover.end()), hover.size(),
                readoutsShown, paints.paints, goals.hover);
    const QStringList log = main->Memo1->toPlainText().split(QLatin1Char('\n'));
    std::printf("  last log line: %s\n", qPrintable(log.last()));
    destroyApplicationWindows();
}

}

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--startup-child")
        return startupChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication application(argc, argv);
    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString workbook = data + QStringLiteral("/bench_chart_1000x5.xls");
    const QString longWorkbook = data + QStringLiteral("/bench_chart_65536x5.xls");
    if (!QFileInfo::exists(workbook) || !QFileInfo::exists(longWorkbook))
        QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_bench_workbooks.py"), data});

    // Each run gets a folder of its own, as a fresh installation: ini/ and 001.xls.
    QTemporaryDir sampleFolder, chartFolder, longFolder;
    for (QTemporaryDir *dir : {&sampleFolder, &chartFolder, &longFolder})
        QDir(dir->path()).mkdir(QStringLiteral("ini"));
    QFile::copy(QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls"), sampleFolder.filePath(QStringLiteral("001.xls")));
    QFile::copy(workbook, chartFolder.filePath(QStringLiteral("001.xls")));
    QFile::copy(longWorkbook, longFolder.filePath(QStringLiteral("001.xls")));

    const bool longOnly = argc > 2 && QByteArray(argv[2]) == "--long-only";
    if (!longOnly)
        benchStartup(QCoreApplication::applicationFilePath(), sampleFolder.path() + QLatin1Char('/'));
    BenchServices services;
    if (!longOnly)
        benchChartWindow(chartFolder.path() + QLatin1Char('/'), services, {"1,000 x 5", 50, 20, 2});
    benchChartWindow(longFolder.path() + QLatin1Char('/'), services, {"65,536 x 5", 150, 100, 2});
    return 0;
}
