// Times the settings file's accesses on a file like the one the program keeps: every access
// reads the whole file and every write syncs it to disk, so these are the costs a user waits for.
// Then the hostile files: each case's chart load (15 reads) and one save, with peak memory.
//     bench_inifile [SIZE_MB]      (100 MB for the large cases unless told otherwise)
#include "base/apperror.h"
#include "base/lineset.h"
#include "settings/chartsettings.h"
#include "settings/inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CaseRun {
    double loadMs = -1;
    double saveMs = -1;
    QString saved;
    long peakKb = 0;
    double cpuMs = 0;   // user and system time of the whole case, which a busy machine does not inflate
    double loadCpuMs = -1;   // processor time of the chart load alone
};

double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Runs in a forked child so that its peak memory is its own; reports through a pipe.
CaseRun runCase(const QString &file)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        IniFile ini(file);
        mainunit::Tline set;
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = processCpuMs();
        chartsettings::readAppearance(ini, set);
        chartsettings::readLimits(ini);
        const double load = double(timer.nsecsElapsed()) / 1e6;
        const double loadCpu = processCpuMs() - cpuBefore;
        QString saved = QStringLiteral("saved");
        timer.restart();
        try {
            chartsettings::writeAppearance(ini, set);
        } catch (const AppError &) {
            saved = QStringLiteral("refused");
        }
        const double save = double(timer.nsecsElapsed()) / 1e6;
        const QByteArray report = QStringLiteral("%1 %2 %3 %4").arg(load).arg(save).arg(saved).arg(loadCpu).toLatin1();
        (void)!::write(fds[1], report.constData(), size_t(report.size()));
        _exit(0);
    }
    ::close(fds[1]);
    QByteArray report(256, 0);
    const ssize_t n = ::read(fds[0], report.data(), size_t(report.size()));
    ::close(fds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    CaseRun run;
    const QStringList parts = QString::fromLatin1(report.left(n > 0 ? n : 0)).split(' ');
    if (parts.size() == 4) {
        run.loadMs = parts[0].toDouble();
        run.saveMs = parts[1].toDouble();
        run.saved = parts[2];
        run.loadCpuMs = parts[3].toDouble();
    }
    run.peakKb = usage.ru_maxrss;
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return run;
}

void hostileCases(QTextStream &out, int sizeMb)
{
    QTemporaryDir dir;
    const QString cases = dir.filePath(QStringLiteral("cases"));
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(TABROVEX_SOURCE_DIR "/scripts/make_hostile_settings.py"), cases,
                QStringLiteral("--big-mb"), QString::number(sizeMb)});
    if (!make.waitForFinished(600000) || make.exitCode() != 0) {
        out << "hostile files not built: " << make.readAllStandardError() << "\n";
        return;
    }
    out << "\nhostile settings files (large ones " << sizeMb << " MB): case, size, chart load (15 reads), "
           "one save (11 writes), processor time of both, of a read, peak memory\n";
    for (const QString &name : QDir(cases).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString file = cases + QLatin1Char('/') + name + QStringLiteral("/ini/option.ini");
        // Measured first: a save may shrink the file (a huge value is saved as read, cut).
        const QFileInfo info(file);
        const double sizeMb = info.isFile() ? double(info.size()) / (1 << 20) : 0.0;
        const CaseRun run = runCase(file);
        out << QStringLiteral("  %1 %2 MB  load %3 ms  save %4 ms (%5)  cpu %7 ms  read cpu %8 ms  peak %6 MB\n")
                   .arg(name, -22)
                   .arg(sizeMb, 6, 'f', 1)
                   .arg(run.loadMs, 8, 'f', 1)
                   .arg(run.saveMs, 8, 'f', 1)
                   .arg(run.saved)
                   .arg(double(run.peakKb) / 1024, 6, 'f', 1)
                   .arg(run.cpuMs, 7, 'f', 0)
                   .arg(run.loadCpuMs / 15, 6, 'f', 1);
        out.flush();
    }
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int sizeMb = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("option.ini")));
    const QString curve = QStringLiteral("数据曲线");
    const QString limits = QStringLiteral("曲线设置");
    ini.writeString(QStringLiteral("数据文件"), QStringLiteral("前次打开的数据文件"), QStringLiteral("C:\\数据\\001.xls"));

    QTextStream out(stdout);
    QElapsedTimer timer;
    const int saves = 20;
    timer.start();
    for (int round = 0; round < saves; ++round) {
        for (int i = 0; i < 8; ++i)
            ini.writeInteger(curve, QStringLiteral("颜色%1").arg(i), 0xff00 + round);
        ini.writeInteger(curve, QStringLiteral("背景颜色"), 0);
        ini.writeInteger(curve, QStringLiteral("网格颜色"), 32768);
        ini.writeString(curve, QStringLiteral("曲线标题"), QStringLiteral("Excel数据曲线图"));
    }
    out << "chart save (11 writes): " << double(timer.nsecsElapsed()) / saves / 1e6 << " ms\n";

    const int loads = 500;
    long long sum = 0;
    timer.restart();
    for (int round = 0; round < loads; ++round) {
        for (int i = 0; i < 8; ++i)
            sum += ini.readInteger(curve, QStringLiteral("颜色%1").arg(i), 65280);
        sum += ini.readInteger(curve, QStringLiteral("背景颜色"), 0);
        sum += ini.readInteger(curve, QStringLiteral("网格颜色"), 32768);
        sum += ini.readString(curve, QStringLiteral("曲线标题"), QString()).size();
        for (int n = 1; n <= 4; ++n)
            sum += qint64(ini.readFloat(limits, QStringLiteral("曲线%1上限").arg(n), 1000));
    }
    out << "chart load (11 reads) + 4 limit reads: " << double(timer.nsecsElapsed()) / loads / 1e6
        << " ms (checksum " << sum << ")\n";
    out.flush();
    if (sizeMb > 0)
        hostileCases(out, sizeMb);
    return 0;
}
