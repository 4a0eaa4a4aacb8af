#include <QtTest>

#include "base/apperror.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "import/columnstore.h"

#include <cmath>
#include <set>

namespace {

// A store whose list k holds name, unit, then the "|"-separated items of columns[k-1].
void fill(ColumnStore &store, const QStringList &names, const QStringList &columns)
{
    ColumnStore::Batch batch(store);
    store.clear();
    for (int k = 0; k < columns.size(); ++k) {
        store.append(k + 1, names.value(k, QStringLiteral("c%1").arg(k + 1)));
        store.append(k + 1, QStringLiteral("u"));
        if (columns[k].isEmpty())
            continue;
        for (const QString &item : columns[k].split(QLatin1Char('|')))
            store.append(k + 1, item);
    }
}

lineload::Request request(const ColumnStore &store, int mode = 1)
{
    lineload::Request r;
    r.xCol = 1;
    r.yCols = {2};
    r.lastRow = std::max(store.count(1), store.count(2));
    r.scaleMode = mode;
    return r;
}

// The data rows of curve k's points, strokes apart by "|": "0 1|3 4".
QString strokes(const ChartDocument &document, const Tkfdline &chart, int k)
{
    QString out;
    const std::vector<int> &rows = document.pointRows()[size_t(k)];
    for (int p = 0; p < chart.pointCount[k]; ++p) {
        if (p > 0)
            out += chart.strokeStart[k][p + 1] ? QLatin1Char('|') : QLatin1Char(' ');
        out += QString::number(rows[size_t(p)]);
    }
    return out;
}

// Every neighbouring pair of labels of a scale reads differently.
bool labelsApart(const kfdline::Tline &scale)
{
    QString previous;
    for (int j = 0; j <= 10; ++j) {
        const QString label = kfdline::scaleLabel(scale, scale.lower + (scale.upper - scale.lower) / 10 * j);
        if (j > 0 && label == previous)
            return false;
        previous = label;
    }
    return true;
}

}

class TestChartGaps : public QObject
{
    Q_OBJECT
private slots:
    void gaps_data();
    void gaps();
    void refused_data();
    void refused();
    void thinnedGaps_data();
    void thinnedGaps();
    void decimals_data();
    void decimals();
    void unixSeconds_data();
    void unixSeconds();
};

void TestChartGaps::gaps_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("strokes");
    QTest::addColumn<double>("xLower");
    QTest::addColumn<double>("xUpper");
    QTest::addColumn<double>("yLower");
    QTest::addColumn<double>("yUpper");
    QTest::addColumn<QStringList>("notes");
    QTest::newRow("all numbers") << "1|2|3|4" << "10|20|30|40" << 1 << "0 1 2 3" << 1.0 << 4.0 << 10.0 << 40.0
                                 << QStringList{};
    QTest::newRow("gap in the middle") << "1|2|3|4|5" << "10|20|NAN|40|50" << 1 << "0 1|3 4" << 1.0 << 5.0 << 10.0
                                       << 50.0 << QStringList{"第2列有1个值不是数字，不绘制"};
    QTest::newRow("gaps at the ends") << "1|2|3|4|5" << "|20|30|40|M" << 1 << "1 2 3" << 1.0 << 5.0 << 20.0 << 40.0
                                      << QStringList{"第2列有2个值不是数字，不绘制"};
    QTest::newRow("lone readings between gaps") << "1|2|3|4|5" << "10|---|30|#N/A|50" << 1 << "0|2|4" << 1.0 << 5.0
                                                << 10.0 << 50.0 << QStringList{"第2列有2个值不是数字，不绘制"};
    QTest::newRow("shorter column") << "1|2|3|4|5" << "10|20|30" << 1 << "0 1 2" << 1.0 << 5.0 << 10.0 << 30.0
                                    << QStringList{"第2列有2个值不是数字，不绘制"};
    QTest::newRow("gap in X breaks the curve") << "1|2||4|5" << "10|20|30|40|50" << 1 << "0 1|3 4" << 1.0 << 5.0
                                               << 10.0 << 50.0 << QStringList{"第1列有1个值不是数字，不绘制"};
    QTest::newRow("X range leaves its gaps out") << "NAN|5|6" << "-1|-2|-3" << 1 << "1 2" << 5.0 << 6.0 << -3.0
                                                 << -2.0 << QStringList{"第1列有1个值不是数字，不绘制"};
    QTest::newRow("mode 2 over the readings") << "1|2|3" << "10|NAN|20" << 2 << "0|2" << 1.0 << 3.0 << 5.0 << 25.0
                                              << QStringList{"第2列有1个值不是数字，不绘制"};
    QTest::newRow("mode 3 over the readings") << "1|2|3" << "nan|10|20" << 3 << "1 2" << 1.0 << 3.0 << 0.0 << 30.0
                                              << QStringList{"第2列有1个值不是数字，不绘制"};
    QTest::newRow("all above 999999") << "1|2" << "2000000|3000000" << 1 << "0 1" << 1.0 << 2.0 << 2000000.0
                                      << 3000000.0 << QStringList{};
    QTest::newRow("all below -999999") << "1|2" << "-2000000|-3000000" << 1 << "0 1" << 1.0 << 2.0 << -3000000.0
                                       << -2000000.0 << QStringList{};
    QTest::newRow("X beyond 999999") << "5000000|5000010" << "1|2" << 1 << "0 1" << 5000000.0 << 5000010.0 << 1.0
                                     << 2.0 << QStringList{};
    QTest::newRow("missing time in a time column")
        << "2026-12-08 10:00:00|NAN|2026-12-08 10:00:02|2026-12-08 10:00:03" << "1|2|3|4" << 1 << "0|2 3"
        << 1796724000.0 << 1796724003.0 << 1.0 << 4.0 << QStringList{"第1列有1个值不是时间，不绘制"};
    QTest::newRow("empty time in a time column") << "10:00:00| |10:00:02" << "1|2|3" << 1 << "0|2" << 36000.0
                                                 << 36002.0 << 1.0 << 3.0
                                                 << QStringList{"第1列有1个空值，这1行不绘制"};
}

