#include <QtTest>

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/formatvalue.h"
#include "chart/kfdline.h"

#include "chart/chartfixture.h"

#include <cmath>
#include <functional>
#include <set>

using kfdline::FormatValue;

using namespace chartfixture;

class TestKfdline : public QObject
{
    Q_OBJECT
private slots:
    void gridPixels();
    void scaleLines();
    void markers_data();
    void markers();
    void faults_data();
    void faults();
    void oddFieldsDrawLess_data();
    void oddFieldsDrawLess();
    void pointsAndClear();
    void strokesBreakAtGaps_data();
    void strokesBreakAtGaps();
    void pointArgumentsChecked_data();
    void pointArgumentsChecked();
    void textPlacement();
    void longRightNamesShortened_data();
    void longRightNamesShortened();
    void degenerateLimits();
    void newElement();
    void redrawAfterChangesMatchesFreshChart_data();
    void redrawAfterChangesMatchesFreshChart();
};

void TestKfdline::gridPixels()
{
    auto chart = screenChart(4);
    chart->gridColor = 0xC0C0C0;
    chart->Redraw();
    const QImage &img = chart->picture();
    const QRgb grid = rgb(0xC0C0C0);
    std::set<int> solidRows, dottedRows, solidCols, dottedCols;
    for (int k = 0; k <= 40; ++k) {
        const int y = 120 + int(std::nearbyint(k * 8.95));
        const int x = 130 + int(std::nearbyint(k * 13.9));
        (k % 4 == 0 ? solidRows : dottedRows).insert(y);
        (k % 4 == 0 ? solidCols : dottedCols).insert(x);
    }
    QVERIFY(solidRows.count(120) && solidRows.count(478) && solidRows.count(156));
    QVERIFY(solidCols.count(130) && solidCols.count(686));
    for (int y : solidRows)
        QCOMPARE(countColor(img, QRect(130, y, 557, 1), grid), 557);
    for (int x : solidCols)
        QCOMPARE(countColor(img, QRect(x, 120, 1, 359), grid), 359);
    // Dotted rows: every other pixel from the left edge, plus the solid columns and the
    // dotted columns where their own dots (every other row from the top) fall.
    for (int y : dottedRows) {
        for (int x = 130; x < 687; ++x) {
            const bool on = (x - 130) % 2 == 0 || solidCols.count(x)
                || (dottedCols.count(x) && (y - 120) % 2 == 0);
            QCOMPARE(img.pixel(x, y) == grid, on);
        }
    }
    // Between grid lines nothing but background.
    QCOMPARE(img.pixel(133, 124), White);
    QCOMPARE(img.pixel(400, 470), White);

    // A background colour of 0 is painted white, grid and all else as before.
    chart->backColor = 0;
    chart->Redraw();
    QCOMPARE(chart->picture().pixel(133, 124), White);
    QCOMPARE(chart->picture().pixel(5, 300), White);
    chart->backColor = 0xE0F0FF;
    chart->Redraw();
    QCOMPARE(chart->picture().pixel(133, 124), rgb(0xE0F0FF));
}

void TestKfdline::scaleLines()
{
    auto chart = screenChart(4);
    const int colors[4] = {0x0000FF, 0x008000, 0xFF0000, 0x800080};
    for (int i = 0; i < 4; ++i)
        chart->curves[i].color = colors[i];
    chart->gridColor = 0xC0C0C0;
    chart->Redraw();
    const QImage &img = chart->picture();
    // Own scale lines only at slots -1 and 11, full plot height, in the curve's colour.
    QCOMPARE(countColor(img, QRect(65, 120, 1, 359), rgb(colors[1])), 359);
    QCOMPARE(countColor(img, QRect(752, 120, 1, 359), rgb(colors[3])), 359);
    QCOMPARE(countColor(img, QRect(130, 120, 1, 359), rgb(colors[0])), 0);
    QCOMPARE(countColor(img, QRect(687, 120, 1, 359), rgb(colors[2])), 0);
    // Eleven ticks from 2 left to 3 right of the line, end pixel left out.
    for (int j = 0; j <= 10; ++j) {
        const int y = 479 - int(std::nearbyint(j * 35.9));
        QCOMPARE(countColor(img, QRect(63, y, 5, 1), rgb(colors[1])), 5);
        QVERIFY(img.pixel(68, y) != rgb(colors[1]));
        QCOMPARE(countColor(img, QRect(750, y, 5, 1), rgb(colors[3])), 5);
    }
    // X axis line 5 below the plot in black and its ticks from +2 to +5.
    QCOMPARE(countColor(img, QRect(130, 484, 557, 1), qRgb(0, 0, 0)), 557);
    for (int j = 0; j <= 10; ++j) {
        const int x = 130 + int(std::nearbyint(j * 55.6));
        QCOMPARE(countColor(img, QRect(x, 481, 1, 4), qRgb(0, 0, 0)), 4);
    }
}

