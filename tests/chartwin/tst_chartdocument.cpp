#include <QtTest>

#include "base/apperror.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "import/columnstore.h"
#include "support/linerequest.h"

namespace {

// A store of an X column 1..rows and a Y column of `y` times the row, with names and units.
void fill(ColumnStore &store, int rows, double y = 1)
{
    ColumnStore::Batch batch(store);
    store.clear();
    store.append(1, QStringLiteral("t"));
    store.append(1, QStringLiteral("s"));
    store.append(2, QStringLiteral("p"));
    store.append(2, QStringLiteral("bar"));
    for (int row = 1; row <= rows; ++row) {
        store.appendNumber(1, row);
        store.appendNumber(2, y * row);
    }
}

using linerequest::request;

// The changes a document told, in order.
struct Changes {
    explicit Changes(ChartDocument &document)
    {
        QObject::connect(&document, &ChartDocument::changed, [this](ChartDocument::Change c) { seen << c; });
    }
    QVector<ChartDocument::Change> seen;
};

}

Q_DECLARE_METATYPE(ChartDocument::Change)

class TestChartDocument : public QObject
{
    Q_OBJECT
private slots:
    void changes_data();
    void changes();
    void loadFillsBothCharts();
    void newTableIsConvertedAgain();
    void failedLoadTellsNothing();
    void batchTellsOnce_data();
    void batchTellsOnce();
    void viewsWithIndexesLeftToThem_data();
    void viewsWithIndexesLeftToThem();
};

void TestChartDocument::changes_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<ChartDocument::Change>("change");
    QTest::addColumn<double>("lower"); // of the curve afterwards
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("points");
    // After a load in mode 1 of 2000 rows of 1..2000: thinned to 1000 points.
    QTest::newRow("mode 2 reloads") << 0 << ChartDocument::Change::Data << -998.5 << 2999.5 << 1000;
    QTest::newRow("mode 0 is the plain range") << 1 << ChartDocument::Change::Data << 1.0 << 2000.0 << 1000;
    QTest::newRow("first rows only reloads") << 2 << ChartDocument::Change::Data << 1.0 << 1000.0 << 1000;
    QTest::newRow("manual limits keep the points") << 3 << ChartDocument::Change::View << -5.0 << 5.0 << 1000;
}

// Every change is told once, as data or view, and leaves the scales it should.
void TestChartDocument::changes()
{
    QFETCH(int, step);
    QFETCH(ChartDocument::Change, change);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, points);
    ColumnStore store;
    fill(store, 2000);
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(2000));
    Changes changes(document);
    switch (step) {
    case 0: document.setScaleMode(2); break;
    case 1: document.setScaleMode(0); break;
    case 2: document.setFirstRowsOnly(true); break;
    case 3: document.setManualLimits({chartsettings::Limits{-5, 5}, {0, 1}, {0, 1}, {0, 1}}); break;
    }
    QCOMPARE(changes.seen, QVector<ChartDocument::Change>{change});
    QCOMPARE(chart.curves[0].lower, lower);
    QCOMPARE(chart.curves[0].upper, upper);
    QCOMPARE(chart.pointCount[0], points);
    QCOMPARE(int(document.pointRows()[0].size()), points);
    QCOMPARE(document.request().scaleMode, step == 0 ? 2 : step == 2 ? 1 : 0);
    QCOMPARE(document.viewRange(), (ChartDocument::ViewRange{0, step == 2 ? 999 : 1999}));
}

void TestChartDocument::loadFillsBothCharts()
{
    ColumnStore store;
    fill(store, 1500);
    Tkfdline screen, printed;
    ChartDocument document(store);
    QVERIFY(document.viewRange().isEmpty());
    document.setCharts({&screen, &printed});
    document.load(request(1500, 2));
    for (const Tkfdline *chart : {&screen, &printed}) {
        QCOMPARE(chart->xAxis.name, QStringLiteral("t"));
        QCOMPARE(chart->curves[0].unit, QStringLiteral("bar"));
        QCOMPARE(chart->pointCount[0], 1000);
    }
    QCOMPARE(document.curve(0).name, QStringLiteral("p"));
    QCOMPARE(document.curve(1).name, QString());
    QCOMPARE(document.loaded().yCount, 1);
    QCOMPARE(document.notes(), QStringList{QStringLiteral("绘制了1500行中的1000行。")});
    QCOMPARE(document.viewRange(), (ChartDocument::ViewRange{0, 1499}));
}