// Missing readings are not drawn, stay out of the ranges and break the line.
void TestChartGaps::gaps()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(int, mode);
    QFETCH(QString, strokes);
    QFETCH(double, xLower);
    QFETCH(double, xUpper);
    QFETCH(double, yLower);
    QFETCH(double, yUpper);
    QFETCH(QStringList, notes);
    ColumnStore store;
    fill(store, {}, {x, y});
    Tkfdline screen, printed;
    ChartDocument document(store);
    document.setCharts({&screen, &printed});
    document.load(request(store, mode));
    for (const Tkfdline *chart : {&screen, &printed}) {
        QCOMPARE(::strokes(document, *chart, 0), strokes);
        QCOMPARE(chart->xAxis.lower, xLower);
        QCOMPARE(chart->xAxis.upper, xUpper);
        QCOMPARE(chart->curves[0].lower, yLower);
        QCOMPARE(chart->curves[0].upper, yUpper);
    }
    QCOMPARE(document.loaded().valueNotes, notes);
    // No point of a gap row reaches the charts (values drawn are the readings themselves).
    for (int p = 0; p < screen.pointCount[0]; ++p)
        QVERIFY(screen.yData[0][p + 1] >= yLower && screen.yData[0][p + 1] <= yUpper);
}

void TestChartGaps::refused_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<QString>("message");
    QTest::newRow("Y without a number") << "1|2|3" << "NAN||M" << "第2列的3个值都不是数字，无法绘制";
    QTest::newRow("Y shorter than the table, empty") << "1|2" << "" << "第2列的2个值都不是数字，无法绘制";
    QTest::newRow("X without a number") << "a|b" << "1|2" << "第1列的2个值都不是数字，无法绘制";
    QTest::newRow("texts among few times") << "10:00:00|NAN|M" << "1|2|3" << "第1列的3个值都不是数字，无法绘制";
}

// A column with nothing to draw is refused with the reason; the charts keep the last load.
void TestChartGaps::refused()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(QString, message);
    ColumnStore store;
    fill(store, {}, {"1|2|3", "4|5|6"});
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(store));
    fill(store, {}, {x, y});
    QString error;
    try {
        document.load(request(store));
    } catch (const AppError &e) {
        error = e.message();
    }
    QCOMPARE(error, message);
    QCOMPARE(chart.pointCount[0], 3);
    QCOMPARE(chart.curves[0].upper, 6.0);
}

void TestChartGaps::thinnedGaps_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("gapEvery");  // every n-th row missing (0: none)
    QTest::addColumn<int>("gapFrom");   // and a run of missing rows from..to
    QTest::addColumn<int>("gapTo");
    QTest::addColumn<int>("spike");     // a spike row right before the run, one right after
    QTest::newRow("wide gap with spikes beside it") << 20000 << 0 << 9000 << 9999 << 1;
    QTest::newRow("gap of one row") << 5000 << 0 << 2500 << 2500 << 1;
    QTest::newRow("gap at the start") << 8000 << 0 << 0 << 499 << 1;
    QTest::newRow("gap at the end") << 8000 << 0 << 7000 << 7999 << 1;
    QTest::newRow("every third row missing") << 9000 << 3 << 4000 << 4010 << 1;
    QTest::newRow("few rows, every other missing") << 900 << 2 << 101 << 111 << 1;
}

