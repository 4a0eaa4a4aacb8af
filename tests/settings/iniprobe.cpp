// Runs settings-file accesses on one file in a process of its own, so a test can put it under
// limits (memory, file size, another user) and catch a hang: ini_probe FILE OP... with OPs
//   read SECTION KEY           the text value ("<default>" when absent)
//   int SECTION KEY            the integer value (default -1)
//   write SECTION KEY VALUE    "written" or the refusal's message
//   chart                      the chart window's load: appearance and the four limits
//   save                       the chart window's save of the appearance read by "chart"
//   file PATH                  what PATH is: link, fifo, folder, missing, or the hex bytes
//                              of a small file ("<N bytes>" for a large one)
//   list FOLDER                the names in FOLDER, hidden ones too
//   fresh                      no output: later OPs go through a new settings object, as the
//                              next run would
// One line of output per OP but fresh, then "peak-kb N" (peak resident memory) and "ms N".
#include "base/apperror.h"
#include "base/lineset.h"
#include "settings/chartsettings.h"
#include "settings/inifile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStringList>

#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

void say(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

QString describe(const QString &path)
{
    struct stat st;
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0)
        return QStringLiteral("missing");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("fifo");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("folder");
    if (st.st_size > 512)
        return QStringLiteral("<%1 bytes>").arg(st.st_size);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toHex()) : QStringLiteral("unreadable");
}

QString chartLine(const mainunit::Tline &set, const std::array<chartsettings::Limits, 4> &limits)
{
    QStringList parts{QStringLiteral("title=") + set.title};
    for (int i = 0; i < 8; ++i)
        parts << QStringLiteral("c%1=%2").arg(i).arg(set.color[i]);
    parts << QStringLiteral("back=%1").arg(set.backColor) << QStringLiteral("grid=%1").arg(set.gridColor);
    for (int n = 0; n < 4; ++n)
        parts << QStringLiteral("l%1=%2..%3").arg(n + 1).arg(limits[n].lower).arg(limits[n].upper);
    return parts.join(QLatin1Char(' '));
}

}

int main(int argc, char **argv)
{
    QElapsedTimer timer;
    timer.start();
    if (argc < 2) {
        std::fputs("usage: ini_probe FILE OP...\n", stderr);
        return 2;
    }
    IniFile ini(QString::fromLocal8Bit(argv[1]));
    mainunit::Tline set;
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromUtf8(argv[i]);
    static const QHash<QString, int> operands{{"read", 2}, {"int", 2}, {"write", 3}, {"chart", 0},
                                              {"save", 0}, {"file", 1}, {"list", 1}, {"fresh", 0}};
    for (int i = 0, next = 0; i < args.size(); i = next) {
        const QString op = args[i];
        if (!operands.contains(op)) {
            say(QStringLiteral("unknown op ") + op);
            return 2;
        }
        next = i + 1 + operands.value(op);
        const auto arg = [&](int k) { return i + k < args.size() ? args[i + k] : QString(); };
        try {
            if (op == QLatin1String("read")) {
                say(ini.readString(arg(1), arg(2), QStringLiteral("<default>")));
            } else if (op == QLatin1String("int")) {
                say(QString::number(ini.readInteger(arg(1), arg(2), -1)));
            } else if (op == QLatin1String("write")) {
                ini.writeString(arg(1), arg(2), arg(3));
                say(QStringLiteral("written"));
            } else if (op == QLatin1String("chart")) {
                chartsettings::readAppearance(ini, set);
                say(chartLine(set, chartsettings::readLimits(ini)));
            } else if (op == QLatin1String("save")) {
                chartsettings::writeAppearance(ini, set);
                say(QStringLiteral("written"));
            } else if (op == QLatin1String("list")) {
                say(QDir(arg(1)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)
                        .join(QLatin1Char(' ')));
            } else if (op == QLatin1String("fresh")) {
                // What the next run sees: the file alone, without the values it refused.
                ini = IniFile(ini.fileName());
            } else if (op == QLatin1String("file")) {
                say(describe(arg(1)));
            }
        } catch (const AppError &e) {
            say(e.message());
        }
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    say(QStringLiteral("peak-kb %1").arg(usage.ru_maxrss));
    say(QStringLiteral("ms %1").arg(timer.elapsed()));
    return 0;
}
