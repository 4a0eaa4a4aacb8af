#include <QtTest>

#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/chartpage.h"
#include "chartwin/chartsetup.h"
#include "import/columnstore.h"
#include "support/linerequest.h"

#include <cmath>
#include <random>

namespace {

enum class XKind { Rising, Unsorted };

// X and one Y column: X rises by one a row (or is a shuffled temperature-like walk), Y a
// wave; every `gapStep`-th Y item is text (no reading).
void fill(ColumnStore &store, int rows, XKind kind, int gapStep = 0, int spikeRow = -1, int xGapRow = -1)
{
    ColumnStore::Batch batch(store);
    store.clear();
    store.append(1, QStringLiteral("t"));
    store.append(1, QStringLiteral("s"));
    store.append(2, QStringLiteral("p"));
    store.append(2, QStringLiteral("bar"));
    std::mt19937 gen(17);
    std::uniform_real_distribution<double> step(-1, 1);
    double walk = 0;
    for (int row = 0; row < rows; ++row) {
        walk += step(gen);
        if (row == xGapRow)
            store.append(1, QStringLiteral("-"));
        else
            store.appendNumber(1, kind == XKind::Rising ? row : walk);
        if (gapStep > 0 && row % gapStep == gapStep / 2)
            store.append(2, QStringLiteral("n/a"));
        else
            store.appendNumber(2, row == spikeRow ? 1000.0 : std::sin(row * 0.01) + 0.001 * (row % 7));
    }
}

using linerequest::request;

// What a chart shows: scales, points and the picture.
struct Shown {
    double xLower, xUpper, yLower, yUpper;
    int xDecimals, yDecimals, points;
    std::vector<double> x, y;
    std::vector<int> starts;
    QImage picture;

    explicit Shown(Tkfdline &chart)
        : xLower(chart.xAxis.lower), xUpper(chart.xAxis.upper), yLower(chart.curves[0].lower),
          yUpper(chart.curves[0].upper), xDecimals(chart.xAxis.decimals), yDecimals(chart.curves[0].decimals),
          points(chart.pointCount[0])
    {
        for (int p = 1; p <= points; ++p) {
            x.push_back(chart.xData[0][p]);
            y.push_back(chart.yData[0][p]);
            starts.push_back(chart.strokeStart[0][p]);
        }
        chart.Redraw();
        picture = chart.picture();
    }
};

void compare(const Shown &a, const Shown &b)
{
    QCOMPARE(a.xLower, b.xLower);
    QCOMPARE(a.xUpper, b.xUpper);
    QCOMPARE(a.yLower, b.yLower);
    QCOMPARE(a.yUpper, b.yUpper);
    QCOMPARE(a.xDecimals, b.xDecimals);
    QCOMPARE(a.yDecimals, b.yDecimals);
    QCOMPARE(a.points, b.points);
    QCOMPARE(a.x, b.x);
    QCOMPARE(a.y, b.y);
    QCOMPARE(a.starts, b.starts);
    QVERIFY(a.picture == b.picture);
}

struct Fixture {
    ColumnStore store;
    Tkfdline chart;
    ChartDocument document{store};
    Fixture() { chartsetup::setUpScreenChart(chart); }
};

}

class TestChartZoom : public QObject
{
    Q_OBJECT
private slots:
    void homeRedrawsTheLoad_data();
    void homeRedrawsTheLoad();
    void spikeAtEveryZoom_data();
    void spikeAtEveryZoom();
    void steps_data();
    void steps();
    void scalesFollowTheView_data();
    void scalesFollowTheView();
    void unsortedRowsInView();
    void followsTheGrowingTable_data();
    void followsTheGrowingTable();
    void printedPageShowsTheView();
};

