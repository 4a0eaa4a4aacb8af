#pragma once

#include <vector>

// Thins a long curve to what a chart can hold without losing its peaks and dips: the rows
// are split into buckets in row order and each bucket keeps the rows of its smallest and
// its largest value. The first and the last row are always kept.
namespace rowreduce {

// Start of every bucket over the rows 1 .. rows - 2 (the first and last row stand alone),
// followed by the end (rows - 1): as many buckets as two points each leave room for
// beside the two end rows. Empty when the rows fit as they are.
std::vector<int> bucketEdges(int rows, int maxPoints);

// The rows to draw, ascending and without repeats; every row when there are at most
// maxPoints of them. maxPoints below 4 is taken as 4.
std::vector<int> extremaRows(const double *values, int rows, int maxPoints);

// extremaRows' rows together with the smallest and largest of all the values, as a scan in
// row order from the first value finds them (0 and 0 without rows), from the same pass over
// the values; a long curve's buckets are shared by two threads. The values must be finite
// (no NaN), as a chart's readings are.
struct Thinned {
    std::vector<int> rows;
    double lo = 0;
    double hi = 0;
};
Thinned thinWithRange(const double *values, int rows, int maxPoints);

}
