#include "cli/plotoptions.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// "A:B", "A:" or ":B": item numbers from 1, the first not after the last.
bool parseItems(const QString &text, int *first, int *last)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    bool ok = true;
    const QString a = text.left(colon), b = text.mid(colon + 1);
    const int from = a.isEmpty() ? 1 : a.toInt(&ok);
    if (!ok)
        return false;
    const int to = b.isEmpty() ? INT_MAX : b.toInt(&ok);
    if (!ok || from < 1 || to < from)
        return false;
    *first = from;
    *last = to;
    return true;
}

// "WxH" in pixels, within the sizes the chart's layout still fits into.
bool parseSize(const QString &text, QSize *size)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < MinChartWidth || h < MinChartHeight || w > MaxChartSide || h > MaxChartSide)
        return false;
    *size = QSize(w, h);
    return true;
}

bool isStreamTarget(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

// The output's name chooses what is written: a PNG, or the printed page as PDF.
bool checkOutput(const PlotOptions &o, QString *error)
{
    const bool png = o.output.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
    const bool pdf = o.output.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    // A device or FIFO (/dev/stdout, a pipe) takes the chart whatever its name.
    if (!png && !pdf && !isStreamTarget(o.output)) {
        *error = QStringLiteral("-o OUT must end in .png or .pdf, not '%1'").arg(o.output);
        return false;
    }
    if (!o.size.isEmpty() && (o.page || pdf)) {
        *error = QStringLiteral("--size sets the screen chart's size; the printed page has its own");
        return false;
    }
    return true;
}

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
        "Usage: tabrovex-plot table WORKBOOK [--rows A:B]\n"
        "       tabrovex-plot chart WORKBOOK [-x K] [-y K,K,...] [--mode 1|2|3|manual]\n"
        "                         [--page] [--first-rows] [--size WxH] [--settings INI] -o OUT\n"
        "\n"
        "Reads the first worksheet of a workbook (.xls, .xlsx, .xlsm, .ods, .csv or other\n"
        "delimited text, told apart by content) as Tabrovex does and prints JSON.\n"
        "  table      the log lines of the read and the column lists\n"
        "  --rows A:B       table: only items A to B of every list (1 the name, 2 the\n"
        "             unit; A: to the end, :B from the first)\n"
        "  chart      checks and loads the chosen columns and writes the chart to OUT,\n"
        "             by its extension: OUT.png the screen chart (with --page the printed\n"
        "             A4 page at 96 dpi), OUT.pdf the printed A4 page\n"
        "  -x K       X column (default: column 1)\n"
        "  -y K,...   Y columns (default: columns 2 to 5, as many as there are)\n"
        "  --mode M   scaling: 1 data range, 2 half the span added (default), 3 the full\n"
        "             span added, manual: the limits saved in the settings file\n"
        "  --first-rows     only the first 1000 data rows of a longer table (default: the\n"
        "             whole table, thinned to 1000 points per curve keeping every peak)\n"
        "  --size WxH       the screen chart's size in pixels (default 817x529; 320x240\n"
        "             to 8192x8192)\n"
        "  --settings INI   settings file, which must exist (default: tabrovex's own,\n"
        "             ini/option.ini beside the program or ~/.config/tabrovex/option.ini)\n"
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
    bool rowsGiven = false;
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
        } else if (a == QLatin1String("--rows")) {
            if (!value(&v))
                return false;
            if (!parseItems(v, &o.firstItem, &o.lastItem)) {
                *error = QStringLiteral("--rows is FIRST:LAST with 1 <= FIRST <= LAST, not '%1'").arg(v);
                return false;
            }
            rowsGiven = true;
        } else if (a == QLatin1String("--page")) {
            o.page = true;
        } else if (a == QLatin1String("--first-rows")) {
            o.firstRows = true;
        } else if (a == QLatin1String("--size")) {
            if (!value(&v))
                return false;
            if (!parseSize(v, &o.size)) {
                *error = QStringLiteral("--size is WIDTHxHEIGHT from %1x%2 to %3x%3, not '%4'")
                             .arg(MinChartWidth).arg(MinChartHeight).arg(MaxChartSide).arg(v);
                return false;
            }
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
        && (o.xColumn || !o.yColumns.isEmpty() || o.page || !o.settings.isEmpty() || !o.output.isEmpty() || o.mode != 2
            || o.firstRows || !o.size.isEmpty())) {
        *error = QStringLiteral("table takes no chart options");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && rowsGiven) {
        *error = QStringLiteral("--rows goes with table");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && o.output.isEmpty()) {
        *error = QStringLiteral("chart needs -o OUT");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && !checkOutput(o, error))
        return false;
    if (o.xColumn && o.yColumns.contains(o.xColumn)) {
        *error = QStringLiteral("column %1 cannot be both X and Y").arg(o.xColumn);
        return false;
    }
    *options = o;
    return true;
}
