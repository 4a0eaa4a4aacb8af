// Times the pass over a long text file's bytes before its rows are parsed, on a generated
// 10,000,000-row log of 4 columns (about 310 MB) in memory: the survey (binary bytes and
// UTF-8 at once) on the calling thread alone and in two halves, against a bare NUL search,
// the speed of memory. Best of 7 runs each.
//   bench_textsurvey [ROWS]
#include "workbook/csv/textsurvey.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

QByteArray generate(long rows)
{
    QByteArray text("t,a,b,c\ns,V,A,C\n");
    text.reserve(rows * 32 + 64);
    char line[96];
    for (long i = 0; i < rows; ++i) {
        const int n = std::snprintf(line, sizeof line, "%.3f,%.2f,%.3f,%ld.%ld\n", i * 0.001,
                                    i % 1000 * 0.5 + 1000.25, double(i * 7919 % 1000003) / 1000, i % 13, i % 7);
        text.append(line, n);
    }
    return text;
}

double bestMs(const std::function<long()> &pass)
{
    double best = 1e300;
    long sink = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        sink += pass();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    if (sink == 42)
        std::puts("");
    return best;
}

}

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 10000000;
    const QByteArray text = generate(rows);
    const char *data = text.constData();
    std::printf("%ld rows, %.0f MB\n", rows, double(text.size()) / 1e6);
    const double nulSearch = bestMs([&] { return long(std::memchr(data, 0, size_t(text.size())) != nullptr); });
    const double oneThread = bestMs([&] {
        const textsurvey::Survey s = textsurvey::survey(text, true, text.size() + 1);
        return long(s.binaryAt) + long(s.utf8);
    });
    const double halves = bestMs([&] {
        const textsurvey::Survey s = textsurvey::survey(text);
        return long(s.binaryAt) + long(s.utf8);
    });
    std::printf("NUL search alone (memchr)     %7.1f ms\n", nulSearch);
    std::printf("survey, one thread            %7.1f ms\n", oneThread);
    std::printf("survey, two halves            %7.1f ms\n", halves);
    return 0;
}
