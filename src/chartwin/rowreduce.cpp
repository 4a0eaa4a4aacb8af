#include "chartwin/rowreduce.h"

#include <algorithm>

namespace rowreduce {

namespace {

int usablePoints(int maxPoints)
{
    return std::max(maxPoints, 4);
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
    std::vector<int> kept;
    const std::vector<int> edges = bucketEdges(rows, maxPoints);
    if (edges.empty()) {
        kept.resize(size_t(rows));
        for (int r = 0; r < rows; ++r)
            kept[size_t(r)] = r;
        return kept;
    }
    kept.reserve(edges.size() * 2 + 1);
    kept.push_back(0);
    for (size_t b = 0; b + 1 < edges.size(); ++b) {
        const int start = edges[b];
        const int end = edges[b + 1];
        if (start >= end)
            continue;
        int low = start, high = start;
        for (int r = start + 1; r < end; ++r) {
            if (values[size_t(r)] < values[size_t(low)])
                low = r;
            if (values[size_t(r)] > values[size_t(high)])
                high = r;
        }
        // In row order, so the line runs through both extremes as the data did.
        kept.push_back(std::min(low, high));
        if (low != high)
            kept.push_back(std::max(low, high));
    }
    kept.push_back(rows - 1);
    return kept;
}

}
