#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// Where the table of a sheet is: which of its first rows are titles and instrument headers,
// which row names the columns, whether a row of units follows, and where the readings start.
// Decided on the first rows of the sheet (blank rows left out), before anything is stored.
namespace tablelayout {

struct Cell {
    int column = 0;     // of the sheet, from 1
    bool number = false; // a number cell, or a text that reads as a number
    QString text;       // the cell's text (a number's own text too)
};

struct Row {
    qint64 sheetRow = 0; // of the sheet, from 1
    std::vector<Cell> cells; // non-empty cells, left to right
};

struct Layout {
    int firstColumn = 1; // the table's first used column
    int nameRow = -1;    // index into the sample rows; -1: the file names no column
    int unitRow = -1;    // index into the sample rows; -1: no unit row
    bool unitRowLabelled = false; // its first cell is a label ("Y_Unit_Label"), no unit
    int headerRowsAbove = 0; // rows right above the names as wide as they are (channel numbers)
    int dataStart = 0;   // index of the first row of readings
    QString format;      // the instrument format that decided the header, or empty
    bool symbolNames = false; // names written "Name symbol / unit" (CASSY Lab)
    // Record levels written one inside the other (cycle, step and point rows, each level
    // with its own name row one cell further right): no single table. 0: one level.
    int interleavedLevels = 0;
    // A LabVIEW file without an X column states its X as X0 + row * Delta_X.
    bool madeX = false;
    double xStart = 0, xStep = 0;
    std::vector<int> readingColumns; // sheet columns whose cells are mostly readings
    // Settings written as key and value cells beside the first readings (oscilloscopes):
    // how many, in which columns, and the units they give the X column and the others.
    int settings = 0;
    int settingsFirstColumn = 0, settingsLastColumn = 0;
    QString settingsXUnit, settingsYUnit;
};

// The layout of `rows`, the sheet's first non-empty rows in order.
Layout decide(const std::vector<Row> &rows);

// Whether a text cell is a reading all the same: a timestamp or date as loggers write them,
// or a missing-value marker ("NAN", "---", "#N/A" ...).
bool readingText(QStringView text);
bool missingMarker(QStringView text);

}
