// Times the settings file's accesses on a file like the one the program keeps: every access
// reads the whole file and every write syncs it to disk, so these are the costs a user waits for.
#include "settings/inifile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    return 0;
}
