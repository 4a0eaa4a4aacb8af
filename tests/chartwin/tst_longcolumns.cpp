// Long columns whose passes are shared by two threads (thinning with the range, the extremes
// index, the block totals) against plain scans of the same rows in row order.
#include <QtTest>

#include "base/twothreads.h"
#include "chart/kfdline.h"
#include "chartwin/blocksums.h"
#include "chartwin/extremaindex.h"
#include "chartwin/lineload.h"
#include "chartwin/rowreduce.h"
#include "import/columnstore.h"
#include "support/plainextremes.h"

#include <cmath>
#include <cstring>
#include <random>

namespace {

// Zeros: -0 in the first half of the rows, 0 in the second, between larger (or smaller)
// values: the range's end is the first zero's, its sign included.
enum class Kind { Random, Ties, Rising, Falling, ZerosLowest, ZerosHighest, Constant };

std::vector<double> column(Kind kind, int rows)
{
    std::mt19937 gen(unsigned(rows) * 31u + unsigned(kind));
    std::uniform_real_distribution<double> any(-1000, 1000);
    std::uniform_int_distribution<int> few(0, 3);
    std::vector<double> v(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        switch (kind) {
        case Kind::Random: v[size_t(r)] = any(gen); break;
        case Kind::Ties: v[size_t(r)] = few(gen); break;
        case Kind::Rising: v[size_t(r)] = r * 0.001; break;
        case Kind::Falling: v[size_t(r)] = -r * 0.5; break;
        case Kind::ZerosLowest: v[size_t(r)] = few(gen) == 0 ? 2.0 : r < rows / 2 ? -0.0 : 0.0; break;
        case Kind::ZerosHighest: v[size_t(r)] = few(gen) == 0 ? -2.0 : r < rows / 2 ? -0.0 : 0.0; break;
        case Kind::Constant: v[size_t(r)] = 4.25; break;
        }
    }
    return v;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<int> gapsEvery(int rows, int step)
{
    std::vector<int> gaps;
    for (int r = 3; step > 0 && r < rows; r += step)
        gaps.push_back(r);
    return gaps;
}

bool isGap(const std::vector<int> &gaps, int row)
{
    return std::binary_search(gaps.begin(), gaps.end(), row);
}

}

class TestLongColumns : public QObject
{
    Q_OBJECT
private slots:
    void thinWithRange_data();
    void thinWithRange();
    void extremaIndex_data();
    void extremaIndex();
    void blockTotals_data();
    void blockTotals();
    void loadedRangesAndPoints_data();
    void loadedRangesAndPoints();
};

void TestLongColumns::thinWithRange_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rows");
    const int longRows = int(twothreads::SplitFrom) * 2 + 77;
    QTest::newRow("none") << int(Kind::Random) << 0;
    QTest::newRow("one") << int(Kind::Random) << 1;
    QTest::newRow("short: every row") << int(Kind::Random) << 700;
    QTest::newRow("one past the points") << int(Kind::Ties) << 1001;
    QTest::newRow("long random") << int(Kind::Random) << longRows;
    QTest::newRow("long with ties") << int(Kind::Ties) << longRows;
    QTest::newRow("long rising") << int(Kind::Rising) << longRows;
    QTest::newRow("long falling") << int(Kind::Falling) << longRows + 1;
    QTest::newRow("long, zeros lowest") << int(Kind::ZerosLowest) << longRows;
    QTest::newRow("long, zeros highest") << int(Kind::ZerosHighest) << longRows;
    QTest::newRow("long constant") << int(Kind::Constant) << longRows;
}

