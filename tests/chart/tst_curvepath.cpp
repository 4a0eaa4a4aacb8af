#include <QtTest>

#include "chart/chartgeometry.h"
#include "chart/curvepath.h"
#include "chart/kfdline.h"

#include "chart/chartfixture.h"

#include <cmath>
#include <random>

namespace {

// One line per sub-step, as plainly as it can be said: what the optimised path must match.
void straightforwardLine(DrawSurface &s, const curvepath::Frame &f, const double *wx, const double *wy, int n)
{
    s.moveTo(f.map.px(wx[1]), f.map.py(wy[1]));
    if (n <= 1)
        return;
    const qint64 m = chartgeom::subStepCount(f.plotHeight);
    for (int seg = 0; seg <= n - 2; ++seg) {
        for (qint64 k = 1; k <= m; ++k) {
            const auto w = chartgeom::catmullWeights(chartgeom::subStepParam(k, f.plotHeight));
            const curvepath::Step st = curvepath::subStep(f, w, wx, wy, seg);
            s.setPenColor(st.color);
            s.lineTo(st.px, st.py);
        }
        const curvepath::Step end = curvepath::segmentEnd(f, wx, wy, seg);
        s.setPenColor(end.color);
        s.lineTo(end.px, end.py);
    }
}

}

using namespace chartfixture;

class TestCurvePath : public QObject
{
    Q_OBJECT
private slots:
    void outOfRangePieces_data();
    void outOfRangePieces();
    void smoothingWeights_data();
    void smoothingWeights();
    void curvePassesThroughPoints();
    void straightDataStaysStraight();
    void optimisedMatchesStraightforward_data();
    void optimisedMatchesStraightforward();
};

void TestCurvePath::outOfRangePieces_data()
{
    QTest::addColumn<int>("backColor");
    QTest::addColumn<QRgb>("hidden");
    QTest::newRow("pale background") << 0xE0F0FF << rgb(0xE0F0FF);
    // A background of 0 is painted white; hidden pieces follow what was painted.
    QTest::newRow("background 0") << 0 << White;
}

void TestCurvePath::outOfRangePieces()
{
    QFETCH(int, backColor);
    QFETCH(QRgb, hidden);
    auto chart = screenChart(1);
    chart->backColor = backColor;
    chart->gridColor = 0x808080;
    chart->xAxis.upper = 10;
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 100;
    chart->curves[0].color = 0x0000FF;
    const double ys[] = {50, 60, 140, 60, 50, -40, 50};
    for (int k = 0; k < 7; ++k)
        chart->AddPoint(0, k, ys[k]);
    chart->Redraw();
    const QImage &img = chart->picture();
    const QRect plot = plotRect(*chart);
    const QRgb red = qRgb(255, 0, 0);
    // Nothing of the curve's colour above or below the plot (its labels stand beside it).
    QCOMPARE(countColor(img, QRect(plot.left() + 1, 0, plot.width() - 1, plot.top()), red), 0);
    QCOMPARE(countColor(img, QRect(plot.left() + 1, plot.bottom() + 1, plot.width() - 1, 529), red), 0);
    // The piece above the top is drawn along the top edge in the hidden colour, over the
    // solid top grid line, only between the neighbours of the high point.
    const int x1 = int(std::nearbyint(1 * chart->plotWidth / 10.0 + chart->marginLeft));
    const int x3 = int(std::nearbyint(3 * chart->plotWidth / 10.0 + chart->marginLeft));
    const QRect topLine(plot.left(), plot.top(), plot.width() - 1, 1); // the grid's top edge
    const int onTop = countColor(img, topLine, hidden);
    QVERIFY(onTop > 5);
    QCOMPARE(countColor(img, QRect(x1, plot.top(), x3 - x1 + 1, 1), hidden), onTop);
    // No black anywhere in the plot: hidden pieces are never drawn in colour 0.
    QCOMPARE(countColor(img, plot.adjusted(1, 1, -1, -1), qRgb(0, 0, 0)), 0);
    // In-range parts are drawn in the curve's colour.
    QVERIFY(countColor(img, plot, red) > 100);
}

