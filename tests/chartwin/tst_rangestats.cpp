#include <QtTest>

#include "base/apperror.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/measurecursors.h"
#include "chartwin/rangestats.h"
#include "chartwin/rangetext.h"
#include "chartwin/timescale.h"
#include "import/columnstore.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <random>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Generated rows: X and curves with values, and the rows of each that hold no reading.
struct Rows {
    std::vector<double> x;
    std::vector<int> xGaps;
    std::vector<std::vector<double>> y;
    std::vector<std::vector<int>> yGaps;

    rangestats::Column xColumn() const { return {x.data(), int(x.size()), &xGaps}; }
    std::vector<rangestats::Column> yColumns() const
    {
        std::vector<rangestats::Column> out;
        for (size_t k = 0; k < y.size(); ++k)
            out.push_back({y[k].data(), int(y[k].size()), &yGaps[k]});
        return out;
    }
};

// X rises by 0.5 a row (or is shuffled); gaps hold 0 as converted columns do.
Rows generate(int count, int curves, double gapShare, bool shuffled, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-50, 50);
    std::bernoulli_distribution gap(gapShare);
    Rows r;
    r.x.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        r.x[size_t(i)] = 0.5 * i;
    if (shuffled)
        std::shuffle(r.x.begin(), r.x.end(), random);
    for (int i = 0; i < count; ++i)
        if (gap(random)) {
            r.xGaps.push_back(i);
            r.x[size_t(i)] = 0;
        }
    r.y.resize(size_t(curves));
    r.yGaps.resize(size_t(curves));
    for (int k = 0; k < curves; ++k)
        for (int i = 0; i < count; ++i) {
            const bool hole = gap(random);
            if (hole)
                r.yGaps[size_t(k)].push_back(i);
            r.y[size_t(k)].push_back(hole ? 0 : 1000 * k + noise(random));
        }
    return r;
}

bool has(const std::vector<int> &rows, int row)
{
    return std::binary_search(rows.begin(), rows.end(), row);
}

// The statistics the plain way: row by row, skipping every row without both readings.
struct Plain {
    long long rows = 0;
    double min = NaN, max = NaN, mean = NaN, rms = NaN;
};

Plain plain(const Rows &r, int k, double a, double b)
{
    const double lo = std::min(a, b), hi = std::max(a, b);
    Plain p;
    long double sum = 0, squares = 0;
    for (int i = 0; i < int(r.x.size()); ++i) {
        if (has(r.xGaps, i) || has(r.yGaps[size_t(k)], i) || r.x[size_t(i)] < lo || r.x[size_t(i)] > hi)
            continue;
        const double v = r.y[size_t(k)][size_t(i)];
        p.min = p.rows == 0 ? v : std::min(p.min, v);
        p.max = p.rows == 0 ? v : std::max(p.max, v);
        sum += v;
        squares += (long double)v * v;
        ++p.rows;
    }
    if (p.rows > 0) {
        p.mean = double(sum / p.rows);
        p.rms = double(std::sqrt(squares / p.rows));
    }
    return p;
}

// A curve's value at `at` the plain way: the first line of two neighbouring readings across
// it, else the first row of the nearest X, NaN outside the curve's X extent.
double plainValueAt(const std::vector<double> &x, const std::vector<int> &gaps, const std::vector<double> &y, double at)
{
    const int count = int(x.size());
    for (int i = 1; i < count; ++i)
        if (!has(gaps, i - 1) && !has(gaps, i) && std::min(x[size_t(i - 1)], x[size_t(i)]) <= at
            && at <= std::max(x[size_t(i - 1)], x[size_t(i)])) {
            const double x0 = x[size_t(i - 1)], x1 = x[size_t(i)];
            return x1 == x0 ? y[size_t(i)] : y[size_t(i - 1)] + (y[size_t(i)] - y[size_t(i - 1)]) * ((at - x0) / (x1 - x0));
        }
    double lo = INFINITY, hi = -INFINITY, best = INFINITY, value = NaN;
    for (int i = 0; i < count; ++i) {
        if (has(gaps, i))
            continue;
        lo = std::min(lo, x[size_t(i)]);
        hi = std::max(hi, x[size_t(i)]);
        if (std::fabs(x[size_t(i)] - at) < best) {
            best = std::fabs(x[size_t(i)] - at);
            value = y[size_t(i)];
        }
    }
    return at >= lo && at <= hi ? value : NaN;
}

