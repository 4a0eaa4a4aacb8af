#include "chartwin/blocksums.h"

#include "base/twothreads.h"

#include <algorithm>
#include <limits>

namespace blocksums {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

// Sums of one lane of rows in double: a block is short enough that its rounding stays far
// below what a long run would pile up.
struct Lane {
    double s = 0, q = 0, mn = Inf, mx = -Inf;
    long long n = 0;

    void add(double v)
    {
        s += v;
        q += v * v;
        mn = std::min(mn, v);
        mx = std::max(mx, v);
        ++n;
    }
};

// Rows from..to-1, all readings. Four lanes, so that no lane waits for another's addition.
Totals sumRun(const double *y, int from, int to)
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
    Totals t;
    t.rows = l0.n + l1.n + l2.n + l3.n;
    t.sum = (long double)(l0.s + l1.s) + (long double)(l2.s + l3.s);
    t.squares = (long double)(l0.q + l1.q) + (long double)(l2.q + l3.q);
    t.min = std::min({l0.mn, l1.mn, l2.mn, l3.mn});
    t.max = std::max({l0.mx, l1.mx, l2.mx, l3.mx});
    return t;
}

}

void Totals::add(const Totals &more)
{
    if (more.rows == 0)
        return;
    min = rows == 0 ? more.min : std::min(min, more.min);
    max = rows == 0 ? more.max : std::max(max, more.max);
    rows += more.rows;
    sum += more.sum;
    squares += more.squares;
}

Index::Index(const double *values, int rows, const std::vector<int> *gaps)
    : m_values(values), m_rows(rows), m_gaps(gaps)
{
    sumBlocks(0);
}

void Index::extend(const double *values, int kept, int rows)
{
    kept = std::clamp(kept, 0, std::min(m_rows, rows));
    m_values = values;
    m_rows = rows;
    sumBlocks(kept / BlockRows);
}

void Index::sumBlocks(int fromBlock)
{
    const size_t blocks = size_t((m_rows + BlockRows - 1) / BlockRows);
    m_count.resize(blocks);
    m_sum.resize(blocks);
    m_squares.resize(blocks);
    m_min.resize(blocks);
    m_max.resize(blocks);
    const auto some = [this](size_t from, size_t to) {
        for (size_t b = from; b < to; ++b) {
            const int first = int(b) * BlockRows;
            const Totals t = scan(first, std::min(m_rows, first + BlockRows) - 1);
            m_count[b] = int(t.rows);
            m_sum[b] = double(t.sum);
            m_squares[b] = double(t.squares);
            m_min[b] = t.min;
            m_max[b] = t.max;
        }
    };
    // Blocks stand alone: those of a long column are shared by two threads.
    const size_t first = size_t(std::max(fromBlock, 0));
    const size_t middle = first + size_t(twothreads::middle(std::int64_t(blocks - std::min(first, blocks)) * BlockRows) / BlockRows);
    if (middle > first)
        twothreads::both([&] { some(middle, blocks); }, [&] { some(first, middle); });
    else
        some(first, blocks);
}

Totals Index::scan(int first, int last) const
{
    Totals t;
    static const std::vector<int> none;
    const std::vector<int> &gaps = m_gaps ? *m_gaps : none;
    auto gap = std::lower_bound(gaps.begin(), gaps.end(), first);
    int start = first;
    while (start <= last) {
        const int end = gap != gaps.end() && *gap <= last ? *gap : last + 1;
        if (end > start)
            t.add(sumRun(m_values, start, end));
        start = end + 1;
        if (gap != gaps.end())
            ++gap;
    }
    return t;
}

Totals Index::over(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, m_rows - 1);
    if (last < first)
        return Totals{};
    const int firstWhole = (first + BlockRows - 1) / BlockRows;
    const int endWhole = (last + 1) / BlockRows; // blocks firstWhole .. endWhole - 1 lie inside
    if (firstWhole >= endWhole)
        return scan(first, last);
    Totals t = scan(first, firstWhole * BlockRows - 1);
    for (int b = firstWhole; b < endWhole; ++b) {
        const size_t i = size_t(b);
        if (m_count[i] == 0)
            continue;
        Totals block;
        block.rows = m_count[i];
        block.sum = m_sum[i];
        block.squares = m_squares[i];
        block.min = m_min[i];
        block.max = m_max[i];
        t.add(block);
    }
    t.add(scan(endWhole * BlockRows, last));
    return t;
}

std::size_t Index::bytes() const
{
    return m_count.capacity() * sizeof(int)
           + (m_sum.capacity() + m_squares.capacity() + m_min.capacity() + m_max.capacity()) * sizeof(double);
}

}
