#pragma once

#include <QString>
#include <QStringList>

// The program's command line: `tabrovex [FILE]`, `--help`, `--version`.
namespace commandline {

struct Parsed {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    QString workbook; // absolute path of FILE, empty without one
    QString message;  // why the command line was refused
};

// `arguments` without the program name. Qt's own options (-platform, -style ...) must be
// gone already: QApplication takes them out.
Parsed parse(const QStringList &arguments);

// True when the arguments ask only for text on the terminal; that is answered before a
// display is needed.
bool wantsTerminalOnly(const QStringList &arguments);

QString usage();
QString version();

}