void TestKfdline::markers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("y");
    QTest::addColumn<QVector<QPoint>>("offsets"); // exact pixels, or empty: only a bounding box
    QTest::addColumn<QRect>("box");
    using V = QVector<QPoint>;
    V cross, square, diamond;
    for (int i = 0; i < 6; ++i) {
        cross << QPoint(-3 + i, -3 + i) << QPoint(3 - i, -3 + i);
    }
    for (int i = 0; i < 4; ++i)
        square << QPoint(-2 + i, -2) << QPoint(2, -2 + i) << QPoint(2 - i, 2) << QPoint(-2, 2 - i);
    diamond << QPoint(-3, 0) << QPoint(-2, -1) << QPoint(-1, -2) << QPoint(0, -3) << QPoint(1, -2)
            << QPoint(2, -1) << QPoint(3, 0) << QPoint(2, 1) << QPoint(1, 2) << QPoint(0, 3)
            << QPoint(-1, 2) << QPoint(-2, 1);
    QTest::newRow("cross") << 1 << 50.0 << cross << QRect();
    QTest::newRow("square") << 3 << 50.0 << square << QRect();
    QTest::newRow("diamond") << 4 << 50.0 << diamond << QRect();
    QTest::newRow("circle") << 2 << 50.0 << V{} << QRect(QPoint(-2, -2), QPoint(1, 1));
    QTest::newRow("triangle") << 5 << 50.0 << V{} << QRect(QPoint(-3, -3), QPoint(3, 1));
    QTest::newRow("on the top edge still marked") << 3 << 100.0 << square << QRect();
    QTest::newRow("above the plot: none") << 3 << 100.5 << V{} << QRect();
    QTest::newRow("below the plot: none") << 1 << -3.0 << V{} << QRect();
    QTest::newRow("kind 0: none") << 0 << 50.0 << V{} << QRect();
    QTest::newRow("unknown kind: none") << 9 << 50.0 << V{} << QRect();
}

void TestKfdline::markers()
{
    QFETCH(int, kind);
    QFETCH(double, y);
    QFETCH(QVector<QPoint>, offsets);
    QFETCH(QRect, box);
    auto chart = screenChart(1);
    chart->xAxis.upper = 100;
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 100;
    chart->curves[0].marker = kind;
    chart->curves[0].color = 0x0000FF;
    chart->AddPoint(0, 40, y);
    chart->Redraw();
    const QImage &img = chart->picture();
    const qint64 px = std::llround(40 * chart->plotWidth / 100.0 + chart->marginLeft);
    const qint64 py = std::llround(chart->plotBottom - y * chart->plotHeight / 100.0);
    std::set<std::pair<int, int>> drawn;
    const QRect plot = plotRect(*chart);
    for (int yy = plot.top() - 10; yy <= plot.bottom() + 10; ++yy)
        for (int xx = plot.left(); xx <= plot.right(); ++xx)
            if (img.pixel(xx, yy) == qRgb(255, 0, 0))
                drawn.insert({int(xx - px), int(yy - py)});
    if (!offsets.isEmpty()) {
        std::set<std::pair<int, int>> expected;
        for (const QPoint &p : offsets)
            expected.insert({p.x(), p.y()});
        QCOMPARE(drawn, expected);
    } else if (box.isValid()) {
        QVERIFY(!drawn.empty());
        for (const auto &p : drawn)
            QVERIFY(box.contains(p.first, p.second));
    } else {
        QVERIFY(drawn.empty());
    }
}

void TestKfdline::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("curveDrawn");
    QTest::newRow("curve limits +-1e300") << 0 << "Floating point overflow" << true;
    QTest::newRow("X limit 1e300") << 1 << "Floating point overflow" << false;
    QTest::newRow("NaN data point") << 2 << "Invalid floating point operation" << true;
    QTest::newRow("NaN X limit") << 3 << "Invalid floating point operation" << false;
    QTest::newRow("zero plot height") << 4 << "Floating point division by zero" << false;
    QTest::newRow("data value 1e300") << 5 << "Floating point overflow" << true;
    QTest::newRow("infinite curve limits") << 6 << "Floating point overflow" << false;
    QTest::newRow("plot too tall to draw") << 7 << "The chart is too large to draw" << false;
}