bool near(double got, double want, double relative = 1e-12)
{
    if (std::isnan(want))
        return std::isnan(got);
    return std::fabs(got - want) <= relative * std::max(1.0, std::fabs(want));
}

}

class TestRangeStats : public QObject
{
    Q_OBJECT
private slots:
    void matchesPlainComputation_data();
    void matchesPlainComputation();
    void unsortedXMatchesPlain_data();
    void unsortedXMatchesPlain();
    void valueAt_data();
    void valueAt();
    void risingValueAtMatchesScan_data();
    void risingValueAtMatchesScan();
    void longRunsStayExact();
    void documentRows_data();
    void documentRows();
    void durationText_data();
    void durationText();
    void numberText_data();
    void numberText();
    void dataText_data();
    void dataText();
    void cursorSnapsToPixel_data();
    void cursorSnapsToPixel();
    void tableTexts();
};

void TestRangeStats::matchesPlainComputation_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("gapShare");
    QTest::addColumn<bool>("shuffled");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    // X runs 0, 0.5, 1 ... (count - 1) / 2.
    QTest::newRow("whole table") << 50000 << 0.0 << false << -1.0 << 1e9;
    QTest::newRow("a stretch, gaps") << 50000 << 0.02 << false << 1000.25 << 7000.0;
    QTest::newRow("B left of A") << 50000 << 0.02 << false << 7000.0 << 1000.25;
    QTest::newRow("unsorted X, gaps") << 50000 << 0.05 << true << 3000.0 << 9000.0;
    QTest::newRow("limits on rows") << 20000 << 0.1 << false << 10.0 << 10.5;
    QTest::newRow("one row") << 20000 << 0.0 << true << 77.0 << 77.0;
    QTest::newRow("between two rows") << 20000 << 0.0 << false << 77.1 << 77.2;
    QTest::newRow("beyond the data") << 20000 << 0.0 << false << 1e6 << 2e6;
    QTest::newRow("mostly gaps") << 30000 << 0.9 << true << 0.0 << 15000.0;
    QTest::newRow("blocks' edges") << 1024 * 7 + 1 << 0.01 << false << 511.5 << 2048.0;
    QTest::newRow("whole blocks exactly") << 1024 * 9 << 0.01 << false << 512.0 << 4095.5;
    QTest::newRow("many blocks, partial ends") << 300000 << 0.001 << false << 1234.75 << 140000.25;
    QTest::newRow("inside one block") << 300000 << 0.001 << false << 100001.0 << 100100.0;
    QTest::newRow("ends in blocks of gaps") << 20000 << 0.95 << false << 300.0 << 9000.0;
}

void TestRangeStats::matchesPlainComputation()
{
    QFETCH(int, count);
    QFETCH(double, gapShare);
    QFETCH(bool, shuffled);
    QFETCH(double, a);
    QFETCH(double, b);
    const Rows r = generate(count, 4, gapShare, shuffled, unsigned(count) + unsigned(a));
    const rangestats::Result result = rangestats::compute(r.xColumn(), r.yColumns(), a, b);
    QCOMPARE(result.a, a);
    QCOMPARE(result.b, b);
    QCOMPARE(int(result.curves.size()), 4);
    long long xRows = 0;
    for (int i = 0; i < count; ++i)
        xRows += !has(r.xGaps, i) && r.x[size_t(i)] >= std::min(a, b) && r.x[size_t(i)] <= std::max(a, b);
    QCOMPARE(result.xRows, xRows);
    for (int k = 0; k < 4; ++k) {
        const Plain p = plain(r, k, a, b);
        const rangestats::Curve &c = result.curves[size_t(k)];
        QCOMPARE(c.curve, k);
        QCOMPARE(c.rows, p.rows);
        QVERIFY2(near(c.min, p.min) && near(c.max, p.max), qPrintable(QString::number(k)));
        QVERIFY2(near(c.mean, p.mean), qPrintable(QStringLiteral("%1 %2").arg(c.mean, 0, 'g', 17).arg(p.mean, 0, 'g', 17)));
        QVERIFY(near(c.rms, p.rms));
    }
}

