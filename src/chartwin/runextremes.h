#pragma once

// The running smallest and largest value of a curve, and their rows, carried on over rows
// [from, end) in row order. Strict comparisons keep the first row of each; the choice is made
// without a branch, so a long run of a rising column costs no mispredictions, and the values
// are held beside their rows, so a comparison does not wait for a load.
inline void extendExtremes(const double *values, int from, int end, double &low, int &lowRow, double &high,
                           int &highRow)
{
    for (int r = from; r < end; ++r) {
        const double v = values[r];
        const bool lower = v < low, higher = v > high;
        low = lower ? v : low;
        lowRow = lower ? r : lowRow;
        high = higher ? v : high;
        highRow = higher ? r : highRow;
    }
}
