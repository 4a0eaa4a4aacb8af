#include "cli/plotchecks.h"

#include "cli/plotoptions.h"

#include <QFileInfo>

namespace plotchecks {

QString settingsFileProblem(const PlotOptions &options)
{
    if (options.settings.isEmpty())
        return QString();
    const QFileInfo info(options.settings);
    const QString name = QStringLiteral("--settings %1: ").arg(options.settings);
    if (!info.exists())
        return name + QStringLiteral("no such file");
    if (!info.isFile())
        return name + QStringLiteral("not a regular file");
    if (!info.isReadable())
        return name + QStringLiteral("cannot be read");
    return QString();
}

QString columnProblem(const PlotOptions &options, int tableColumns)
{
    const auto beyond = [tableColumns](const QString &option, int column) {
        const QString table = tableColumns == 0 ? QStringLiteral("the table is empty")
                                                : QStringLiteral("the table has %1 column%2")
                                                      .arg(tableColumns)
                                                      .arg(tableColumns == 1 ? "" : "s");
        return QStringLiteral("%1: column %2 is beyond the table; %3").arg(option).arg(column).arg(table);
    };
    if (options.xColumn > tableColumns)
        return beyond(QStringLiteral("-x"), options.xColumn);
    for (int k : options.yColumns)
        if (k > tableColumns)
            return beyond(QStringLiteral("-y"), k);
    return QString();
}

}
