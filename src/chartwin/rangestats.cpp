#include "chartwin/rangestats.h"

#include "chartwin/chartdocument.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace rangestats {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Rows summed in double before the sums go into the long double totals: short enough that a
// block's rounding stays far below what a long run would pile up.
constexpr int BlockRows = 1024;

const std::vector<int> &gapsOf(const Column &column)
{
    static const std::vector<int> none;
    return column.gapRows ? *column.gapRows : none;
}

// Rows where X or Y holds no reading, ascending, once each.
std::vector<int> mergedGaps(const Column &x, const Column &y)
{
    const std::vector<int> &gx = gapsOf(x), &gy = gapsOf(y);
    std::vector<int> merged;
    merged.reserve(gx.size() + gy.size());
    std::set_union(gx.begin(), gx.end(), gy.begin(), gy.end(), std::back_inserter(merged));
    return merged;
}

// Calls take(from, to) for every run of rows from..to-1 between the gap rows; `next` keeps
// its place in the gaps from one call to the next.
template <typename Take>
void eachRun(const std::vector<int> &gaps, size_t &next, int from, int to, Take take)
{
    int start = from;
    while (start < to) {
        while (next < gaps.size() && gaps[next] < start)
            ++next;
        const int gap = next < gaps.size() ? gaps[next] : to;
        const int end = std::min(gap, to);
        if (end > start)
            take(start, end);
        start = end == gap ? gap + 1 : end;
    }
}

// Sums of one lane of rows, without a branch on whether a row lies between the limits.
struct Lane {
    double s = 0, q = 0;
    double mn = std::numeric_limits<double>::infinity();
    double mx = -std::numeric_limits<double>::infinity();
    long long n = 0;

    void add(double x, double v, double lo, double hi)
    {
        constexpr double Inf = std::numeric_limits<double>::infinity();
        const bool in = (x >= lo) & (x <= hi);
        const double w = in ? v : 0;
        s += w;
        q += w * w;
        mn = std::min(mn, in ? v : Inf);
        mx = std::max(mx, in ? v : -Inf);
        n += in;
    }

    // A row known to lie between the limits.
    void add(double v)
    {
        s += v;
        q += v * v;
        mn = std::min(mn, v);
        mx = std::max(mx, v);
        ++n;
    }
};

// One curve's running totals.
struct Pass {
    const double *y = nullptr;
    std::vector<int> gaps;
    size_t nextGap = 0;
    long long rows = 0;
    long double sum = 0, squares = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

    // Rows from..to-1, all of them readings and all between the limits.
    void takeAll(int from, int to)
    {
        Lane l0, l1, l2, l3;
        int i = from;
        for (; i + 4 <= to; i += 4) {
            l0.add(y[i]);
            l1.add(y[i + 1]);
            l2.add(y[i + 2]);
            l3.add(y[i + 3]);
        }
        for (; i < to; ++i)
            l0.add(y[i]);
        gather(l0, l1, l2, l3);
    }

    void gather(const Lane &l0, const Lane &l1, const Lane &l2, const Lane &l3)
    {
        rows += l0.n + l1.n + l2.n + l3.n;
        sum += (long double)(l0.s + l1.s) + (long double)(l2.s + l3.s);
        squares += (long double)(l0.q + l1.q) + (long double)(l2.q + l3.q);
        min = std::min({min, l0.mn, l1.mn, l2.mn, l3.mn});
        max = std::max({max, l0.mx, l1.mx, l2.mx, l3.mx});
    }

    // Rows from..to-1, all of them readings. Four lanes, so that no lane waits for the
    // last addition of another.
    void take(const double *xs, int from, int to, double lo, double hi)
    {
        Lane l0, l1, l2, l3;
        int i = from;
        for (; i + 4 <= to; i += 4) {
            l0.add(xs[i], y[i], lo, hi);
            l1.add(xs[i + 1], y[i + 1], lo, hi);
            l2.add(xs[i + 2], y[i + 2], lo, hi);
            l3.add(xs[i + 3], y[i + 3], lo, hi);
        }
        for (; i < to; ++i)
            l0.add(xs[i], y[i], lo, hi);
        gather(l0, l1, l2, l3);
    }

    void takeBlock(const double *xs, int from, int to, double lo, double hi)
    {
        eachRun(gaps, nextGap, from, to, [&](int start, int end) { take(xs, start, end, lo, hi); });
    }

    void takeAllBlock(int from, int to)
    {
        eachRun(gaps, nextGap, from, to, [&](int start, int end) { takeAll(start, end); });
    }
};

// The first pair of neighbouring rows (its second row returned), neither of them a gap,
// whose line crosses `at`; -1 when there is none.
int firstCrossing(const double *xs, int count, const std::vector<int> &gaps, double at)
{
    int found = -1;
    size_t next = 0;
    eachRun(gaps, next, 0, count, [&](int start, int end) {
        if (found >= 0)
            return;
        for (int i = start + 1; i < end; ++i)
            if (std::min(xs[i - 1], xs[i]) <= at && at <= std::max(xs[i - 1], xs[i])) {
                found = i;
                return;
            }
    });
    return found;
}

double interpolated(const double *xs, const double *ys, int i, double at)
{
    const double x0 = xs[i - 1], x1 = xs[i], y0 = ys[i - 1], y1 = ys[i];
    return x1 == x0 ? y1 : y0 + (y1 - y0) * ((at - x0) / (x1 - x0));
}