void TestChartZoom::homeRedrawsTheLoad_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("gapStep");
    QTest::addColumn<int>("xGapRow");
    QTest::addColumn<int>("mode");
    QTest::newRow("rising, thinned") << 50000 << int(XKind::Rising) << 0 << -1 << 2;
    QTest::newRow("rising, every row") << 700 << int(XKind::Rising) << 0 << -1 << 1;
    QTest::newRow("rising, gaps") << 50000 << int(XKind::Rising) << 97 << -1 << 3;
    QTest::newRow("rising, first X a gap") << 20000 << int(XKind::Rising) << 0 << 0 << 2;
    QTest::newRow("rising, X gap inside") << 20000 << int(XKind::Rising) << 13 << 777 << 2;
    QTest::newRow("unsorted, thinned") << 30000 << int(XKind::Unsorted) << 0 << -1 << 2;
    QTest::newRow("unsorted, gaps") << 30000 << int(XKind::Unsorted) << 51 << 4321 << 1;
    QTest::newRow("manual limits") << 30000 << int(XKind::Rising) << 0 << -1 << 0;
}

// The whole-table view after zooming is the load's, to the pixel.
void TestChartZoom::homeRedrawsTheLoad()
{
    QFETCH(int, rows);
    QFETCH(int, kind);
    QFETCH(int, gapStep);
    QFETCH(int, xGapRow);
    QFETCH(int, mode);
    Fixture f;
    fill(f.store, rows, XKind(kind), gapStep, -1, xGapRow);
    f.document.setCharts({&f.chart});
    f.document.load(request(rows, mode));
    if (mode == 0)
        f.document.setManualLimits({chartsettings::Limits{-3, 3}, {0, 1}, {0, 1}, {0, 1}});
    const Shown loaded(f.chart);
    const readout::PointRows rows0 = f.document.pointRows();
    const ChartDocument::View whole = f.document.view();
    f.document.zoomX(whole.xLower + (whole.xUpper - whole.xLower) * 0.3,
                     whole.xLower + (whole.xUpper - whole.xLower) * 0.4);
    QVERIFY(f.document.isZoomed());
    QVERIFY(f.chart.xAxis.upper < whole.xUpper);
    f.document.home();
    QVERIFY(!f.document.isZoomed());
    compare(Shown(f.chart), loaded);
    QCOMPARE(f.document.pointRows()[0], rows0[0]);
}

void TestChartZoom::spikeAtEveryZoom_data()
{
    QTest::addColumn<int>("spikeRow");
    QTest::addColumn<double>("centreShift"); // of the zoom centre from the spike, in rows
    QTest::newRow("centred") << 123457 << 0.0;
    QTest::newRow("off centre") << 123457 << 3.7;
    QTest::newRow("first row") << 0 << 0.0;
    QTest::newRow("near the end") << 299990 << 2.0;
}

// A one-row spike stays among the drawn points at every zoom level, in and out again.
void TestChartZoom::spikeAtEveryZoom()
{
    QFETCH(int, spikeRow);
    QFETCH(double, centreShift);
    const int rows = 300000;
    Fixture f;
    fill(f.store, rows, XKind::Rising, 0, spikeRow);
    f.document.setCharts({&f.chart});
    f.document.load(request(rows, 2));
    auto spikeDrawn = [&] {
        const std::vector<int> &drawn = f.document.pointRows()[0];
        const double top = *std::max_element(&f.chart.yData[0][1], &f.chart.yData[0][1] + f.chart.pointCount[0]);
        return std::binary_search(drawn.begin(), drawn.end(), spikeRow) && top == 1000.0;
    };
    QVERIFY(spikeDrawn());
    // Zooming around a point beside the spike leaves it out of view at the deepest levels.
    auto inView = [&] { return f.chart.xAxis.lower <= spikeRow && spikeRow <= f.chart.xAxis.upper; };
    int levelsInView = 0;
    for (int level = 0; level < 22; ++level) {
        f.document.zoomAround(spikeRow + centreShift, 0.5);
        if (!inView())
            continue;
        ++levelsInView;
        QVERIFY2(spikeDrawn(), qPrintable(QStringLiteral("zoomed in %1 times").arg(level + 1)));
        QVERIFY(f.chart.curves[0].upper >= 1000.0); // the automatic scale reaches it
    }
    QVERIFY(levelsInView >= 15);
    QVERIFY(f.chart.pointCount[0] < 10); // every row in view, and its neighbours
    for (int level = 0; level < 22; ++level) {
        f.document.zoomAround(spikeRow + centreShift, 2.0);
        if (inView())
            QVERIFY2(spikeDrawn(), qPrintable(QStringLiteral("zoomed out %1 times").arg(level + 1)));
    }
    QVERIFY(spikeDrawn());
    QVERIFY(!f.document.isZoomed());
}

