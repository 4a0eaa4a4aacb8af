#include "chartwin/extremaindex.h"

#include "base/twothreads.h"
#include "chartwin/runextremes.h"

#include <algorithm>

namespace extremaindex {

Index::Index(const double *values, int rows, std::vector<int> gaps)
    : m_values(values), m_rows(rows), m_gaps(std::move(gaps))
{
    std::sort(m_gaps.begin(), m_gaps.end());
    m_gaps.erase(std::unique(m_gaps.begin(), m_gaps.end()), m_gaps.end());
    indexBlocks(0);
}

void Index::extend(const double *values, int kept, int rows, const std::vector<int> &newGaps)
{
    kept = std::clamp(kept, 0, std::min(m_rows, rows));
    m_values = values;
    m_rows = rows;
    m_gaps.erase(std::lower_bound(m_gaps.begin(), m_gaps.end(), kept), m_gaps.end());
    const size_t from = m_gaps.size();
    for (int gap : newGaps)
        if (gap >= kept && gap < rows)
            m_gaps.push_back(gap);
    std::sort(m_gaps.begin() + std::ptrdiff_t(from), m_gaps.end());
    m_gaps.erase(std::unique(m_gaps.begin() + std::ptrdiff_t(from), m_gaps.end()), m_gaps.end());
    indexBlocks(kept / BlockRows);
}

void Index::indexBlocks(int fromBlock)
{
    const int blocks = (m_rows + BlockRows - 1) / BlockRows;
    m_blockLow.resize(size_t(blocks));
    m_blockHigh.resize(size_t(blocks));
    m_blockMin.resize(size_t(blocks));
    m_blockMax.resize(size_t(blocks));
    const auto some = [this](int from, int to) {
        for (int b = from; b < to; ++b) {
            const Extremes e = scan(b * BlockRows, std::min(m_rows, (b + 1) * BlockRows) - 1);
            m_blockLow[size_t(b)] = e.low;
            m_blockHigh[size_t(b)] = e.high;
            m_blockMin[size_t(b)] = e.isEmpty() ? 0 : m_values[e.low];
            m_blockMax[size_t(b)] = e.isEmpty() ? 0 : m_values[e.high];
        }
    };
    // Blocks stand alone: those of a long column are shared by two threads.
    const int first = std::max(fromBlock, 0);
    const int middle = first + int(twothreads::middle(std::int64_t(blocks - first) * BlockRows) / BlockRows);
    if (middle > first)
        twothreads::both([&] { some(middle, blocks); }, [&] { some(first, middle); });
    else
        some(first, blocks);
}

bool Index::isGap(int row) const
{
    return std::binary_search(m_gaps.begin(), m_gaps.end(), row);
}

int Index::readingsBefore(int row) const
{
    row = std::clamp(row, 0, m_rows);
    return row - int(std::lower_bound(m_gaps.begin(), m_gaps.end(), row) - m_gaps.begin());
}

int Index::rowOfReading(int n) const
{
    if (n < 0)
        return -1;
    // gaps[i] - i readings lie before the i-th gap: the first gap with more than n of them
    // before it tells how many gaps the n-th reading passes.
    int lo = 0, hi = int(m_gaps.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (m_gaps[size_t(mid)] - mid > n)
            hi = mid;
        else
            lo = mid + 1;
    }
    return std::min(n + lo, m_rows);
}

Extremes Index::scan(int first, int last) const
{
    Extremes e;
    double low = 0, high = 0;
    auto gap = std::lower_bound(m_gaps.begin(), m_gaps.end(), first);
    // Run by run between the gaps, the extremes' values held beside their rows.
    for (int r = first; r <= last;) {
        const bool gapAhead = gap != m_gaps.end() && *gap <= last;
        const int end = gapAhead ? *gap : last + 1;
        if (e.low < 0 && r < end) {
            e.low = e.high = r;
            low = high = m_values[r];
            ++r;
        }
        extendExtremes(m_values, r, end, low, e.low, high, e.high);
        r = end + 1;
        if (gapAhead)
            ++gap;
    }
    return e;
}

Extremes Index::partial(int first, int last) const
{
    if (last < first)
        return Extremes{};
    const size_t b = size_t(first / BlockRows);
    const int low = m_blockLow[b], high = m_blockHigh[b];
    if (low < 0)
        return Extremes{}; // the block holds no reading
    // Where the block's first minimum and first maximum lie in the stretch, they are the
    // stretch's too, unless the stretch's first reading is NaN (a scan would keep that one).
    if (low >= first && low <= last && high >= first && high <= last && !isGap(first)
        && m_values[first] == m_values[first])
        return Extremes{low, high};
    return scan(first, last);
}

Extremes Index::merge(Extremes earlier, Extremes later) const
{
    if (earlier.isEmpty())
        return later;
    if (later.isEmpty())
        return earlier;
    // Strict: on a tie the earlier row stays, as in one scan.
    if (m_values[later.low] < m_values[earlier.low])
        earlier.low = later.low;
    if (m_values[later.high] > m_values[earlier.high])
        earlier.high = later.high;
    return earlier;
}

Extremes Index::over(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, m_rows - 1);
    if (last < first)
        return Extremes{};
    const int firstWhole = (first + BlockRows - 1) / BlockRows;
    const int endWhole = (last + 1) / BlockRows; // blocks firstWhole .. endWhole - 1 lie inside
    if (firstWhole >= endWhole)
        return scan(first, last);
    Extremes e = partial(first, firstWhole * BlockRows - 1);
    // Strict comparisons in block order keep the first row of each extreme, as one scan.
    int b = firstWhole;
    while (e.isEmpty() && b < endWhole) {
        e = Extremes{m_blockLow[size_t(b)], m_blockHigh[size_t(b)]};
        ++b;
    }
    if (!e.isEmpty()) {
        double low = m_values[e.low], high = m_values[e.high];
        for (; b < endWhole; ++b) {
            if (m_blockLow[size_t(b)] < 0)
                continue;
            if (m_blockMin[size_t(b)] < low) {
                low = m_blockMin[size_t(b)];
                e.low = m_blockLow[size_t(b)];
            }
            if (m_blockMax[size_t(b)] > high) {
                high = m_blockMax[size_t(b)];
                e.high = m_blockHigh[size_t(b)];
            }
        }
    }
    return merge(e, partial(endWhole * BlockRows, last));
}

std::size_t Index::bytes() const
{
    return (m_blockLow.capacity() + m_blockHigh.capacity() + m_gaps.capacity()) * sizeof(int)
           + (m_blockMin.capacity() + m_blockMax.capacity()) * sizeof(double);
}

}
