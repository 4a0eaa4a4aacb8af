#pragma once

#include <QPoint>
#include <QString>
#include <QVector>

#include <array>
#include <vector>

class Tkfdline;

// The values under the pointer on a drawn chart: the X value of the drawn point nearest
// the pointer and every shown curve's value at that point's row.
namespace readout {

struct Line {
    QString text;     // "name: value unit"
    qint32 color = 0; // 0x00BBGGRR, the curve's own colour (the X axis' for the first line)
};

struct Readout {
    bool visible = false; // false when the pointer is off the plot or nothing is drawn
    QPoint point;         // the chosen point in the chart's drawing pixels
    QVector<Line> lines;  // the X axis, then each shown curve in curve order
};

// Data row of every point of each curve; a curve without its list counts its points as
// rows 0, 1, 2 ... (all curves of a table that was not thinned share their rows).
using PointRows = std::array<std::vector<int>, 8>;

// Works on the geometry of the chart's last Redraw. `pointer` is in its drawing pixels.
Readout readAt(const Tkfdline &chart, QPoint pointer, const PointRows &rows);

}
