#include "chartwin/readout.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "chart/formatvalue.h"
#include "chart/kfdline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace readout {

namespace {

int rowOf(const PointRows &rows, int curve, int point)
{
    const std::vector<int> &list = rows[size_t(curve)];
    return point < int(list.size()) ? list[size_t(point)] : point;
}

// Index (0-based) of the point of `curve` at data row `row`, or of the nearest row when the
// curve was thinned past it.
int pointAtRow(const Tkfdline &chart, const PointRows &rows, int curve, int row)
{
    const int n = std::clamp(chart.pointCount[curve], 0, kfdline::MaxPoints);
    const std::vector<int> &list = rows[size_t(curve)];
    if (int(list.size()) < n)
        return std::clamp(row, 0, n - 1);
    const auto begin = list.begin(), end = list.begin() + n;
    const auto at = std::lower_bound(begin, end, row);
    if (at == end)
        return n - 1;
    if (*at == row || at == begin)
        return int(at - begin);
    return (row - *(at - 1) <= *at - row) ? int(at - begin) - 1 : int(at - begin);
}

// The scale's decimals; a value too large for them is written in general form instead.
QString formatted(double value, int decimals)
{
    try {
        return kfdline::FormatValue(value, decimals);
    } catch (const AppError &) {
        return numtext::formatGeneral(value);
    }
}

QString lineText(const kfdline::Tline &axis, double value)
{
    // A time scale writes the point's time in full, not rounded like its labels.
    const QString shown = axis.text ? axis.text->value(value) : formatted(value, axis.decimals);
    QString text = axis.name + QStringLiteral(": ") + shown;
    if (!axis.unit.isEmpty())
        text += QLatin1Char(' ') + axis.unit;
    return text;
}

}

Readout readAt(const Tkfdline &chart, QPoint pointer, const PointRows &rows)
{
    Readout out;
    const double left = chart.marginLeft;
    const double right = double(chart.Width) - chart.marginRight;
    const double top = chart.marginTop;
    const double bottom = double(chart.Height) - chart.marginBottom;
    if (pointer.x() < left || pointer.x() > right || pointer.y() < top || pointer.y() > bottom)
        return out;
    const double xSpan = chart.xAxis.upper - chart.xAxis.lower;
    if (!(xSpan != 0) || !std::isfinite(xSpan))
        return out;
    const double sx = (right - left) / xSpan;

    // Nearest across, then nearest up or down, over every drawn point of the shown curves.
    int bestCurve = -1, bestPoint = 0;
    double bestDx = std::numeric_limits<double>::infinity(), bestDy = bestDx;
    for (int c = 0; c < kfdline::MaxCurves; ++c) {
        if (chart.shown[c] != 1)
            continue;
        const double ySpan = chart.curves[c].upper - chart.curves[c].lower;
        const double sy = ySpan != 0 && std::isfinite(ySpan) ? (bottom - top) / ySpan : 0;
        const int n = std::clamp(chart.pointCount[c], 0, kfdline::MaxPoints);
        for (int k = 0; k < n; ++k) {
            // A zoomed view draws the rows just outside it too; they are not read out.
            const double x = chart.xData[c][k + 1];
            if (x < std::min(chart.xAxis.lower, chart.xAxis.upper) || x > std::max(chart.xAxis.lower, chart.xAxis.upper))
                continue;
            const double px = (x - chart.xAxis.lower) * sx + left;
            const double dx = std::fabs(px - pointer.x());
            if (dx > bestDx)
                continue;
            const double py = bottom - (chart.yData[c][k + 1] - chart.curves[c].lower) * sy;
            const double dy = sy != 0 ? std::fabs(py - pointer.y()) : std::numeric_limits<double>::max();
            if (dx < bestDx || dy < bestDy) {
                bestDx = dx;
                bestDy = dy;
                bestCurve = c;
                bestPoint = k;
            }
        }
    }
    if (bestCurve < 0 || !std::isfinite(bestDx))
        return out;

    const double x = chart.xData[bestCurve][bestPoint + 1];
    const int row = rowOf(rows, bestCurve, bestPoint);
    const double px = std::clamp((x - chart.xAxis.lower) * sx + left, left, right);
    const kfdline::Tline &chosen = chart.curves[bestCurve];
    const double ySpan = chosen.upper - chosen.lower;
    double py = pointer.y();
    if (ySpan != 0 && std::isfinite(ySpan))
        py = bottom - (chart.yData[bestCurve][bestPoint + 1] - chosen.lower) * (bottom - top) / ySpan;
    out.visible = true;
    out.point = QPoint(int(std::lround(px)), int(std::lround(std::clamp(py, top, bottom))));
    out.lines.push_back({lineText(chart.xAxis, x), chart.xAxis.color});
    for (int c = 0; c < kfdline::MaxCurves; ++c) {
        if (chart.shown[c] != 1 || chart.pointCount[c] <= 0)
            continue;
        const int k = pointAtRow(chart, rows, c, row);
        out.lines.push_back({lineText(chart.curves[c], chart.yData[c][k + 1]), chart.curves[c].color});
    }
    return out;
}

}
