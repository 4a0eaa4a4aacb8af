#include "chartwin/lineload.h"

#include "base/apperror.h"
#include "base/twothreads.h"
#include "chart/kfdline.h"
#include "chart/scaledecimals.h"
#include "chartwin/rowreduce.h"
#include "chartwin/timescale.h"
#include "import/columnstore.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>

namespace lineload {

namespace {

struct Range {
    double lo = 0;
    double hi = 0;
};

// From the first value on, so a column lying wholly beyond any preset bound gets its own
// limits; 0 to 0 when there is none. The values are readings, all finite: the halves of a
// long column are scanned side by side and joined as one scan would have gone on.
Range scan(const double *values, size_t count)
{
    // Chosen without a branch; the same as "if (*v > r.hi) r.hi = *v", NaN or not.
    const auto part = [values](size_t from, size_t to) {
        // Four runs over every fourth value side by side (vector code, no comparison waiting
        // for the one before), joined in run order. Equal values are the same value, but
        // for 0 and -0: a limit of zero is the first zero in row order, as one run keeps it.
        constexpr size_t Runs = 4;
        double lo[Runs], hi[Runs];
        std::fill(lo, lo + Runs, values[from]);
        std::fill(hi, hi + Runs, values[from]);
        size_t at = from;
        for (; to - at >= Runs; at += Runs)
            for (size_t k = 0; k < Runs; ++k) {
                const double v = values[at + k];
                hi[k] = hi[k] < v ? v : hi[k];
                lo[k] = v < lo[k] ? v : lo[k];
            }
        Range r{lo[0], hi[0]};
        for (size_t k = 1; k < Runs; ++k) {
            r.hi = r.hi < hi[k] ? hi[k] : r.hi;
            r.lo = lo[k] < r.lo ? lo[k] : r.lo;
        }
        for (; at < to; ++at) {
            r.hi = r.hi < values[at] ? values[at] : r.hi;
            r.lo = values[at] < r.lo ? values[at] : r.lo;
        }
        const auto firstZero = [values, from, to] {
            const double *v = values + from;
            while (v != values + to && *v != 0)
                ++v;
            return v != values + to ? *v : 0.0;
        };
        if (r.lo == 0)
            r.lo = firstZero();
        if (r.hi == 0)
            r.hi = firstZero();
        return r;
    };
    if (count == 0)
        return Range{};
    const size_t middle = size_t(twothreads::middle(qint64(count)));
    if (middle == 0)
        return part(0, count);
    Range first, second;
    twothreads::both([&] { second = part(middle, count); }, [&] { first = part(0, middle); });
    if (second.hi > first.hi)
        first.hi = second.hi;
    if (second.lo < first.lo)
        first.lo = second.lo;
    return first;
}

// The rows a curve draws: those where neither the X nor its own item is a gap. Empty when
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
columnvalues::Values keptValues(const columnvalues::RowValues &values, const std::vector<int> &kept)
{
    columnvalues::Values out;
    out.reserve(kept.size());
    for (int row : kept)
        out.push_back(values[size_t(row)]);
    return out;
}

// The refusal of a column with no reading at all, before any chart changes.
void refuseEmpty(int columnNumber, const columnvalues::Column &column)
{
    const QString refusal = columnvalues::refusal(columnNumber, column);
    if (!refusal.isEmpty())
        throw AppError(refusal);
}

// A number scale's decimals: the rule's, or more where its labels would repeat.
int scaleDecimals(const Range &range, bool time)
{
    return lineload::scaleDecimals(range.lo, range.hi, time);
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

int scaleDecimals(double lo, double hi, bool time)
{
    const int decimals = decimalsFor(lo, hi);
    return time ? decimals : scaledecimals::distinct(lo, hi, decimals);
}

void widen(int scaleMode, double *lo, double *hi)
{
    const double span = *hi - *lo;
    if (scaleMode == 2) {
        *hi = *hi + span / 2;
        *lo = *lo - span / 2;
    } else if (scaleMode == 3) {
        *hi = *hi + span;
        *lo = *lo - span;
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

void ValueCache::keepItems(const ColumnStore &store)
{
    for (int list = 1; list < int(m_entries.size()); ++list) {
        Entry &entry = m_entries[size_t(list)];
        if (!entry.valid)
            continue;
        entry.sound = std::min(entry.sound, store.keptItems(list));
        if (entry.sound <= entry.first) {
            entry = Entry();
            continue;
        }
        if (entry.column.values.borrowed())
            borrowAgain(store, list, entry);
    }
}

const columnvalues::Column &ValueCache::column(const ColumnStore &store, int list, int first, int last)
{
    const size_t at = size_t(std::clamp(list, 0, int(m_entries.size()) - 1));
    Entry &entry = m_entries[at];
    if (entry.valid && entry.first == first && entry.last == last && entry.sound > last)
        return entry.column;
    // Rows whose items did not change since they were converted are taken as they are.
    const int kept = entry.valid && entry.first == first ? std::min(entry.sound, last + 1) - first : 0;
    // Values borrowed again after the store moved them count as the version they were
    // borrowed from: what was built over that one grows by the new rows alone.
    const quint64 grownFrom = entry.moved ? entry.previousVersion : entry.version;
    entry.keptRows = -1;
    entry.previousVersion = 0;
    entry.moved = false;
    if (kept > 0
        && ((entry.column.values.borrowed() && columnvalues::borrow(entry.column, store, list, first, last))
            || columnvalues::extend(entry.column, store, list, first, kept, last))) {
        // Borrowed or not, the rows kept hold what they held: only the rows past them are new.
        entry.keptRows = kept;
        entry.previousVersion = grownFrom;
    } else {
        // Each value converted once for range and points; a column of nothing but numbers
        // is read where the store keeps it.
        if (!columnvalues::borrow(entry.column, store, list, first, last))
            entry.column = columnvalues::read(store, list, first, last);
    }
    entry.version = ++m_versions;
    entry.first = first;
    entry.last = last;
    entry.sound = last + 1;
    entry.valid = true;
    return entry.column;
}

void ValueCache::borrowAgain(const ColumnStore &store, int list, Entry &entry)
{
    // The store may have moved the items it kept: the borrowed values are taken from where
    // they are now, as a new version that kept every row, so whoever points into the old
    // place (indexes) learns of the move by the version and takes the new place.
    const double *before = entry.column.values.data();
    const int rows = std::min(int(entry.column.values.size()), entry.sound - entry.first);
    const int last = entry.first + rows - 1;
    if (rows <= 0 || !columnvalues::borrow(entry.column, store, list, entry.first, last)) {
        entry = Entry();
        return;
    }
    if (entry.column.values.data() == before && last == entry.last)
        return;
    entry.last = last;
    entry.keptRows = rows;
    if (!entry.moved)
        entry.previousVersion = entry.version;
    entry.moved = true;
    entry.version = ++m_versions;
}

const ValueCache::Entry *ValueCache::entry(int list) const
{
    if (list < 1 || list >= int(m_entries.size()) || !m_entries[size_t(list)].valid)
        return nullptr;
    return &m_entries[size_t(list)];
}

const columnvalues::Column *ValueCache::find(int list) const
{
    const Entry *kept = entry(list);
    return kept ? &kept->column : nullptr;
}

quint64 ValueCache::version(int list) const
{
    const Entry *kept = entry(list);
    return kept ? kept->version : 0;
}

quint64 ValueCache::previousVersion(int list) const
{
    const Entry *kept = entry(list);
    return kept ? kept->previousVersion : 0;
}

int ValueCache::keptRows(int list) const
{
    const Entry *kept = entry(list);
    return kept ? kept->keptRows : -1;
}

QString rowNotice(const Result &result)
{
    if (result.truncated)
        return QCoreApplication::translate("log", "数据超过1000行，只绘制前1000行。");
    if (result.reduced)
        return QCoreApplication::translate("log", "绘制了%1行中的%2行。").arg(result.dataRows).arg(result.drawnRows);
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
    result.firstItem = first;
    if (request.firstRowsOnly && result.dataRows > MaxRows) {
        last = first + MaxRows - 1;
        result.truncated = true;
    }
    result.lastItem = last;

    const QString xName = store.item(request.xCol, request.nameRow - 1);
    for (Tkfdline *chart : charts) {
        chart->xAxis.name = xName;
        chart->xAxis.unit = store.item(request.xCol, request.unitRow - 1);
    }
    // A missing name or unit item is told first; then a column with nothing to draw is
    // refused before its points or scales change.
    const int curves = std::min(int(request.yCols.size()), int(kfdline::MaxCurves));
    for (int k = 0; k < curves; ++k) {
        store.item(request.yCols[k], request.nameRow - 1);
        store.item(request.yCols[k], request.unitRow - 1);
    }
    refuseEmpty(request.xCol, values.column(store, request.xCol, first, last));
    for (int k = 0; k < curves; ++k)
        refuseEmpty(request.yCols[k], values.column(store, request.yCols[k], first, last));
    const columnvalues::Column &xColumn = values.column(store, request.xCol, first, last);
    const columnvalues::RowValues &xValues = xColumn.values;
    const int rows = int(xValues.size());
    const bool xUnix = columnvalues::isUnixSeconds(xName, xColumn);
    result.xTime = xColumn.times || xUnix;
    result.xDated = xColumn.dated || xUnix;
    result.xNotNumbers = xColumn.times ? xColumn.notTimes : xColumn.notNumbers;
    result.valueNotes << columnvalues::notes(request.xCol, xColumn);
    const columnvalues::Values xKept = xColumn.gapRows.empty() ? columnvalues::Values()
                                                               : keptValues(xValues, keptRows(rows, xColumn.gapRows, {}));
    const Range xRange = xColumn.gapRows.empty() ? scan(xValues.data(), xValues.size()) : scan(xKept.data(), xKept.size());
    const int xDecimals = scaleDecimals(xRange, result.xTime);
    for (Tkfdline *chart : charts)
        chart->xAxis.decimals = xDecimals;
    const auto xText = result.xTime ? timescale::scaleText(xColumn.dated || xUnix) : nullptr;
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

    std::vector<const columnvalues::RowValues *> yValues;
    // Per curve: 1 where its point starts a stroke after a gap, in point order.
    std::array<std::vector<char>, kfdline::MaxCurves> strokeStarts;
    int k = 0;
    for (int column : request.yCols) {
        if (k == kfdline::MaxCurves)
            break;
        result.yCol[k] = column;
        const QString yName = store.item(column, request.nameRow - 1);
        for (Tkfdline *chart : charts) {
            chart->curves[k].name = yName;
            chart->curves[k].unit = store.item(column, request.unitRow - 1);
        }
        const columnvalues::Column &yColumn = values.column(store, column, first, last);
        yValues.push_back(&yColumn.values);
        const bool yUnix = columnvalues::isUnixSeconds(yName, yColumn);
        result.yTime[k] = yColumn.times || yUnix;
        result.yNotNumbers[k] = yColumn.times ? yColumn.notTimes : yColumn.notNumbers;
        result.valueNotes << columnvalues::notes(column, yColumn);

        // Ranges and thinning over the rows the curve draws.
        const std::vector<int> kept = keptRows(rows, xColumn.gapRows, yColumn.gapRows);
        const bool allRows = xColumn.gapRows.empty() && yColumn.gapRows.empty();
        const columnvalues::Values drawn = allRows ? columnvalues::Values() : keptValues(yColumn.values, kept);
        const double *rangeValues = allRows ? yColumn.values.data() : drawn.data();
        const int rangeCount = int(allRows ? yColumn.values.size() : drawn.size());
        // The range and the points to draw from one pass over the values.
        rowreduce::Thinned thinned = rowreduce::thinWithRange(rangeValues, rangeCount, MaxRows);
        Range range{thinned.lo, thinned.hi};
        widen(request.scaleMode, &range.lo, &range.hi);
        const int decimals = scaleDecimals(range, result.yTime[k]);
        for (Tkfdline *chart : charts)
            chart->curves[k].decimals = decimals;
        const auto yText = result.yTime[k] ? timescale::scaleText(yColumn.dated || yUnix) : nullptr;
        for (Tkfdline *chart : charts) {
            chart->curves[k].lower = range.lo;
            chart->curves[k].upper = range.hi;
            chart->curves[k].text = yText;
            chart->shown[k] = 1;
        }

        std::vector<int> &pointRows = result.pointRows[size_t(k)];
        pointRows = std::move(thinned.rows);
        std::vector<char> &starts = strokeStarts[size_t(k)];
        starts.assign(pointRows.size(), 0);
        if (!allRows) {
            // Two points are joined only when every row between them holds a reading: their
            // places among the drawn rows lie as far apart as their rows do.
            for (size_t p = 1; p < pointRows.size(); ++p) {
                const int place = pointRows[p], previous = pointRows[p - 1];
                starts[p] = kept[size_t(place)] - kept[size_t(previous)] != place - previous;
            }
            // The first point tells the chart that the curve has gaps at all.
            if (!starts.empty())
                starts[0] = int(kept.size()) < rows;
            for (int &row : pointRows)
                row = kept[size_t(row)];
        }
        result.reduced = result.reduced || rangeCount > MaxRows;
        ++k;
    }
    result.yCount = k;
    if (result.yCount == 0)
        result.reduced = rows - int(xColumn.gapRows.size()) > MaxRows;

    // Row by row as the table runs, each curve taking its own rows: the curves' points
    // (ascending rows each) in the order of their rows, then of their curves.
    std::vector<std::pair<int, int>> points; // row, curve
    for (int j = 0; j < result.yCount; ++j)
        for (int row : result.pointRows[size_t(j)])
            points.emplace_back(row, j);
    std::sort(points.begin(), points.end());
    std::array<size_t, kfdline::MaxCurves> next{};
    for (const auto &[i, j] : points) {
        const size_t p = next[size_t(j)]++;
        if (i < 0 || i >= rows)
            continue;
        const bool startsStroke = strokeStarts[size_t(j)][p] != 0;
        for (Tkfdline *chart : charts)
            chart->AddPoint(j, xValues[size_t(i)], (*yValues[size_t(j)])[size_t(i)], startsStroke);
    }
    for (int j = 0; j < result.yCount; ++j)
        result.drawnRows = std::max(result.drawnRows, int(result.pointRows[size_t(j)].size()));
    return result;
}

}
