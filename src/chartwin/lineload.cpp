#include "chartwin/lineload.h"

#include "chart/kfdline.h"
#include "chartwin/rowreduce.h"
#include "chartwin/timescale.h"
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
Range scan(const columnvalues::Values &values)
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

// The rows a curve draws: those where neither the X nor its own time is empty. Empty when
// every row is drawn.
std::vector<int> keptRows(int rows, const std::vector<int> &emptyX, const std::vector<int> &emptyY)
{
    std::vector<int> kept;
    if (emptyX.empty() && emptyY.empty())
        return kept;
    kept.reserve(size_t(rows));
    auto x = emptyX.begin(), y = emptyY.begin();
    for (int row = 0; row < rows; ++row) {
        const bool skipX = x != emptyX.end() && *x == row;
        const bool skipY = y != emptyY.end() && *y == row;
        x += skipX;
        y += skipY;
        if (!skipX && !skipY)
            kept.push_back(row);
    }
    return kept;
}

// The values of the kept rows (all of them when `kept` is empty and nothing was left out).
columnvalues::Values keptValues(const columnvalues::Values &values, const std::vector<int> &kept)
{
    columnvalues::Values out;
    out.reserve(kept.size());
    for (int row : kept)
        out.push_back(values[size_t(row)]);
    return out;
}

// A time scale spans its own earliest to latest time; 0 to 0 when it has none.
Range timeRange(const columnvalues::Values &values)
{
    if (values.empty())
        return Range{0, 0};
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return Range{*lo, *hi};
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

const columnvalues::Column &ValueCache::column(const ColumnStore &store, int list, int first, int last)
{
    Entry &entry = m_entries[size_t(std::clamp(list, 0, int(m_entries.size()) - 1))];
    if (entry.valid && entry.first == first && entry.last == last)
        return entry.column;
    // Each value converted once for range and points.
    entry.column = columnvalues::read(store, list, first, last);
    entry.first = first;
    entry.last = last;
    entry.valid = true;
    return entry.column;
}

QString rowNotice(const Result &result)
{
    if (result.truncated)
        return QStringLiteral("数据超过1000行，只绘制前1000行。");
    if (result.reduced)
        return QStringLiteral("绘制了%1行中的%2行。").arg(result.dataRows).arg(result.drawnRows);
    return QString();
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
    const columnvalues::Column &xColumn = values.column(store, request.xCol, first, last);
    const columnvalues::Values &xValues = xColumn.values;
    const int rows = int(xValues.size());
    result.xTime = xColumn.times;
    result.xNotNumbers = xColumn.notNumbers;
    result.valueNotes << columnvalues::notes(request.xCol, xColumn);
    Range xRange;
    if (!xColumn.times)
        xRange = scan(xValues);
    else if (xColumn.emptyRows.empty())
        xRange = timeRange(xValues);
    else
        xRange = timeRange(keptValues(xValues, keptRows(rows, xColumn.emptyRows, {})));
    const int xDecimals = decimalsFor(xRange.lo, xRange.hi);
    for (Tkfdline *chart : charts)
        chart->xAxis.decimals = xDecimals;
    const auto xText = xColumn.times ? timescale::scaleText(xColumn.dated) : nullptr;
    for (Tkfdline *chart : charts) {
        chart->xAxis.lower = xRange.lo;
        chart->xAxis.upper = xRange.hi;
        chart->xAxis.text = xText;
    }

    for (Tkfdline *chart : charts)
        for (int k = 0; k < kfdline::MaxCurves; ++k)
            chart->ClearCurve(k);
    for (Tkfdline *chart : charts)
        std::fill(std::begin(chart->shown), std::end(chart->shown), 0);

    std::vector<const columnvalues::Values *> yValues;
    int k = 0;
    for (int column : request.yCols) {
        if (k == kfdline::MaxCurves)
            break;
        result.yCol[k] = column;
        for (Tkfdline *chart : charts) {
            chart->curves[k].name = store.item(column, request.nameRow - 1);
            chart->curves[k].unit = store.item(column, request.unitRow - 1);
        }
        const columnvalues::Column &yColumn = values.column(store, column, first, last);
        yValues.push_back(&yColumn.values);
        result.yTime[k] = yColumn.times;
        result.yNotNumbers[k] = yColumn.notNumbers;
        result.valueNotes << columnvalues::notes(column, yColumn);

        // Ranges and thinning over the rows the curve draws.
        const std::vector<int> kept = keptRows(rows, xColumn.emptyRows, yColumn.emptyRows);
        const bool allRows = xColumn.emptyRows.empty() && yColumn.emptyRows.empty();
        const columnvalues::Values drawn = allRows ? columnvalues::Values() : keptValues(yColumn.values, kept);
        const columnvalues::Values &rangeValues = allRows ? yColumn.values : drawn;
        Range range = yColumn.times ? timeRange(rangeValues) : scan(rangeValues);
        const double span = range.hi - range.lo;
        if (request.scaleMode == 2) {
            range.hi = range.hi + span / 2;
            range.lo = range.lo - span / 2;
        } else if (request.scaleMode == 3) {
            range.hi = range.hi + span;
            range.lo = range.lo - span;
        }
        const int decimals = decimalsFor(range.lo, range.hi);
        for (Tkfdline *chart : charts)
            chart->curves[k].decimals = decimals;
        const auto yText = yColumn.times ? timescale::scaleText(yColumn.dated) : nullptr;
        for (Tkfdline *chart : charts) {
            chart->curves[k].lower = range.lo;
            chart->curves[k].upper = range.hi;
            chart->curves[k].text = yText;
            chart->shown[k] = 1;
        }

        std::vector<int> &pointRows = result.pointRows[size_t(k)];
        pointRows = rowreduce::extremaRows(rangeValues.data(), int(rangeValues.size()), MaxRows);
        if (!allRows)
            for (int &row : pointRows)
                row = kept[size_t(row)];
        result.reduced = result.reduced || int(rangeValues.size()) > MaxRows;
        ++k;
    }
    result.yCount = k;
    if (result.yCount == 0)
        result.reduced = rows - int(xColumn.emptyRows.size()) > MaxRows;

    // Row by row as the table runs, each curve taking its own rows.
    std::array<size_t, kfdline::MaxCurves> next{};
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < result.yCount; ++j) {
            const std::vector<int> &rowsOfCurve = result.pointRows[size_t(j)];
            if (next[size_t(j)] >= rowsOfCurve.size() || rowsOfCurve[next[size_t(j)]] != i)
                continue;
            ++next[size_t(j)];
            for (Tkfdline *chart : charts)
                chart->AddPoint(j, xValues[size_t(i)], (*yValues[size_t(j)])[size_t(i)]);
        }
    }
    for (int j = 0; j < result.yCount; ++j)
        result.drawnRows = std::max(result.drawnRows, int(result.pointRows[size_t(j)].size()));
    return result;
}

}