void TestKfdline::faults()
{
    QFETCH(int, fault);
    QFETCH(QString, message);
    QFETCH(bool, curveDrawn);
    auto chart = screenChart(2);
    chart->gridColor = 0xC0C0C0;
    chart->xAxis.upper = 100;
    for (int c = 0; c < 2; ++c) {
        chart->curves[c].lower = 0;
        chart->curves[c].upper = 100;
        chart->curves[c].color = c == 0 ? 0x0000FF : 0xFF0000;
        for (int k = 0; k <= 100; k += 10)
            chart->AddPoint(c, k, 50 + (k % 20) - c * 20);
    }
    switch (fault) {
    case 0: chart->curves[0].lower = -1e300; chart->curves[0].upper = 1e300; break;
    case 1: chart->xAxis.upper = 1e300; break;
    case 2: chart->yData[1][6] = NaN; break;
    case 3: chart->xAxis.upper = NaN; break;
    case 4: chart->marginTop = chart->Height - chart->marginBottom; break;
    case 5: chart->yData[1][6] = 1e300; break;
    case 6: chart->curves[0].lower = -Inf; chart->curves[0].upper = Inf; break;
    case 7: chart->Height = 200000; chart->marginBottom = 100000; chart->marginTop = -100000; break;
    }
    QImage before(817, 529, QImage::Format_RGB32);
    before.fill(qRgb(255, 0, 255));
    chart->setPicture(before);
    const int changes = chart->changeCount();
    QCOMPARE(errorOf([&] { chart->Redraw(); }), message);
    const QImage &img = chart->picture();
    // Drawing stopped part-way: background and grid are there, the frame drawn last is not.
    QCOMPARE(countColor(img, img.rect(), qRgb(255, 0, 255)), 0);
    QCOMPARE(img.pixel(300, qBound(0, int(chart->marginTop), 528)), rgb(0xC0C0C0));
    QCOMPARE(img.pixel(0, 0), White);
    QVERIFY(chart->changeCount() > changes);
    // Curve 0 drew before curve 1 failed in the cases where the fault lies in curve 1.
    if (curveDrawn)
        QVERIFY(countColor(img, img.rect(), qRgb(255, 0, 0)) > 10);
    // The element stays usable.
    chart->xAxis.upper = 100;
    chart->marginTop = 120;
    chart->Height = 529;
    chart->marginBottom = 50;
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 100;
    chart->yData[1][6] = 50;
    chart->Redraw();
    QCOMPARE(chart->picture().pixel(0, 0), qRgb(0, 0, 0));
}

void TestKfdline::oddFieldsDrawLess_data()
{
    QTest::addColumn<int>("odd");
    QTest::addColumn<QString>("message");
    QTest::newRow("decimals 99") << 0 << QString();
    QTest::newRow("decimals -7") << 1 << QString();
    QTest::newRow("point count 5000") << 2 << QString();
    QTest::newRow("point count -3") << 3 << QString();
    QTest::newRow("only curve 6 shown: no slot") << 4 << QString();
    QTest::newRow("shown flag 2") << 5 << QString();
    QTest::newRow("free texts far away") << 6 << QString();
    QTest::newRow("marker kinds -1 and 77") << 7 << QString();
    QTest::newRow("huge negative spacing") << 8 << QString();
    QTest::newRow("margins far outside") << 9 << "The chart is too large to draw";
    QTest::newRow("huge font size") << 10 << QString();
    QTest::newRow("spacing overflows the margins") << 11 << "Integer overflow";
    QTest::newRow("element size overflows") << 12 << "Integer overflow";
}

