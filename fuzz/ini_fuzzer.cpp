// libFuzzer entry for the settings file: the bytes are the file, which is read key by key
// as the program reads it (the remembered workbook, the chart's colours, title and limits),
// then written to, which rewrites it in place of its old lines. Reads must give a value
// or the default, writes must succeed or raise AppError.
#include "base/apperror.h"
#include "base/lineset.h"
#include "settings/chartsettings.h"
#include "settings/inifile.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("option.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    IniFile ini(path);
    mainunit::Tline set;
    try {
        volatile qsizetype sink = ini.readString(QStringLiteral("数据文件"),
                                                 QStringLiteral("前次打开的数据文件"), QString()).size();
        chartsettings::readAppearance(ini, set);
        const auto limits = chartsettings::readLimits(ini);
        sink = sink + qsizetype(limits[0].lower != limits[0].upper);
        ini.writeString(QStringLiteral("数据曲线"), QStringLiteral("曲线标题"), set.title + QStringLiteral("€"));
        chartsettings::writeLimits(ini, 1, limits[1]);
        sink = sink + ini.readInteger(QStringLiteral("数据曲线"), QStringLiteral("背景颜色"), 0);
    } catch (const AppError &) {
    }
    return 0;
}