void TestChartZoom::steps_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    // X of 1000 rows: 0..999.
    QTest::newRow("zoom") << "z 100 200" << 100.0 << 200.0;
    QTest::newRow("zoom, limits swapped") << "z 200 100" << 100.0 << 200.0;
    QTest::newRow("zoom past the table") << "z -50 100" << 0.0 << 100.0;
    QTest::newRow("pan a tenth") << "z 100 200;p 0.1" << 110.0 << 210.0;
    QTest::newRow("pan back") << "z 100 200;p -0.1;p -0.1" << 80.0 << 180.0;
    QTest::newRow("pan stops at the start") << "z 100 200;p -5" << 0.0 << 100.0;
    QTest::newRow("pan stops at the end") << "z 100 200;p 50" << 899.0 << 999.0;
    QTest::newRow("pan of the whole table") << "p 0.1" << 0.0 << 999.0;
    QTest::newRow("zoom in around") << "a 500 0.5" << 250.0 << 749.5;
    QTest::newRow("zoom around keeps the point") << "z 100 200;a 120 0.5" << 110.0 << 160.0;
    QTest::newRow("zoom out past whole") << "z 100 200;a 150 100" << 0.0 << 999.0;
    QTest::newRow("zoom out at the start") << "z 0 100;a 10 2" << 0.0 << 200.0;
    QTest::newRow("zoom out at the end") << "z 899 999;a 990 2" << 799.0 << 999.0;
    QTest::newRow("back") << "z 100 200;z 120 130;b" << 100.0 << 200.0;
    QTest::newRow("back twice") << "z 100 200;z 120 130;b;b" << 0.0 << 999.0;
    QTest::newRow("back after pan") << "z 100 200;p 0.1;b" << 100.0 << 200.0;
    QTest::newRow("back with nothing before") << "b" << 0.0 << 999.0;
    QTest::newRow("home") << "z 100 200;z 120 130;h" << 0.0 << 999.0;
    QTest::newRow("back after home") << "z 100 200;z 120 130;h;b" << 120.0 << 130.0;
    QTest::newRow("mode change keeps the view") << "z 100 200;m 3" << 100.0 << 200.0;
    QTest::newRow("mode change after a rectangle") << "r 100 200;m 1" << 100.0 << 200.0;
    QTest::newRow("load starts whole") << "z 100 200;l" << 0.0 << 999.0;
}

