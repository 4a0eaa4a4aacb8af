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

}
