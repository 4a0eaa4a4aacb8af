#include <QtTest>

#include "chartwin/extremaindex.h"
#include "chartwin/rowreduce.h"
#include "chartwin/viewrows.h"
#include "support/plainextremes.h"

#include <random>

namespace {

using viewrows::Run;

std::vector<double> randomValues(int rows, unsigned seed, int distinct)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> pick(0, distinct - 1);
    std::vector<double> v(static_cast<size_t>(rows));
    for (double &x : v)
        x = pick(gen); // few distinct values: ties everywhere
    return v;
}

std::vector<int> everyNth(int rows, int step, int from = 0)
{
    std::vector<int> gaps;
    for (int r = from; step > 0 && r < rows; r += step)
        gaps.push_back(r);
    return gaps;
}

}

class TestViewRows : public QObject
{
    Q_OBJECT
private slots:
    void indexAgreesWithScan_data();
    void indexAgreesWithScan();
    void readingsAndRows();
    void rowsInView_data();
    void rowsInView();
    void neighbours_data();
    void neighbours();
    void thinningAsWholeTable_data();
    void thinningAsWholeTable();
    void breaksBetweenRuns();
    void fewRowsAllDrawn();
};

void TestViewRows::indexAgreesWithScan_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("gapStep"); // 0: no gaps
    QTest::addColumn<int>("distinct");
    QTest::newRow("no gaps, ties") << 5000 << 0 << 7;
    QTest::newRow("no gaps, distinct") << 5000 << 0 << 1000000;
    QTest::newRow("gaps every 3rd") << 5000 << 3 << 7;
    QTest::newRow("gaps every 64th") << 4099 << 64 << 50;
    QTest::newRow("less than a block") << 40 << 5 << 9;
    QTest::newRow("two values, gaps every 5th") << 5000 << 5 << 2;
    QTest::newRow("one value throughout") << 5000 << 0 << 1;
}

// Any stretch, whole blocks or not, gives the first rows of its extremes as a scan does.
void TestViewRows::indexAgreesWithScan()
{
    QFETCH(int, rows);
    QFETCH(int, gapStep);
    QFETCH(int, distinct);
    const std::vector<double> v = randomValues(rows, 7u + unsigned(rows), distinct);
    const std::vector<int> gaps = everyNth(rows, gapStep, 1);
    const extremaindex::Index index(v.data(), rows, gaps);
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> row(0, rows - 1);
    for (int i = 0; i < 400; ++i) {
        int a = row(gen), b = row(gen);
        if (a > b)
            std::swap(a, b);
        const extremaindex::Extremes want = plainextremes::scan(v, gaps, a, b);
        const extremaindex::Extremes got = index.over(a, b);
        QCOMPARE(got.low, want.low);
        QCOMPARE(got.high, want.high);
    }
    const extremaindex::Extremes all = index.over(0, rows - 1);
    QCOMPARE(all.low, plainextremes::scan(v, gaps, 0, rows - 1).low);
    // The index stays a small share of the values it covers.
    // (A block of 64 rows keeps two rows and two values: 24 bytes.)
    QVERIFY(index.bytes() - gaps.size() * sizeof(int) <= size_t(rows) * sizeof(double) / 16 + 24);
}

void TestViewRows::readingsAndRows()
{
    const std::vector<double> v(20, 1.0);
    const extremaindex::Index index(v.data(), 20, {0, 1, 5, 6, 7, 19});
    const int rowsOf[] = {2, 3, 4, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    for (int n = 0; n < 14; ++n) {
        QCOMPARE(index.rowOfReading(n), rowsOf[n]);
        QCOMPARE(index.readingsBefore(rowsOf[n]), n);
    }
    QCOMPARE(index.rowOfReading(14), 20);
    QCOMPARE(index.readingsBefore(20), 14);
    QVERIFY(index.isGap(6));
    QVERIFY(!index.isGap(8));
}

void TestViewRows::rowsInView_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<int>>("gaps");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<bool>("rising");
    QTest::addColumn<QVector<int>>("runs"); // first, last, first, last ...
    QTest::newRow("rising, inside") << QVector<double>{0, 1, 2, 3, 4, 5} << QVector<int>{} << 1.5 << 3.0 << true
                                    << QVector<int>{2, 3};
    QTest::newRow("rising, limits on rows") << QVector<double>{0, 1, 2, 3, 4, 5} << QVector<int>{} << 1.0 << 4.0
                                            << true << QVector<int>{1, 4};
    QTest::newRow("rising, repeats") << QVector<double>{0, 1, 1, 1, 2, 2} << QVector<int>{} << 1.0 << 1.0 << true
                                     << QVector<int>{1, 3};
    QTest::newRow("rising, between rows") << QVector<double>{0, 1, 2, 3} << QVector<int>{} << 1.2 << 1.8 << true
                                          << QVector<int>{};
    QTest::newRow("rising over a gap row") << QVector<double>{0, 1, 0, 3, 4} << QVector<int>{2} << 0.5 << 3.5
                                           << true << QVector<int>{1, 3};
    QTest::newRow("falling back") << QVector<double>{0, 5, 1, 6, 2} << QVector<int>{} << 0.5 << 2.5 << false
                                  << QVector<int>{2, 2, 4, 4};
    QTest::newRow("up and down") << QVector<double>{3, 2, 1, 2, 3, 4, 3} << QVector<int>{} << 2.0 << 3.0 << false
                                 << QVector<int>{0, 1, 3, 4, 6, 6};
    QTest::newRow("gap breaks a run") << QVector<double>{5, 1, 0, 1, 1} << QVector<int>{2} << 0.0 << 1.0 << false
                                      << QVector<int>{1, 1, 3, 4};
}

