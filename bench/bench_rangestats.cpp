// Times the statistics between two cursors over generated logs of 1M and 10M rows with 4
// curves: the whole table, a tenth of it, and X that does not rise (shuffled, or a
// temperature drifting up and down). Median and slowest of the runs,
// after the index a load builds once (its time and size are printed too).
#include "chartwin/rangestats.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Log {
    std::vector<double> x;
    std::vector<int> xGaps;
    std::vector<std::vector<double>> y;
    std::vector<std::vector<int>> yGaps;
};

enum class XShape { Rising, Shuffled, Drifting };

// A 100 Hz log: X in seconds (or shuffled, or a temperature between 10 and 90 drifting up and
// down a few times), four noisy curves, one row in 10,000 without a reading.
Log generate(int rows, XShape shape)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 1);
    Log log;
    log.x.resize(size_t(rows));
    for (int i = 0; i < rows; ++i)
        log.x[size_t(i)] = i * 0.01;
    if (shape == XShape::Shuffled)
        std::shuffle(log.x.begin(), log.x.end(), random);
    if (shape == XShape::Drifting)
        for (int i = 0; i < rows; ++i)
            log.x[size_t(i)] = 50 + 40 * std::sin(i * 2e-6 * 1e7 / rows) + noise(random) * 0.05;
    log.y.resize(4);
    log.yGaps.resize(4);
    for (int k = 0; k < 4; ++k) {
        log.y[size_t(k)].resize(size_t(rows));
        for (int i = 0; i < rows; ++i)
            log.y[size_t(k)][size_t(i)] = 100 * k + std::sin(i * 1e-4 * (k + 1)) * 50 + noise(random);
        for (int i = 1234 * (k + 1); i < rows; i += 10000) {
            log.yGaps[size_t(k)].push_back(i);
            log.y[size_t(k)][size_t(i)] = 0;
        }
    }
    return log;
}

void time(const char *what, const Log &log, double a, double b, int runs)
{
    const rangestats::Column x{log.x.data(), int(log.x.size()), &log.xGaps};
    std::vector<rangestats::Column> ys;
    for (size_t k = 0; k < log.y.size(); ++k)
        ys.push_back({log.y[k].data(), int(log.y[k].size()), &log.yGaps[k]});
    QElapsedTimer build;
    build.start();
    const rangestats::Prepared prepared(x, ys);
    const double buildMs = build.nsecsElapsed() / 1e6;
    std::vector<double> ms;
    long long rows = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const rangestats::Result r = rangestats::compute(prepared, a, b);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        rows = r.curves.front().rows;
    }
    std::sort(ms.begin(), ms.end());
    const double columnBytes = double(log.x.size()) * sizeof(double) * double(1 + log.y.size());
    std::printf("%-34s %9d rows  %9lld in range  median %7.2f ms  slowest %7.2f ms"
                "  (index %.1f ms, %.2f %% of the columns)\n",
                what, int(log.x.size()), rows, ms[ms.size() / 2], ms.back(), buildMs,
                100.0 * double(prepared.bytes()) / columnBytes);
}

}

int main()
{
    for (int rows : {1'000'000, 10'000'000}) {
        const Log sorted = generate(rows, XShape::Rising);
        const double end = (rows - 1) * 0.01;
        time("whole table, 4 curves", sorted, 0, end, 21);
        time("a tenth in the middle", sorted, end * 0.45, end * 0.55, 21);
        const Log shuffled = generate(rows, XShape::Shuffled);
        time("whole table, unsorted X", shuffled, 0, end, 11);
        time("a tenth, unsorted X", shuffled, end * 0.45, end * 0.55, 11);
        const Log drifting = generate(rows, XShape::Drifting);
        time("whole range, drifting X", drifting, 0, 100, 21);
        time("a band, drifting X", drifting, 40, 60, 21);
    }
    return 0;
}