// X that does not rise, by shape: a temperature drifting up and down, a zig-zag, one value
// throughout, bands (each block of 1024 rows rises through a band of its own, the bands in a
// jumbled order), random values. Gap rows of X hold NaN, as a cell that is no number may.
static std::vector<double> shapedX(const QString &shape, int count, std::mt19937 &random)
{
    std::uniform_real_distribution<double> uniform(0, 1000);
    std::vector<double> x(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double t = i;
        if (shape == QLatin1String("drift"))
            x[size_t(i)] = 20 + 10 * std::sin(t / 5000) + 0.01 * uniform(random);
        else if (shape == QLatin1String("zigzag"))
            x[size_t(i)] = std::fabs(double(i % 3000) - 1500) * 0.5;
        else if (shape == QLatin1String("bands"))
            x[size_t(i)] = double((i / 1024 * 7) % 101 * 1024 + i % 1024);
        else if (shape == QLatin1String("constant"))
            x[size_t(i)] = 42;
        else
            x[size_t(i)] = uniform(random);
    }
    return x;
}

void TestRangeStats::unsortedXMatchesPlain_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("gapShare");
    // Cursors: "values" takes a and b; "block edges" the smallest X of rows 2048..3071 and the
    // largest of rows 5120..6143, so a limit equals a block's extreme; "blocks touching" the
    // largest of the first and the smallest of the second, so those blocks touch a limit.
    QTest::addColumn<QString>("cursors");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    // Prepared on the first |grownFrom| rows (sorted first when > 0), then grown; 0: at once.
    QTest::addColumn<int>("grownFrom");
    QTest::newRow("drift, a band") << "drift" << 200000 << 0.01 << "values" << 15.0 << 27.0 << 0;
    QTest::newRow("drift, B left of A") << "drift" << 200000 << 0.01 << "values" << 27.0 << 15.0 << 0;
    QTest::newRow("drift, whole range") << "drift" << 100000 << 0.0 << "values" << 0.0 << 100.0 << 0;
    QTest::newRow("drift, block edges") << "drift" << 100000 << 0.0 << "block edges" << 0.0 << 0.0 << 0;
    QTest::newRow("drift, blocks touching") << "drift" << 100000 << 0.0 << "blocks touching" << 0.0 << 0.0 << 0;
    QTest::newRow("bands, blocks touching") << "bands" << 100000 << 0.0 << "blocks touching" << 0.0 << 0.0 << 0;
    QTest::newRow("bands, blocks touching, gaps") << "bands" << 100000 << 0.02 << "blocks touching" << 0.0 << 0.0 << 0;
    QTest::newRow("bands, block edges") << "bands" << 100000 << 0.0 << "block edges" << 0.0 << 0.0 << 0;
    QTest::newRow("zigzag, a band") << "zigzag" << 100000 << 0.02 << "values" << 100.0 << 600.25 << 0;
    QTest::newRow("zigzag, block edges, gaps") << "zigzag" << 100000 << 0.05 << "block edges" << 0.0 << 0.0 << 0;
    QTest::newRow("zigzag, one value") << "zigzag" << 50000 << 0.0 << "values" << 300.0 << 300.0 << 0;
    QTest::newRow("constant, around it") << "constant" << 50000 << 0.01 << "values" << 41.0 << 43.0 << 0;
    QTest::newRow("constant, on it") << "constant" << 50000 << 0.01 << "values" << 42.0 << 42.0 << 0;
    QTest::newRow("constant, beside it") << "constant" << 50000 << 0.01 << "values" << 42.5 << 43.0 << 0;
    QTest::newRow("random, a band") << "random" << 100000 << 0.02 << "values" << 250.0 << 260.0 << 0;
    QTest::newRow("random, mostly gaps") << "random" << 60000 << 0.9 << "values" << 0.0 << 999.0 << 0;
    QTest::newRow("drift, grown from rising rows") << "drift" << 100000 << 0.01 << "values" << 15.0 << 25.0 << 3000;
    QTest::newRow("zigzag, grown mid-block") << "zigzag" << 100000 << 0.01 << "values" << 100.0 << 700.0 << 40000 + 517;
    QTest::newRow("random, grown unsorted") << "random" << 100000 << 0.01 << "values" << 400.0 << 800.0 << -(50000 + 300);
}