// Thinning keeps every spike and never draws a line over a missing row.
void TestChartGaps::thinnedGaps()
{
    QFETCH(int, rows);
    QFETCH(int, gapEvery);
    QFETCH(int, gapFrom);
    QFETCH(int, gapTo);
    QFETCH(int, spike);
    QStringList xs, ys;
    std::set<int> gaps, spikes;
    double highest = -1e300;
    for (int r = 0; r < rows; ++r) {
        xs << QString::number(r);
        const bool gap = (r >= gapFrom && r <= gapTo) || (gapEvery > 0 && r % gapEvery == 1);
        double v = std::sin(r / 50.0);
        if (spike && (r == gapFrom - 1 || r == gapTo + 1) && r >= 0 && r < rows && !gap) {
            v = r == gapFrom - 1 ? 1000 : -1000;
            spikes.insert(r);
        }
        if (gap)
            gaps.insert(r);
        else
            highest = std::max(highest, v);
        ys << (gap ? QStringLiteral("NAN") : QString::number(v, 'g', 17));
    }
    ColumnStore store;
    fill(store, {}, {xs.join(QLatin1Char('|')), ys.join(QLatin1Char('|'))});
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(store));
    const std::vector<int> &points = document.pointRows()[0];
    QVERIFY(chart.pointCount[0] <= kfdline::MaxPoints);
    QCOMPARE(int(points.size()), chart.pointCount[0]);
    for (int s : spikes)
        QVERIFY2(std::binary_search(points.begin(), points.end(), s), qPrintable(QString::number(s)));
    for (size_t p = 0; p < points.size(); ++p) {
        QVERIFY(!gaps.count(points[p]));
        if (p == 0) {
            QCOMPARE(bool(chart.strokeStart[0][1]), !gaps.empty());
            continue;
        }
        const auto between = gaps.upper_bound(points[p - 1]);
        const bool gapBetween = between != gaps.end() && *between < points[p];
        QCOMPARE(bool(chart.strokeStart[0][p + 1]), gapBetween);
    }
    QCOMPARE(chart.curves[0].upper, highest);
    QCOMPARE(document.loaded().yNotNumbers[0], int(gaps.size()));
}

void TestChartGaps::decimals_data()
{
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("decimals");
    QTest::newRow("the rule's decimals suffice") << "2.0|3.0|6.0|4.0" << 2;
    QTest::newRow("small span next to the values") << "4.300|4.301" << 4;
    QTest::newRow("half a unit on large values") << "769268|769268.5" << 2;
    QTest::newRow("one unit on large values") << "769268|769269" << 1;
    QTest::newRow("no span keeps the rule") << "5|5|5" << 2;
    QTest::newRow("too small to part: the most there is") << "1000|1000.0000001" << 5;
    QTest::newRow("negative values") << "-4.301|-4.300" << 4;
}

// A scale has more decimals than the rule gives until its neighbouring labels differ.
void TestChartGaps::decimals()
{
    QFETCH(QString, y);
    QFETCH(int, decimals);
    QStringList xs;
    for (int i = 0; i < y.count(QLatin1Char('|')) + 1; ++i)
        xs << QString::number(i + 1);
    ColumnStore store;
    fill(store, {}, {xs.join(QLatin1Char('|')), y});
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(store));
    QCOMPARE(chart.curves[0].decimals, decimals);
    if (chart.curves[0].upper - chart.curves[0].lower > 1e-6)
        QVERIFY(labelsApart(chart.curves[0]));
    // The same for an X scale.
    fill(store, {}, {y, xs.join(QLatin1Char('|'))});
    document.load(request(store));
    QCOMPARE(chart.xAxis.decimals, decimals);
}

void TestChartGaps::unixSeconds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("x");
    QTest::addColumn<bool>("time");
    QTest::newRow("unix in the name") << "Unix time" << "1796724000|1796724060|1796724120" << true;
    QTest::newRow("epoch, any case") << "EPOCH_s" << "1796724000|1796724060" << true;
    QTest::newRow("timestamp with a gap") << "TimeStamp" << "1796724000|NAN|1796724120" << true;
    QTest::newRow("ordinary name") << "serial" << "1796724000|1796724060" << false;
    QTest::newRow("a value below 1e9") << "unix" << "1796724000|999999999" << false;
    QTest::newRow("a value above 4e9") << "unix" << "1796724000|4000000001" << false;
}

// Unix seconds, by name and range, are drawn on a dated time scale.
void TestChartGaps::unixSeconds()
{
    QFETCH(QString, name);
    QFETCH(QString, x);
    QFETCH(bool, time);
    ColumnStore store;
    fill(store, {name, "v"}, {x, "1|2|3"});
    Tkfdline chart;
    ChartDocument document(store);
    document.setCharts({&chart});
    document.load(request(store));
    QCOMPARE(document.loaded().xTime, time);
    QCOMPARE(bool(chart.xAxis.text), time);
    if (time)
        QCOMPARE(chart.xAxis.text->value(1796724000), QStringLiteral("2026-12-8 10:00:00"));
    // As a Y column too.
    fill(store, {"n", name}, {"1|2|3", x});
    document.load(request(store));
    QCOMPARE(document.loaded().yTime[0], time);
    QCOMPARE(bool(chart.curves[0].text), time);
}

QTEST_GUILESS_MAIN(TestChartGaps)
#include "tst_chartgaps.moc"
