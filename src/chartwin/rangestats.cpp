#include "chartwin/rangestats.h"

#include "chartwin/chartdocument.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace rangestats {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Rows summed in double before the sums go into the long double totals: the block totals'
// blocks, so that a block taken whole and one tested row by row round alike.
constexpr int BlockRows = blocksums::Index::BlockRows;

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
};

// One curve's running totals.
struct Pass {
    const double *y = nullptr;
    const std::vector<int> *gaps = nullptr;
    size_t nextGap = 0;
    long long rows = 0;
    long double sum = 0, squares = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

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

    // Rows of a block all of whose readings lie between the limits, from the block totals.
    void takeWhole(const blocksums::Totals &t)
    {
        if (t.rows == 0)
            return;
        rows += t.rows;
        sum += t.sum;
        squares += t.squares;
        min = std::min(min, t.min);
        max = std::max(max, t.max);
    }

    void takeBlock(const double *xs, int from, int to, double lo, double hi)
    {
        eachRun(*gaps, nextGap, from, to, [&](int start, int end) { take(xs, start, end, lo, hi); });
    }
};

// X's extremes per block of BlockRows rows (see Prepared), and over all of them.
struct XBlocks {
    const std::vector<double> &min, &max;
    double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;

    XBlocks(const std::vector<double> &blockMin, const std::vector<double> &blockMax)
        : min(blockMin), max(blockMax)
    {
        for (size_t b = 0; b < min.size(); ++b) {
            lowest = std::min(lowest, min[b]);
            highest = std::max(highest, max[b]);
            if (min[b] != min[b]) { // a NaN reading: no extent known
                lowest = -std::numeric_limits<double>::infinity();
                highest = -lowest;
                break;
            }
        }
    }

    // No X reading lies at or beyond `at`: no line crosses it, no curve reaches it.
    bool beyond(double at) const { return at < lowest || at > highest; }
};

// The first pair of neighbouring rows (its second row returned), neither of them a gap,
// whose line crosses `at`; -1 when there is none. With `blocks`, a block whose rows (and the
// row before it) all lie on one side of `at` is passed over.
int firstCrossing(const double *xs, int count, const std::vector<int> &gaps, double at,
                  const XBlocks *blocks = nullptr)
{
    int found = -1;
    size_t next = 0;
    const auto scan = [&](int from, int to) {
        eachRun(gaps, next, from, to, [&](int start, int end) {
            if (found >= 0)
                return;
            for (int i = start + 1; i < end; ++i)
                if (std::min(xs[i - 1], xs[i]) <= at && at <= std::max(xs[i - 1], xs[i])) {
                    found = i;
                    return;
                }
        });
    };
    if (!blocks) {
        scan(0, count);
        return found;
    }
    for (int from = 0, block = 0; from < count && found < 0; from += BlockRows, ++block) {
        const int to = std::min(count, from + BlockRows);
        const int before = std::max(from - 1, 0);
        double lo = blocks->min[size_t(block)], hi = blocks->max[size_t(block)];
        // The block's extremes leave out its gap rows; the row before may be a gap too, and
        // a block with a NaN reading has NaN extremes: both are simply scanned.
        const bool oneSide = (lo > at && xs[before] > at) || (hi < at && xs[before] < at);
        if (!oneSide)
            scan(before, to);
    }
    return found;
}

// A curve's figures from its running totals (the index's, or a pass over the rows).
template <typename Totals>
void setFigures(const Totals &t, Curve *curve)
{
    curve->rows = t.rows;
    if (t.rows == 0) {
        curve->min = curve->max = curve->mean = curve->rms = NaN;
        return;
    }
    curve->min = t.min;
    curve->max = t.max;
    curve->mean = double(t.sum / t.rows);
    curve->rms = double(std::sqrt(t.squares / t.rows));
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
                    double at, const XBlocks *blocks)
{
    if (blocks && blocks->beyond(at))
        return NaN;
    int i = xCrossing;
    if (i >= 0 && (std::binary_search(gaps.begin(), gaps.end(), i - 1) || std::binary_search(gaps.begin(), gaps.end(), i)))
        i = firstCrossing(x.values, count, gaps, at, blocks);
    return i >= 0 ? interpolated(x.values, y.values, i, at) : nearestValue(x, y, gaps, at);
}

