#include "chartwin/viewrows.h"

#include "chartwin/rowreduce.h"

#include <algorithm>

namespace viewrows {

namespace {

// A run as a stretch of the curve's readings, and where it starts among all readings of
// the runs.
struct Piece {
    int firstReading = 0; // among the curve's readings of the whole table
    int count = 0;
    int offset = 0;       // among the readings of the runs
};

std::vector<Piece> piecesOf(const extremaindex::Index &curve, const std::vector<Run> &runs, int *total)
{
    std::vector<Piece> pieces;
    pieces.reserve(runs.size());
    int offset = 0;
    for (const Run &run : runs) {
        const int a = curve.readingsBefore(run.first);
        const int b = curve.readingsBefore(run.last + 1);
        if (b > a) {
            pieces.push_back(Piece{a, b - a, offset});
            offset += b - a;
        }
    }
    *total = offset;
    return pieces;
}

// Extremes over the readings start..end - 1 of the runs.
extremaindex::Extremes extremesOfSpan(const extremaindex::Index &curve, const std::vector<Piece> &pieces,
                                      int start, int end)
{
    extremaindex::Extremes e;
    auto piece = std::upper_bound(pieces.begin(), pieces.end(), start,
                                  [](int at, const Piece &p) { return at < p.offset; });
    if (piece != pieces.begin())
        --piece;
    for (; piece != pieces.end() && piece->offset < end; ++piece) {
        const int from = std::max(start, piece->offset) - piece->offset + piece->firstReading;
        const int to = std::min(end, piece->offset + piece->count) - piece->offset + piece->firstReading;
        if (to <= from)
            continue;
        e = curve.merge(e, curve.over(curve.rowOfReading(from), curve.rowOfReading(to - 1)));
    }
    return e;
}

// Place of a row (a reading in one of the runs) among the readings of the runs.
int placeOf(const extremaindex::Index &curve, const std::vector<Run> &runs, const std::vector<Piece> &pieces,
            int row)
{
    const auto run = std::upper_bound(runs.begin(), runs.end(), row,
                                      [](int r, const Run &x) { return r < x.first; }) - 1;
    const int reading = curve.readingsBefore(row);
    const int runStart = curve.readingsBefore(run->first);
    const auto piece = std::lower_bound(pieces.begin(), pieces.end(), runStart,
                                        [](const Piece &p, int r) { return p.firstReading < r; });
    return piece->offset + reading - runStart;
}

}

bool rises(const extremaindex::Index &x)
{
    const double *v = x.values();
    const std::vector<int> &gaps = x.gaps();
    auto gap = gaps.begin();
    bool started = false;
    double previous = 0;
    for (int r = 0; r < x.rows(); ++r) {
        if (gap != gaps.end() && *gap == r) {
            ++gap;
            continue;
        }
        if (started && v[r] < previous)
            return false;
        previous = v[r];
        started = true;
    }
    return true;
}

std::vector<Run> rowsInView(const extremaindex::Index &x, bool rising, double lo, double hi)
{
    std::vector<Run> runs;
    if (!(lo <= hi))
        return runs;
    const double *v = x.values();
    if (rising) {
        const int readings = x.readingsBefore(x.rows());
        auto firstAtLeast = [&](auto inView) {
            int a = 0, b = readings;
            while (a < b) {
                const int mid = a + (b - a) / 2;
                if (inView(v[x.rowOfReading(mid)]))
                    b = mid;
                else
                    a = mid + 1;
            }
            return a;
        };
        const int first = firstAtLeast([lo](double value) { return value >= lo; });
        const int end = firstAtLeast([hi](double value) { return value > hi; });
        if (first < end)
            runs.push_back(Run{x.rowOfReading(first), x.rowOfReading(end - 1)});
        return runs;
    }
    const std::vector<int> &gaps = x.gaps();
    auto gap = gaps.begin();
    bool open = false;
    for (int r = 0; r < x.rows(); ++r) {
        bool in = false;
        if (gap != gaps.end() && *gap == r)
            ++gap;
        else
            in = v[r] >= lo && v[r] <= hi;
        if (in && open)
            runs.back().last = r;
        else if (in)
            runs.push_back(Run{r, r});
        open = in;
    }
    return runs;
}

std::vector<Run> withNeighbours(const std::vector<Run> &runs, int rows)
{
    std::vector<Run> out;
    out.reserve(runs.size());
    for (const Run &run : runs) {
        const Run wide{std::max(run.first - 1, 0), std::min(run.last + 1, rows - 1)};
        if (!out.empty() && wide.first <= out.back().last + 1)
            out.back().last = std::max(out.back().last, wide.last);
        else
            out.push_back(wide);
    }
    return out;
}

extremaindex::Extremes extremesOver(const extremaindex::Index &curve, const std::vector<Run> &runs)
{
    extremaindex::Extremes e;
    for (const Run &run : runs)
        e = curve.merge(e, curve.over(run.first, run.last));
    return e;
}

Points curvePoints(const extremaindex::Index &curve, const std::vector<Run> &runs, int maxPoints)
{
    Points out;
    int total = 0;
    const std::vector<Piece> pieces = piecesOf(curve, runs, &total);
    if (total == 0)
        return out;
    std::vector<int> places;
    const std::vector<int> edges = rowreduce::bucketEdges(total, maxPoints);
    if (edges.empty()) {
        out.rows.reserve(size_t(total));
        places.reserve(size_t(total));
        for (const Piece &p : pieces)
            for (int k = 0; k < p.count; ++k) {
                out.rows.push_back(curve.rowOfReading(p.firstReading + k));
                places.push_back(p.offset + k);
            }
    } else {
        out.reduced = true;
        auto keep = [&](int place, int row) {
            places.push_back(place);
            out.rows.push_back(row);
        };
        auto rowAt = [&](int place) {
            const auto p = std::upper_bound(pieces.begin(), pieces.end(), place,
                                            [](int at, const Piece &x) { return at < x.offset; }) - 1;
            return curve.rowOfReading(p->firstReading + place - p->offset);
        };
        keep(0, rowAt(0));
        for (size_t b = 0; b + 1 < edges.size(); ++b) {
            if (edges[b] >= edges[b + 1])
                continue;
            const extremaindex::Extremes e = extremesOfSpan(curve, pieces, edges[b], edges[b + 1]);
            // In row order, so the line runs through both extremes as the data did.
            const int a = std::min(e.low, e.high), z = std::max(e.low, e.high);
            keep(placeOf(curve, runs, pieces, a), a);
            if (z != a)
                keep(placeOf(curve, runs, pieces, z), z);
        }
        keep(total - 1, rowAt(total - 1));
    }
    int spanned = 0;
    for (const Run &run : runs)
        spanned += run.last - run.first + 1;
    out.starts.assign(out.rows.size(), 0);
    for (size_t p = 1; p < out.rows.size(); ++p)
        out.starts[p] = out.rows[p] - out.rows[p - 1] != places[p] - places[p - 1];
    out.starts[0] = total < spanned || runs.size() > 1;
    return out;
}

}
