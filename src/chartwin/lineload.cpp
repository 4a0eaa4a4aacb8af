#include "chartwin/lineload.h"

#include "app/numtext.h"
#include "chart/kfdline.h"
#include "import/columnstore.h"

#include <algorithm>
#include <cmath>

namespace lineload {

namespace {

struct Range {
    double lo = 999999.0;
    double hi = -999999.0;
};

// The scan starts from +-999999, so a column lying wholly beyond that keeps the bound.
Range scan(const ColumnStore &store, int list, int first, int last)
{
    Range r;
    for (int i = first; i <= last; ++i) {
        const double v = itemValue(store, list, i);
        if (v > r.hi)
            r.hi = v;
        if (v < r.lo)
            r.lo = v;
    }
    return r;
}

double magnitudeClass(double v)
{
    const double a = std::fabs(v);
    if (a < 1)
        return 1;
    if (a < 10)
        return 10;
    if (a < 100)
        return 100;
    return 1000;
}

}

int decimalsFor(double lo, double hi)
{
    const double sum = magnitudeClass(lo) + magnitudeClass(hi);
    if (sum < 10)
        return 3;
    if (sum < 100)
        return 2;
    if (sum < 1000)
        return 1;
    return 0;
}

double itemValue(const ColumnStore &store, int list, int index)
{
    if (index < 0 || index >= store.count(list))
        return 0;
    double v = 0;
    return numtext::toDouble(store.itemView(list, index).toString(), &v) ? v : 0;
}

Result loadLineData(const ColumnStore &store, const Request &request, const std::vector<Tkfdline *> &charts)
{
    Result result;
    result.xCol = request.xCol;

    // Item positions, 0-based; at most MaxRows data rows are taken.
    const int first = request.firstRow - 1;
    int last = request.lastRow - 1;
    if (last - first + 1 > MaxRows) {
        last = first + MaxRows - 1;
        result.truncated = true;
    }

    for (Tkfdline *chart : charts) {
        chart->xAxis.name = store.item(request.xCol, request.nameRow - 1);
        chart->xAxis.unit = store.item(request.xCol, request.unitRow - 1);
    }
    const Range x = scan(store, request.xCol, first, last);
    const int xDecimals = decimalsFor(x.lo, x.hi);
    for (Tkfdline *chart : charts)
        chart->xAxis.decimals = xDecimals;
    for (Tkfdline *chart : charts) {
        chart->xAxis.lower = x.lo;
        chart->xAxis.upper = x.hi;
    }

    for (Tkfdline *chart : charts)
        for (int k = 0; k < kfdline::MaxCurves; ++k)
            chart->ClearCurve(k);
    for (Tkfdline *chart : charts)
        std::fill(std::begin(chart->shown), std::end(chart->shown), 0);

    int k = 0;
    for (int column : request.yCols) {
        if (k == kfdline::MaxCurves)
            break;
        result.yCol[k] = column;
        for (Tkfdline *chart : charts) {
            chart->curves[k].name = store.item(column, request.nameRow - 1);
            chart->curves[k].unit = store.item(column, request.unitRow - 1);
        }
        Range r = scan(store, column, first, last);
        const double d = r.hi - r.lo;
        if (request.scaleMode == 2) {
            r.hi = r.hi + d / 2;
            r.lo = r.lo - d / 2;
        } else if (request.scaleMode == 3) {
            r.hi = r.hi + d;
            r.lo = r.lo - d;
        }
        const int decimals = decimalsFor(r.lo, r.hi);
        for (Tkfdline *chart : charts)
            chart->curves[k].decimals = decimals;
        for (Tkfdline *chart : charts) {
            chart->curves[k].lower = r.lo;
            chart->curves[k].upper = r.hi;
            chart->shown[k] = 1;
        }
        ++k;
    }
    result.yCount = k;

    for (int i = first; i <= last; ++i) {
        const double xv = itemValue(store, request.xCol, i);
        for (int j = 0; j < result.yCount; ++j) {
            const double yv = itemValue(store, result.yCol[j], i);
            for (Tkfdline *chart : charts)
                chart->AddPoint(j, xv, yv);
        }
    }
    return result;
}

}
