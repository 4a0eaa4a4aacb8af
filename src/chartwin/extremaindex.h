#pragma once

#include <cstddef>
#include <vector>

// The smallest and largest value of any stretch of a long curve without visiting every row:
// each block of rows keeps the rows of its first minimum and first maximum, so a stretch
// costs its two partial blocks plus one look per whole block. Rows that hold no reading of
// the curve (its gap rows) take no part. The answers are those of a plain scan in row order
// with strict comparisons: the first row of the minimum, the first row of the maximum.
namespace extremaindex {

struct Extremes {
    int low = -1;  // row of the smallest value, -1 when the stretch holds no reading
    int high = -1; // row of the largest value
    bool isEmpty() const { return low < 0; }
};

class Index
{
public:
    static constexpr int BlockRows = 64;

    Index() = default;
    // values: one per row; gaps: rows without a reading, ascending (may repeat).
    Index(const double *values, int rows, std::vector<int> gaps);

    // The same index over `rows` rows of `values` (which may have moved), of which the first
    // `kept` hold what they held when the index was made: only the blocks from the one
    // holding row `kept` on are worked out again. `newGaps`: the gap rows from `kept` on.
    void extend(const double *values, int kept, int rows, const std::vector<int> &newGaps);

    int rows() const { return m_rows; }
    const double *values() const { return m_values; }
    const std::vector<int> &gaps() const { return m_gaps; }
    bool isGap(int row) const;
    // Readings in rows 0 .. row - 1.
    int readingsBefore(int row) const;
    // The row of the n-th reading (0 for the first); rows() when there are not so many.
    int rowOfReading(int n) const;

    // Over rows first..last, both included.
    Extremes over(int first, int last) const;
    // Two results in row order merged as one scan over both stretches would have found.
    Extremes merge(Extremes earlier, Extremes later) const;

    // Bytes the index holds beside the values themselves.
    std::size_t bytes() const;

private:
    Extremes scan(int first, int last) const;
    // As scan, over rows first..last of one block.
    Extremes partial(int first, int last) const;
    void indexBlocks(int fromBlock);

    const double *m_values = nullptr;
    int m_rows = 0;
    std::vector<int> m_gaps;
    std::vector<int> m_blockLow, m_blockHigh; // -1 for a block without a reading
    // Their values beside them: a long stretch then reads the index alone, not the column.
    std::vector<double> m_blockMin, m_blockMax;
};

}