// Zoom, pan, back and home give the X limits a user expects.
void TestChartZoom::steps()
{
    QFETCH(QString, steps);
    QFETCH(double, lower);
    QFETCH(double, upper);
    Fixture f;
    fill(f.store, 1000, XKind::Rising);
    f.document.setCharts({&f.chart});
    f.document.load(request(1000, 2));
    for (const QString &step : steps.split(QLatin1Char(';'))) {
        const QStringList w = step.split(QLatin1Char(' '));
        const double a = w.value(1).toDouble(), b = w.value(2).toDouble();
        switch (w[0].at(0).toLatin1()) {
        case 'z': f.document.zoomX(a, b); break;
        case 'p': f.document.pan(a); break;
        case 'a': f.document.zoomAround(a, b); break;
        case 'b': f.document.back(); break;
        case 'h': f.document.home(); break;
        case 'm': f.document.setScaleMode(int(a)); break;
        case 'l': f.document.load(request(1000, 2)); break;
        case 'r': {
            ChartDocument::View rectangle{a, b, true, {}};
            rectangle.yLimits[0] = viewload::Limits{-0.5, 0.5};
            f.document.setView(rectangle);
            break;
        }
        }
    }
    QCOMPARE(f.document.view().xLower, lower);
    QCOMPARE(f.document.view().xUpper, upper);
    QCOMPARE(f.chart.xAxis.lower, lower);
    QCOMPARE(f.chart.xAxis.upper, upper);
    // Another mode fits the vertical scale to the rows again, a rectangle's limits or not.
    if (steps.endsWith("m 1"))
        QVERIFY(f.chart.curves[0].lower != -0.5 && !f.document.view().yLimited);
    // Rows in view: X rises one a row from 0.
    QCOMPARE(f.document.viewRange().first, int(std::ceil(lower)));
    QCOMPARE(f.document.viewRange().last, int(std::floor(upper)));
}

void TestChartZoom::scalesFollowTheView_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    // Y = X + 1 over X 0..999; the view 100..200.
    QTest::newRow("mode 1: the rows in view") << 1 << 101.0 << 201.0;
    QTest::newRow("mode 2: widened by half") << 2 << 51.0 << 251.0;
    QTest::newRow("mode 3: widened by the span") << 3 << 1.0 << 301.0;
    QTest::newRow("manual: kept") << 0 << -7.0 << 7.0;
}

void TestChartZoom::scalesFollowTheView()
{
    QFETCH(int, mode);
    QFETCH(double, lower);
    QFETCH(double, upper);
    Fixture f;
    {
        ColumnStore::Batch batch(f.store);
        f.store.append(1, QStringLiteral("t"));
        f.store.append(1, QStringLiteral("s"));
        f.store.append(2, QStringLiteral("p"));
        f.store.append(2, QStringLiteral("bar"));
        for (int row = 0; row < 1000; ++row) {
            f.store.appendNumber(1, row);
            f.store.appendNumber(2, row + 1);
        }
    }
    f.document.setCharts({&f.chart});
    f.document.load(request(1000, mode));
    if (mode == 0)
        f.document.setManualLimits({chartsettings::Limits{-7, 7}, {0, 1}, {0, 1}, {0, 1}});
    f.document.zoomX(100, 200);
    QCOMPARE(f.chart.curves[0].lower, lower);
    QCOMPARE(f.chart.curves[0].upper, upper);
    // A rectangle sets both; home gives the mode's scales of the whole table back.
    ChartDocument::View rectangle = f.document.view();
    rectangle.yLimited = true;
    rectangle.yLimits[0] = viewload::Limits{150, 160};
    f.document.setView(rectangle);
    QCOMPARE(f.chart.curves[0].lower, 150.0);
    QCOMPARE(f.chart.curves[0].upper, 160.0);
    f.document.home();
    const double span = 999;
    const double widen = mode == 2 ? span / 2 : mode == 3 ? span : 0;
    QCOMPARE(f.chart.curves[0].lower, mode == 0 ? -7.0 : 1 - widen);
    QCOMPARE(f.chart.curves[0].upper, mode == 0 ? 7.0 : 1000 + widen);
}

