#include <QtTest>

#include "base/apperror.h"
#include "chart/kfdline.h"
#include "chartwin/lineload.h"
#include "chartwin/readout.h"
#include "chartwin/rowreduce.h"
#include "import/columnstore.h"

#include <cmath>

namespace {

// A store whose list k holds columns[k-1]: name, unit, then the values.
void fill(ColumnStore &store, const QVector<QStringList> &columns)
{
    store.clear();
    for (int k = 0; k < columns.size(); ++k)
        for (const QString &item : columns[k])
            store.append(k + 1, item);
}

QStringList column(const QString &name, const QStringList &values)
{
    return QStringList{name, QStringLiteral("u")} + values;
}

}

class TestLineLoad : public QObject
{
    Q_OBJECT
private slots:
    void ranges_data();
    void ranges();
    void longXRange_data();
    void longXRange();
    void decimals_data();
    void decimals();
    void pointsAndNames();
    void bothChartsAlike();
    void missingNameItem();
    void moreRowsThanCapacity();
    void wholeTableThinned_data();
    void wholeTableThinned();
    void rowNotice_data();
    void rowNotice();
    void readoutOfThinnedCurves_data();
    void readoutOfThinnedCurves();
};

void TestLineLoad::ranges_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("points");
    const QStringList twoToSix{"2.0", "3.0", "6.0", "4.0"};
    QTest::newRow("mode 1") << twoToSix << 1 << 2.0 << 6.0 << 2 << 4;
    QTest::newRow("mode 2") << twoToSix << 2 << 0.0 << 8.0 << 2 << 4;
    QTest::newRow("mode 3") << twoToSix << 3 << -2.0 << 10.0 << 1 << 4;
    QTest::newRow("mode 0 is the data range") << twoToSix << 0 << 2.0 << 6.0 << 2 << 4;
    QTest::newRow("all equal") << QStringList{"5", "5", "5"} << 2 << 5.0 << 5.0 << 2 << 3;
    QTest::newRow("limit of exactly 100") << QStringList{"100", "50"} << 1 << 50.0 << 100.0 << 0 << 2;
    QTest::newRow("all above 999999") << QStringList{"2000000", "3000000"} << 1 << 2000000.0 << 3000000.0 << 0 << 2;
    QTest::newRow("all below -999999") << QStringList{"-2000000", "-3000000"} << 1 << -3000000.0 << -2000000.0 << 0
                                       << 2;
    QTest::newRow("text and empty are not drawn") << QStringList{"abc", "", "4", "1,5"} << 1 << 4.0 << 4.0 << 2 << 1;
    QTest::newRow("no data rows") << QStringList{} << 1 << 0.0 << 0.0 << 3 << 0;
    QTest::newRow("no data rows, mode 2") << QStringList{} << 2 << 0.0 << 0.0 << 3 << 0;
    QTest::newRow("small values") << QStringList{"0.01", "0.5"} << 1 << 0.01 << 0.5 << 3 << 2;
}

void TestLineLoad::ranges()
{
    QFETCH(QStringList, values);
    QFETCH(int, mode);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, decimals);
    QFETCH(int, points);

    ColumnStore store;
    QStringList xs;
    for (int i = 0; i < values.size(); ++i)
        xs << QString::number(i + 1);
    fill(store, {column("X", xs), column("Y", values)});
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.scaleMode = mode;
    const lineload::Result result = lineload::loadLineData(store, request, {&chart});

    QCOMPARE(result.yCount, 1);
    QCOMPARE(chart.curves[0].lower, lower);
    QCOMPARE(chart.curves[0].upper, upper);
    QCOMPARE(chart.curves[0].decimals, decimals);
    QCOMPARE(int(chart.shown[0]), 1);
    QCOMPARE(chart.pointCount[0], points);
    // The X axis always gets its plain range.
    if (!values.isEmpty()) {
        QCOMPARE(chart.xAxis.lower, 1.0);
        QCOMPARE(chart.xAxis.upper, double(values.size()));
    }
}

void TestLineLoad::longXRange_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("lowAt");
    QTest::addColumn<int>("highAt");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    // Long enough for two halves side by side, each in four runs and a tail.
    QTest::newRow("first and last rows") << 300003 << 0 << 300002 << -5.0 << 9.0;
    QTest::newRow("every run of the first half") << 300003 << 5 << 150002 << -5.0 << 9.0;
    QTest::newRow("tail of the first half") << 300003 << 150000 << 7 << -1e300 << 1e300;
    QTest::newRow("tail of the second half") << 300002 << 299999 << 300001 << -2.5 << 2.5;
    QTest::newRow("a short column") << 1003 << 1002 << 1001 << -3.0 << 3.0;
    // Equal limits of two signs: the first in row order is the limit.
    QTest::newRow("zero after minus zero, above") << 300003 << 10 << 200001 << -1.0 << -0.0;
    QTest::newRow("minus zero after zero, below") << 300003 << 170002 << 3 << 0.0 << 4.0;
}