// Values converted from one table must not be drawn for the next one of the same size.
void TestChartDocument::newTableIsConvertedAgain()
{
    ColumnStore store;
    fill(store, 10);
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(10));
    QCOMPARE(chart.curves[0].upper, 10.0);
    fill(store, 10, 3);
    document.setScaleMode(1);
    QCOMPARE(chart.curves[0].upper, 30.0);
}

void TestChartDocument::failedLoadTellsNothing()
{
    ColumnStore store;
    fill(store, 10);
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(10));
    Changes changes(document);
    lineload::Request noUnits = request(10);
    noUnits.yCols = {3}; // an empty list: no name, no unit
    QVERIFY_THROWS_EXCEPTION(AppError, document.load(noUnits));
    QVERIFY(changes.seen.isEmpty());
    QCOMPARE(document.loaded().yCol[0], 2);
    QCOMPARE(document.viewRange(), (ChartDocument::ViewRange{0, 9}));
}

void TestChartDocument::batchTellsOnce_data()
{
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QVector<ChartDocument::Change>>("told");
    QTest::newRow("reload and limits: one data change") << false
                                                        << QVector<ChartDocument::Change>{ChartDocument::Change::Data};
    QTest::newRow("ended by an error: nothing") << true << QVector<ChartDocument::Change>{};
}

// The steps of one user action are one change, and a half-done one is none.
void TestChartDocument::batchTellsOnce()
{
    QFETCH(bool, fails);
    QFETCH(QVector<ChartDocument::Change>, told);
    ColumnStore store;
    fill(store, 10);
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(10));
    Changes changes(document);
    try {
        ChartDocument::Batch batch(document);
        document.setFirstRowsOnly(true);
        document.setManualLimits({chartsettings::Limits{-1, 1}, {0, 1}, {0, 1}, {0, 1}});
        QVERIFY(changes.seen.isEmpty());
        if (fails)
            throw AppError(QStringLiteral("refused"));
    } catch (const AppError &) {
    }
    QCOMPARE(changes.seen, told);
    QCOMPARE(chart.curves[0].lower, -1.0);
}

void TestChartDocument::viewsWithIndexesLeftToThem_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("a stretch") << 1200.5 << 4100.0;
    QTest::newRow("a few rows") << 50.0 << 53.0;
    QTest::newRow("the whole table") << 0.0 << 99999.0;
}

// A document that leaves its indexes to the first view shows that view as one that built
// them with the load: the same rows, points and scales; no view before a load.
void TestChartDocument::viewsWithIndexesLeftToThem()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    ColumnStore store;
    fill(store, 5000, -0.5);
    Tkfdline eager, lazy;
    ChartDocument eagerDocument(store), lazyDocument(store);
    eagerDocument.setCharts({&eager});
    lazyDocument.setCharts({&lazy});
    lazyDocument.setIndexOnLoad(false);
    lazyDocument.zoomX(lower, upper); // before a load: nothing to show
    QVERIFY(lazyDocument.viewRange().isEmpty());
    eagerDocument.load(request(5000));
    lazyDocument.load(request(5000));
    QCOMPARE(lazyDocument.indexBytes(), std::size_t(0));
    eagerDocument.zoomX(lower, upper);
    lazyDocument.zoomX(lower, upper);
    QCOMPARE(lazyDocument.viewRange(), eagerDocument.viewRange());
    QCOMPARE(lazyDocument.pointRows(), eagerDocument.pointRows());
    QCOMPARE(lazy.pointCount[0], eager.pointCount[0]);
    for (int p = 1; p <= eager.pointCount[0]; ++p)
        QVERIFY(lazy.xData[0][p] == eager.xData[0][p] && lazy.yData[0][p] == eager.yData[0][p]);
    QCOMPARE(lazy.curves[0].lower, eager.curves[0].lower);
    QCOMPARE(lazy.curves[0].upper, eager.curves[0].upper);
}

QTEST_GUILESS_MAIN(TestChartDocument)
#include "tst_chartdocument.moc"
