// Times the workbook reader on generated numeric workbooks and compares it with Debian's
// python3-xlrd reading every cell of the first sheet. Run by hand:
//   build/bench_xlsreader [folder]   (default: <build>/bench-data; generated when missing)
#include "base/apperror.h"
#include "workbook/xls/xlsreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char python[] = "/usr/bin/python3";

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Seconds xlrd needs to open the file and fetch every cell of the first sheet, measured
// inside Python so its start-up is not counted; negative when xlrd is unavailable.
double xlrdSeconds(const QString &path)
{
    const QString script = QStringLiteral(
        "import sys,time,xlrd\n"
        "best=[]\n"
        "for i in range(3):\n"
        "  t=time.perf_counter()\n"
        "  b=xlrd.open_workbook(sys.argv[1])\n"
        "  s=b.sheet_by_index(0)\n"
        "  n=0\n"
        "  for r in range(s.nrows):\n"
        "    for v in s.row_values(r): n+=1\n"
        "  best.append(time.perf_counter()-t)\n"
        "best.sort(); print(best[1])\n");
    QProcess p;
    p.start(QString::fromLatin1(python), {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    return p.readAllStandardOutput().trimmed().toDouble();
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString big = dir + QStringLiteral("/bench_65536x32.xls");
    const QString small = dir + QStringLiteral("/bench_1000x5.xls");
    if (!QFileInfo::exists(big) || !QFileInfo::exists(small)) {
        std::printf("generating workbooks in %s ...\n", qPrintable(dir));
        std::fflush(stdout);
        const int rc = QProcess::execute(QString::fromLatin1(python),
            {QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_bench_workbooks.py"), dir});
        if (rc != 0) {
            std::fprintf(stderr, "generator failed (%d)\n", rc);
            return 1;
        }
    }

    for (const QString &path : {small, big}) {
        std::vector<double> times, readTimes;
        int rows = 0;
        double sum = 0;
        for (int i = 0; i < 7; ++i) {
            QElapsedTimer timer;
            timer.start();
            const auto book = xls::readWorkbookFile(path);
            readTimes.push_back(timer.nsecsElapsed() / 1e9);
            const workbook::Worksheet &ws = book->firstSheet;
            // Fetch every cell the way the automation layer does, so the store is measured too.
            for (int r = 1; r <= ws.lastRow(); ++r)
                for (int c = 1; c <= 32; ++c)
                    sum += ws.cell(r, c).number;
            times.push_back(timer.nsecsElapsed() / 1e9);
            rows = ws.usedRowCount();
        }
        const double ours = median(times);
        const double theirs = xlrdSeconds(path);
        std::printf("%s: %d rows, read median %.4f s, read+fetch of 32 columns median %.4f s, "
                    "peak RSS %.1f MB (checksum %.0f)\n",
                    qPrintable(QFileInfo(path).fileName()), rows, median(readTimes), ours,
                    peakRssKb() / 1024.0, sum);
        if (theirs > 0)
            std::printf("  python3-xlrd: %.3f s, %.1fx ours\n", theirs, theirs / ours);
        else
            std::printf("  python3-xlrd not available\n");
    }
    return 0;
}