// The rows are each bucket's first extremes in row order, the range is what a scan from the
// first value finds, to the bit (-0 against 0 included), whether the buckets were shared by
// two threads or not.
void TestLongColumns::thinWithRange()
{
    QFETCH(int, kind);
    QFETCH(int, rows);
    constexpr int MaxPoints = 1000;
    const std::vector<double> v = column(Kind(kind), rows);
    const rowreduce::Thinned got = rowreduce::thinWithRange(v.data(), rows, MaxPoints);

    double lo = 0, hi = 0;
    for (int r = 0; r < rows; ++r) {
        if (r == 0 || v[size_t(r)] < lo)
            lo = v[size_t(r)];
        if (r == 0 || v[size_t(r)] > hi)
            hi = v[size_t(r)];
    }
    QVERIFY2(sameBits(got.lo, lo) && sameBits(got.hi, hi),
             qPrintable(QStringLiteral("%1..%2 instead of %3..%4").arg(got.lo).arg(got.hi).arg(lo).arg(hi)));

    std::vector<int> want;
    const std::vector<int> edges = rowreduce::bucketEdges(rows, MaxPoints);
    if (edges.empty()) {
        for (int r = 0; r < rows; ++r)
            want.push_back(r);
    } else {
        want.push_back(0);
        for (size_t b = 0; b + 1 < edges.size(); ++b) {
            if (edges[b] >= edges[b + 1])
                continue;
            const extremaindex::Extremes e = plainextremes::scan(v, {}, edges[b], edges[b + 1] - 1);
            want.push_back(std::min(e.low, e.high));
            if (e.low != e.high)
                want.push_back(std::max(e.low, e.high));
        }
        want.push_back(rows - 1);
    }
    QCOMPARE(got.rows, want);
    QCOMPARE(rowreduce::extremaRows(v.data(), rows, MaxPoints), want);
}

void TestLongColumns::extremaIndex_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("gapStep"); // 0: none
    const int longRows = int(twothreads::SplitFrom) * 2 + 77;
    QTest::addColumn<int>("rows");
    QTest::newRow("random") << int(Kind::Random) << 0 << longRows;
    QTest::newRow("ties, gaps every 5th") << int(Kind::Ties) << 5 << longRows;
    QTest::newRow("rising, gaps every 1000th") << int(Kind::Rising) << 1000 << longRows;
    QTest::newRow("zeros, gaps every 63rd") << int(Kind::ZerosLowest) << 63 << longRows + 5;
}

// Any stretch of a long column, across the middle where the blocks were shared out or not,
// gives the first rows of its extremes as a scan does; so does the index grown by rows.
void TestLongColumns::extremaIndex()
{
    QFETCH(int, kind);
    QFETCH(int, gapStep);
    QFETCH(int, rows);
    const std::vector<double> v = column(Kind(kind), rows);
    const std::vector<int> gaps = gapsEvery(rows, gapStep);
    const extremaindex::Index whole(v.data(), rows, gaps);
    extremaindex::Index grownIndex(v.data(), rows / 3, std::vector<int>(gaps.begin(), std::lower_bound(gaps.begin(), gaps.end(), rows / 3)));
    grownIndex.extend(v.data(), rows / 3, rows, std::vector<int>(std::lower_bound(gaps.begin(), gaps.end(), rows / 3), gaps.end()));
    const extremaindex::Index &grown = grownIndex;
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> row(0, rows - 1);
    std::vector<std::pair<int, int>> stretches = {{0, rows - 1}, {rows / 2 - 100, rows / 2 + 100}, {1, rows - 2}};
    for (int i = 0; i < 40; ++i) {
        const int a = row(gen), b = row(gen);
        stretches.emplace_back(std::min(a, b), std::max(a, b));
    }
    for (const auto &[first, last] : stretches) {
        const extremaindex::Extremes want = plainextremes::scan(v, gaps, first, last);
        for (const extremaindex::Index *index : {&whole, &grown}) {
            const extremaindex::Extremes got = index->over(first, last);
            if (got.low != want.low || got.high != want.high)
                QFAIL(qPrintable(QStringLiteral("rows %1..%2: %3, %4 instead of %5, %6")
                                     .arg(first).arg(last).arg(got.low).arg(got.high).arg(want.low).arg(want.high)));
        }
    }
}

void TestLongColumns::blockTotals_data()
{
    QTest::addColumn<int>("gapStep");
    QTest::newRow("no gaps") << 0;
    QTest::newRow("gaps every 7th") << 7;
}

