#include "cli/plotoptions.h"

#include "import/columnstore.h"

#include <QCoreApplication>
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
        *error = QCoreApplication::translate("plotoptions", "-o OUT 必须以 .png 或 .pdf 结尾，不能是“%1”").arg(o.output);
        return false;
    }
    if (!o.size.isEmpty() && (o.page || pdf)) {
        *error = QCoreApplication::translate("plotoptions", "--size 设置屏幕曲线图的大小；打印页有自己的大小");
        return false;
    }
    return true;
}

bool parseColumn(const QString &text, int *column)
{
    bool ok = false;
    const int k = text.toInt(&ok);
    if (!ok || k < 1 || k > ColumnStore::ListCount)
        return false;
    *column = k;
    return true;
}

}

QString plotUsage()
{
    return QCoreApplication::translate("plotoptions",
        "用法：tabrovex-plot table 工作簿 [--rows A:B] [--progress]\n"
        "      tabrovex-plot chart 工作簿 [-x K] [-y K,K,...] [--mode 1|2|3|manual]\n"
        "                         [--page] [--first-rows] [--size WxH] [--x-range A..B]\n"
        "                         [--stats A..B] [--settings INI] [--progress] -o OUT\n"
        "\n"
        "像 Tabrovex 一样读取工作簿（.xls、.xlsx、.xlsm、.ods、.csv 或其他分隔符文本，\n"
        "按内容区分）的第一个工作表，并输出 JSON。\n"
        "  table      读取的日志行和各列数据\n"
        "  --rows A:B       table：每列只输出第A项到第B项（1为名称，2为单位；\n"
        "             A: 到最后一项，:B 从第一项起）\n"
        "  chart      检查并载入所选的列，按 OUT 的扩展名写出曲线图：OUT.png 为屏幕上的\n"
        "             曲线图（加 --page 为 96 dpi 的A4打印页），OUT.pdf 为A4打印页\n"
        "  -x K       X列（默认：第1列）\n"
        "  -y K,...   Y列（默认：第2至5列，有几列取几列）\n"
        "  --mode M   刻度：1 数据范围，2 两端各加半个跨度（默认），3 两端各加一个跨度，\n"
        "             manual：设置文件中保存的上下限\n"
        "  --first-rows     只绘制较长表格的前1000个数据行（默认：整个表格，每条曲线\n"
        "             精简到1000个点，保留每个峰值）\n"
        "  --size WxH       屏幕曲线图的像素大小（默认 817x529；320x240 至 8192x8192）\n"
        "  --x-range A..B   只绘制X在A至B之间的部分，从每一行重新精简；A、B 为数，\n"
        "             时间列也可写X列那样的时间（08:45:00..08:46:00）；A:B 只在\n"
        "             冒号只有一种分法时可用\n"
        "  --stats A..B     在 JSON 中加入 X 在A至B之间各行的统计（stats）：两端的X、ΔX，\n"
        "             每条曲线在A、B处的值、差值、最小、最大、平均、均方根和行数；\n"
        "             A、B 的写法同 --x-range\n"
        "  --settings INI   设置文件，必须存在（默认：tabrovex 自己的设置文件，\n"
        "             程序旁的 ini/option.ini 或 ~/.config/tabrovex/option.ini）\n"
        "  --progress       读取时每秒约两次在标准错误上显示进度（已读行数、兆字节数）\n"
        "  --lang zh|en     提示和说明的语言（默认由 LC_ALL、LC_MESSAGES、LANG 决定）；\n"
        "             JSON 的键和日志行在任何语言下都相同\n"
        "  --help, --version\n"
        "  --         选项到此结束：其后是命令或工作簿\n"
        "退出状态：0 完成，1 用法错误，2 未能读取工作簿，3 选择被拒绝或载入失败，\n"
        "4 未能写出结果。\n");
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
                *error = QCoreApplication::translate("plotoptions", "%1 需要一个值").arg(a);
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
                *error = QCoreApplication::translate("plotoptions", "-x 需要1至256的列号，不能是“%1”").arg(v);
                return false;
            }
        } else if (a == QLatin1String("-y")) {
            if (!value(&v))
                return false;
            o.yColumns.clear();
            for (const QString &part : v.split(QLatin1Char(','))) {
                int k = 0;
                if (!parseColumn(part, &k) || o.yColumns.contains(k)) {
                    *error = QCoreApplication::translate("plotoptions", "-y 需要1至256中互不相同的列号，不能是“%1”").arg(v);
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
                *error = QCoreApplication::translate("plotoptions", "--mode 只能是 1、2、3 或 manual，不能是“%1”").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--rows")) {
            if (!value(&v))
                return false;
            if (!parseItems(v, &o.firstItem, &o.lastItem)) {
                *error = QCoreApplication::translate("plotoptions", "--rows 应为 A:B，1 <= A <= B，不能是“%1”").arg(v);
                return false;
            }
            rowsGiven = true;
        } else if (a == QLatin1String("--page")) {
            o.page = true;
        } else if (a == QLatin1String("--first-rows")) {
            o.firstRows = true;
        } else if (a == QLatin1String("--progress")) {
            o.progress = true;
        } else if (a == QLatin1String("--size")) {
            if (!value(&v))
                return false;
            if (!parseSize(v, &o.size)) {
                *error = QCoreApplication::translate("plotoptions", "--size 应为 宽x高，从 %1x%2 到 %3x%3，不能是“%4”")
                             .arg(MinChartWidth).arg(MinChartHeight).arg(MaxChartSide).arg(v);
                return false;
            }
        } else if (a == QLatin1String("--x-range")) {
            if (!value(&o.xRange))
                return false;
            if (o.xRange.trimmed().isEmpty()) {
                *error = QCoreApplication::translate("plotoptions", "--x-range 需要 A..B");
                return false;
            }
        } else if (a == QLatin1String("--stats")) {
            if (!value(&o.stats))
                return false;
            if (o.stats.trimmed().isEmpty()) {
                *error = QCoreApplication::translate("plotoptions", "--stats 需要 A..B");
                return false;
            }
        } else if (a == QLatin1String("--settings")) {
            if (!value(&o.settings))
                return false;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!value(&o.output))
                return false;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QCoreApplication::translate("plotoptions", "未知的选项 %1").arg(a);
            return false;
        } else {
            positional << a;
        }
    }

    if (positional.isEmpty()) {
        *error = QCoreApplication::translate("plotoptions", "没有给出命令");
        return false;
    }
    const QString command = positional.takeFirst();
    if (command == QLatin1String("table"))
        o.command = PlotOptions::Command::Table;
    else if (command == QLatin1String("chart"))
        o.command = PlotOptions::Command::Chart;
    else {
        *error = QCoreApplication::translate("plotoptions", "未知的命令“%1”").arg(command);
        return false;
    }
    if (positional.size() != 1) {
        *error = positional.isEmpty() ? QCoreApplication::translate("plotoptions", "没有给出工作簿") : QCoreApplication::translate("plotoptions", "一次只能读取一个工作簿");
        return false;
    }
    o.workbook = positional.first();
    if (o.command == PlotOptions::Command::Table
        && (o.xColumn || !o.yColumns.isEmpty() || o.page || !o.settings.isEmpty() || !o.output.isEmpty() || o.mode != 2
            || o.firstRows || !o.size.isEmpty() || !o.xRange.isEmpty() || !o.stats.isEmpty())) {
        *error = QCoreApplication::translate("plotoptions", "table 不接受绘图的选项");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && rowsGiven) {
        *error = QCoreApplication::translate("plotoptions", "--rows 只能与 table 一起使用");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && o.output.isEmpty()) {
        *error = QCoreApplication::translate("plotoptions", "chart 需要 -o OUT");
        return false;
    }
    if (o.command == PlotOptions::Command::Chart && !checkOutput(o, error))
        return false;
    if (o.xColumn && o.yColumns.contains(o.xColumn)) {
        *error = QCoreApplication::translate("plotoptions", "第%1列不能既是X列又是Y列").arg(o.xColumn);
        return false;
    }
    *options = o;
    return true;
}
