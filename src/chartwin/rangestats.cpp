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

// One curve's running totals, and the first line of it that crosses A and B.
struct Pass {
    const double *y = nullptr;
    std::vector<int> gaps;
    size_t nextGap = 0;
    long long rows = 0;
    long double sum = 0, squares = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    bool hasPrevious = false; // the row before holds a reading: the line runs on
    double px = 0, py = 0;
    bool foundA = false, foundB = false;
    double atA = NaN, atB = NaN;

    // Rows from..to-1, all of them readings and following the row before unless told.
    void take(const double *xs, int from, int to, double lo, double hi, double a, double b)
    {
        double s = 0, q = 0;
        double mn = min, mx = max;
        long long n = 0;
        for (int i = from; i < to; ++i) {
            const double x = xs[i], v = y[i];
            if (x >= lo && x <= hi) {
                ++n;
                s += v;
                q += v * v;
                mn = std::min(mn, v);
                mx = std::max(mx, v);
            }
            if (hasPrevious && !(foundA && foundB)) {
                const double left = std::min(px, x), right = std::max(px, x);
                if (!foundA && left <= a && a <= right) {
                    foundA = true;
                    atA = x == px ? v : py + (v - py) * ((a - px) / (x - px));
                }
                if (!foundB && left <= b && b <= right) {
                    foundB = true;
                    atB = x == px ? v : py + (v - py) * ((b - px) / (x - px));
                }
            }
            hasPrevious = true;
            px = x;
            py = v;
        }
        rows += n;
        sum += s;
        squares += q;
        min = mn;
        max = mx;
    }

    // Rows from..to-1 of one block: runs of readings between the gaps.
    void takeBlock(const double *xs, int from, int to, double lo, double hi, double a, double b)
    {
        int start = from;
        while (start < to) {
            while (nextGap < gaps.size() && gaps[nextGap] < start)
                ++nextGap;
            const int gap = nextGap < gaps.size() ? gaps[nextGap] : to;
            const int end = std::min(gap, to);
            take(xs, start, end, lo, hi, a, b);
            if (end == gap && gap < to) {
                hasPrevious = false; // the line breaks at a row without a reading
                start = gap + 1;
            } else {
                start = end;
            }
        }
    }
};

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
    // Block by block, so X is read from memory once for all curves.
    for (int from = 0; from < count; from += BlockRows) {
        const int to = std::min(count, from + BlockRows);
        for (Pass &pass : passes)
            pass.takeBlock(x.values, from, to, lo, hi, a, b);
    }
    const std::vector<int> &xGaps = gapsOf(x);
    size_t g = 0;
    for (int i = 0; i < count; ++i) {
        if (g < xGaps.size() && xGaps[g] == i) {
            ++g;
            continue;
        }
        result.xRows += x.values[i] >= lo && x.values[i] <= hi;
    }
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
        curve.atA = pass.foundA ? pass.atA : nearestValue(x, ys[k], pass.gaps, a);
        curve.atB = pass.foundB ? pass.atB : nearestValue(x, ys[k], pass.gaps, b);
        result.curves.push_back(curve);
    }
    return result;
}

Result compute(const ChartDocument &document, double a, double b)
{
    const lineload::Result &loaded = document.loaded();
    const columnvalues::Column *xColumn = document.values(loaded.xCol);
    std::vector<Column> ys;
    for (int k = 0; xColumn && k < loaded.yCount; ++k) {
        const columnvalues::Column *yColumn = document.values(loaded.yCol[k]);
        if (!yColumn) {
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