void TestCurvePath::smoothingWeights_data()
{
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    using V = QVector<double>;
    QTest::newRow("even steps") << V{0, 1, 2, 3} << V{5, 7, 9, 11};
    QTest::newRow("uneven steps") << V{0, 0.1, 3, 3.2} << V{1, 0.8, -5, -5.4};
    QTest::newRow("vertical") << V{2, 2, 2, 2} << V{0, 10, -3, 4};
    QTest::newRow("padded end") << V{0, 1, 1, 1} << V{0, 3, 3, 3};
}

void TestCurvePath::smoothingWeights()
{
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    // Start and end of a segment are its two data points, exactly.
    const auto w0 = chartgeom::catmullWeights(0);
    const auto wHalf = chartgeom::catmullWeights(0.5);
    QCOMPARE(chartgeom::blend(w0, xs[0], xs[1], xs[2], xs[3]), xs[1]);
    QCOMPARE(chartgeom::blend(wHalf, ys[0], ys[1], ys[2], ys[3]), ys[2]);
    // Collinear points give points on the same line for every sub-step.
    const double ax = xs[3] - xs[0], ay = ys[3] - ys[0];
    const double scale = std::hypot(ax, ay);
    for (qint64 k = 1; k <= 90; ++k) {
        const auto w = chartgeom::catmullWeights(chartgeom::subStepParam(k, 359));
        QVERIFY(std::fabs(w.w0 + w.w1 + w.w2 + w.w3 - 1) < 1e-12);
        const double x = chartgeom::blend(w, xs[0], xs[1], xs[2], xs[3]);
        const double y = chartgeom::blend(w, ys[0], ys[1], ys[2], ys[3]);
        const double cross = (x - xs[0]) * ay - (y - ys[0]) * ax;
        QVERIFY2(std::fabs(cross) < 1e-9 * scale * scale + 1e-12, qPrintable(QString::number(k)));
    }
}

void TestCurvePath::curvePassesThroughPoints()
{
    auto chart = screenChart(1);
    chart->marginTop = 118; // plot height 361: the last sub-step stops just short of each point
    chart->xAxis.upper = 40;
    chart->curves[0].lower = -10;
    chart->curves[0].upper = 10;
    chart->curves[0].color = 0x0000FF;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-9, 9);
    for (int k = 0; k <= 40; ++k)
        chart->AddPoint(0, k, dist(rng));
    chart->Redraw();
    const chartgeom::ValueMap map = chartgeom::makeValueMap(
        chart->plotWidth, chart->plotHeight, chart->marginLeft, chart->plotBottom, 0, 40, -10, 10);
    // Every point but the last is where the next segment starts, so its pixel is drawn.
    for (int k = 1; k <= 40; ++k) {
        const int px = int(map.px(chart->xData[0][k]));
        const int py = int(map.py(chart->yData[0][k]));
        QCOMPARE(chart->picture().pixel(px, py), qRgb(255, 0, 0));
    }
}

void TestCurvePath::straightDataStaysStraight()
{
    auto chart = screenChart(1);
    chart->xAxis.upper = 100;
    chart->curves[0].lower = 0;
    chart->curves[0].upper = 250;
    chart->curves[0].color = 0x0000FF;
    const double xs[] = {0, 3, 17, 18, 40, 41, 42, 77, 100};
    for (double x : xs)
        chart->AddPoint(0, x, 2 * x + 20);
    chart->Redraw();
    const QImage &img = chart->picture();
    const QRect plot = plotRect(*chart);
    // The ideal line in pixels: from (x=0, y=20) to (x=100, y=220).
    const double x0 = chart->marginLeft, y0 = chart->plotBottom - 20 * chart->plotHeight / 250.0;
    const double x1 = chart->Width - chart->marginRight, y1 = chart->plotBottom - 220 * chart->plotHeight / 250.0;
    int red = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            if (img.pixel(x, y) != qRgb(255, 0, 0))
                continue;
            ++red;
            const double d = std::fabs((x - x0) * (y1 - y0) - (y - y0) * (x1 - x0)) / std::hypot(x1 - x0, y1 - y0);
            QVERIFY2(d <= 1.0, qPrintable(QStringLiteral("pixel %1,%2 is %3 off").arg(x).arg(y).arg(d)));
        }
    }
    QVERIFY(red > 600);
}

