// Times the main window on a long workbook, as a user opening it waits:
//   - the program started with the workbook named until its column lists are painted (the
//     window's 200 ms wait before the read included);
//   - "绘制曲线" until the chart window is painted (the first drawing after the read, and
//     the median of later ones);
//   - a column list scrolled from top to bottom: dragged in 500 steps, then paged down from
//     the top; each step painted before the next, the longest step is the stall a user feels.
// Runs on Qt's offscreen platform. Usage: bench_ui_long WORKBOOK [--column K]
// (the long logs of scripts/make_long_logs.py, e.g. log_1000000x8.csv).
#include "offscreendesktop.h"
#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "chartwin/ui/dataLineUnit.h"
#include "benchservices.h"
#include "widgets/services.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTableView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
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

double slowest(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Offscreen windows are never exposed, so repaint() would paint nothing: a widget paints
// into a picture of its own size instead.
void paint(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    widget->render(&image);
}

// Milliseconds of each step, the list painted after each.
std::vector<double> scrollSteps(QTableView *list, const std::function<bool(QScrollBar *)> &step)
{
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(bar->minimum());
    paint(list);
    std::vector<double> times;
    for (;;) {
        QElapsedTimer t;
        t.start();
        if (!step(bar))
            break;
        paint(list);
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return times;
}

void benchScrolling(QTableView *list, int column)
{
    QScrollBar *bar = list->verticalScrollBar();
    const int range = bar->maximum() - bar->minimum();
    constexpr int DragSteps = 500;
    int dragged = 0;
    const std::vector<double> drag = scrollSteps(list, [&](QScrollBar *b) {
        if (dragged == DragSteps)
            return false;
        ++dragged;
        b->setValue(b->minimum() + int(qint64(range) * dragged / DragSteps));
        return true;
    });
    constexpr int MostPages = 5000;
    int pages = 0;
    const std::vector<double> paging = scrollSteps(list, [&](QScrollBar *b) {
        if (b->value() >= b->maximum() || pages == MostPages)
            return false;
        ++pages;
        b->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    });
    std::printf("column %d list (%d items, scroll range %d):\n", column, list->model()->rowCount(), range);
    std::printf("  dragged top to bottom in %zu steps: slowest step %.2f ms, median %.2f ms\n", drag.size(),
                slowest(drag), median(drag));
    std::printf("  paged down from the top, %zu pages%s: slowest step %.2f ms, median %.2f ms\n", paging.size(),
                pages == MostPages ? " (stopped there)" : " (to the bottom)", slowest(paging), median(paging));
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int columnAt = int(args.indexOf(QStringLiteral("--column")));
    const int column = columnAt >= 0 && columnAt + 1 < args.size() ? args[columnAt + 1].toInt() : 1;
    if (args.isEmpty() || !QFileInfo(args[0]).isFile() || column < 1 || column > Tmainform::ColumnCount) {
        std::fprintf(stderr, "usage: bench_ui_long WORKBOOK [--column K]\n"
                             "  WORKBOOK: a long log of scripts/make_long_logs.py\n");
        return 1;
    }

    // A folder of its own, as a fresh installation, and the workbook named at the start.
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("ini"));
    app().executableFolder = folder.path() + QLatin1Char('/');
    app().startWorkbook = QFileInfo(args[0]).absoluteFilePath();
    BenchServices services;
    setServices(&services);

    QElapsedTimer timer;
    timer.start();
    Tmainform *main = createApplicationWindows();
    main->show();
    while (main->readCount() == 0 && timer.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    paint(main);
    const double opening = timer.nsecsElapsed() / 1e6;
    std::printf("%s\n", qPrintable(args[0]));
    std::printf("started with the workbook until the lists are painted: %.0f ms (the window waits %d ms"
                " before it reads)\n", opening, main->Timer1->interval());
    for (const QString &line : main->Memo1->toPlainText().split(QLatin1Char('\n')))
        std::printf("  log: %s\n", qPrintable(line));
    if (!main->drawBtn->isEnabled()) {
        std::printf("the workbook was not read: no chart\n");
        destroyApplicationWindows();
        return 2;
    }

    std::vector<double> drawing;
    services.onModal = [&](QDialog *dialog) {
        if (dialog != app().dataLineForm)
            return;
        paint(dialog);
        drawing.push_back(timer.nsecsElapsed() / 1e6);
    };
    for (int i = 0; i < 4; ++i) {
        timer.start();
        main->drawBtnClick();
    }
    if (drawing.empty()) {
        std::printf("\"绘制曲线\" opened no chart window\n");
    } else {
        const double first = drawing.front();
        drawing.erase(drawing.begin());
        std::printf("\"绘制曲线\" to the chart window painted: first after the read %.0f ms, later ones median"
                    " %.0f ms\n", first, median(drawing));
        std::printf("open + first drawing: %.0f ms (goal 1500 ms)\n", opening + first);
    }
    const QStringList log = main->Memo1->toPlainText().split(QLatin1Char('\n'));
    std::printf("  last log line: %s\n", qPrintable(log.last()));

    if (column > main->madeColumns()) {
        std::fprintf(stderr, "the table has no column %d\n", column);
        destroyApplicationWindows();
        return 1;
    }
    benchScrolling(main->colList[column], column);
    destroyApplicationWindows();
    return 0;
}
