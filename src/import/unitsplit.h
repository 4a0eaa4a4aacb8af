#pragma once

#include <QString>

// A unit written into a column's name, as loggers without a unit row do: "Temp (°C)",
// "Temp [°C]", "Temp, °C", "Ewe/V", "\"Zeit\" t / s". Names with no such unit are kept whole.
namespace unitsplit {

struct NameUnit {
    QString name;
    QString unit;
};

NameUnit split(const QString &name);

// A CASSY Lab name entry, "Name symbol / unit" with or without the quotes around the name;
// anything else as split() reads it.
NameUnit symbolEntry(const QString &entry);

}
