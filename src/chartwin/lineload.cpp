#include "chartwin/lineload.h"

#include "base/numtext.h"
#include "chart/kfdline.h"
#include "chartwin/rowreduce.h"
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
Range scan(const std::vector<double> &values)
{
    Range r;
    for (double v : values) {
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

void ValueCache::clear()
{
    for (Entry &entry : m_entries)
        entry = Entry();
}

const std::vector<double> &ValueCache::values(const ColumnStore &store, int list, int first, int last)
{
    Entry &entry = m_entries[size_t(std::clamp(list, 0, int(m_entries.size()) - 1))];
    if (entry.valid && entry.first == first && entry.last == last)
        return entry.values;
    // Each value converted once for range and points.
    entry.values.clear();
    entry.values.reserve(size_t(std::max(0, last - first + 1)));
    for (int i = first; i <= last; ++i)
        entry.values.push_back(itemValue(store, list, i));
    entry.first = first;
    entry.last = last;
    entry.valid = true;
    return entry.values;
}

QString rowNotice(const Result &result)
{
    if (result.truncated)
        return QStringLiteral("数据超过1000行，只绘制前1000行。");
    if (result.reduced)
        return QStringLiteral("绘制了%1行中的%2行。").arg(result.dataRows).arg(result.drawnRows);
    return QString();
}

double itemValue(const ColumnStore &store, int list, int index)
{
    if (index < 0 || index >= store.count(list))
        return 0;
    double v = 0;
    return numtext::toDouble(store.itemView(list, index), &v) ? v : 0;
}

Result loadLineData(const ColumnStore &store, const Request &request, const std::vector<Tkfdline *> &charts,
                    ValueCache *cache)
{
    ValueCache ownValues;
    ValueCache &values = cache ? *cache : ownValues;
    Result result;
    result.xCol = request.xCol;

    // Item positions, 0-based.
    const int first = request.firstRow - 1;
    int last = request.lastRow - 1;
    result.dataRows = std::max(0, last - first + 1);
    if (request.firstRowsOnly && result.dataRows > MaxRows) {
        last = first + MaxRows - 1;
        result.truncated = true;
    }

    for (Tkfdline *chart : charts) {
        chart->xAxis.name = store.item(request.xCol, request.nameRow - 1);
        chart->xAxis.unit = store.item(request.xCol, request.unitRow - 1);
    }
    const std::vector<double> &xValues = values.values(store, request.xCol, first, last);
    const Range x = scan(xValues);
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

    std::vector<const std::vector<double> *> yValues;
    int k = 0;
    for (int column : request.yCols) {
        if (k == kfdline::MaxCurves)
            break;
        result.yCol[k] = column;
        for (Tkfdline *chart : charts) {
            chart->curves[k].name = store.item(column, request.nameRow - 1);
            chart->curves[k].unit = store.item(column, request.unitRow - 1);
        }
        yValues.push_back(&values.values(store, column, first, last));
        Range r = scan(*yValues.back());
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

    result.reduced = int(xValues.size()) > MaxRows;
    for (int j = 0; j < result.yCount; ++j)
        result.pointRows[size_t(j)] = rowreduce::extremaRows(*yValues[size_t(j)], MaxRows);
    // Row by row as the table runs, each curve taking its own rows.
    std::array<size_t, kfdline::MaxCurves> next{};
    for (size_t i = 0; i < xValues.size(); ++i) {
        for (int j = 0; j < result.yCount; ++j) {
            const std::vector<int> &rows = result.pointRows[size_t(j)];
            if (next[size_t(j)] >= rows.size() || size_t(rows[next[size_t(j)]]) != i)
                continue;
            ++next[size_t(j)];
            for (Tkfdline *chart : charts)
                chart->AddPoint(j, xValues[i], (*yValues[size_t(j)])[i]);
        }
    }
    for (int j = 0; j < result.yCount; ++j)
        result.drawnRows = std::max(result.drawnRows, int(result.pointRows[size_t(j)].size()));
    return result;
}

}