void TestKfdline::oddFieldsDrawLess()
{
    QFETCH(int, odd);
    QFETCH(QString, message);
    auto chart = screenChart(4);
    chart->xAxis.upper = 100;
    for (int c = 0; c < 4; ++c) {
        chart->curves[c].lower = 0;
        chart->curves[c].upper = 100;
        chart->curves[c].marker = c + 1;
        for (int k = 0; k < 100; ++k)
            chart->AddPoint(c, k, 50 + c * 5);
    }
    switch (odd) {
    case 0: chart->curves[0].decimals = 99; chart->xAxis.decimals = 99; break;
    case 1: chart->curves[1].decimals = -7; chart->xAxis.decimals = -7; break;
    case 2: chart->pointCount[0] = 5000; break;
    case 3: chart->pointCount[2] = -3; break;
    case 4: std::fill(chart->shown, chart->shown + 8, 0); chart->shown[6] = 1; chart->pointCount[6] = 1000; break;
    case 5: chart->shown[1] = 2; break;
    case 6: chart->infoText[0] = QStringLiteral("x"); chart->infoPos[0] = QPoint(-2000000000, 2000000000);
            chart->infoText[1] = QStringLiteral("y"); chart->infoPos[1] = QPoint(2000000000, 5); break;
    case 7: chart->curves[0].marker = -1; chart->curves[1].marker = 77; break;
    case 8: chart->scaleSpacing = -300000000; break;
    case 9: chart->marginTop = -1000000; chart->marginBottom = -1000000; chart->Height = 40000; break;
    case 10: chart->Font.setPointSize(100000); break;
    case 11: chart->scaleSpacing = 2000000000; break;
    case 12: chart->Width = 2147483000; chart->scaleSpacing = -1000; break;
    }
    const qint32 leftBefore = chart->marginLeft;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(errorOf([&] { chart->Redraw(); }), message);
    QVERIFY(timer.elapsed() < 5000);
    if (message == QStringLiteral("Integer overflow")) {
        // Checked before anything changed.
        QCOMPARE(chart->marginLeft, leftBefore);
        QCOMPARE(chart->picture().pixel(0, 0), White);
    }
}

void TestKfdline::pointsAndClear()
{
    auto chart = screenChart(1);
    for (int k = 0; k < 5; ++k)
        chart->AddPoint(0, k, 10 * k);
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 40;
    chart->xAxis.upper = 4;
    chart->curves[0].color = 0x0000FF;
    chart->Redraw();
    const QImage drawn = chart->picture();
    const int changes = chart->changeCount();

    chart->ClearCurve(0);
    QCOMPARE(chart->pointCount[0], 0);
    QCOMPARE(chart->picture(), drawn); // the old curve stays until the next Redraw
    QCOMPARE(chart->changeCount(), changes + 1);

    chart->AddPoint(0, 1.5, -2);
    chart->AddPoint(0, 2.5, -3);
    chart->AddPoint(0, 3.5, -4);
    QCOMPARE(chart->pointCount[0], 3);
    QCOMPARE(chart->xData[0][1], 1.5);
    QCOMPARE(chart->yData[0][3], -4.0);
    QCOMPARE(chart->xData[0][4], 3.0); // older values stay in storage
    QCOMPARE(chart->picture(), drawn);  // adding draws nothing

    // A shown curve with no points: scale texts, no line and no markers.
    chart->ClearCurve(0);
    chart->curves[0].marker = 3;
    chart->Redraw();
    QCOMPARE(countColor(chart->picture(), plotRect(*chart), qRgb(255, 0, 0)), 0);
}

void TestKfdline::strokesBreakAtGaps_data()
{
    // Points at x = 0..8, y = 20 (or 10 at odd x); "|" starts a stroke, "." a lone point.
    QTest::addColumn<QString>("points");
    QTest::addColumn<int>("marker");
    QTest::addColumn<QString>("dark");  // x intervals (in data units) that must hold no curve pixel
    QTest::addColumn<QString>("drawn"); // x values next to which curve pixels must be
    QTest::newRow("one stroke") << "0 1 2 3 4 5 6 7 8" << 0 << "" << "0.5 3.5 7.5";
    QTest::newRow("gap in the middle") << "0 1 2 3|6 7 8" << 0 << "3.2-5.8" << "1.5 6.5";
    QTest::newRow("lone point between gaps") << "0 1|4|7 8" << 0 << "1.2-3.8 4.2-6.8" << "0.5 4 7.5";
    QTest::newRow("lone point with a marker") << "0 1|4|7 8" << 3 << "1.2-3.8 4.2-6.8" << "4";
    QTest::newRow("lone first and last points") << "0|3 4 5|8" << 0 << "0.2-2.8 5.2-7.8" << "0 4 8";
    QTest::newRow("one point of a curve with gaps") << "|4" << 0 << "" << "4";
}

