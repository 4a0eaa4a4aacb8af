#pragma once

#include "chartwin/rangestats.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kfdline { struct Tline; }

// The measurement between cursors A and B as a table of texts: a header, the X column's
// line (X at A, at B, ΔX, its rows between them), then one line per curve. Times are written
// as their scale writes a value in full, spans of time as durations, numbers with the digits
// the data need; what has no value is left empty.
namespace rangetext {

struct Table {
    QStringList header;
    QList<QStringList> lines; // the X line, then the curves in order
    QList<qint32> colors;     // of each line (0x00BBGGRR): the X axis', then each curve's
};

// `curves` are the chart's curve records (name, unit, colour, time scale) by curve number.
Table table(const rangestats::Result &result, const kfdline::Tline &xAxis, const kfdline::Tline *curves);

// Tab-separated, one line each, the header first, every line ended by a newline.
QString tabSeparated(const Table &table);

// A span of seconds: "00:01:23.5", "-00:00:02", "27:46:40"; to the microsecond, without
// trailing zeros.
QString durationText(double seconds);

// A figure worked out from the data (a mean, a value between rows): 9 significant digits,
// without trailing zeros: "23.5", "0.3", "1234567.13".
QString numberText(double value);
// A value as the data hold it (a minimum, a maximum): every digit it has, no more.
QString dataText(double value);

}