// Positions on a rising X column, found by binary search: readings are counted over the rows
// that are not in `gaps` (ascending), as a row list without them would be.
struct Rising {
    const double *x;
    const std::vector<int> &gaps;
    int count;
    int readings;

    Rising(const double *values, const std::vector<int> &gapRows, int rows)
        : x(values), gaps(gapRows), count(rows),
          readings(rows - int(std::lower_bound(gapRows.begin(), gapRows.end(), rows) - gapRows.begin()))
    {
    }

    bool isGap(int row) const { return std::binary_search(gaps.begin(), gaps.end(), row); }

    // The row of the n-th reading: gaps[i] - i readings lie before the i-th gap.
    int row(int n) const
    {
        int lo = 0, hi = int(gaps.size());
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (gaps[size_t(mid)] - mid > n)
                hi = mid;
            else
                lo = mid + 1;
        }
        return n + lo;
    }

    // The first reading whose X is at least v (above v when `strictly`); readings when none.
    int first(double v, bool strictly) const
    {
        int lo = 0, hi = readings;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const double xv = x[row(mid)];
            if (strictly ? xv > v : xv >= v)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }

    // As firstCrossing: the second row of the first line across `at`, -1 when there is none.
    int crossing(double at) const
    {
        int n = first(at, false);
        if (n == readings)
            return -1;
        int r = row(n);
        if (r > 0 && !isGap(r - 1))
            return r; // the row before is a reading below `at`
        // Lines further on cross only while X stays at `at`.
        while (x[r] == at) {
            if (r + 1 < count && !isGap(r + 1))
                return r + 1;
            if (++n == readings)
                return -1;
            r = row(n);
        }
        return -1;
    }

    // As nearestValue: the value of the first row whose X is nearest, NaN outside the X extent.
    double nearest(const double *y, double at) const
    {
        if (readings == 0 || !(at >= x[row(0)] && at <= x[row(readings - 1)]))
            return NaN;
        const int above = first(at, false);
        if (above == 0)
            return y[row(above)];
        const double below = x[row(above - 1)];
        // A tie goes to the rows below: they come first.
        if (x[row(above)] - at < at - below)
            return y[row(above)];
        return y[row(first(below, false))];
    }
};

}

Prepared::Prepared(const Column &x, const std::vector<Column> &ys)
    : m_x(x), m_ys(ys), m_count(x.count)
{
    for (const Column &y : ys)
        m_count = std::min(m_count, y.count);
    const std::vector<int> &xGaps = gapsOf(x);
    size_t next = 0;
    double previous = -std::numeric_limits<double>::infinity();
    eachRun(xGaps, next, 0, m_count, [&](int start, int end) {
        bool rising = m_rising;
        for (int i = start; i < end; ++i) {
            rising = rising & (x.values[i] >= previous);
            previous = x.values[i];
        }
        m_rising = rising;
    });
    m_gaps.reserve(ys.size()); // the block totals keep pointers to these lists
    for (const Column &y : ys)
        m_gaps.push_back(mergedGaps(x, y));
    m_sums.reserve(ys.size());
    for (size_t k = 0; k < ys.size(); ++k)
        m_sums.emplace_back(ys[k].values, m_count, &m_gaps[k]);
    if (!m_rising)
        xBlocksFrom(0);
}

void Prepared::xBlocksFrom(int fromBlock)
{
    const size_t blocks = size_t((m_count + BlockRows - 1) / BlockRows);
    const size_t from = std::min(size_t(std::max(fromBlock, 0)), m_xMin.size());
    m_xMin.resize(blocks);
    m_xMax.resize(blocks);
    m_xReadings.resize(blocks);
    const std::vector<int> &xGaps = gapsOf(m_x);
    size_t next = 0;
    for (size_t b = from; b < blocks; ++b) {
        const int first = int(b) * BlockRows, end = std::min(m_count, first + BlockRows);
        double mn = std::numeric_limits<double>::infinity(), mx = -mn;
        bool noNumber = false;
        int readings = 0;
        eachRun(xGaps, next, first, end, [&](int start, int stop) {
            for (int i = start; i < stop; ++i) {
                const double v = m_x.values[i];
                mn = v < mn ? v : mn;
                mx = v > mx ? v : mx;
                noNumber |= v != v;
            }
            readings += stop - start;
        });
        // A NaN reading fails every comparison, so the block is neither inside nor outside.
        m_xMin[b] = noNumber ? NaN : mn;
        m_xMax[b] = noNumber ? NaN : mx;
        m_xReadings[b] = readings;
    }
}