// No line joins two strokes, and a point alone between gaps is still seen.
void TestKfdline::strokesBreakAtGaps()
{
    QFETCH(QString, points);
    QFETCH(int, marker);
    QFETCH(QString, dark);
    QFETCH(QString, drawn);
    auto chart = screenChart(1);
    chart->xAxis.lower = -1;
    chart->xAxis.upper = 9;
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 30;
    chart->curves[0].color = 0x0000FF;
    chart->curves[0].marker = marker;
    for (const QString &stroke : points.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        // The first point's flag tells that the curve has gaps.
        bool starts = chart->pointCount[0] > 0 || points.contains(QLatin1Char('|'));
        for (const QString &x : stroke.split(QLatin1Char(' '))) {
            chart->AddPoint(0, x.toInt(), x.toInt() % 2 ? 10 : 20, starts);
            starts = false;
        }
    }
    chart->Redraw();
    const QImage &img = chart->picture();
    const QRect plot = plotRect(*chart);
    auto column = [&](double x) {
        return int(plot.left() + (x + 1) / 10 * plot.width());
    };
    const QRgb red = qRgb(255, 0, 0);
    for (const QString &interval : dark.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList ends = interval.split(QLatin1Char('-'));
        const QRect area(QPoint(column(ends[0].toDouble()), plot.top() + 1),
                         QPoint(column(ends[1].toDouble()), plot.bottom() - 1));
        QCOMPARE(countColor(img, area, red), 0);
    }
    for (const QString &x : drawn.split(QLatin1Char(' '))) {
        const int c = column(x.toDouble());
        QVERIFY2(countColor(img, QRect(c - 2, plot.top() + 1, 5, plot.height() - 2), red) > 0, qPrintable(x));
    }
}

void TestKfdline::pointArgumentsChecked_data()
{
    QTest::addColumn<int>("curve");
    QTest::addColumn<int>("existing");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("curve 0") << 0 << 0 << true;
    QTest::newRow("curve 7") << 7 << 0 << true;
    QTest::newRow("999 points, one more") << 3 << 999 << true;
    QTest::newRow("curve -1") << -1 << 0 << false;
    QTest::newRow("curve 8") << 8 << 0 << false;
    QTest::newRow("full curve") << 2 << 1000 << false;
}

void TestKfdline::pointArgumentsChecked()
{
    QFETCH(int, curve);
    QFETCH(int, existing);
    QFETCH(bool, accepted);
    auto chart = std::make_unique<Tkfdline>();
    for (int k = 0; k < existing; ++k)
        chart->AddPoint(curve, k, k);
    const QString error = errorOf([&] { chart->AddPoint(curve, 7.5, 8.5); });
    QCOMPARE(error.isEmpty(), accepted);
    if (accepted) {
        QCOMPARE(chart->pointCount[curve], existing + 1);
        QCOMPARE(chart->yData[curve][existing + 1], 8.5);
    } else if (curve >= 0 && curve < 8) {
        QCOMPARE(chart->pointCount[curve], 1000);
    }
    QCOMPARE(errorOf([&] { chart->ClearCurve(curve); }).isEmpty(), curve >= 0 && curve < 8);
    for (int c = 0; c < 8; ++c)
        QVERIFY(chart->pointCount[c] >= 0 && chart->pointCount[c] <= 1000);
}