// Blocks wholly between the cursors come from the block totals, blocks outside are passed
// over: the figures, the counted rows and the values at A and B stay a plain pass's.
void TestRangeStats::unsortedXMatchesPlain()
{
    QFETCH(QString, shape);
    QFETCH(int, count);
    QFETCH(double, gapShare);
    QFETCH(QString, cursors);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(int, grownFrom);
    std::mt19937 random(unsigned(count) + unsigned(gapShare * 100));
    Rows r = generate(count, 3, gapShare, false, unsigned(count));
    r.x = shapedX(shape, count, random);
    for (int g : r.xGaps)
        r.x[size_t(g)] = NaN;
    if (cursors != QLatin1String("values")) {
        const bool touching = cursors == QLatin1String("blocks touching");
        const auto extreme = [&](int from, bool smallest) {
            double v = smallest ? INFINITY : -INFINITY;
            for (int i = from; i < from + 1024; ++i)
                if (!has(r.xGaps, i))
                    v = smallest ? std::min(v, r.x[size_t(i)]) : std::max(v, r.x[size_t(i)]);
            return v;
        };
        a = extreme(2048, !touching);
        b = extreme(5120, touching);
    }
    rangestats::Prepared prepared;
    if (grownFrom != 0) {
        const int kept = std::abs(grownFrom);
        if (grownFrom > 0) {
            // The first rows' readings rise, so the statistics start out on the rising path.
            std::vector<double> readings;
            for (int i = 0; i < kept; ++i)
                if (!has(r.xGaps, i))
                    readings.push_back(r.x[size_t(i)]);
            std::sort(readings.begin(), readings.end());
            for (int i = 0, n = 0; i < kept; ++i)
                if (!has(r.xGaps, i))
                    r.x[size_t(i)] = readings[size_t(n++)];
        }
        std::vector<rangestats::Column> ys = r.yColumns();
        for (rangestats::Column &y : ys)
            y.count = kept;
        prepared = rangestats::Prepared({r.x.data(), kept, &r.xGaps}, ys);
        rangestats::compute(prepared, a, b);
        prepared.extend(r.xColumn(), r.yColumns(), kept);
    } else {
        prepared = rangestats::Prepared(r.xColumn(), r.yColumns());
    }
    const rangestats::Result result = rangestats::compute(prepared, a, b);
    long long xRows = 0;
    for (int i = 0; i < count; ++i)
        xRows += !has(r.xGaps, i) && r.x[size_t(i)] >= std::min(a, b) && r.x[size_t(i)] <= std::max(a, b);
    QCOMPARE(result.xRows, xRows);
    QVERIFY(xRows > 0 || cursors == QLatin1String("values"));
    for (int k = 0; k < 3; ++k) {
        const Plain p = plain(r, k, a, b);
        const rangestats::Curve &c = result.curves[size_t(k)];
        QCOMPARE(c.rows, p.rows);
        QVERIFY2(near(c.min, p.min) && near(c.max, p.max), qPrintable(QString::number(k)));
        QVERIFY2(near(c.mean, p.mean), qPrintable(QStringLiteral("%1 %2").arg(c.mean, 0, 'g', 17).arg(p.mean, 0, 'g', 17)));
        QVERIFY(near(c.rms, p.rms));
        std::vector<int> both;
        std::set_union(r.xGaps.begin(), r.xGaps.end(), r.yGaps[size_t(k)].begin(), r.yGaps[size_t(k)].end(),
                       std::back_inserter(both));
        const double atA = plainValueAt(r.x, both, r.y[size_t(k)], a);
        const double atB = plainValueAt(r.x, both, r.y[size_t(k)], b);
        QVERIFY2(std::isnan(atA) ? std::isnan(c.atA) : c.atA == atA, qPrintable(QString::number(c.atA)));
        QVERIFY2(std::isnan(atB) ? std::isnan(c.atB) : c.atB == atB, qPrintable(QString::number(c.atB)));
    }
}

