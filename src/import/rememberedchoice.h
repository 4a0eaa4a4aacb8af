#pragma once

#include "base/namedchoice.h"
#include "import/columnchoice.h"

#include <QStringList>

class ColumnStore;

// The column choice carried from one file to the next by the columns' names.
namespace rememberedchoice {

// The names of columns 1..`columns` (item 1 of each list); "" for a list without items.
QStringList columnNames(const ColumnStore &store, int columns);

// The chosen columns by name; column numbers outside `names` are left out.
NamedChoice nameChoice(const QStringList &names, const ColumnChoice &choice);

struct Restored {
    bool ok = false;       // every remembered column was found
    ColumnChoice choice;   // valid when ok
    QStringList missing;   // the remembered names (with their occurrence) not in `names`
};

// Finds the remembered columns among `names` (column k at index k-1). Restores only when
// every one of them is there; a name that occurs less often than remembered is missing.
Restored restoreChoice(const QStringList &names, const NamedChoice &remembered);

// "温度" for the first column of a name, "温度（第2个）" for a later one.
QString describe(const NamedColumn &column);

}