void TestKfdline::textPlacement()
{
    auto chart = screenChart(4);
    chart->title = QStringLiteral("Excel数据曲线图");
    chart->xAxis.name = QStringLiteral("时间");
    chart->xAxis.unit = QStringLiteral("s");
    const char *names[4] = {"压力", "温度", "流量", "转速"};
    for (int c = 0; c < 4; ++c) {
        chart->curves[c].name = QString::fromUtf8(names[c]);
        chart->curves[c].unit = QStringLiteral("u%1").arg(c);
        chart->curves[c].lower = 0;
        chart->curves[c].upper = 10 * (c + 1);
        chart->curves[c].decimals = 1;
        chart->curves[c].color = 0x010101 * (c + 1);
    }
    QVector<DrawSurface::TextItem> texts;
    DrawSurface &s = chart->Canvas();
    s.setTextListener([&](const DrawSurface::TextItem &t) { texts.append(t); });
    chart->Redraw();
    s.setTextListener({});

    auto width = [&](const DrawSurface::TextItem &t) {
        s.setFontSize(t.size);
        return s.textWidth(t.text);
    };
    auto height = [&](const DrawSurface::TextItem &t) {
        s.setFontSize(t.size);
        return s.textHeight(t.text);
    };
    // X labels: 0 to 1000 in steps of 100, centred on their ticks, black, at the scale size.
    int xLabels = 0;
    for (const auto &t : texts) {
        if (t.color != 0 || t.size != 8 || t.y != 479 - 8 + 18)
            continue;
        const int tickX = 130 + int(std::nearbyint(xLabels * 55.6));
        QCOMPARE(t.text, QString::number(xLabels * 100));
        QVERIFY(std::abs(t.x + width(t) / 2.0 - tickX) <= 1.0);
        ++xLabels;
    }
    QCOMPARE(xLabels, 11);
    // Scale texts: left ones end 5 pixels before their scale, right ones start 5 after it;
    // labels are centred on their ticks; name above unit above the plot.
    const int scaleX[4] = {130, 65, 687, 752};
    for (int c = 0; c < 4; ++c) {
        QVector<DrawSurface::TextItem> mine;
        for (const auto &t : texts)
            if (t.color == 0x010101 * (c + 1))
                mine.append(t);
        QCOMPARE(mine.size(), 13);
        QCOMPARE(mine[0].text, chart->curves[c].name);
        QCOMPARE(mine[1].text, chart->curves[c].unit);
        QCOMPARE(mine[0].y, 120 - height(mine[0]) - 25);
        QCOMPARE(mine[1].y, 120 - height(mine[1]) - 10);
        for (int j = 0; j < 13; ++j) {
            if (c < 2 || c == 1)
                QCOMPARE(mine[j].x + width(mine[j]), qint64(scaleX[c] - 5));
            if (c >= 2)
                QCOMPARE(mine[j].x, qint64(scaleX[c] + 5));
        }
        for (int j = 0; j <= 10; ++j) {
            const auto &label = mine[2 + j];
            QCOMPARE(label.text, FormatValue(chart->curves[c].upper / 10 * j, 1));
            const double tickY = 479 - std::nearbyint(j * 35.9);
            QVERIFY(std::abs(label.y + height(label) / 2.0 - tickY) <= 1.0);
        }
    }
    // Title at 24 points centred at the top, then the (empty) free texts at 10.
    const auto title = std::find_if(texts.begin(), texts.end(), [](const auto &t) { return t.size == 24; });
    QVERIFY(title != texts.end());
    QCOMPARE(title->y, 1);
    QVERIFY(std::abs(title->x + width(*title) / 2.0 - 817 / 2.0) <= 1.0);
    QCOMPARE(texts.last().size, 10);
    QCOMPARE(chart->Canvas().fontColor(), 0);
    // The separator stands above the names, the dotted frame round everything.
    const int hz = (s.setFontSize(10), s.textHeight(QStringLiteral("中")));
    const int sepY = 120 - hz - 28;
    QCOMPARE(countColor(chart->picture(), QRect(0, sepY, 817, 1), qRgb(0, 0, 0)), 409);
    for (int y = 0; y < 529; ++y)
        if (y != sepY)
            QCOMPARE(chart->picture().pixel(816, y) == qRgb(0, 0, 0), y % 2 == 0);
}

void TestKfdline::degenerateLimits()
{
    auto chart = screenChart(2);
    chart->curves[0].color = 0x0000FF;
    chart->curves[1].color = 0xFF0000;
    chart->curves[1].lower = 7;
    chart->curves[1].upper = 7;
    for (int k = 0; k < 10; ++k) {
        chart->AddPoint(0, k * 100, 60 + k);
        chart->AddPoint(1, k * 100, 7);
    }
    chart->curves[0].marker = 1;
    chart->curves[1].marker = 1;
    QVector<DrawSurface::TextItem> texts;
    chart->Canvas().setTextListener([&](const DrawSurface::TextItem &t) { texts.append(t); });
    chart->Redraw();
    const QRect plot = plotRect(*chart);
    // Equal limits of curve 1: no line or markers, but 11 equal labels beside its name.
    QVERIFY(countColor(chart->picture(), plot, qRgb(255, 0, 0)) > 50);
    QCOMPARE(countColor(chart->picture(), plot, qRgb(0, 0, 255)), 0);
    int sevens = 0;
    for (const auto &t : texts)
        sevens += t.color == 0xFF0000 && t.text == QStringLiteral("7");
    QCOMPARE(sevens, 11);

    // Equal X limits: no scales, no curves; the title is still written.
    texts.clear();
    chart->xAxis.lower = chart->xAxis.upper = 5;
    chart->title = QStringLiteral("T");
    chart->Redraw();
    QCOMPARE(countColor(chart->picture(), plot, qRgb(255, 0, 0)), 0);
    QCOMPARE(texts.size(), 9); // the title and eight (empty) free texts
    QCOMPARE(texts.first().text, QStringLiteral("T"));
}

