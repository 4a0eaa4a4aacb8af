// Times Redraw of the screen and the printed chart with four curves of 1000 points and
// writes the drawn pictures beside the build as PNG files to look at.
#include "chart/kfdline.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void fill(Tkfdline &chart, int points)
{
    static const char *names[4] = {"压力", "温度", "流量", "转速"};
    static const char *units[4] = {"MPa", "℃", "L/min", "r/min"};
    chart.xAxis.name = QStringLiteral("时间");
    chart.xAxis.unit = QStringLiteral("s");
    chart.xAxis.lower = 0;
    chart.xAxis.upper = points;
    chart.xAxis.decimals = 0;
    for (int c = 0; c < 8; ++c) {
        chart.ClearCurve(c);
        chart.shown[c] = 0;
    }
    for (int c = 0; c < 4; ++c) {
        chart.curves[c].name = QString::fromUtf8(names[c]);
        chart.curves[c].unit = QString::fromUtf8(units[c]);
        chart.shown[c] = 1;
        double lo = 1e300, hi = -1e300;
        std::vector<double> ys;
        for (int k = 0; k < points; ++k) {
            const double t = double(k) / points;
            const double y = (c + 1) * 10 + (5 + c) * std::sin(6.28 * (c + 1) * t + c)
                + 2 * std::sin(37.0 * t * (c + 2));
            ys.push_back(y);
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
        // Widened by half the span, as the chart window does by default; the last curve
        // gets tighter limits so that some of it runs out of range.
        const double span = hi - lo;
        chart.curves[c].lower = c == 3 ? lo + span / 4 : lo - span / 2;
        chart.curves[c].upper = c == 3 ? hi - span / 4 : hi + span / 2;
        chart.curves[c].decimals = 1;
        for (int k = 0; k < points; ++k)
            chart.AddPoint(c, k, ys[k]);
    }
}

std::unique_ptr<Tkfdline> screenChart(int points, bool markers, int pixelRatio = 1)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->setPixelRatio(pixelRatio);
    chart->Width = 817;
    chart->Height = 529;
    chart->setPictureSize(817, 529);
    chart->Font.setPointSize(8);
    chart->marginTop = 120;
    chart->gridColor = 0xC0C0C0;
    chart->title = QStringLiteral("Excel数据曲线图");
    fill(*chart, points);
    if (markers) {
        const int kinds[8] = {1, 2, 3, 4, 5, 0, 1, 2};
        for (int c = 0; c < 8; ++c)
            chart->curves[c].marker = kinds[c];
    }
    return chart;
}

std::unique_ptr<Tkfdline> printedChart(int points)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->Width = 1010;
    chart->Height = 560;
    chart->setPictureSize(1010, 672);
    chart->Font.setPointSize(10);
    chart->marginTop = 45;
    chart->gridColor = 0xC0C0C0;
    fill(*chart, points);
    return chart;
}

double threadMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Medians of wall time and of this thread's CPU time; on a shared machine the second is
// the steadier figure.
void medians(Tkfdline &chart, int runs, qint64 *pieces, double *wallMs, double *cpuMs)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        chart.Canvas().resetLinePieces();
        QElapsedTimer timer;
        const double cpu0 = threadMs();
        timer.start();
        chart.Redraw();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadMs() - cpu0);
        *pieces = chart.Canvas().linePieces();
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    *wallMs = wall[wall.size() / 2];
    *cpuMs = cpu[cpu.size() / 2];
}

}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = 51;
    const QString dir = QStringLiteral(TABROVEX_BINARY_DIR);

    auto screen = screenChart(1000, true);
    screen->Redraw(); // warm up font caches
    qint64 pieces = 0;
    double wall = 0, cpu = 0;
    medians(*screen, runs, &pieces, &wall, &cpu);
    std::printf("screen 817x529, 4 curves x 1000 points, markers: median %.2f ms wall, %.2f ms CPU, "
                "%lld line pieces (one per sub-step would be %d)\n",
                wall, cpu, static_cast<long long>(pieces), 4 * 999 * 91);
    screen->picture().save(dir + QStringLiteral("/chart-4curves.png"));

    auto sharp = screenChart(1000, true, 2);
    sharp->Redraw();
    medians(*sharp, runs, &pieces, &wall, &cpu);
    std::printf("screen 817x529 at pixel ratio 2, 4 curves x 1000 points, markers: median %.2f ms wall, "
                "%.2f ms CPU\n",
                wall, cpu);
    sharp->picture().save(dir + QStringLiteral("/chart-4curves-ratio2.png"));

    auto printed = printedChart(1000);
    printed->Redraw();
    medians(*printed, runs, &pieces, &wall, &cpu);
    std::printf("printed 1010x560, 4 curves x 1000 points: median %.2f ms wall, %.2f ms CPU, "
                "%lld line pieces (one per sub-step would be %d)\n",
                wall, cpu, static_cast<long long>(pieces), 4 * 999 * 117);
    printed->picture().save(dir + QStringLiteral("/chart-printed.png"));

    auto few = screenChart(25, true);
    few->Redraw();
    few->picture().save(dir + QStringLiteral("/chart-25points.png"));

    std::printf("element size besides its bitmap: %zu bytes\n", sizeof(Tkfdline));
    return 0;
}