void TestRangeStats::valueAt_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y"); // NaN marks a row without a reading
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("value");
    const QVector<double> x{0, 1, 2, 3, 4};
    QTest::newRow("on a row") << x << QVector<double>{10, 20, 30, 40, 50} << 2.0 << 30.0;
    QTest::newRow("between rows: interpolated") << x << QVector<double>{10, 20, 30, 40, 50} << 2.25 << 32.5;
    QTest::newRow("first row") << x << QVector<double>{10, 20, 30, 40, 50} << 0.0 << 10.0;
    QTest::newRow("last row") << x << QVector<double>{10, 20, 30, 40, 50} << 4.0 << 50.0;
    QTest::newRow("left of the data") << x << QVector<double>{10, 20, 30, 40, 50} << -0.5 << NaN;
    QTest::newRow("right of the data") << x << QVector<double>{10, 20, 30, 40, 50} << 4.5 << NaN;
    QTest::newRow("in a gap: nearest row") << x << QVector<double>{10, 20, NaN, 40, 50} << 2.1 << 40.0;
    QTest::newRow("in a gap, nearer the left") << x << QVector<double>{10, 20, NaN, 40, 50} << 1.4 << 20.0;
    QTest::newRow("on a gap's row") << x << QVector<double>{10, 20, NaN, 40, 50} << 2.0 << 20.0;
    QTest::newRow("after the last reading") << x << QVector<double>{10, 20, 30, NaN, NaN} << 3.5 << NaN;
    QTest::newRow("falling X") << QVector<double>{4, 3, 2, 1, 0} << QVector<double>{10, 20, 30, 40, 50} << 2.5 << 25.0;
    QTest::newRow("X back and forth: first crossing")
        << QVector<double>{0, 2, 0, 2} << QVector<double>{0, 10, 100, 200} << 1.0 << 5.0;
    QTest::newRow("equal X: the first line to reach it") << QVector<double>{0, 1, 1, 2} << QVector<double>{0, 5, 7, 9} << 1.0 << 5.0;
    QTest::newRow("one row") << QVector<double>{3} << QVector<double>{8} << 3.0 << 8.0;
}

void TestRangeStats::valueAt()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, at);
    QFETCH(double, value);
    std::vector<int> gaps, none;
    std::vector<double> ys;
    for (int i = 0; i < y.size(); ++i) {
        if (std::isnan(y[i]))
            gaps.push_back(i);
        ys.push_back(std::isnan(y[i]) ? 0 : y[i]);
    }
    const rangestats::Column xc{x.data(), int(x.size()), &none}, yc{ys.data(), int(ys.size()), &gaps};
    const double got = rangestats::valueAt(xc, yc, at);
    QVERIFY2(std::isnan(value) ? std::isnan(got) : got == value, qPrintable(QString::number(got)));
    // The same through the statistics, at B as at A.
    const rangestats::Result r = rangestats::compute(xc, {yc}, x.front(), at);
    QVERIFY(std::isnan(value) ? std::isnan(r.curves[0].atB) : r.curves[0].atB == value);
}

void TestRangeStats::risingValueAtMatchesScan_data()
{
    QTest::addColumn<int>("step"); // X rises by one every `step` rows: runs of equal X
    QTest::addColumn<double>("gapShare");
    QTest::newRow("distinct X") << 1 << 0.0;
    QTest::newRow("distinct X, gaps") << 1 << 0.2;
    QTest::newRow("runs of equal X, gaps") << 3 << 0.3;
    QTest::newRow("mostly gaps") << 2 << 0.8;
}

// Where X rises the values at the cursors are found by search: the same as the first line
// (or nearest row) a scan in row order finds, on rows, between them, in gaps and outside.
void TestRangeStats::risingValueAtMatchesScan()
{
    QFETCH(int, step);
    QFETCH(double, gapShare);
    const int count = 3000;
    std::mt19937 random(unsigned(step * 100 + gapShare * 10));
    std::bernoulli_distribution gap(gapShare);
    std::uniform_real_distribution<double> noise(-5, 5);
    std::vector<double> x, y;
    std::vector<int> xGaps, yGaps;
    for (int i = 0; i < count; ++i) {
        x.push_back(has(xGaps, i) ? 0 : double(i / step));
        y.push_back(noise(random));
        if (gap(random))
            xGaps.push_back(i);
        if (gap(random))
            yGaps.push_back(i);
    }
    for (int g : xGaps)
        x[size_t(g)] = 0;
    std::vector<int> both;
    std::set_union(xGaps.begin(), xGaps.end(), yGaps.begin(), yGaps.end(), std::back_inserter(both));
    const rangestats::Prepared prepared({x.data(), count, &xGaps}, {{y.data(), count, &yGaps}});
    const double top = double((count - 1) / step);
    for (double at = -1; at <= top + 1; at += 0.25) {
        const rangestats::Result r = rangestats::compute(prepared, at, at);
        const double want = plainValueAt(x, both, y, at);
        QVERIFY2(std::isnan(want) ? std::isnan(r.curves[0].atA) : r.curves[0].atA == want,
                 qPrintable(QStringLiteral("at %1: %2, not %3").arg(at).arg(r.curves[0].atA).arg(want)));
    }
}

