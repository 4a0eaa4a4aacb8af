#pragma once

#include "import/automation.h"

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// A test-only automation server registered as "Excel.Application". It plays a workbook
// from a table of cell values, records every invocation as one line
// ("<object>.<member as sent> <kind> <arguments>") and can be told to fail a chosen call.
// Objects are A (application), W (workbooks), B (workbook), S (worksheet), U (used
// range), R (its rows) and C (a cell); a cell's default value is recorded as "C.(value)".
class ScriptedExcel
{
public:
    // The sheet: cell values by (row, column) and the used range's row count.
    QMap<QPair<int, int>, automation::Variant> cells;
    automation::Variant rowCount = automation::Variant::fromInt(0);

    // Fail the `occurrence`-th invocation (1-based) of `member` (compared without regard
    // to case); an empty member fails nothing.
    void failOn(const QString &member, int occurrence = 1);

    // Fills `cells` from rows of text, cells separated by "|" (an empty piece is an empty
    // cell); row 1 is the first string plus `firstRow` - 1. Sets rowCount to the number of
    // rows given.
    void setSheet(const QStringList &rows, int firstRow = 1);

    void install(automation::Registry &registry);

    QStringList calls;    // everything invoked, in order
    int live = 0;         // objects not yet released
    int created = 0;      // objects made in all

    static QString argText(const automation::Variant &v);

private:
    friend class ScriptedObject;
    void record(const QString &line, const QString &member);

    struct Failure {
        QString member;
        int occurrence = 0;
        int seen = 0;
    };
    QList<Failure> m_failures;
};
