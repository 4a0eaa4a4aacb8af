#include "cli/plotoptions.h"

#include <QStringList>

namespace {

bool parseColumn(const QString &text, int *column)
{
    bool ok = false;
    const int k = text.toInt(&ok);
    if (!ok || k < 1 || k > 32)
        return false;
    *column = k;
    return true;
}

}

QString plotUsage()
{
    return QStringLiteral(
        "Usage: tabrovex-plot table WORKBOOK\n"
        "       tabrovex-plot chart WORKBOOK [-x K] [-y K,K,...] [--mode 1|2|3|manual]\n"
        "                         [--page] [--settings INI] -o OUT\n"
        "\n"
        "Reads the first worksheet of a workbook (.xls, .xlsx, .xlsm, .ods, .csv or other\n"
        "delimited text, told apart by content) as Tabrovex does and prints JSON.\n"
        "  table      the log lines of the read and the column lists\n"
        "  chart      checks and loads the chosen columns and writes the chart to OUT:\n"
        "             the screen chart as PNG, or with --page the printed A4 page as PDF\n"
        "             (or as PNG at 96 dpi when OUT ends in .png)\n"
        "  -x K       X column (default: column 1)\n"
        "  -y K,...   Y columns (default: columns 2 to 5, as many as there are)\n"
        "  --mode M   scaling: 1 data range, 2 half the span added (default), 3 the full\n"
        "             span added, manual: the limits saved in the settings file\n"
        "  --settings INI   settings file, which must exist (default: ini/option.ini\n"
        "             beside the program)\n"
        "  --help, --version\n"
        "  --         ends the options: what follows is the command or WORKBOOK\n"
        "Exit status: 0 done, 1 usage error, 2 workbook not read, 3 choice refused or\n"
        "loading failed, 4 output not written.\n");
}

bool parsePlotOptions(const QStringList &arguments, PlotOptions *options, QString *error)
{
    PlotOptions o;
    QStringList positional;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        // After "--" everything is a command or a file name, even when it starts with "-".
        if (optionsEnded) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        auto value = [&](QString *out) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            *out = arguments[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options->command = PlotOptions::Command::Help;
            return true;
        }
        if (a == QLatin1String("--version")) {
            options->command = PlotOptions::Command::Version;
            return true;
        }
        if (a == QLatin1String("-x")) {
            if (!value(&v))
                return false;
            if (!parseColumn(v, &o.xColumn)) {
                *error = QStringLiteral("-x needs a column number from 1 to 32, not '%1'").arg(v);
                return false;
            }
        } else if (a == QLatin1String("-y")) {
            if (!value(&v))
                return false;
            o.yColumns.clear();
            for (const QString &part : v.split(QLatin1Char(','))) {
                int k = 0;
                if (!parseColumn(part, &k) || o.yColumns.contains(k)) {
                    *error = QStringLiteral("-y needs distinct column numbers from 1 to 32, not '%1'").arg(v);
                    return false;
                }
                o.yColumns << k;
            }
        } else if (a == QLatin1String("--mode")) {
            if (!value(&v))
                return false;
            if (v == QLatin1String("manual"))
                o.mode = 0;
            else if (v == QLatin1String("1") || v == QLatin1String("2") || v == QLatin1String("3"))
                o.mode = v.toInt();
            else {
                *error = QStringLiteral("--mode is 1, 2, 3 or manual, not '%1'").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--page")) {
            o.page = true;
        } else if (a == QLatin1String("--settings")) {
            if (!value(&o.settings))
                return false;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!value(&o.output))
                return false;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else {
            positional << a;
        }
    }

    if (positional.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    const QString command = positional.takeFirst();
    if (command == QLatin1String("table"))
        o.command = PlotOptions::Command::Table;
    else if (command == QLatin1String("chart"))
        o.command = PlotOptions::Command::Chart;
    else {
        *error = QStringLiteral("unknown command '%1'").arg(command);
        return false;
    }
    if (positional.size() != 1) {
        *error = positional.isEmpty() ? QStringLiteral("no workbook given") : QStringLiteral("one workbook at a time");
        return false;
    }
    o.workbook = positional.first();
    if (o.command == PlotOptions::Command::Table
        && (o.xColumn || !o.yColumns.isEmpty() || o.page || !o.settings.isEmpty() || !o.output.isEmpty() || o.mode != 2)) {
        *error = QStringLiteral("table takes no chart options");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && o.output.isEmpty()) {
        *error = QStringLiteral("chart needs -o OUT");
        return false;
    }
    if (o.xColumn && o.yColumns.contains(o.xColumn)) {
        *error = QStringLiteral("column %1 cannot be both X and Y").arg(o.xColumn);
        return false;
    }
    *options = o;
    return true;
}