void TestCurvePath::optimisedMatchesStraightforward_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("printed");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("strokeEvery"); // a gap after every so many points; 0 none
    QTest::newRow("1000 points, sine") << 1000 << 0 << false << 1 << 0;
    QTest::newRow("1000 points, noisy, out of range") << 1000 << 1 << false << 1 << 0;
    QTest::newRow("60 points, spikes beyond both limits") << 60 << 2 << false << 1 << 0;
    QTest::newRow("2 points") << 2 << 0 << false << 1 << 0;
    QTest::newRow("300 points, printed geometry") << 300 << 1 << true << 1 << 0;
    QTest::newRow("30 points, x running backwards") << 30 << 3 << false << 1 << 0;
    QTest::newRow("flat on half-pixel rows") << 400 << 4 << false << 1 << 0;
    QTest::newRow("steps of exactly half a pixel") << 500 << 5 << false << 1 << 0;
    QTest::newRow("NaN at point 150 stops both alike") << 300 << 6 << false << 1 << 0;
    QTest::newRow("1e300 at point 90 stops both alike") << 200 << 7 << false << 1 << 0;
    // Extremes of long stretches, as a thinned log gives them: every segment is steep.
    QTest::newRow("1000 thinned extremes, steep") << 1000 << 8 << false << 1 << 0;
    QTest::newRow("1000 thinned extremes, steep, ratio 2") << 1000 << 8 << false << 2 << 0;
    QTest::newRow("1000 thinned extremes, printed") << 1000 << 8 << true << 1 << 0;
    QTest::newRow("noisy, ratio 2") << 1000 << 1 << false << 2 << 0;
    QTest::newRow("flat on half-pixel rows, ratio 2") << 400 << 4 << false << 2 << 0;
    QTest::newRow("points far left, right, above and below the plot") << 400 << 9 << false << 1 << 0;
    QTest::newRow("far outside, ratio 2") << 400 << 9 << false << 2 << 0;
    QTest::newRow("gaps: strokes of 1 to 13 points") << 700 << 8 << false << 1 << 13;
    QTest::newRow("gaps, ratio 2") << 700 << 1 << false << 2 << 5;
    QTest::newRow("huge values between gaps") << 300 << 10 << false << 1 << 7;
    QTest::newRow("NaN after gaps stops both alike") << 300 << 6 << false << 2 << 11;
}

