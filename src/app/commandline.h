#pragma once

#include <QString>
#include <QStringList>

// The program's command line: `tabrovex [FILE]`, `--recent`, `--help`, `--version`.
namespace commandline {

struct Parsed {
    enum class Action { Run, Help, Version, Recent, Refused };
    Action action = Action::Run;
    QString workbook; // absolute path of FILE, empty without one
    QString message;  // why the command line was refused
};

// `arguments` without the program name and without Qt's own options.
Parsed parse(const QStringList &arguments);

// The arguments without the options that QApplication takes for itself (-platform NAME,
// -style=NAME, -reverse ...), so that the command line can be judged, and --help
// answered, before a display is needed.
QStringList withoutQtOptions(const QStringList &arguments);

QString usage();
QString version();

// The files opened last, most recent first, one a line, as --recent prints them.
QString recentList(const QStringList &files);

}