// The X scale spans the X column's smallest and largest value wherever they lie, a limit of
// zero with the sign of the first zero.
void TestLineLoad::longXRange()
{
    QFETCH(int, rows);
    QFETCH(int, lowAt);
    QFETCH(int, highAt);
    QFETCH(double, low);
    QFETCH(double, high);
    ColumnStore store;
    {
        ColumnStore::Batch batch(store);
        store.append(1, u"t");
        store.append(1, u"s");
        store.append(2, u"y");
        store.append(2, u"V");
        for (int r = 0; r < rows; ++r) {
            double x = (r % 1000) * 0.001 * (high - low) + low;
            x = std::min(std::max(x, low), high);
            if (r == lowAt)
                x = low;
            else if (r == highAt)
                x = high;
            else if (x == 0 || x == low || x == high)
                x = (low + high) / 2 == 0 ? 0.5 : (low + high) / 2; // no other zero, no other limit
            // The limit's other sign, later: the first one stays the limit.
            if (low == 0 && r == lowAt + 7)
                x = -low;
            if (high == 0 && r == highAt + 9)
                x = -high;
            store.appendNumber(1, x);
            store.appendNumber(2, r % 7);
        }
    }
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.scaleMode = 1;
    lineload::loadLineData(store, request, {&chart});
    QCOMPARE(chart.xAxis.lower, low);
    QCOMPARE(chart.xAxis.upper, high);
    QCOMPARE(std::signbit(chart.xAxis.lower), std::signbit(low));
    QCOMPARE(std::signbit(chart.xAxis.upper), std::signbit(high));
}

void TestLineLoad::decimals_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("decimals");
    QTest::newRow("below 1") << -0.5 << 0.999 << 3;
    QTest::newRow("1 is class 10") << 0.0 << 1.0 << 2;
    QTest::newRow("below 10") << -9.99 << 2.0 << 2;
    QTest::newRow("10") << 0.0 << 10.0 << 1;
    QTest::newRow("99") << -99.0 << 0.0 << 1;
    QTest::newRow("100") << 0.0 << 100.0 << 0;
    QTest::newRow("large negative") << -1e9 << 0.0 << 0;
}

void TestLineLoad::decimals()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, decimals);
    QCOMPARE(lineload::decimalsFor(lo, hi), decimals);
}

void TestLineLoad::pointsAndNames()
{
    ColumnStore store;
    fill(store, {column("时间", {"1", "2", "3"}), column("压力", {"10", "x", "30"}),
                 column("unused", {"0", "0", "0"}), column("流量", {"7", "8", "9"})});
    Tkfdline chart;
    chart.shown[5] = 1;
    chart.AddPoint(3, 1, 1);
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2, 4};
    request.lastRow = 5;
    const lineload::Result result = lineload::loadLineData(store, request, {&chart});

    QCOMPARE(result.yCount, 2);
    QCOMPARE(result.yCol[0], 2);
    QCOMPARE(result.yCol[1], 4);
    QCOMPARE(chart.xAxis.name, QStringLiteral("时间"));
    QCOMPARE(chart.curves[1].name, QStringLiteral("流量"));
    QCOMPARE(chart.curves[1].unit, QStringLiteral("u"));
    // Every curve is reset before the chosen ones are filled.
    QCOMPARE(int(chart.shown[5]), 0);
    QCOMPARE(chart.pointCount[3], 0);
    QCOMPARE(chart.pointCount[0], 2); // "x" is a gap, not drawn
    QCOMPARE(chart.yData[0][2], 30.0);
    QCOMPARE(chart.xData[1][3], 3.0);
    QCOMPARE(chart.yData[1][3], 9.0);
}

void TestLineLoad::bothChartsAlike()
{
    ColumnStore store;
    fill(store, {column("X", {"1", "2"}), column("Y", {"3", "5"})});
    Tkfdline screen, printed;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    lineload::loadLineData(store, request, {&screen, &printed});
    QCOMPARE(printed.curves[0].lower, screen.curves[0].lower);
    QCOMPARE(printed.curves[0].upper, screen.curves[0].upper);
    QCOMPARE(printed.pointCount[0], 2);
    QCOMPARE(printed.yData[0][2], 5.0);
}