void Prepared::extend(const Column &x, const std::vector<Column> &ys, int kept)
{
    int count = x.count;
    for (const Column &y : ys)
        count = std::min(count, y.count);
    kept = std::min({kept, count, m_count});
    // Falling rows taken back, or other curves: worked out whole.
    if (kept <= 0 || ys.size() != m_ys.size() || (!m_rising && kept < m_count)) {
        *this = Prepared(x, ys);
        return;
    }
    m_x = x;
    m_ys = ys;
    m_count = count;
    const std::vector<int> &xGaps = gapsOf(x);
    if (m_rising) {
        // Rising on when the new rows rise from the last reading before them.
        auto gap = std::lower_bound(xGaps.begin(), xGaps.end(), kept);
        int last = kept - 1;
        for (auto before = gap; last >= 0 && before != xGaps.begin() && *(before - 1) == last; --before)
            --last;
        double previous = last >= 0 ? x.values[last] : -std::numeric_limits<double>::infinity();
        size_t next = size_t(gap - xGaps.begin());
        eachRun(xGaps, next, kept, m_count, [&](int start, int end) {
            for (int i = start; i < end; ++i) {
                m_rising = m_rising && x.values[i] >= previous;
                previous = x.values[i];
            }
        });
    }
    for (size_t k = 0; k < ys.size(); ++k) {
        std::vector<int> &gaps = m_gaps[k];
        gaps.erase(std::lower_bound(gaps.begin(), gaps.end(), kept), gaps.end());
        const std::vector<int> &gy = gapsOf(ys[k]);
        std::set_union(std::lower_bound(xGaps.begin(), xGaps.end(), kept), xGaps.end(),
                       std::lower_bound(gy.begin(), gy.end(), kept), gy.end(), std::back_inserter(gaps));
    }
    for (size_t k = 0; k < ys.size(); ++k)
        m_sums[k].extend(ys[k].values, kept, m_count);
    if (m_rising)
        return;
    // Where X stopped rising with these rows, no block has its extremes yet.
    xBlocksFrom(kept / BlockRows);
}

std::size_t Prepared::bytes() const
{
    std::size_t total = 0;
    for (const std::vector<int> &gaps : m_gaps)
        total += gaps.capacity() * sizeof(int);
    for (const blocksums::Index &sums : m_sums)
        total += sums.bytes();
    total += (m_xMin.capacity() + m_xMax.capacity()) * sizeof(double) + m_xReadings.capacity() * sizeof(int);
    return total;
}

