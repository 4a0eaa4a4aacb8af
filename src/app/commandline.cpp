#include "app/commandline.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifndef TABROVEX_VERSION
#define TABROVEX_VERSION "0"
#endif

namespace commandline {

namespace {

bool isHelp(const QString &a)
{
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}

bool isVersion(const QString &a)
{
    return a == QLatin1String("--version") || a == QLatin1String("-v");
}

}

Parsed parse(const QStringList &arguments)
{
    Parsed parsed;
    QStringList files;
    bool optionsEnded = false;
    for (const QString &a : arguments) {
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && isHelp(a)) {
            parsed.action = Parsed::Action::Help;
            return parsed;
        } else if (!optionsEnded && isVersion(a)) {
            parsed.action = Parsed::Action::Version;
            return parsed;
        } else if (!optionsEnded && a == QLatin1String("--recent")) {
            parsed.action = Parsed::Action::Recent;
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            parsed.action = Parsed::Action::Refused;
            parsed.message = QCoreApplication::translate("commandline", "未知的选项“%1”").arg(a);
            return parsed;
        } else if (a.isEmpty()) {
            parsed.action = Parsed::Action::Refused;
            parsed.message = QCoreApplication::translate("commandline", "文件名为空");
            return parsed;
        } else {
            files << a;
        }
    }
    if (files.size() > 1) {
        parsed.action = Parsed::Action::Refused;
        parsed.message = QCoreApplication::translate("commandline", "一次只能打开一个工作簿，不能打开%1个").arg(files.size());
        return parsed;
    }
    if (parsed.action == Parsed::Action::Recent && !files.isEmpty()) {
        parsed.action = Parsed::Action::Refused;
        parsed.message = QCoreApplication::translate("commandline", "--recent 不能与文件名一起使用");
        return parsed;
    }
    if (!files.isEmpty())
        parsed.workbook = QFileInfo(files.first()).absoluteFilePath();
    return parsed;
}

QStringList withoutQtOptions(const QStringList &arguments)
{
    static const QStringList valued = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display",
        "geometry", "title", "name", "visual", "qmljsdebugger"};
    static const QStringList flags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
    QStringList kept;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--")) {
            kept += arguments.mid(i);
            break;
        }
        if (!a.startsWith(QLatin1Char('-'))) {
            kept << a;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool inlineValue = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (flags.contains(name) && !inlineValue)
            continue;
        if (valued.contains(name)) {
            if (!inlineValue)
                ++i; // its value
            continue;
        }
        kept << a;
    }
    return kept;
}

QString usage()
{
    return QCoreApplication::translate("commandline",
        "用法：tabrovex [--lang zh|en] [文件]\n"
        "      tabrovex --recent\n"
        "\n"
        "打开一个工作簿（.xls、.xlsx、.xlsm、.ods、.csv），把选定的列绘制成曲线。\n"
        "  文件          启动时打开的工作簿，下次启动时也打开它；\n"
        "                不给出时打开上次打开的工作簿（或示例工作簿）\n"
        "  --lang zh|en  界面的语言：中文或英文（默认由 LC_ALL、LC_MESSAGES、LANG 决定，\n"
        "                以 zh 开头为中文，其余为英文）\n"
        "  --recent      列出最近打开的8个文件（最近的在前），每行一个\n"
        "  --help        显示本说明\n"
        "  --version     显示程序的版本\n"
        "\n"
        "设置文件：程序所在文件夹中的 ini/option.ini（该文件夹可写时），\n"
        "否则为 $XDG_CONFIG_HOME/tabrovex/option.ini（~/.config/tabrovex/option.ini）。\n");
}

QString recentList(const QStringList &files)
{
    QString out;
    for (const QString &file : files)
        out += file + QLatin1Char('\n');
    return out;
}

QString version()
{
    return QStringLiteral("tabrovex " TABROVEX_VERSION "\n");
}

}