// Millions of rows of one value: summing them one by one in double drifts from it.
void TestRangeStats::longRunsStayExact()
{
    const int count = 4'000'000;
    std::vector<double> x(static_cast<size_t>(count)), y(static_cast<size_t>(count), 0.1);
    for (int i = 0; i < count; ++i)
        x[size_t(i)] = i;
    std::vector<int> none;
    const rangestats::Result r = rangestats::compute({x.data(), count, &none}, {{y.data(), count, &none}}, 0, count);
    QCOMPARE(r.curves[0].rows, (long long)count);
    QVERIFY2(std::fabs(r.curves[0].mean - 0.1) < 1e-14, qPrintable(QString::number(r.curves[0].mean, 'g', 17)));
    QVERIFY(std::fabs(r.curves[0].rms - 0.1) < 1e-14);
}

void TestRangeStats::documentRows_data()
{
    QTest::addColumn<bool>("firstRowsOnly");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<long long>("rows");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("atA");
    // Row r (1..3000) holds X r and Y 2r; every 10th Y is a text, row 500's X is empty.
    // Rows 100..200: 101 rows less 11 texts (100, 110 ... 200); A stands on a text, rows 99
    // and 101 are as near, the first is taken.
    QTest::newRow("a stretch") << false << 100.0 << 200.0 << 90LL << 300.0 << 198.0;
    QTest::newRow("over the empty X") << false << 495.0 << 505.0 << 10LL << 1000.0 << 990.0;
    QTest::newRow("whole table") << false << 0.0 << 4000.0 << 2700LL << 3000.0 << NaN;
    QTest::newRow("first rows only") << true << 0.0 << 4000.0 << 900LL << 1000.0 << NaN;
}

// Over the values the document converted for its charts, every row, not the drawn points.
void TestRangeStats::documentRows()
{
    QFETCH(bool, firstRowsOnly);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(long long, rows);
    QFETCH(double, mean);
    QFETCH(double, atA);
    ColumnStore store;
    {
        ColumnStore::Batch batch(store);
        store.append(1, QStringLiteral("t"));
        store.append(1, QStringLiteral("s"));
        store.append(2, QStringLiteral("p"));
        store.append(2, QStringLiteral("bar"));
        for (int r = 1; r <= 3000; ++r) {
            if (r == 500)
                store.append(1, QString());
            else
                store.appendNumber(1, r);
            if (r % 10 == 0)
                store.append(2, QStringLiteral("err"));
            else
                store.appendNumber(2, 2.0 * r);
        }
    }
    Tkfdline chart;
    ChartDocument document(store);
    QVERIFY(rangestats::compute(document, a, b).curves.empty());
    document.setCharts({&chart});
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = 3002;
    request.firstRowsOnly = firstRowsOnly;
    document.load(request);
    const rangestats::Result r = rangestats::compute(document, a, b);
    QCOMPARE(int(r.curves.size()), 1);
    QCOMPARE(r.curves[0].rows, rows);
    QVERIFY2(std::fabs(r.curves[0].mean - mean) < 1e-9, qPrintable(QString::number(r.curves[0].mean, 'g', 17)));
    QVERIFY(std::isnan(atA) ? std::isnan(r.curves[0].atA) : r.curves[0].atA == atA);

    // A load refused for an empty column converts other rows of X than the charts hold:
    // no figures from rows that do not belong together.
    request.firstRowsOnly = !firstRowsOnly;
    request.yCols = {2, 3};
    store.append(3, QStringLiteral("q"));
    store.append(3, QStringLiteral("kg"));
    QVERIFY_THROWS_EXCEPTION(AppError, document.load(request));
    QVERIFY(rangestats::compute(document, a, b).curves.empty());
}