void TestLineLoad::missingNameItem()
{
    ColumnStore store;
    store.append(1, QStringLiteral("X"));
    store.append(1, QStringLiteral("s"));
    store.append(2, QStringLiteral("Y")); // no unit item
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    try {
        lineload::loadLineData(store, request, {&chart});
        QFAIL("no error");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), QStringLiteral("List index out of bounds (1)"));
    }
    QCOMPARE(chart.xAxis.name, QStringLiteral("X"));
}

void TestLineLoad::moreRowsThanCapacity()
{
    ColumnStore store;
    QStringList xs, ys;
    for (int i = 1; i <= 1500; ++i) {
        xs << QString::number(i);
        ys << QString::number(i <= 1000 ? i % 7 : 100); // rows past 1000 would widen the range
    }
    fill(store, {column("X", xs), column("Y", ys)});
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.scaleMode = 1;
    request.firstRowsOnly = true;
    const lineload::Result result = lineload::loadLineData(store, request, {&chart});
    QVERIFY(result.truncated);
    QCOMPARE(chart.pointCount[0], 1000);
    QCOMPARE(chart.xAxis.upper, 1000.0);
    QCOMPARE(chart.curves[0].upper, 6.0);

    request.lastRow = 1002; // exactly 1000 data rows
    QVERIFY(!lineload::loadLineData(store, request, {&chart}).truncated);
}

// A curve of `rows` values: a slow wave with spikes and dips placed off the bucket edges
// (and one on the very last row), so a thinning that kept edges or averages would lose them.
QStringList wave(int rows, int seed)
{
    QStringList values;
    for (int r = 0; r < rows; ++r) {
        double v = 100 + 10 * std::sin((r + seed) / 37.0);
        if (r % 997 == 500 + seed)
            v = 500 + r % 7;     // spike
        if (r % 1231 == 333 + seed)
            v = -400 - r % 5;    // dip
        if (r == rows - 1)
            v = 90 + seed;
        values << QString::number(v, 'g', 12);
    }
    return values;
}

void TestLineLoad::wholeTableThinned_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("1000 rows, as they are") << 1000;
    QTest::newRow("1001 rows") << 1001;
    QTest::newRow("1500 rows") << 1500;
    QTest::newRow("4999 rows") << 4999;
    QTest::newRow("65536 rows") << 65536;
}

void TestLineLoad::wholeTableThinned()
{
    QFETCH(int, rows);
    ColumnStore store;
    QStringList xs;
    for (int r = 0; r < rows; ++r)
        xs << QString::number(r * 0.1, 'g', 12);
    const QStringList y1 = wave(rows, 0), y2 = wave(rows, 3);
    fill(store, {column("t", xs), column("a", y1), column("b", y2)});
    Tkfdline screen, printed;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2, 3};
    request.lastRow = store.count(1);
    request.scaleMode = 1;
    const lineload::Result result = lineload::loadLineData(store, request, {&screen, &printed});

    QCOMPARE(result.dataRows, rows);
    QCOMPARE(result.reduced, rows > 1000);
    QVERIFY(!result.truncated);
    // The scales span every row, the last one included.
    QCOMPARE(screen.xAxis.upper, (rows - 1) * 0.1);
    const std::vector<int> edges = rowreduce::bucketEdges(rows, lineload::MaxRows);
    QCOMPARE(edges.empty(), rows <= 1000);
    const QStringList *columns[2] = {&y1, &y2};
    for (int c = 0; c < 2; ++c) {
        std::vector<double> values;
        for (const QString &t : *columns[c])
            values.push_back(t.toDouble());
        const int n = screen.pointCount[c];
        QVERIFY(n <= lineload::MaxRows);
        QCOMPARE(printed.pointCount[c], n);
        QCOMPARE(screen.curves[c].lower, *std::min_element(values.begin(), values.end()));
        QCOMPARE(screen.curves[c].upper, *std::max_element(values.begin(), values.end()));
        const std::vector<int> &kept = result.pointRows[size_t(c)];
        QCOMPARE(int(kept.size()), n);
        QCOMPARE(kept.front(), 0);
        QCOMPARE(kept.back(), rows - 1);
        for (int k = 0; k < n; ++k) {
            // Each point is the row it claims to be, in row order.
            QCOMPARE(screen.xData[c][k + 1], xs[kept[size_t(k)]].toDouble());
            QCOMPARE(screen.yData[c][k + 1], values[size_t(kept[size_t(k)])]);
            QCOMPARE(printed.yData[c][k + 1], screen.yData[c][k + 1]);
            if (k > 0)
                QVERIFY(kept[size_t(k)] > kept[size_t(k - 1)]);
        }
        if (edges.empty()) {
            QCOMPARE(n, rows);
            continue;
        }
        // Every row lies within what its bucket drew.
        size_t next = 0;
        for (size_t b = 0; b + 1 < edges.size(); ++b) {
            double lo = INFINITY, hi = -INFINITY;
            while (next < kept.size() && kept[next] < edges[b])
                ++next;
            for (size_t k = next; k < kept.size() && kept[k] < edges[b + 1]; ++k) {
                lo = std::min(lo, values[size_t(kept[k])]);
                hi = std::max(hi, values[size_t(kept[k])]);
            }
            for (int r = edges[b]; r < edges[b + 1]; ++r)
                QVERIFY2(values[size_t(r)] >= lo && values[size_t(r)] <= hi, qPrintable(QString::number(r)));
        }
    }
}