Result compute(const Prepared &prepared, double a, double b)
{
    Result result;
    result.a = a;
    result.b = b;
    const double lo = std::min(a, b), hi = std::max(a, b);
    const Column &x = prepared.m_x;
    const std::vector<Column> &ys = prepared.m_ys;
    const int count = prepared.m_count;
    std::vector<Curve> curves(ys.size());
    for (size_t k = 0; k < ys.size(); ++k)
        curves[k].curve = int(k);
    if (prepared.m_rising) {
        const Rising xs(x.values, gapsOf(x), count);
        const int firstIn = xs.first(lo, false), endIn = xs.first(hi, true);
        result.xRows = std::max(0, endIn - firstIn);
        const int first = result.xRows > 0 ? xs.row(firstIn) : 0;
        const int last = result.xRows > 0 ? xs.row(endIn - 1) : -1;
        for (size_t k = 0; k < ys.size(); ++k) {
            Curve &curve = curves[k];
            setFigures(prepared.m_sums[k].over(first, last), &curve);
            const Rising line(x.values, prepared.m_gaps[k], count);
            const auto valueAt = [&](double at) {
                const int i = line.crossing(at);
                return i >= 0 ? interpolated(x.values, ys[k].values, i, at) : line.nearest(ys[k].values, at);
            };
            curve.atA = valueAt(a);
            curve.atB = b == a ? curve.atA : valueAt(b);
        }
        result.curves = curves;
        return result;
    }

    std::vector<Pass> passes(ys.size());
    for (size_t k = 0; k < ys.size(); ++k) {
        passes[k].y = ys[k].values;
        passes[k].gaps = &prepared.m_gaps[k];
    }
    const std::vector<int> &xGaps = gapsOf(x);
    size_t next = 0;
    // Block by block, so X is read from memory once for all curves.
    for (int from = 0, block = 0; from < count; from += BlockRows, ++block) {
        const int to = std::min(count, from + BlockRows);
        const double xMin = prepared.m_xMin[size_t(block)], xMax = prepared.m_xMax[size_t(block)];
        if (prepared.m_xReadings[size_t(block)] == 0 || xMax < lo || xMin > hi)
            continue;
        if (lo <= xMin && xMax <= hi) {
            result.xRows += prepared.m_xReadings[size_t(block)];
            for (size_t k = 0; k < passes.size(); ++k)
                passes[k].takeWhole(prepared.m_sums[k].over(from, to - 1));
            continue;
        }
        eachRun(xGaps, next, from, to, [&](int start, int end) {
            long long n = 0;
            for (int i = start; i < end; ++i)
                n += (x.values[i] >= lo) & (x.values[i] <= hi);
            result.xRows += n;
        });
        for (Pass &pass : passes)
            pass.takeBlock(x.values, from, to, lo, hi);
    }
    const XBlocks blocks{prepared.m_xMin, prepared.m_xMax};
    const int crossA = blocks.beyond(a) ? -1 : firstCrossing(x.values, count, xGaps, a, &blocks);
    const int crossB = b == a ? crossA : blocks.beyond(b) ? -1 : firstCrossing(x.values, count, xGaps, b, &blocks);
    for (size_t k = 0; k < passes.size(); ++k) {
        const Pass &pass = passes[k];
        Curve &curve = curves[k];
        setFigures(pass, &curve);
        curve.atA = curveValueAt(x, ys[k], *pass.gaps, count, crossA, a, &blocks);
        curve.atB = curveValueAt(x, ys[k], *pass.gaps, count, crossB, b, &blocks);
    }
    result.curves = curves;
    return result;
}

Result compute(const Column &x, const std::vector<Column> &ys, double a, double b)
{
    return compute(Prepared(x, ys), a, b);
}

namespace {

// The columns of the document's last load; false when it has none whole.
bool loadedColumns(const ChartDocument &document, Column *x, std::vector<Column> *ys)
{
    const lineload::Result &loaded = document.loaded();
    // A load refused half-way may have converted other rows of a list than the charts show:
    // no figures rather than rows that do not belong to the chart.
    const size_t rows = size_t(loaded.truncated ? lineload::MaxRows : loaded.dataRows);
    const columnvalues::Column *xColumn = document.values(loaded.xCol);
    if (xColumn && xColumn->values.size() != rows)
        xColumn = nullptr;
    ys->clear();
    for (int k = 0; xColumn && k < loaded.yCount; ++k) {
        const columnvalues::Column *yColumn = document.values(loaded.yCol[k]);
        if (!yColumn || yColumn->values.size() != rows) {
            ys->clear();
            break;
        }
        ys->push_back(Column{yColumn->values.data(), int(yColumn->values.size()), &yColumn->gapRows});
    }
    if (!xColumn || ys->empty())
        return false;
    *x = Column{xColumn->values.data(), int(xColumn->values.size()), &xColumn->gapRows};
    return true;
}

}

Prepared prepare(const ChartDocument &document)
{
    Column x;
    std::vector<Column> ys;
    if (!loadedColumns(document, &x, &ys))
        return Prepared();
    return Prepared(x, ys);
}

void prepareGrown(Prepared &prepared, const ChartDocument &document, int kept)
{
    Column x;
    std::vector<Column> ys;
    if (!loadedColumns(document, &x, &ys))
        prepared = Prepared();
    else if (prepared.isEmpty())
        prepared = Prepared(x, ys);
    else
        prepared.extend(x, ys, kept);
}

Result compute(const ChartDocument &document, double a, double b)
{
    const Prepared &prepared = document.statsIndex();
    if (prepared.isEmpty()) {
        Result none;
        none.a = a;
        none.b = b;
        return none;
    }
    return compute(prepared, a, b);
}

double valueAt(const Column &x, const Column &y, double at)
{
    const Result r = compute(x, {y}, at, at);
    return r.curves.front().atA;
}

}
