#include "app/commandline.h"

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
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            parsed.action = Parsed::Action::Refused;
            parsed.message = QStringLiteral("unknown option '%1'").arg(a);
            return parsed;
        } else if (a.isEmpty()) {
            parsed.action = Parsed::Action::Refused;
            parsed.message = QStringLiteral("an empty file name");
            return parsed;
        } else {
            files << a;
        }
    }
    if (files.size() > 1) {
        parsed.action = Parsed::Action::Refused;
        parsed.message = QStringLiteral("one workbook at a time, not %1").arg(files.size());
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
    return QStringLiteral(
        "Usage: tabrovex [FILE]\n"
        "\n"
        "Opens a workbook (.xls, .xlsx, .xlsm, .ods, .csv) and draws the chosen columns as curves.\n"
        "  FILE        the workbook to open at start, remembered for the next start;\n"
        "              without it the workbook opened last (or the sample) is opened\n"
        "  --help      this text\n"
        "  --version   the program's version\n"
        "\n"
        "Settings: ini/option.ini beside the program when that folder can be written,\n"
        "otherwise $XDG_CONFIG_HOME/tabrovex/option.ini (~/.config/tabrovex/option.ini).\n");
}

QString version()
{
    return QStringLiteral("tabrovex " TABROVEX_VERSION "\n");
}

}
