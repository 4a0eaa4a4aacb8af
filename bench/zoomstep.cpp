// Zoom and pan steps on long logs, from the input event to the painted screen chart:
// generated tables of 1,000,000 and 10,000,000 rows x 4 curves (100 Hz), 200 steps of
// wheel, keys and Ctrl drags in a fixed random order, each timed from sending the event to
// the end of the chart view's repaint (offscreen). Prints median and slowest step, the
// load, and the memory of the index that makes the steps quick against the column data.
// Beside wall time each figure gives this thread's CPU time: on a machine shared with other
// work the wall figures carry the waits for a core, the CPU figures do not. The digest of
// every picture drawn (taken outside the timings) tells whether a change to the drawing code
// left every pixel of every step as it was.
//
//   build/bench_zoomstep [ROWS ...]     (default: 1000000 10000000)
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/chartsetup.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/zoominput.h"
#include "import/columnstore.h"
#include "offscreendesktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <time.h>

namespace {

double threadMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void fill(ColumnStore &store, int rows)
{
    ColumnStore::Batch batch(store);
    store.clear();
    const char *names[5] = {"time", "p", "T", "Q", "n"};
    for (int c = 0; c < 5; ++c) {
        store.append(c + 1, QString::fromLatin1(names[c]));
        store.append(c + 1, QStringLiteral("u"));
    }
    std::mt19937 gen(1);
    std::normal_distribution<double> noise(0, 0.05);
    for (int r = 0; r < rows; ++r) {
        const double t = r * 0.01;
        store.appendNumber(1, t);
        store.appendNumber(2, std::sin(t / 60) + noise(gen) + (r % 1000003 == 500000 ? 50 : 0));
        store.appendNumber(3, 20 + 5 * std::sin(t / 600) + noise(gen));
        store.appendNumber(4, std::fmod(t, 17.0) + noise(gen));
        store.appendNumber(5, 1500 + 100 * std::cos(t / 7) + noise(gen));
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Folds a picture's pixels into a running digest, one 64-bit word at a time.
quint64 digest(quint64 h, const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        const uchar *line = picture.constScanLine(y);
        for (qsizetype x = 0; x + 8 <= picture.bytesPerLine(); x += 8) {
            quint64 word;
            std::memcpy(&word, line + x, 8);
            h = (h ^ word) * 0x100000001b3ULL;
            h ^= h >> 29;
        }
    }
    return h;
}

void send(QWidget *to, QEvent *event)
{
    QCoreApplication::sendEvent(to, event);
}

void run(int rows)
{
    ColumnStore store;
    QElapsedTimer timer;
    timer.start();
    fill(store, rows);
    const double filled = timer.elapsed();

    Tkfdline chart;
    chartsetup::setUpScreenChart(chart);
    ChartView view(&chart);
    view.resize(chart.Width, chart.Height);
    ZoomInput zoom(&view, &chart);
    ChartDocument document(store);
    document.setCharts({&chart});
    zoom.setDocument(&document);
    QObject::connect(&document, &ChartDocument::changed, [&] { chart.Redraw(); });
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2, 3, 4, 5};
    request.lastRow = rows + 2;
    request.scaleMode = 2;
    timer.restart();
    document.load(request);
    const double loaded = timer.elapsed();
    view.show();
    view.repaint();

    std::mt19937 gen(42);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> steps, stepsCpu;
    quint64 pictures = 0xcbf29ce484222325ULL;
    const int left = chart.marginLeft, width = chart.plotWidth;
    const int y = chart.marginTop + chart.plotHeight / 2;
    for (int i = 0; i < 200; ++i) {
        const double pick = unit(gen);
        const QPoint at(left + int(unit(gen) * width), y);
        const double cpu0 = threadMs();
        timer.restart();
        if (pick < 0.45) {
            // Mostly inward, so the steps cover every depth from the whole table to rows.
            const int notches = unit(gen) < 0.7 ? 1 + int(unit(gen) * 3) : -1 - int(unit(gen) * 3);
            QWheelEvent wheel{QPointF(at), QPointF(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false};
            send(&view, &wheel);
        } else if (pick < 0.7) {
            QKeyEvent key(QEvent::KeyPress, unit(gen) < 0.5 ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier);
            send(&view, &key);
        } else if (pick < 0.8) {
            QKeyEvent key(QEvent::KeyPress, unit(gen) < 0.5 ? Qt::Key_Plus : Qt::Key_Minus, Qt::NoModifier);
            send(&view, &key);
        } else if (pick < 0.93) {
            const QPoint to(std::clamp(at.x() + int((unit(gen) - 0.5) * 200), left, left + width), y);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::ControlModifier);
            QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(to), Qt::NoButton, Qt::LeftButton,
                             Qt::ControlModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), QPointF(to), Qt::LeftButton, Qt::NoButton,
                                Qt::ControlModifier);
            send(&view, &press);
            send(&view, &move);
            send(&view, &release);
        } else {
            QKeyEvent key(QEvent::KeyPress, unit(gen) < 0.7 ? Qt::Key_Backspace : Qt::Key_Home, Qt::NoModifier);
            send(&view, &key);
        }
        view.repaint();
        steps.push_back(timer.nsecsElapsed() / 1e6);
        stepsCpu.push_back(threadMs() - cpu0);
        pictures = digest(pictures, chart.picture());
    }
    // The parts of a step: the view's points alone, and drawing the chart alone.
    std::vector<double> viewOnly, drawOnly, viewCpu, drawCpu;
    for (int i = 0; i < 50; ++i) {
        const ChartDocument::View whole = document.wholeView();
        const double span = whole.xUpper - whole.xLower;
        const double from = whole.xLower + unit(gen) * span * 0.5;
        QObject::disconnect(&document, &ChartDocument::changed, nullptr, nullptr);
        double cpu0 = threadMs();
        timer.restart();
        document.zoomX(from, from + span * unit(gen) * 0.5);
        viewOnly.push_back(timer.nsecsElapsed() / 1e6);
        viewCpu.push_back(threadMs() - cpu0);
        cpu0 = threadMs();
        timer.restart();
        chart.Redraw();
        drawOnly.push_back(timer.nsecsElapsed() / 1e6);
        drawCpu.push_back(threadMs() - cpu0);
        pictures = digest(pictures, chart.picture());
    }
    const double columnBytes = double(rows) * sizeof(double) * 5;
    std::printf("%d rows x 4 curves: table made in %.0f ms, loaded in %.0f ms\n", rows, filled, loaded);
    std::printf("  200 zoom/pan steps: median %.2f ms, slowest %.2f ms (CPU: median %.2f ms, slowest %.2f ms)\n",
                median(steps), *std::max_element(steps.begin(), steps.end()), median(stepsCpu),
                *std::max_element(stepsCpu.begin(), stepsCpu.end()));
    std::printf("  of which: the view's points median %.2f ms (CPU %.2f), drawing the chart median %.2f ms (CPU %.2f)\n",
                median(viewOnly), median(viewCpu), median(drawOnly), median(drawCpu));
    std::printf("  digest of the %d pictures drawn: %016llx\n", int(steps.size() + drawOnly.size()),
                static_cast<unsigned long long>(pictures));
    std::printf("  index %.2f MB, %.2f %% of the column data (%.0f MB)\n", document.indexBytes() / 1e6,
                100.0 * document.indexBytes() / columnBytes, columnBytes / 1e6);
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000000, 10000000};
    for (int rows : sizes)
        run(rows);
    return 0;
}