// Totals over stretches of a long column: the rows, the smallest and the largest reading
// exactly, the sums as a plain sum to rounding.
void TestLongColumns::blockTotals()
{
    QFETCH(int, gapStep);
    const int rows = int(twothreads::SplitFrom) * 3 + 11;
    const std::vector<double> v = column(Kind::Random, rows);
    const std::vector<int> gaps = gapsEvery(rows, gapStep);
    const blocksums::Index index(v.data(), rows, &gaps);
    for (const auto &[first, last] : std::vector<std::pair<int, int>>{{0, rows - 1}, {rows / 2 - 5000, rows / 2 + 5000}, {777, rows - 999}}) {
        long long count = 0;
        double sum = 0, mn = INFINITY, mx = -INFINITY;
        for (int r = first; r <= last; ++r)
            if (!isGap(gaps, r)) {
                ++count;
                sum += v[size_t(r)];
                mn = std::min(mn, v[size_t(r)]);
                mx = std::max(mx, v[size_t(r)]);
            }
        const blocksums::Totals t = index.over(first, last);
        QCOMPARE(t.rows, count);
        QCOMPARE(t.min, mn);
        QCOMPARE(t.max, mx);
        QVERIFY(std::fabs(double(t.sum) - sum) <= 1e-6 * std::max(1.0, std::fabs(sum)));
    }
}

void TestLongColumns::loadedRangesAndPoints_data()
{
    QTest::addColumn<int>("xKind");
    QTest::addColumn<int>("yKind");
    QTest::newRow("zeros lowest in X") << int(Kind::ZerosLowest) << int(Kind::Random);
    QTest::newRow("zeros highest in X and Y") << int(Kind::ZerosHighest) << int(Kind::ZerosHighest);
    QTest::newRow("rising X, ties in Y") << int(Kind::Rising) << int(Kind::Ties);
}

// A long table loads into a chart with the ranges of a scan in row order (X's halves looked
// through side by side), and each curve's points in row order at their own rows.
void TestLongColumns::loadedRangesAndPoints()
{
    QFETCH(int, xKind);
    QFETCH(int, yKind);
    const int rows = int(twothreads::SplitFrom) * 2 + 3;
    const std::vector<double> x = column(Kind(xKind), rows);
    const std::vector<double> y1 = column(Kind(yKind), rows + 1); // another sequence
    const std::vector<double> y2 = column(Kind::Falling, rows);
    ColumnStore store;
    {
        ColumnStore::Batch batch(store);
        for (int list = 1; list <= 3; ++list) {
            store.append(list, QStringLiteral("c%1").arg(list));
            store.append(list, u"u");
        }
        for (int r = 0; r < rows; ++r) {
            store.appendNumber(1, x[size_t(r)]);
            store.appendNumber(2, y1[size_t(r)]);
            store.appendNumber(3, y2[size_t(r)]);
        }
    }
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2, 3};
    request.lastRow = rows + 2;
    request.scaleMode = 1;
    const lineload::Result result = lineload::loadLineData(store, request, {&chart});

    const auto range = [rows](const std::vector<double> &v) {
        std::pair<double, double> r{v[0], v[0]};
        for (int i = 0; i < rows; ++i) {
            if (v[size_t(i)] < r.first)
                r.first = v[size_t(i)];
            if (v[size_t(i)] > r.second)
                r.second = v[size_t(i)];
        }
        return r;
    };
    QVERIFY(sameBits(chart.xAxis.lower, range(x).first) && sameBits(chart.xAxis.upper, range(x).second));
    QVERIFY(sameBits(chart.curves[0].lower, range(y1).first) && sameBits(chart.curves[0].upper, range(y1).second));
    QVERIFY(sameBits(chart.curves[1].lower, range(y2).first) && sameBits(chart.curves[1].upper, range(y2).second));
    for (int k = 0; k < 2; ++k) {
        const std::vector<double> &y = k == 0 ? y1 : y2;
        const std::vector<int> want = rowreduce::thinWithRange(y.data(), rows, lineload::MaxRows).rows;
        QCOMPARE(result.pointRows[size_t(k)], want);
        QCOMPARE(chart.pointCount[k], int(want.size()));
        for (size_t p = 0; p < want.size(); ++p) {
            // Points sit at positions 1..pointCount.
            if (chart.xData[k][p + 1] != x[size_t(want[p])] || chart.yData[k][p + 1] != y[size_t(want[p])])
                QFAIL(qPrintable(QStringLiteral("curve %1, point %2 is not row %3's").arg(k).arg(p).arg(want[p])));
        }
    }
}

QTEST_GUILESS_MAIN(TestLongColumns)
#include "tst_longcolumns.moc"
