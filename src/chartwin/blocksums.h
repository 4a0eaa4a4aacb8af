#pragma once

#include <cstddef>
#include <vector>

// Count, sum, sum of squares, smallest and largest value of any stretch of a long curve
// without visiting every row: each block of rows keeps its own totals, so a stretch costs its
// two partial blocks plus one look per whole block. Gap rows take no part.
namespace blocksums {

struct Totals {
    long long rows = 0;
    long double sum = 0, squares = 0; // long double: ten million rows add no visible rounding
    double min = 0, max = 0;          // valid when rows > 0

    void add(const Totals &more);
};

class Index
{
public:
    static constexpr int BlockRows = 1024;

    Index() = default;
    // values: one per row; gaps: rows without a reading, ascending, once each.
    Index(const double *values, int rows, const std::vector<int> *gaps);

    // The same index over `rows` rows of `values` (which may have moved), of which the first
    // `kept` (and their gaps) are as they were: the blocks from the one holding row `kept`
    // on are summed again.
    void extend(const double *values, int kept, int rows);

    // Over rows first..last, both included.
    Totals over(int first, int last) const;

    // Bytes the index holds beside the values themselves.
    std::size_t bytes() const;

private:
    Totals scan(int first, int last) const;
    void sumBlocks(int fromBlock);

    const double *m_values = nullptr;
    int m_rows = 0;
    const std::vector<int> *m_gaps = nullptr;
    std::vector<int> m_count;
    std::vector<double> m_sum, m_squares, m_min, m_max;
};

}
