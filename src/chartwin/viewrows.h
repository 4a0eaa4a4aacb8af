#pragma once

#include "chartwin/extremaindex.h"

#include <vector>

// The rows a view of the chart shows: those whose X reading lies within the view's limits,
// found by binary search where X rises and by a scan where it does not; and a curve's
// points over them, thinned by each stretch's extremes as a whole-table load thins.
namespace viewrows {

// Rows first..last, both included.
struct Run {
    int first = 0;
    int last = -1;
    bool operator==(const Run &o) const { return first == o.first && last == o.last; }
};

// Whether X never falls from one reading to the next (rows without a reading skipped).
bool rises(const extremaindex::Index &x);

// The rows whose X reading lies within lo..hi, as runs of consecutive rows in row order.
// Where X rises it is one run from the first row in view to the last (rows without an X
// reading inside it included: every curve leaves them out).
std::vector<Run> rowsInView(const extremaindex::Index &x, bool rising, double lo, double hi);

// Every run widened by the row before and the row after it, so lines run on to the edges;
// runs that then touch become one.
std::vector<Run> withNeighbours(const std::vector<Run> &runs, int rows);

// Rows of the smallest and the largest reading of a curve over the runs.
extremaindex::Extremes extremesOver(const extremaindex::Index &curve, const std::vector<Run> &runs);

struct Points {
    std::vector<int> rows;    // ascending
    std::vector<char> starts; // 1 where the point is not joined to the one before; on the
                              // first point: the curve breaks somewhere in view
    bool reduced = false;     // thinned: there were more readings than maxPoints
};

// The curve's readings in the runs; more than maxPoints of them are thinned to each
// bucket's extremes (rowreduce's buckets over the readings in order). Two points are joined
// when every row between them holds a reading and lies in a run.
Points curvePoints(const extremaindex::Index &curve, const std::vector<Run> &runs, int maxPoints);

}
