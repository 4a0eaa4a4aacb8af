#pragma once

#include "chart/fpcheck.h"

#include <QtGlobal>

#include <array>

// Pure layout arithmetic of the curve chart: where scales, grid lines, ticks and curve
// pixels go. No painting here, so tests can check the numbers directly. Every rounding
// goes through fpcheck::roundEven and raises the drawing's floating-point errors.
namespace chartgeom {

constexpr int MaxCurves = 8;
constexpr int TickIntervals = 10;   // ticks on the X scale and on every vertical scale
constexpr int GridDivisions = 10;   // major grid cells across and down
constexpr int GridSubdivisions = 4; // dotted lines per major cell
constexpr int NoSlot = 100;         // a curve without a vertical scale

// Scale slotOf: 0, -1, -2, -3 stand left of the plot, 10..13 right of it.
struct ScaleLayout {
    qint64 marginLeft = 0;
    qint64 marginRight = 0;
    std::array<int, MaxCurves> slotOf {};
};

// Margins and slotOf for the number of shown curves; with none the margins stay as given.
ScaleLayout scaleLayout(int shownCount, qint64 spacing, qint64 marginLeft, qint64 marginRight);

// x of a vertical scale at the given slot (left slotOf from the plot's left edge, right
// slotOf from its right edge).
qint64 slotX(int slot, qint64 spacing, qint64 marginLeft, qint64 plotRight);

// Distance between neighbouring grid lines over a plot side of the given size.
double gridStep(qint64 plotSize);

// Pixel of grid line k (0..40) from the plot's edge.
qint64 gridLine(int k, double step, qint64 origin);

// Tick positions in tenths of a scale, rows for 2..10 intervals; only the first
// intervals + 1 entries of a row count.
const std::array<double, 11> &tickRow(int intervals);

// Catmull-Rom sub-steps per curve segment: Round(plotHeight / 4).
qint64 subStepCount(qint64 plotHeight);

// Curve parameter of sub-step k: k * (0.5 / plotHeight) * 4. A zero plot height raises
// the division-by-zero error.
double subStepParam(qint64 k, qint64 plotHeight);

struct Weights {
    double w0, w1, w2, w3;
};

// Uniform Catmull-Rom weights for u = 2t, so that t = 0.5 reaches the segment's end.
Weights catmullWeights(double t);

inline double blend(const Weights &w, double p0, double p1, double p2, double p3)
{
    return w.w0 * p0 + w.w1 * p1 + w.w2 * p2 + w.w3 * p3;
}

// Value -> pixel mapping of one curve over the plot area.
struct ValueMap {
    double xMin = 0, yMin = 0;
    double sx = 0, sy = 0;
    double left = 0, bottom = 0;

    qint64 px(double x) const { return fpcheck::roundEven((x - xMin) * sx + left); }
    qint64 py(double y) const { return fpcheck::roundEven(bottom - (y - yMin) * sy); }
};

// Raises the floating-point errors for non-finite spans or scales; callers check for equal
// limits first.
ValueMap makeValueMap(qint64 plotWidth, qint64 plotHeight, qint64 marginLeft, qint64 bottom,
                      double xMin, double xMax, double yMin, double yMax);

}
