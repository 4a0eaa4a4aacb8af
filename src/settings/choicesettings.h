#pragma once

#include "base/namedchoice.h"

#include <QStringList>

class IniFile;

// What the main window keeps between files: the X and Y columns of the last chart by name
// (section "选择的列") and the files opened last (section "数据文件").
namespace choicesettings {

// "X列", "X列序号", "Y列数", then "Y列N" and "Y列N序号" for N = 1..4. Empty when nothing is
// kept or the kept entries make no choice.
NamedChoice readChoice(const IniFile &ini);
// Writes the same keys in the same order; stops at the first refused write (AppError).
void writeChoice(IniFile &ini, const NamedChoice &choice);

constexpr int RecentCount = 8;

// "最近打开的文件1".."最近打开的文件8", most recent first, without empty or repeated entries.
QStringList readRecentFiles(const IniFile &ini);
// Writes the list's keys and empties the later ones that hold a file; stops at the first
// refused write (AppError).
void writeRecentFiles(IniFile &ini, const QStringList &files);
// `files` with `path` put first, once, cut to eight.
QStringList withRecentFile(QStringList files, const QString &path);

}