// The rows whose X lies in view, by search where X rises and by a scan where it does not.
void TestViewRows::rowsInView()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<int>, gaps);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(bool, rising);
    QFETCH(QVector<int>, runs);
    const extremaindex::Index index(x.data(), int(x.size()), std::vector<int>(gaps.begin(), gaps.end()));
    QCOMPARE(viewrows::rises(index), rising);
    QVector<int> got;
    for (const Run &run : viewrows::rowsInView(index, rising, lo, hi))
        got << run.first << run.last;
    QCOMPARE(got, runs);
    // The scan finds the same rows where X rises.
    if (rising) {
        QVector<int> scanned;
        for (const Run &run : viewrows::rowsInView(index, false, lo, hi))
            for (int r = run.first; r <= run.last; ++r)
                scanned << r;
        QVector<int> searched;
        for (const Run &run : viewrows::rowsInView(index, true, lo, hi))
            for (int r = run.first; r <= run.last; ++r)
                if (!gaps.contains(r))
                    searched << r;
        QCOMPARE(searched, scanned);
    }
}

void TestViewRows::neighbours_data()
{
    QTest::addColumn<QVector<int>>("runs");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QVector<int>>("wide");
    QTest::newRow("one inside") << QVector<int>{3, 5} << 10 << QVector<int>{2, 6};
    QTest::newRow("at the ends") << QVector<int>{0, 9} << 10 << QVector<int>{0, 9};
    QTest::newRow("touching runs join") << QVector<int>{1, 2, 5, 6} << 10 << QVector<int>{0, 7};
    QTest::newRow("runs apart stay") << QVector<int>{1, 2, 6, 6} << 10 << QVector<int>{0, 3, 5, 7};
}

void TestViewRows::neighbours()
{
    QFETCH(QVector<int>, runs);
    QFETCH(int, rows);
    QFETCH(QVector<int>, wide);
    std::vector<Run> in;
    for (int i = 0; i + 1 < runs.size(); i += 2)
        in.push_back(Run{runs[i], runs[i + 1]});
    QVector<int> got;
    for (const Run &run : viewrows::withNeighbours(in, rows))
        got << run.first << run.last;
    QCOMPARE(got, wide);
}

void TestViewRows::thinningAsWholeTable_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("whole") << 250000 << 0 << 249999;
    QTest::newRow("a stretch") << 250000 << 1234 << 98765;
    QTest::newRow("just over the points") << 250000 << 500 << 1500;
    QTest::newRow("fits") << 250000 << 10 << 1009;
}

// Over one run without gaps the points are rowreduce's of the same rows.
void TestViewRows::thinningAsWholeTable()
{
    QFETCH(int, rows);
    QFETCH(int, first);
    QFETCH(int, last);
    const std::vector<double> v = randomValues(rows, 11, 5000);
    const extremaindex::Index index(v.data(), rows, {});
    const viewrows::Points points = viewrows::curvePoints(index, {Run{first, last}}, 1000);
    std::vector<int> want = rowreduce::extremaRows(v.data() + first, last - first + 1, 1000);
    for (int &r : want)
        r += first;
    QCOMPARE(points.rows, want);
    QCOMPARE(points.reduced, last - first + 1 > 1000);
    QVERIFY(std::all_of(points.starts.begin(), points.starts.end(), [](char s) { return s == 0; }));
}

// Points of different runs are not joined, nor across a gap row; the first point says so.
void TestViewRows::breaksBetweenRuns()
{
    const std::vector<double> v = randomValues(30, 5, 100);
    const extremaindex::Index index(v.data(), 30, {12});
    const viewrows::Points points = viewrows::curvePoints(index, {Run{2, 4}, Run{10, 14}}, 1000);
    QCOMPARE(points.rows, (std::vector<int>{2, 3, 4, 10, 11, 13, 14}));
    QCOMPARE(points.starts, (std::vector<char>{1, 0, 0, 1, 0, 1, 0}));
}

// A view of a few rows of a long table draws every one of them and their neighbours.
void TestViewRows::fewRowsAllDrawn()
{
    const int rows = 2000000;
    std::vector<double> x(static_cast<size_t>(rows)), y(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        x[size_t(r)] = r * 0.01;
        y[size_t(r)] = std::sin(r * 0.001);
    }
    const extremaindex::Index xi(x.data(), rows, {});
    const extremaindex::Index yi(y.data(), rows, {});
    const std::vector<Run> in = viewrows::rowsInView(xi, viewrows::rises(xi), 10000.0, 10001.0);
    QCOMPARE(in, (std::vector<Run>{Run{1000000, 1000100}}));
    const viewrows::Points points = viewrows::curvePoints(yi, viewrows::withNeighbours(in, rows), 1000);
    QCOMPARE(int(points.rows.size()), 103);
    QCOMPARE(points.rows.front(), 999999);
    QCOMPARE(points.rows.back(), 1000101);
}

QTEST_APPLESS_MAIN(TestViewRows)
#include "tst_viewrows.moc"
