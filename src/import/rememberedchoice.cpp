#include "import/rememberedchoice.h"

#include "import/columnstore.h"

#include <algorithm>

#include <QCoreApplication>

namespace rememberedchoice {

namespace {

// Column number of the `occurrence`-th column named `name`, 0 when there are fewer.
int findColumn(const QStringList &names, const NamedColumn &column)
{
    int seen = 0;
    for (int i = 0; i < names.size(); ++i)
        if (names[i] == column.name && ++seen == column.occurrence)
            return i + 1;
    return 0;
}

NamedColumn nameOf(const QStringList &names, int column)
{
    NamedColumn named;
    named.name = names[column - 1];
    named.occurrence = int(names.mid(0, column).count(named.name));
    return named;
}

}

QStringList columnNames(const ColumnStore &store, int columns)
{
    QStringList names;
    for (int k = 1; k <= columns; ++k)
        names << (store.count(k) > 0 ? store.item(k, 0) : QString());
    return names;
}

NamedChoice nameChoice(const QStringList &names, const ColumnChoice &choice)
{
    NamedChoice named;
    const auto inTable = [&](int k) { return k >= 1 && k <= names.size() && !names[k - 1].isEmpty(); };
    if (inTable(choice.xCol))
        named.x = nameOf(names, choice.xCol);
    for (int k : choice.yCols)
        if (inTable(k))
            named.y << nameOf(names, k);
    return named;
}

Restored restoreChoice(const QStringList &names, const NamedChoice &remembered)
{
    Restored restored;
    if (remembered.isEmpty())
        return restored;
    restored.choice.xCol = findColumn(names, remembered.x);
    if (restored.choice.xCol == 0)
        restored.missing << describe(remembered.x);
    for (const NamedColumn &y : remembered.y) {
        const int k = findColumn(names, y);
        if (k == 0)
            restored.missing << describe(y);
        else if (k != restored.choice.xCol && !restored.choice.yCols.contains(k))
            restored.choice.yCols << k;
    }
    std::sort(restored.choice.yCols.begin(), restored.choice.yCols.end());
    restored.ok = restored.missing.isEmpty() && !restored.choice.yCols.isEmpty();
    return restored;
}

QString describe(const NamedColumn &column)
{
    if (column.occurrence <= 1)
        return column.name;
    return QCoreApplication::translate("rememberedchoice", "%1（第%2个）").arg(column.name).arg(column.occurrence);
}

}
