#pragma once

#include <QSize>
#include <QString>
#include <QVector>

#include <climits>

// Command line of tabrovex-plot.
struct PlotOptions {
    enum class Command { None, Help, Version, Table, Chart };
    Command command = Command::None;
    QString workbook;
    int xColumn = 0;            // 0: the program's default choice
    QVector<int> yColumns;      // empty: the program's default choice
    int mode = 2;               // 1..3, or 0 for the manual limits
    bool page = false;          // the printed page instead of the screen chart
    QString settings;           // settings file; empty: the program's own
    QString output;             // .png or .pdf; the name's extension chooses the format
    bool firstRows = false;     // long tables: only their first 1000 data rows
    bool progress = false;      // how far the read is, on standard error
    QSize size;                 // screen chart size; empty: the chart window's 817 x 529
    QString xRange;             // "A..B" (or "A:B"): the stretch of X drawn; empty: all of it
    QString stats;              // "A..B" (or "A:B"): the stretch measured; empty: none
    int firstItem = 1;          // table: items firstItem..lastItem of every list (1-based)
    int lastItem = INT_MAX;
};

// Screen chart sizes --size accepts, in pixels per side.
constexpr int MinChartWidth = 320;
constexpr int MinChartHeight = 240;
constexpr int MaxChartSide = 8192;

// Parses the arguments after the program name. On a usage error returns false and says why.
bool parsePlotOptions(const QStringList &arguments, PlotOptions *options, QString *error);

QString plotUsage();
