// Times a whole workbook read (the file reader, the in-process spreadsheet application,
// the automation calls and the packing into the column store), the table report, and the
// list models a window shows, on generated numeric workbooks. Run by hand:
//   build/bench_readworkbook [folder]   (default: <build>/bench-data; generated when missing
//   by bench/make_bench_workbooks.py)
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "workbook/xls/xlsreader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU time of the process: steadier than wall time on a machine shared with other work.
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

void bench(const QString &path, int runs, double goalMs)
{
    if (!QFileInfo::exists(path)) {
        std::printf("%s: missing\n", qPrintable(path));
        return;
    }
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    std::vector<std::unique_ptr<ColumnListModel>> models;
    for (int k = 1; k <= ColumnStore::ListCount; ++k)
        models.push_back(std::make_unique<ColumnListModel>(&store, k));

    std::vector<double> parse, total, totalCpu, report;
    QString sizeLine;
    bool complete = true;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        xls::readWorkbookFile(path);
        parse.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const double cpuStart = cpuMs();
        const ReadResult result = readWorkbook(path, store, registry);
        QElapsedTimer r;
        r.start();
        const TableReport table = reportTable(store);
        // What a list view asks for first: its row count and the visible rows.
        qint64 shown = 0;
        for (const auto &m : models) {
            const int rows = m->rowCount();
            for (int row = 0; row < std::min(rows, 20); ++row)
                shown += m->data(m->index(row)).toString().size();
        }
        report.push_back(r.nsecsElapsed() / 1e6);
        total.push_back(t.nsecsElapsed() / 1e6);
        totalCpu.push_back(cpuMs() - cpuStart);
        sizeLine = table.log.value(0);
        complete = result.complete;
        Q_UNUSED(shown);
    }
    std::printf("%s (%d runs): %s%s\n", qPrintable(QFileInfo(path).fileName()), runs,
                qPrintable(sizeLine), complete ? "" : " (loop ended at the format's last row)");
    std::printf("  read + report + models: median %.1f ms wall, %.1f ms CPU (goal %.0f ms)\n",
                median(total), median(totalCpu), goalMs);
    std::printf("    of which file parsing alone: median %.1f ms; report + models: median %.2f ms\n",
                median(parse), median(report));
    std::printf("  peak RSS so far: %ld MB\n", peakRssMb());
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString small = folder + "/bench_1000x5.xls";
    const QString big = folder + "/bench_65536x32.xls";
    if (!QFileInfo::exists(small) || !QFileInfo::exists(big)) {
        std::printf("writing the workbooks into %s\n", qPrintable(folder));
        QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_bench_workbooks.py"), folder});
    }
    bench(small, 21, 20);
    bench(big, 7, 500);
    return 0;
}