// Where X goes back and forth, the points are the rows whose X lies in view and their
// neighbours, each stretch a stroke of its own.
void TestChartZoom::unsortedRowsInView()
{
    const int rows = 400;
    Fixture f;
    fill(f.store, rows, XKind::Unsorted);
    f.document.setCharts({&f.chart});
    f.document.load(request(rows, 2));
    f.document.zoomX(-2, 2);
    std::vector<double> x(rows);
    for (int r = 0; r < rows; ++r)
        f.store.numberAt(1, r + 2, &x[size_t(r)]);
    std::vector<int> want;
    for (int r = 0; r < rows; ++r) {
        const bool in = x[size_t(r)] >= -2 && x[size_t(r)] <= 2;
        const bool besideIn = (r > 0 && x[size_t(r - 1)] >= -2 && x[size_t(r - 1)] <= 2)
                              || (r + 1 < rows && x[size_t(r + 1)] >= -2 && x[size_t(r + 1)] <= 2);
        if (in || besideIn)
            want.push_back(r);
    }
    QVERIFY(want.size() > 20 && want.size() < size_t(rows));
    QCOMPARE(f.document.pointRows()[0], want);
    for (size_t p = 1; p < want.size(); ++p)
        QCOMPARE(f.chart.strokeStart[0][p + 1] != 0, want[p] != want[p - 1] + 1);
}

void TestChartZoom::followsTheGrowingTable_data()
{
    QTest::addColumn<double>("lower"); // view before the table grows from 1000 to 1500 rows
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("newLower");
    QTest::addColumn<double>("newUpper");
    QTest::newRow("whole stays whole") << 0.0 << 999.0 << 0.0 << 1499.0;
    QTest::newRow("at the end follows it") << 900.0 << 999.0 << 1400.0 << 1499.0;
    QTest::newRow("inside stays") << 100.0 << 200.0 << 100.0 << 200.0;
}

void TestChartZoom::followsTheGrowingTable()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, newLower);
    QFETCH(double, newUpper);
    Fixture f;
    fill(f.store, 1000, XKind::Rising);
    f.document.setCharts({&f.chart});
    f.document.load(request(1000, 0));
    f.document.setManualLimits({chartsettings::Limits{-9, 9}, {0, 1}, {0, 1}, {0, 1}});
    f.document.zoomX(lower, upper);
    {
        ColumnStore::Batch batch(f.store);
        for (int row = 1000; row < 1500; ++row) {
            f.store.appendNumber(1, row);
            f.store.appendNumber(2, 0.5);
        }
    }
    QSignalSpy changes(&f.document, &ChartDocument::changed);
    f.document.reloadKeepingView(1502);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(f.document.loaded().dataRows, 1500);
    QCOMPARE(f.document.view().xLower, newLower);
    QCOMPARE(f.document.view().xUpper, newUpper);
    QCOMPARE(f.chart.xAxis.upper, newUpper);
    QCOMPARE(f.document.request().scaleMode, 0);
    QCOMPARE(f.chart.curves[0].lower, -9.0);
    QCOMPARE(f.chart.curves[0].upper, 9.0);
    // The view before the growth is still there to go back to.
    if (lower != 0) {
        QVERIFY(f.document.back());
        QCOMPARE(f.document.view().xUpper, 1499.0);
    }
}

// The printed page's chart shows the zoomed view: its scale, its points, a picture of its own.
void TestChartZoom::printedPageShowsTheView()
{
    Fixture f;
    ChartPage page;
    fill(f.store, 5000, XKind::Rising);
    f.document.setCharts({&f.chart, &page.line1});
    f.document.load(request(5000, 2));
    page.line1.Redraw();
    const QImage whole = page.line1.picture();
    f.document.zoomX(1000, 1100);
    QCOMPARE(page.line1.xAxis.lower, 1000.0);
    QCOMPARE(page.line1.xAxis.upper, 1100.0);
    QCOMPARE(kfdline::scaleLabel(page.line1.xAxis, page.line1.xAxis.lower), QStringLiteral("1000"));
    QCOMPARE(page.line1.pointCount[0], 103);
    QCOMPARE(page.line1.xData[0][2], 1000.0);
    QCOMPARE(page.line1.curves[0].upper, f.chart.curves[0].upper);
    page.line1.Redraw();
    QVERIFY(page.line1.picture() != whole);
}

QTEST_MAIN(TestChartZoom)
#include "tst_chartzoom.moc"
