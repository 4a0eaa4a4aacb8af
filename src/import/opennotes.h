#pragma once

#include <QString>
#include <QStringList>

namespace workbook {
struct Workbook;
}

// What the file readers noted about the last workbook the program's own application
// opened: lines skipped above a text table, rows past the format's last row; and where the
// read of its cells stopped early. The table report turns
// them into log lines, so that nothing is left out without the log saying so.
namespace opennotes {

struct Notes {
    int skippedLeadingLines = 0;
    int cutRows = 0;
    int rowLimit = 0; // the format's last row, when rows were cut
    QString readStop; // where the cell loop stopped inside the table, and why
    QStringList table; // what finding the table in the sheet left out or decided
};

// The notes of the last workbook opened (cleared by clear()).
Notes last();
void clear();
void record(const workbook::Workbook &book);
void recordStop(const QString &line);
void recordTable(const QStringList &lines);

// The log lines of `notes`, in order.
QStringList logLines(const Notes &notes);

}