void TestKfdline::newElement()
{
    Tkfdline chart;
    QCOMPARE(chart.Width, 1010);
    QCOMPARE(chart.Height, 672);
    QCOMPARE(chart.curves[0].color, 0x0000FF);
    QCOMPARE(chart.curves[2].color, 0xFF0000);
    QCOMPARE(chart.curves[7].upper, 100.0);
    chart.Redraw();
    // No shown curve: margins stay, the bitmap is made to the element's size, X scale 0..1000.
    QCOMPARE(chart.marginLeft, 55);
    QCOMPARE(chart.marginRight, 55);
    QCOMPARE(chart.picture().size(), QSize(1010, 672));
    QCOMPARE(countColor(chart.picture(), QRect(55, 672 - 50 + 5, 900, 1), qRgb(0, 0, 0)), 900);
}

void TestKfdline::longRightNamesShortened_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("curves");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("shortened");
    const QString longName = QStringLiteral("主泵出口压力传感器读数");
    const QString longLatin = QStringLiteral("Outlet pressure of the main pump");
    QTest::newRow("short names stay") << 817 << 4 << "流量" << "m3/h" << false;
    QTest::newRow("long Chinese name") << 817 << 4 << longName << "MPa" << true;
    QTest::newRow("long Latin name") << 817 << 4 << longLatin << "bar" << true;
    QTest::newRow("long unit too") << 817 << 4 << "流量" << "litres per minute at 20 °C" << true;
    QTest::newRow("two curves, one right scale") << 817 << 2 << longName << "MPa" << true;
    QTest::newRow("wide chart still cuts at the next scale") << 1600 << 4 << longLatin << "bar" << true;
    QTest::newRow("eight curves") << 1200 << 8 << longName << "MPa" << true;
    QTest::newRow("astral characters") << 817 << 4 << QString::fromUtf8("\xF0\x9D\x90\x80\xF0\x9D\x90\x81\xF0\x9D\x90\x82\xF0\x9D\x90\x83\xF0\x9D\x90\x84\xF0\x9D\x90\x85\xF0\x9D\x90\x86\xF0\x9D\x90\x87\xF0\x9D\x90\x88\xF0\x9D\x90\x89\xF0\x9D\x90\x8A") << "u" << true;
}

// Right-hand scales stand 65 pixels apart: a name or unit that would run into the next
// scale's texts (or past the picture) is cut with "…"; left-hand texts and short ones stay.
void TestKfdline::longRightNamesShortened()
{
    QFETCH(int, width);
    QFETCH(int, curves);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(bool, shortened);
    auto chart = screenChart(curves);
    chart->Width = width;
    chart->setPictureSize(width, 529);
    for (int c = 0; c < curves; ++c) {
        chart->curves[c].name = name;
        chart->curves[c].unit = unit;
        chart->curves[c].upper = 10;
        chart->curves[c].color = 0x010101 * (c + 1);
        chart->curves[c].marker = 1;
    }
    QVector<DrawSurface::TextItem> texts;
    DrawSurface &s = chart->Canvas();
    s.setTextListener([&](const DrawSurface::TextItem &t) { texts.append(t); });
    chart->Redraw();
    s.setTextListener({});
    s.setFontSize(8);

    std::vector<int> rightSlots;
    for (int c = 0; c < curves; ++c)
        if (chart->scaleSlot[c] > 9)
            rightSlots.push_back(chart->scaleSlot[c]);
    QVERIFY(!rightSlots.empty());
    bool anyCut = false;
    for (int c = 0; c < curves; ++c) {
        QVector<DrawSurface::TextItem> mine;
        for (const auto &t : texts)
            if (t.color == 0x010101 * (c + 1))
                mine.append(t);
        QCOMPARE(mine.size(), 13);
        const int v = chart->scaleSlot[c];
        if (v < 9) { // left: whole, ending 5 pixels before the scale
            QCOMPARE(mine[0].text, name);
            QCOMPARE(mine[1].text, unit);
            continue;
        }
        const qint64 xv = chart->Width - chart->marginRight + qint64(v - 10) * 65;
        const bool last = std::find(rightSlots.begin(), rightSlots.end(), v + 1) == rightSlots.end();
        const qint64 end = last ? chart->Width - 1 : xv + 65;
        for (int k = 0; k < 2; ++k) {
            const QString whole = k == 0 ? name : unit;
            const QString drawn = mine[k].text;
            QCOMPARE(mine[k].x, xv + 5);
            if (drawn == whole) {
                QVERIFY(mine[k].x + s.textWidth(drawn) <= end);
                continue;
            }
            anyCut = true;
            QVERIFY2(drawn.endsWith(QChar(0x2026)), qPrintable(drawn));
            QVERIFY(whole.startsWith(drawn.chopped(1)));
            QVERIFY(!drawn.chopped(1).isEmpty() && !drawn.chopped(1).back().isHighSurrogate());
            // The name leaves room for its marker; nothing runs past the next scale's texts.
            QVERIFY(mine[k].x + s.textWidth(drawn) <= end - (k == 0 ? 10 : 0));
            // The longest prefix that fits: one more character would not.
            const int prefix = int(drawn.size()) - 1;
            const QString longer = whole.left(prefix + (whole.at(prefix).isHighSurrogate() ? 2 : 1)) + QChar(0x2026);
            QVERIFY(mine[k].x + s.textWidth(longer) > end - (k == 0 ? 10 : 0));
        }
    }
    QCOMPARE(anyCut, shortened);
}

