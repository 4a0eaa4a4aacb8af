#pragma once

#include "chart/chartgeometry.h"
#include "draw/drawsurface.h"

// The smoothed line of one curve: Catmull-Rom sub-steps between neighbouring points,
// pieces outside the curve's limits in the hidden colour and held to the plot's top and
// bottom edges.
namespace curvepath {

// Far more sub-steps than any bitmap has rows; beyond it a drawing would only burn time.
constexpr qint64 MaxSubSteps = 16384;

struct Frame {
    chartgeom::ValueMap map;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0; // limits of the curve
    qint64 top = 0, bottom = 0;                    // plot rows that sub-steps are held to
    qint64 plotHeight = 0;                         // sets the number of sub-steps
    int color = 0;                                 // in-range pieces
    int hiddenColor = 0;                           // out-of-range pieces
};

struct Step {
    qint64 px, py;
    int color;
};

inline int rangeColor(const Frame &f, double x, double y)
{
    if (x < f.xMin || x > f.xMax || y < f.yMin || y > f.yMax)
        return f.hiddenColor;
    return f.color;
}

// Sub-step with weights w of segment s (from buffer entry s + 1 to s + 2) of the padded
// buffers, y held to the plot rows.
inline Step subStep(const Frame &f, const chartgeom::Weights &w, const double *wx, const double *wy, int s)
{
    const double x = chartgeom::blend(w, wx[s], wx[s + 1], wx[s + 2], wx[s + 3]);
    const double y = chartgeom::blend(w, wy[s], wy[s + 1], wy[s + 2], wy[s + 3]);
    const int color = rangeColor(f, x, y);
    const qint64 px = f.map.px(x);
    qint64 py = f.map.py(y);
    if (py >= f.bottom)
        py = f.bottom;
    if (py <= f.top)
        py = f.top;
    return {px, py, color};
}

// The data point at buffer entry s + 2, not held.
inline Step segmentEnd(const Frame &f, const double *wx, const double *wy, int s)
{
    const double x = wx[s + 2];
    const double y = wy[s + 2];
    return {f.map.px(x), f.map.py(y), rangeColor(f, x, y)};
}

// Moves the pen to point 1 and draws the line through points 1..n of the buffers, which
// hold entries 0..n + 1 (first and last point repeated). Sub-steps that land on the pen's
// pixel are skipped and runs of one colour go out as one polyline: the pixels are those of
// one line per sub-step.
void drawLine(DrawSurface &surface, const Frame &f, const double *wx, const double *wy, int n);

}
