#include "cli/plotchecks.h"

#include "cli/plotoptions.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace plotchecks {

QString settingsFileProblem(const PlotOptions &options)
{
    if (options.settings.isEmpty())
        return QString();
    const QFileInfo info(options.settings);
    const QString name = QCoreApplication::translate("plotchecks", "--settings %1：").arg(options.settings);
    if (!info.exists())
        return name + QCoreApplication::translate("plotchecks", "文件不存在");
    if (!info.isFile())
        return name + QCoreApplication::translate("plotchecks", "不是普通文件");
    if (!info.isReadable())
        return name + QCoreApplication::translate("plotchecks", "无法读取");
    return QString();
}

QString columnProblem(const PlotOptions &options, int tableColumns)
{
    const auto beyond = [tableColumns](const QString &option, int column) {
        const QString table = tableColumns == 0 ? QCoreApplication::translate("plotchecks", "表格是空的")
                                                : QCoreApplication::translate("plotchecks", "表格有%n列", nullptr, tableColumns);
        return QCoreApplication::translate("plotchecks", "%1：第%2列超出了表格；%3").arg(option).arg(column).arg(table);
    };
    if (options.xColumn > tableColumns)
        return beyond(QStringLiteral("-x"), options.xColumn);
    for (int k : options.yColumns)
        if (k > tableColumns)
            return beyond(QStringLiteral("-y"), k);
    return QString();
}

}
