#pragma once

#include "chartwin/blocksums.h"

#include <cstddef>
#include <vector>

class ChartDocument;

// Statistics of the loaded curves over every data row whose X lies between two limits (the
// measuring cursors A and B), and each curve's value at both limits. Rows whose X or own
// item holds no reading are left out and not counted; X need not be sorted.
namespace rangestats {

// One converted column: `count` values and the ascending rows that hold no reading.
struct Column {
    const double *values = nullptr;
    int count = 0;
    const std::vector<int> *gapRows = nullptr;
};

struct Curve {
    int curve = 0;    // the chart's curve number
    long long rows = 0; // rows between the limits with X and Y both readings
    // NaN when no row lies between the limits:
    double min = 0, max = 0, mean = 0, rms = 0;
    // The value the drawn line has at A and at B; NaN beyond the curve's ends (see valueAt).
    double atA = 0, atB = 0;
};

struct Result {
    double a = 0, b = 0;  // as given: b - a is the signed span from A to B
    long long xRows = 0;  // rows whose X reading lies between the limits
    std::vector<Curve> curves;
};

// The columns with what makes repeated statistics fast: whether X rises, and per curve the
// rows without X or Y and its block totals. The columns must outlive it.
class Prepared
{
public:
    Prepared() = default;
    Prepared(const Column &x, const std::vector<Column> &ys);
    Prepared(const Prepared &) = delete; // its block totals point into its own gap lists
    Prepared &operator=(const Prepared &) = delete;
    Prepared(Prepared &&) = default;
    Prepared &operator=(Prepared &&) = default;

    // The same columns grown (or cut back) with their first `kept` rows unchanged: costs the
    // rows from `kept` on.
    void extend(const Column &x, const std::vector<Column> &ys, int kept);

    bool isEmpty() const { return m_ys.empty(); }
    // Bytes held beside the columns.
    std::size_t bytes() const;

private:
    friend Result compute(const Prepared &prepared, double a, double b);
    Column m_x;
    std::vector<Column> m_ys;
    int m_count = 0;
    bool m_rising = true;
    std::vector<std::vector<int>> m_gaps; // per curve: rows where X or Y holds no reading
    std::vector<blocksums::Index> m_sums;
    // Where X does not rise, per block of the sums: X's smallest and largest reading (NaN
    // when a reading is no number) and how many rows hold an X reading.
    std::vector<double> m_xMin, m_xMax;
    std::vector<int> m_xReadings;
    void xBlocksFrom(int fromBlock);
};

// Where X rises the rows between the limits are found by binary search and whole blocks
// are taken from the block totals; otherwise blocks whose X lies wholly between the limits
// are taken from the block totals, blocks wholly outside are passed over and only the
// blocks that straddle a limit are tested row by row.
Result compute(const Prepared &prepared, double a, double b);

// Over rows 0..count-1 of X and every Y (curve k is ys[k]), between a and b in either order.
Result compute(const Column &x, const std::vector<Column> &ys, double a, double b);

// The document's last load ready for statistics: the rows it took (first rows only: those),
// its curves in order; empty without a load or after the table was replaced.
Prepared prepare(const ChartDocument &document);

// The document's last load ready for statistics, from `prepared` made for its load before
// the table grew; `kept`: rows unchanged since.
void prepareGrown(Prepared &prepared, const ChartDocument &document, int kept);

// The document's last load: the rows it took (first rows only: those), its curves in order.
// Without a load (or after the table was replaced and not yet loaded) no curve is listed.
Result compute(const ChartDocument &document, double a, double b);

// A curve's value at X = at, as its line shows it: where two neighbouring rows that both hold
// readings enclose `at`, the value linearly interpolated between them (the first such pair in
// row order, for X that is not sorted); where no line crosses `at` (it falls in a gap), the
// value of the row whose X is nearest; NaN outside the curve's X extent.
double valueAt(const Column &x, const Column &y, double at);

}