void TestRangeStats::durationText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("83.5 s") << 83.5 << "00:01:23.5";
    QTest::newRow("negative") << -2.0 << "-00:00:02";
    QTest::newRow("over a day") << 100000.0 << "27:46:40";
    QTest::newRow("a microsecond") << 0.000001 << "00:00:00.000001";
    QTest::newRow("below a microsecond") << -0.0000001 << "00:00:00";
    QTest::newRow("hundred years") << 3.2e9 << "888888:53:20";
    QTest::newRow("beyond") << 1e13 << "1e+13 s";
    QTest::newRow("none") << NaN << "";
}

void TestRangeStats::durationText()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(rangetext::durationText(seconds), text);
}

void TestRangeStats::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << 23.5 << "23.5";
    QTest::newRow("sum's noise dropped") << 0.1 + 0.2 << "0.3";
    QTest::newRow("fraction of a large number") << 1234567.125 << "1234567.13";
    QTest::newRow("mean's last digits") << 2.0 / 3 << "0.666666667";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("small") << 0.00012345 << "0.00012345";
    QTest::newRow("none") << NaN << "";
}

void TestRangeStats::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(rangetext::numberText(value), text);
}

void TestRangeStats::dataText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("as read") << 1013.2512345678 << "1013.2512345678";
    QTest::newRow("short") << 0.1 << "0.1";
    QTest::newRow("large") << 123456789012.0 << "123456789012";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("none") << NaN << "";
}

// Minimum and maximum are readings: written with every digit they were read with.
void TestRangeStats::dataText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(rangetext::dataText(value), text);
}

void TestRangeStats::cursorSnapsToPixel_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("px"); // on a plot from pixel 100 to 600
    QTest::addColumn<double>("x");
    QTest::newRow("0.038 a pixel: hundredths") << 1.0 << 20.0 << 179.0 << 4.0;
    QTest::newRow("20 s a pixel: tens") << 0.0 << 10800.0 << 333.0 << 5030.0;
    QTest::newRow("left edge, outside") << 1.0 << 20.0 << 50.0 << 1.0;
    QTest::newRow("right edge") << 1.0 << 20.0 << 600.0 << 20.0;
    QTest::newRow("rounding kept inside") << 3.0 << 1003.0 << 100.0 << 3.0;
    QTest::newRow("falling scale") << 20.0 << 1.0 << 100.0 << 20.0;
}

// A cursor's X carries no more digits than a pixel tells apart.
void TestRangeStats::cursorSnapsToPixel()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, px);
    QFETCH(double, x);
    measurecursors::Plot plot;
    plot.left = 100;
    plot.right = 600;
    plot.top = 10;
    plot.bottom = 300;
    plot.lower = lower;
    plot.upper = upper;
    QVERIFY(plot.valid());
    QCOMPARE(plot.cursorAt(px), x);
    // Within a pixel of where it was put.
    QVERIFY(std::fabs(plot.pixelOf(plot.cursorAt(px)) - std::clamp(px, 100.0, 600.0)) <= 1);
}

// A time X writes its times and a duration; a number curve its figures; tabs stay cells.
void TestRangeStats::tableTexts()
{
    kfdline::Tline xAxis;
    xAxis.name = QStringLiteral("时间");
    xAxis.text = timescale::scaleText(false);
    kfdline::Tline curves[kfdline::MaxCurves];
    curves[0].name = QStringLiteral("压力\t1");
    curves[0].unit = QStringLiteral("bar");
    curves[0].color = 0x0000FF;
    rangestats::Result r;
    r.a = 36000;
    r.b = 36083.5;
    r.xRows = 836;
    rangestats::Curve c;
    c.rows = 835;
    c.min = -1.5;
    c.max = 2;
    c.mean = 0.25;
    c.rms = 1;
    c.atA = 1;
    c.atB = NaN;
    r.curves.push_back(c);
    const rangetext::Table t = rangetext::table(r, xAxis, curves);
    QCOMPARE(t.colors, (QList<qint32>{0, 0x0000FF}));
    QCOMPARE(rangetext::tabSeparated(t),
             QStringLiteral("名称\t单位\tA处\tB处\tΔ\t最小\t最大\t平均\t均方根\t行数\n"
                            "时间\t\t10:00:00\t10:01:23.5\t00:01:23.5\t\t\t\t\t836\n"
                            "压力 1\tbar\t1\t\t\t-1.5\t2\t0.25\t1\t835\n"));
}

QTEST_GUILESS_MAIN(TestRangeStats)
#include "tst_rangestats.moc"
