#include "settings/choicesettings.h"

#include "settings/inifile.h"

#include <algorithm>

namespace choicesettings {

namespace {

const QString ChoiceSection = QStringLiteral("选择的列");
const QString DataFileSection = QStringLiteral("数据文件");
constexpr int MaxCurves = 4;

QString yKey(int n) { return QStringLiteral("Y列%1").arg(n); }
QString yOccurrenceKey(int n) { return QStringLiteral("Y列%1序号").arg(n); }
QString recentKey(int n) { return QStringLiteral("最近打开的文件%1").arg(n); }

}

NamedChoice readChoice(const IniFile &ini)
{
    NamedChoice choice;
    choice.x.name = ini.readString(ChoiceSection, QStringLiteral("X列"), QString());
    choice.x.occurrence = ini.readInteger(ChoiceSection, QStringLiteral("X列序号"), 1);
    const int count = std::clamp(ini.readInteger(ChoiceSection, QStringLiteral("Y列数"), 0), 0, MaxCurves);
    for (int n = 1; n <= count; ++n) {
        NamedColumn y;
        y.name = ini.readString(ChoiceSection, yKey(n), QString());
        y.occurrence = ini.readInteger(ChoiceSection, yOccurrenceKey(n), 1);
        if (!y.name.isEmpty())
            choice.y << y;
    }
    // A hand-edited occurrence below 1 names no column; such an entry makes no choice.
    const auto valid = [](const NamedColumn &c) { return c.occurrence >= 1; };
    if (!valid(choice.x) || !std::all_of(choice.y.begin(), choice.y.end(), valid))
        return NamedChoice();
    return choice;
}

void writeChoice(IniFile &ini, const NamedChoice &choice)
{
    ini.writeString(ChoiceSection, QStringLiteral("X列"), choice.x.name);
    ini.writeInteger(ChoiceSection, QStringLiteral("X列序号"), choice.x.occurrence);
    const int count = std::min(int(choice.y.size()), MaxCurves);
    ini.writeInteger(ChoiceSection, QStringLiteral("Y列数"), count);
    for (int n = 1; n <= count; ++n) {
        ini.writeString(ChoiceSection, yKey(n), choice.y[n - 1].name);
        ini.writeInteger(ChoiceSection, yOccurrenceKey(n), choice.y[n - 1].occurrence);
    }
}

QStringList readRecentFiles(const IniFile &ini)
{
    QStringList files;
    for (int n = 1; n <= RecentCount; ++n) {
        const QString path = ini.readString(DataFileSection, recentKey(n), QString());
        if (!path.isEmpty() && !files.contains(path))
            files << path;
    }
    return files;
}

void writeRecentFiles(IniFile &ini, const QStringList &files)
{
    for (int n = 1; n <= RecentCount; ++n) {
        // Keys past the list are emptied only where they hold something, so that a short
        // list leaves no row of empty keys behind.
        const QString path = files.value(n - 1);
        if (!path.isEmpty() || !ini.readString(DataFileSection, recentKey(n), QString()).isEmpty())
            ini.writeString(DataFileSection, recentKey(n), path);
    }
}

QStringList withRecentFile(QStringList files, const QString &path)
{
    files.removeAll(path);
    files.prepend(path);
    return files.mid(0, RecentCount);
}

}