void TestLineLoad::rowNotice_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("firstRowsOnly");
    QTest::addColumn<QString>("notice");
    QTest::newRow("1000 rows") << 1000 << false << "";
    QTest::newRow("1000 rows, first rows") << 1000 << true << "";
    QTest::newRow("1200 rows") << 1200 << false << "绘制了1200行中的1000行。";
    QTest::newRow("1200 rows, first rows") << 1200 << true << "数据超过1000行，只绘制前1000行。";
}

void TestLineLoad::rowNotice()
{
    QFETCH(int, rows);
    QFETCH(bool, firstRowsOnly);
    QFETCH(QString, notice);
    ColumnStore store;
    QStringList xs;
    for (int r = 0; r < rows; ++r)
        xs << QString::number(r);
    fill(store, {column("X", xs), column("Y", xs)});
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.firstRowsOnly = firstRowsOnly;
    QCOMPARE(lineload::rowNotice(lineload::loadLineData(store, request, {&chart})), notice);
}

void TestLineLoad::readoutOfThinnedCurves_data()
{
    QTest::addColumn<double>("x");   // pointer at this X value ...
    QTest::addColumn<int>("dy");     // ... this many pixels below the plot's top
    QTest::addColumn<QStringList>("lines");
    // Rows 0..9 at X = row; curve A kept rows 0 2 4 6 8 9, curve B rows 0 1 3 5 7 9.
    QTest::newRow("A's row 4, B has rows 3 and 5: the earlier") << 4.0 << 100
                                                               << QStringList{"t: 4.0 s", "A: 40.00 V", "B: 3 N"};
    QTest::newRow("B's row 5, A has 4 and 6") << 5.1 << 100 << QStringList{"t: 5.0 s", "A: 40.00 V", "B: 5 N"};
    QTest::newRow("both at row 9") << 9.0 << 1 << QStringList{"t: 9.0 s", "A: 90.00 V", "B: 9 N"};
    QTest::newRow("left of the plot") << -0.1 << 100 << QStringList{};
    QTest::newRow("below the plot") << 5.0 << 400 << QStringList{};
}

void TestLineLoad::readoutOfThinnedCurves()
{
    QFETCH(double, x);
    QFETCH(int, dy);
    QFETCH(QStringList, lines);
    Tkfdline chart;
    chart.Width = 817;
    chart.Height = 529;
    chart.marginLeft = 120;
    chart.marginRight = 120;
    chart.marginTop = 120;
    chart.marginBottom = 50;
    chart.xAxis = {"t", "s", {}, 0, 9, 0, 0, 1, 0, 0};
    chart.curves[0] = {"A", "V", {}, 0, 100, 0x0000FF, 0, 2, 0, 0};
    chart.curves[1] = {"B", "N", {}, 0, 10, 0xFF0000, 0, 0, 0, 0};
    chart.shown[0] = chart.shown[1] = 1;
    readout::PointRows rows;
    rows[0] = {0, 2, 4, 6, 8, 9};
    rows[1] = {0, 1, 3, 5, 7, 9};
    for (int c = 0; c < 2; ++c)
        for (int r : rows[size_t(c)])
            chart.AddPoint(c, r, c == 0 ? 10.0 * r : r);
    const int px = int(std::lround(120 + x * (817 - 240) / 9.0));
    const readout::Readout out = readout::readAt(chart, QPoint(px, 120 + dy), rows);
    QStringList texts;
    for (const readout::Line &line : out.lines)
        texts << line.text;
    QCOMPARE(texts, lines);
    QCOMPARE(out.visible, !lines.isEmpty());
    if (lines.isEmpty())
        return;
    QCOMPARE(out.lines[1].color, 0x0000FF);
    QCOMPARE(out.lines[2].color, 0xFF0000);
    QVERIFY(qAbs(out.point.x() - px) <= 58); // at the chosen point, not the pointer
}

QTEST_APPLESS_MAIN(TestLineLoad)
#include "tst_lineload.moc"