// Where no line crosses `at`: the nearest reading's value inside the curve's X extent.
double nearestValue(const Column &x, const Column &y, const std::vector<int> &gaps, double at)
{
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    double best = std::numeric_limits<double>::infinity(), value = NaN;
    size_t g = 0;
    const int count = std::min(x.count, y.count);
    for (int i = 0; i < count; ++i) {
        if (g < gaps.size() && gaps[g] == i) {
            ++g;
            continue;
        }
        const double xv = x.values[i];
        lo = std::min(lo, xv);
        hi = std::max(hi, xv);
        const double d = std::fabs(xv - at);
        if (d < best) {
            best = d;
            value = y.values[i];
        }
    }
    return at >= lo && at <= hi ? value : NaN;
}

// The value of curve y at `at`: on the X column's first line across it when this curve has
// readings at both its rows (no earlier line of the curve can cross then), else its own
// first line across, else its nearest reading.
double curveValueAt(const Column &x, const Column &y, const std::vector<int> &gaps, int count, int xCrossing,
                    double at)
{
    int i = xCrossing;
    if (i >= 0 && (std::binary_search(gaps.begin(), gaps.end(), i - 1) || std::binary_search(gaps.begin(), gaps.end(), i)))
        i = firstCrossing(x.values, count, gaps, at);
    return i >= 0 ? interpolated(x.values, y.values, i, at) : nearestValue(x, y, gaps, at);
}

}

Result compute(const Column &x, const std::vector<Column> &ys, double a, double b)
{
    Result result;
    result.a = a;
    result.b = b;
    const double lo = std::min(a, b), hi = std::max(a, b);
    std::vector<Pass> passes(ys.size());
    int count = x.count;
    for (size_t k = 0; k < ys.size(); ++k) {
        passes[k].y = ys[k].values;
        passes[k].gaps = mergedGaps(x, ys[k]);
        count = std::min(count, ys[k].count);
    }
    // One pass over X: the rows between the limits, and whether its readings never fall.
    const std::vector<int> &xGaps = gapsOf(x);
    size_t next = 0;
    bool rising = true;
    double previous = -std::numeric_limits<double>::infinity();
    int first = -1, last = -1;
    eachRun(xGaps, next, 0, count, [&](int start, int end) {
        long long n = 0;
        for (int i = start; i < end; ++i) {
            const double v = x.values[i];
            rising = rising & (v >= previous);
            previous = v;
            const bool in = (v >= lo) & (v <= hi);
            n += in;
            last = in ? i : last;
            first = in && first < 0 ? i : first;
        }
        result.xRows += n;
    });
    if (rising) {
        // Rising X: the rows between the limits are first..last, whose X need no test.
        for (int from = first; first >= 0 && from <= last; from += BlockRows)
            for (Pass &pass : passes)
                pass.takeAllBlock(from, std::min(last + 1, from + BlockRows));
    } else {
        // Block by block, so X is read from memory once for all curves.
        for (int from = 0; from < count; from += BlockRows) {
            const int to = std::min(count, from + BlockRows);
            for (Pass &pass : passes)
                pass.takeBlock(x.values, from, to, lo, hi);
        }
    }
    const int crossA = firstCrossing(x.values, count, xGaps, a);
    const int crossB = b == a ? crossA : firstCrossing(x.values, count, xGaps, b);
    for (size_t k = 0; k < passes.size(); ++k) {
        const Pass &pass = passes[k];
        Curve curve;
        curve.curve = int(k);
        curve.rows = pass.rows;
        if (pass.rows > 0) {
            curve.min = pass.min;
            curve.max = pass.max;
            curve.mean = double(pass.sum / pass.rows);
            curve.rms = double(std::sqrt(pass.squares / pass.rows));
        } else {
            curve.min = curve.max = curve.mean = curve.rms = NaN;
        }
        curve.atA = curveValueAt(x, ys[k], pass.gaps, count, crossA, a);
        curve.atB = curveValueAt(x, ys[k], pass.gaps, count, crossB, b);
        result.curves.push_back(curve);
    }
    return result;
}

Result compute(const ChartDocument &document, double a, double b)
{
    const lineload::Result &loaded = document.loaded();
    // A load refused half-way may have converted other rows of a list than the charts show:
    // no figures rather than rows that do not belong to the chart.
    const size_t rows = size_t(loaded.truncated ? lineload::MaxRows : loaded.dataRows);
    const columnvalues::Column *xColumn = document.values(loaded.xCol);
    if (xColumn && xColumn->values.size() != rows)
        xColumn = nullptr;
    std::vector<Column> ys;
    for (int k = 0; xColumn && k < loaded.yCount; ++k) {
        const columnvalues::Column *yColumn = document.values(loaded.yCol[k]);
        if (!yColumn || yColumn->values.size() != rows) {
            ys.clear();
            break;
        }
        ys.push_back(Column{yColumn->values.data(), int(yColumn->values.size()), &yColumn->gapRows});
    }
    if (!xColumn || ys.empty()) {
        Result none;
        none.a = a;
        none.b = b;
        return none;
    }
    return compute(Column{xColumn->values.data(), int(xColumn->values.size()), &xColumn->gapRows}, ys, a, b);
}

double valueAt(const Column &x, const Column &y, double at)
{
    const Result r = compute(x, {y}, at, at);
    return r.curves.front().atA;
}

}
