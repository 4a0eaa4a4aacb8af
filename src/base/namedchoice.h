#pragma once

#include <QString>
#include <QVector>

// A column told by its name rather than its place, so that the next file of a logger, whose
// columns may stand elsewhere, gets the same ticks. `occurrence` tells apart columns of one
// name: 1 for the first column so named, 2 for the second ...
struct NamedColumn {
    QString name;
    int occurrence = 1;

    bool operator==(const NamedColumn &o) const { return name == o.name && occurrence == o.occurrence; }
};

// The X and Y columns of the last chart, by name; empty when none was remembered.
struct NamedChoice {
    NamedColumn x;
    QVector<NamedColumn> y;

    bool isEmpty() const { return x.name.isEmpty() || y.isEmpty(); }
};
