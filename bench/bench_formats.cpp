// Times the whole read of an .xlsx and a .csv workbook (the opener, the reader, the
// in-process spreadsheet application, the automation calls, the packing into the column
// store) with the table report, and python3-openpyxl reading the same .xlsx in read-only
// mode in the same run. Run by hand:
//   build/bench_formats [folder]   (default: <build>/bench-data; the files are written on
//   first run by bench/make_format_bench.py)
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString script = QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_format_bench.py");

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Median wall and CPU milliseconds of `runs` whole reads with their report.
void bench(const QString &path, int runs, double goalMs, double *wallOut)
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    std::vector<double> wall, cpu;
    QString sizeLine;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpuStart = cpuMs();
        readWorkbook(path, store, registry);
        sizeLine = reportTable(store).log.value(0);
        wall.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpuStart);
        if (i == 0)
            std::printf("%s: peak RSS after the first read %ld MB\n",
                        qPrintable(QFileInfo(path).fileName()), peakRssMb());
    }
    std::printf("%s (%d runs): %s\n", qPrintable(QFileInfo(path).fileName()), runs, qPrintable(sizeLine));
    std::printf("  read + report: median %.1f ms wall, %.1f ms CPU (goal %.0f ms)\n", median(wall),
                median(cpu), goalMs);
    *wallOut = median(wall);
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString big = folder + "/bench_65536x32.xlsx";
    const QString small = folder + "/bench_1000x5.csv";
    if (!QFileInfo::exists(big) || !QFileInfo::exists(small)) {
        std::printf("writing the workbooks into %s\n", qPrintable(folder));
        QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, QStringLiteral("write"), folder});
    }
    double bigMs = 0, smallMs = 0;
    bench(big, 5, 1000, &bigMs);
    bench(small, 21, 10, &smallMs);

    // The reference: the same .xlsx through openpyxl, three runs, the median.
    std::vector<double> reference;
    for (int i = 0; i < 3; ++i) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {script, QStringLiteral("read"), big});
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            std::printf("openpyxl: could not run (%s)\n", python.readAllStandardError().constData());
            return 0;
        }
        reference.push_back(python.readAllStandardOutput().split(' ').value(0).toDouble() * 1e3);
    }
    const double ref = median(reference);
    std::printf("openpyxl read-only, same .xlsx: median %.0f ms; ours / openpyxl = %.3f (goal <= 0.2)\n",
                ref, bigMs / ref);
    return 0;
}
