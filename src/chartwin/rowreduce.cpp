#include "chartwin/rowreduce.h"

#include "base/twothreads.h"
#include "chartwin/runextremes.h"

#include <algorithm>

namespace rowreduce {

namespace {

int usablePoints(int maxPoints)
{
    return std::max(maxPoints, 4);
}

struct Extremes {
    int low = 0;
    int high = 0;
};

// The first row of the smallest and of the largest value of rows [start, end), start < end.
Extremes extremesOf(const double *values, int start, int end)
{
    Extremes e{start, start};
    double low = values[start], high = values[start];
    extendExtremes(values, start + 1, end, low, e.low, high, e.high);
    return e;
}

// Every bucket's extremes; empty buckets keep {0, 0} and are passed over.
std::vector<Extremes> bucketExtremes(const double *values, const std::vector<int> &edges, bool split)
{
    const int buckets = int(edges.size()) - 1;
    std::vector<Extremes> out(size_t(std::max(buckets, 0)));
    const auto some = [&](int from, int to) {
        for (int b = from; b < to; ++b)
            if (edges[size_t(b)] < edges[size_t(b) + 1])
                out[size_t(b)] = extremesOf(values, edges[size_t(b)], edges[size_t(b) + 1]);
    };
    if (split && buckets >= 2)
        twothreads::both([&] { some(0, buckets / 2); }, [&] { some(buckets / 2, buckets); });
    else
        some(0, buckets);
    return out;
}

// The bucket extremes as rows to draw: the first row, each bucket's one or two rows in row
// order, the last row.
std::vector<int> keptRows(const std::vector<int> &edges, const std::vector<Extremes> &extremes, int rows)
{
    std::vector<int> kept;
    kept.reserve(extremes.size() * 2 + 2);
    kept.push_back(0);
    for (size_t b = 0; b < extremes.size(); ++b) {
        if (edges[b] >= edges[b + 1])
            continue;
        const Extremes &e = extremes[b];
        // In row order, so the line runs through both extremes as the data did.
        kept.push_back(std::min(e.low, e.high));
        if (e.low != e.high)
            kept.push_back(std::max(e.low, e.high));
    }
    kept.push_back(rows - 1);
    return kept;
}

std::vector<int> everyRow(int rows)
{
    std::vector<int> kept(size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r)
        kept[size_t(r)] = r;
    return kept;
}

}

std::vector<int> bucketEdges(int rows, int maxPoints)
{
    maxPoints = usablePoints(maxPoints);
    if (rows <= maxPoints)
        return {};
    const long long inner = rows - 2;
    const long long buckets = (maxPoints - 2) / 2;
    std::vector<int> edges;
    edges.reserve(size_t(buckets) + 1);
    for (long long b = 0; b <= buckets; ++b)
        edges.push_back(int(1 + b * inner / buckets));
    return edges;
}

std::vector<int> extremaRows(const double *values, int rows, int maxPoints)
{
    const std::vector<int> edges = bucketEdges(rows, maxPoints);
    if (edges.empty())
        return everyRow(rows);
    return keptRows(edges, bucketExtremes(values, edges, rows >= twothreads::SplitFrom), rows);
}

Thinned thinWithRange(const double *values, int rows, int maxPoints)
{
    Thinned out;
    if (rows <= 0)
        return out;
    const std::vector<int> edges = bucketEdges(rows, maxPoints);
    if (edges.empty()) {
        out.rows = everyRow(rows);
        const Extremes e = extremesOf(values, 0, rows);
        out.lo = values[e.low];
        out.hi = values[e.high];
        return out;
    }
    const std::vector<Extremes> extremes = bucketExtremes(values, edges, rows >= twothreads::SplitFrom);
    out.rows = keptRows(edges, extremes, rows);
    // The buckets cover every row between the first and the last: their extremes taken in row
    // order with the same strict comparisons are the whole scan's.
    out.lo = out.hi = values[0];
    const auto see = [&](int low, int high) {
        if (values[low] < out.lo)
            out.lo = values[low];
        if (values[high] > out.hi)
            out.hi = values[high];
    };
    for (size_t b = 0; b < extremes.size(); ++b)
        if (edges[b] < edges[b + 1])
            see(extremes[b].low, extremes[b].high);
    see(rows - 1, rows - 1);
    return out;
}

}