namespace {

// Four named curves with points, markers and a title: every kind of text the chart writes.
std::unique_ptr<Tkfdline> labelledChart(int ratio)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->setPixelRatio(ratio);
    chart->Width = 817;
    chart->Height = 529;
    chart->setPictureSize(817, 529);
    chart->Font.setPointSize(8);
    chart->marginTop = 120;
    chart->title = QStringLiteral("曲线图");
    chart->xAxis.name = QStringLiteral("时间");
    chart->xAxis.unit = QStringLiteral("s");
    chart->xAxis.upper = 50;
    const char *names[4] = {"压力", "温度", "流量", "转速"};
    for (int c = 0; c < 4; ++c) {
        chart->shown[c] = 1;
        chart->curves[c].name = QString::fromUtf8(names[c]);
        chart->curves[c].unit = QStringLiteral("u%1").arg(c);
        chart->curves[c].lower = -c;
        chart->curves[c].upper = 10 + c;
        chart->curves[c].decimals = c;
        chart->curves[c].marker = c + 1;
        for (int k = 0; k < 50; ++k)
            chart->AddPoint(c, k, 5 + 4 * std::sin(k * 0.3 + c));
    }
    return chart;
}

}

void TestKfdline::redrawAfterChangesMatchesFreshChart_data()
{
    QTest::addColumn<int>("ratio");
    QTest::addColumn<std::function<void(Tkfdline &)>>("change");
    using Change = std::function<void(Tkfdline &)>;
    const Change title = [](Tkfdline &c) { c.title = QStringLiteral("另一张曲线图 2"); };
    const Change fontSize = [](Tkfdline &c) { c.Font.setPointSize(11); };
    const Change color = [](Tkfdline &c) { c.curves[1].color = 0x00A0A0; c.xAxis.color = 0x808000; };
    const Change name = [](Tkfdline &c) { c.curves[3].name = QStringLiteral("很长很长的转速名称"); };
    const Change unit = [](Tkfdline &c) { c.xAxis.unit = QStringLiteral("min"); };
    const Change limits = [](Tkfdline &c) { c.curves[0].lower = 1234.5; c.curves[0].upper = 99999; };
    const Change marker = [](Tkfdline &c) { c.curves[0].marker = 2; c.curves[1].marker = 2; };
    for (int ratio : {1, 2}) {
        const QString r = QStringLiteral(", ratio %1").arg(ratio);
        QTest::newRow(qPrintable(QStringLiteral("title") + r)) << ratio << title;
        QTest::newRow(qPrintable(QStringLiteral("font size") + r)) << ratio << fontSize;
        QTest::newRow(qPrintable(QStringLiteral("colours") + r)) << ratio << color;
        QTest::newRow(qPrintable(QStringLiteral("right-hand name") + r)) << ratio << name;
        QTest::newRow(qPrintable(QStringLiteral("x unit") + r)) << ratio << unit;
        QTest::newRow(qPrintable(QStringLiteral("scale limits") + r)) << ratio << limits;
        QTest::newRow(qPrintable(QStringLiteral("markers") + r)) << ratio << marker;
    }
}

// What one repaint measured or rendered must not leak into the next one after the fields
// changed: the chart drawn again equals a new chart drawn once with the new fields.
void TestKfdline::redrawAfterChangesMatchesFreshChart()
{
    QFETCH(int, ratio);
    QFETCH(std::function<void(Tkfdline &)>, change);
    auto reused = labelledChart(ratio);
    reused->Redraw();
    const QImage before = reused->picture().copy();
    change(*reused);
    reused->Redraw();
    auto fresh = labelledChart(ratio);
    change(*fresh);
    fresh->Redraw();
    QVERIFY(reused->picture() != before);
    QVERIFY(reused->picture() == fresh->picture());
}

QTEST_MAIN(TestKfdline)
#include "tst_kfdline.moc"