void TestCurvePath::optimisedMatchesStraightforward()
{
    QFETCH(int, points);
    QFETCH(int, shape);
    QFETCH(bool, printed);
    QFETCH(int, ratio);
    QFETCH(int, strokeEvery);
    const int w = printed ? 1010 : 817;
    const int h = printed ? 560 : 529;
    const int top = printed ? 45 : 120;
    const int left = 130, right = 130, bottom = 50;
    std::vector<double> xs(points + 1), ys(points + 1);
    std::mt19937 rng(points + shape);
    std::normal_distribution<double> noise(0, 8);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int k = 1; k <= points; ++k) {
        const double t = double(k) / points;
        xs[k] = shape == 3 ? points - k * 1.5 : k;
        switch (shape) {
        case 0: ys[k] = 50 + 40 * std::sin(12 * t); break;
        case 1: ys[k] = 50 + 30 * std::sin(5 * t) + noise(rng); break;
        case 2: ys[k] = k % 7 == 3 ? 180 : (k % 11 == 5 ? -90 : 50); break;
        case 3: ys[k] = 50 + 60 * std::cos(9 * t); break;
        // 359 rows over 0..100: a row boundary every 100 / 359 units, so 50 + j * 100 / 718
        // sits on the boundaries between rows.
        case 4: ys[k] = 50 + (k / 50) * 100.0 / 718; break;
        case 5: ys[k] = 20 + k * 100.0 / 718 / 4; break;
        // Low and high of each stretch in turn, now and then past a limit.
        case 8: ys[k] = (k % 2 ? 5 + 20 * unit(rng) : 75 + 20 * unit(rng)) + (k % 97 == 0 ? 300 : 0); break;
        case 9:
            xs[k] = k % 50 == 7 ? -1e6 : (k % 50 == 31 ? 1e7 : (k % 50 == 44 ? 3e15 : k));
            ys[k] = k % 13 == 4 ? 1e8 : (k % 17 == 2 ? -5e5 : 50 + 30 * std::sin(20 * t));
            break;
        // Pixels beyond the quick rounding's range, yet within 64 bits: drawn, held to the plot.
        case 10: ys[k] = k % 9 == 0 ? 1e15 : (k % 9 == 4 ? -1e13 : 50 + 40 * std::cos(30 * t)); break;
        default: ys[k] = 50 + 30 * std::sin(7 * t); break;
        }
    }
    if (shape == 6)
        ys[150] = NaN;
    if (shape == 7)
        ys[90] = 1e300;

    curvepath::Frame f;
    const double xMin = shape == 3 ? -points : 1, xMax = points;
    f.map = chartgeom::makeValueMap(w - left - right, h - top - bottom, left, h - bottom, xMin, xMax, 0, 100);
    f.xMin = xMin;
    f.xMax = xMax;
    f.yMin = 0;
    f.yMax = 100;
    f.top = top;
    f.bottom = h - bottom;
    f.plotHeight = h - top - bottom;
    f.color = 0xFF0000;
    f.hiddenColor = 0x00FFFF;

    QImage a(w * ratio, h * ratio, QImage::Format_RGB32), b(w * ratio, h * ratio, QImage::Format_RGB32);
    for (QImage *image : {&a, &b}) {
        image->setDevicePixelRatio(ratio);
        image->fill(White);
    }
    DrawSurface fast(&a), plain(&b);
    // Each stroke is a line of its own, with its ends repeated, as the chart draws it.
    auto drawStrokes = [&](DrawSurface &surface, bool optimised) {
        PaintSession session(surface);
        int first = 1;
        while (first <= points) {
            const int length = strokeEvery > 0 ? std::min(1 + first % strokeEvery, points - first + 1)
                                               : points;
            std::vector<double> wx(length + 2), wy(length + 2);
            std::copy(&xs[first], &xs[first] + length, &wx[1]);
            std::copy(&ys[first], &ys[first] + length, &wy[1]);
            wx[0] = wx[1];
            wy[0] = wy[1];
            wx[length + 1] = wx[length];
            wy[length + 1] = wy[length];
            if (optimised)
                curvepath::drawLine(surface, f, wx.data(), wy.data(), length);
            else
                straightforwardLine(surface, f, wx.data(), wy.data(), length);
            first += length;
        }
    };
    const QString fastError = errorOf([&] { drawStrokes(fast, true); });
    const QString plainError = errorOf([&] { drawStrokes(plain, false); });
    QCOMPARE(fastError, plainError);
    QCOMPARE(fastError.isEmpty(), shape != 6 && shape != 7);
    QCOMPARE(a, b);
    if (!fastError.isEmpty())
        return;
    QCOMPARE(fast.penPos(), plain.penPos());
    QCOMPARE(fast.penColor(), plain.penColor());
    QVERIFY(countColor(a, a.rect(), rgb(0xFF0000)) > 0);
    // Only sub-steps that would have drawn nothing were skipped...
    QCOMPARE(fast.linePieces(), plain.linePieces());
    // ...and with dense points that is most of them.
    const qint64 subSteps = qint64(points - 1) * (chartgeom::subStepCount(f.plotHeight) + 1);
    if (points >= 1000 && shape == 0)
        QVERIFY(fast.linePieces() * 5 < subSteps);
}

QTEST_MAIN(TestCurvePath)
#include "tst_curvepath.moc"
