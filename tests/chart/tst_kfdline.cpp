#include <QtTest>

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/curvepath.h"
#include "chart/formatvalue.h"
#include "chart/kfdline.h"

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <set>

using kfdline::FormatValue;
using kfdline::StripBlanks;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
const QRgb White = qRgb(255, 255, 255);

QRgb rgb(int color) { return DrawSurface::toRgb(color); }

// The chart window's element: 817 x 529, top margin 120, scale texts at 8 points.
std::unique_ptr<Tkfdline> screenChart(int shownCurves)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->Width = 817;
    chart->Height = 529;
    chart->setPictureSize(817, 529);
    chart->Font.setPointSize(8);
    chart->marginTop = 120;
    for (int i = 0; i < shownCurves; ++i)
        chart->shown[i] = 1;
    return chart;
}

// The printed element: 1010 x 560 on a 1010 x 672 bitmap, top margin 45, 10 points.
std::unique_ptr<Tkfdline> printedChart(int shownCurves)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->Width = 1010;
    chart->Height = 560;
    chart->setPictureSize(1010, 672);
    chart->Font.setPointSize(10);
    chart->marginTop = 45;
    for (int i = 0; i < shownCurves; ++i)
        chart->shown[i] = 1;
    return chart;
}

int countColor(const QImage &image, const QRect &area, QRgb color)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixel(x, y) == color;
    return n;
}

QRect plotRect(const Tkfdline &c)
{
    return QRect(QPoint(c.marginLeft, c.marginTop), QPoint(c.Width - c.marginRight, c.plotBottom));
}

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

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppError &e) {
        return e.message();
    }
    return QString();
}

}

class TestKfdline : public QObject
{
    Q_OBJECT
private slots:
    void formatValue_data();
    void formatValue();
    void formatValueFaults_data();
    void formatValueFaults();
    void stripBlanks_data();
    void stripBlanks();
    void marginsAndSlots_data();
    void marginsAndSlots();
    void geometry_data();
    void geometry();
    void gridPixels();
    void scaleLines();
    void markers_data();
    void markers();
    void outOfRangePieces_data();
    void outOfRangePieces();
    void smoothingWeights_data();
    void smoothingWeights();
    void curvePassesThroughPoints();
    void straightDataStaysStraight();
    void optimisedMatchesStraightforward_data();
    void optimisedMatchesStraightforward();
    void faults_data();
    void faults();
    void oddFieldsDrawLess_data();
    void oddFieldsDrawLess();
    void pointsAndClear();
    void pointArgumentsChecked_data();
    void pointArgumentsChecked();
    void textPlacement();
    void degenerateLimits();
    void newElement();
};

void TestKfdline::formatValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("half rounds to even, down") << 12.5 << 0 << "12";
    QTest::newRow("half rounds to even, up") << 13.5 << 0 << "14";
    QTest::newRow("0.25 to one decimal") << 0.25 << 1 << "0.2";
    QTest::newRow("no point for 0 decimals") << 1000.0 << 0 << "1000";
    QTest::newRow("negative") << -3.14159 << 2 << "-3.14";
    QTest::newRow("rounds to zero, no minus") << -0.004 << 2 << "0.00";
    QTest::newRow("rounds to zero, 0 decimals") << -0.4 << 0 << "0";
    QTest::newRow("zero with 3 decimals") << 0.0 << 3 << "0.000";
    QTest::newRow("small value keeps leading zero") << 0.00123 << 5 << "0.00123";
    QTest::newRow("negative below one") << -0.5 << 1 << "-0.5";
    QTest::newRow("longer than the field") << 123456789.0 << 0 << "123456789";
    QTest::newRow("wide negative") << -98765.4321 << 3 << "-98765.432";
    QTest::newRow("decimals above 5 held to 5") << 1.23456789 << 9 << "1.23457";
    QTest::newRow("negative decimals held to 0") << 2.5 << -3 << "2";
    QTest::newRow("large, exact digits") << 9.0e18 << 0 << "9000000000000000000";
}

void TestKfdline::formatValue()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FormatValue(value, decimals), text);
}

void TestKfdline::formatValueFaults_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("message");
    QTest::newRow("1e300") << 1e300 << 0 << "Floating point overflow";
    QTest::newRow("too large after scaling") << 1e15 << 5 << "Floating point overflow";
    QTest::newRow("minus infinity") << -Inf << 2 << "Floating point overflow";
    QTest::newRow("NaN") << NaN << 1 << "Invalid floating point operation";
}

void TestKfdline::formatValueFaults()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, message);
    QCOMPARE(errorOf([&] { FormatValue(value, decimals); }), message);
}

void TestKfdline::stripBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("leading") << "     -1.5" << "-1.5";
    QTest::newRow("inside and after") << " a b  c " << "abc";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only blanks") << "   " << "";
    QTest::newRow("tabs and ideographic space stay") << "\t1\u30002" << "\t1\u30002";
}

void TestKfdline::stripBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(StripBlanks(text), stripped);
}

void TestKfdline::marginsAndSlots_data()
{
    QTest::addColumn<int>("shownCurves");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<QVector<int>>("slotOf");
    using V = QVector<int>;
    QTest::newRow("none keeps margins") << 0 << 65 << 55 << 55 << V{};
    QTest::newRow("one") << 1 << 65 << 65 << 32 << V{0};
    QTest::newRow("two") << 2 << 65 << 65 << 65 << V{0, 10};
    QTest::newRow("three") << 3 << 65 << 130 << 65 << V{0, -1, 10};
    QTest::newRow("four") << 4 << 65 << 130 << 130 << V{0, -1, 10, 11};
    QTest::newRow("five") << 5 << 65 << 195 << 130 << V{0, -1, -2, 10, 11};
    QTest::newRow("six") << 6 << 65 << 195 << 195 << V{0, -1, -2, 10, 11, 12};
    QTest::newRow("seven") << 7 << 65 << 260 << 195 << V{0, -1, -2, -3, 10, 11, 12};
    QTest::newRow("eight") << 8 << 65 << 260 << 260 << V{0, -1, -2, -3, 10, 11, 12, 13};
    QTest::newRow("one, odd spacing halves down") << 1 << 41 << 41 << 20 << V{0};
}

void TestKfdline::marginsAndSlots()
{
    QFETCH(int, shownCurves);
    QFETCH(int, spacing);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(QVector<int>, slotOf);
    auto chart = screenChart(shownCurves);
    chart->scaleSpacing = spacing;
    chart->Redraw();
    QCOMPARE(chart->shownCount, shownCurves);
    QCOMPARE(chart->marginLeft, left);
    QCOMPARE(chart->marginRight, right);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(chart->scaleSlot[i], i < slotOf.size() ? slotOf[i] : chartgeom::NoSlot);
}

void TestKfdline::geometry_data()
{
    QTest::addColumn<bool>("printed");
    QTest::addColumn<int>("curves");
    QTest::addColumn<int>("plotWidth");
    QTest::addColumn<int>("plotHeight");
    QTest::addColumn<int>("plotBottom");
    QTest::addColumn<QVector<int>>("scaleX");
    QTest::addColumn<double>("stepDown");
    QTest::addColumn<double>("stepAcross");
    QTest::addColumn<double>("xTickStep");
    QTest::addColumn<int>("subSteps");
    using V = QVector<int>;
    QTest::newRow("screen, four curves") << false << 4 << 557 << 359 << 479 << V{130, 65, 687, 752}
                                         << 8.95 << 13.9 << 55.6 << 90;
    QTest::newRow("screen, one curve") << false << 1 << 720 << 359 << 479 << V{65} << 8.95 << 17.975 << 71.9 << 90;
    QTest::newRow("screen, three curves") << false << 3 << 622 << 359 << 479 << V{130, 65, 752}
                                          << 8.95 << 15.525 << 62.1 << 90;
    QTest::newRow("printed, four curves") << true << 4 << 750 << 465 << 510 << V{130, 65, 880, 945}
                                          << 11.6 << 18.725 << 74.9 << 116;
}

void TestKfdline::geometry()
{
    QFETCH(bool, printed);
    QFETCH(int, curves);
    QFETCH(int, plotWidth);
    QFETCH(int, plotHeight);
    QFETCH(int, plotBottom);
    QFETCH(QVector<int>, scaleX);
    QFETCH(double, stepDown);
    QFETCH(double, stepAcross);
    QFETCH(double, xTickStep);
    QFETCH(int, subSteps);
    auto chart = printed ? printedChart(curves) : screenChart(curves);
    chart->Redraw();
    QCOMPARE(chart->plotWidth, plotWidth);
    QCOMPARE(chart->plotHeight, plotHeight);
    QCOMPARE(chart->plotBottom, plotBottom);
    for (int i = 0; i < curves; ++i)
        QCOMPARE(chartgeom::slotX(chart->scaleSlot[i], chart->scaleSpacing, chart->marginLeft,
                                  chart->Width - chart->marginRight), qint64(scaleX[i]));
    QCOMPARE(chartgeom::gridStep(chart->plotHeight), stepDown);
    QCOMPARE(chartgeom::gridStep(chart->plotWidth), stepAcross);
    QCOMPARE((chart->plotWidth - 1) / 10.0, xTickStep);
    QCOMPARE(chartgeom::subStepCount(chart->plotHeight), qint64(subSteps));
    // The stored bitmap keeps its size; only the element's rectangle is drawn on.
    QCOMPARE(chart->picture().size(), printed ? QSize(1010, 672) : QSize(817, 529));
    if (printed)
        QCOMPARE(countColor(chart->picture(), QRect(0, 561, 1010, 111), White), 1010 * 111);
}

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

void TestKfdline::outOfRangePieces_data()
{
    QTest::addColumn<int>("backColor");
    QTest::addColumn<QRgb>("hidden");
    QTest::newRow("pale background") << 0xE0F0FF << rgb(0xE0F0FF);
    // A background of 0 is painted white; hidden pieces follow what was painted.
    QTest::newRow("background 0") << 0 << White;
}

void TestKfdline::outOfRangePieces()
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

void TestKfdline::smoothingWeights_data()
{
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    using V = QVector<double>;
    QTest::newRow("even steps") << V{0, 1, 2, 3} << V{5, 7, 9, 11};
    QTest::newRow("uneven steps") << V{0, 0.1, 3, 3.2} << V{1, 0.8, -5, -5.4};
    QTest::newRow("vertical") << V{2, 2, 2, 2} << V{0, 10, -3, 4};
    QTest::newRow("padded end") << V{0, 1, 1, 1} << V{0, 3, 3, 3};
}

void TestKfdline::smoothingWeights()
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

void TestKfdline::curvePassesThroughPoints()
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

void TestKfdline::straightDataStaysStraight()
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

void TestKfdline::optimisedMatchesStraightforward_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("printed");
    QTest::newRow("1000 points, sine") << 1000 << 0 << false;
    QTest::newRow("1000 points, noisy, out of range") << 1000 << 1 << false;
    QTest::newRow("60 points, spikes beyond both limits") << 60 << 2 << false;
    QTest::newRow("2 points") << 2 << 0 << false;
    QTest::newRow("300 points, printed geometry") << 300 << 1 << true;
    QTest::newRow("30 points, x running backwards") << 30 << 3 << false;
    QTest::newRow("flat on half-pixel rows") << 400 << 4 << false;
    QTest::newRow("steps of exactly half a pixel") << 500 << 5 << false;
    QTest::newRow("NaN at point 150 stops both alike") << 300 << 6 << false;
    QTest::newRow("1e300 at point 90 stops both alike") << 200 << 7 << false;
}

void TestKfdline::optimisedMatchesStraightforward()
{
    QFETCH(int, points);
    QFETCH(int, shape);
    QFETCH(bool, printed);
    const int w = printed ? 1010 : 817;
    const int h = printed ? 560 : 529;
    const int top = printed ? 45 : 120;
    const int left = 130, right = 130, bottom = 50;
    std::vector<double> wx(points + 2), wy(points + 2);
    std::mt19937 rng(points + shape);
    std::normal_distribution<double> noise(0, 8);
    for (int k = 1; k <= points; ++k) {
        const double t = double(k) / points;
        wx[k] = shape == 3 ? points - k * 1.5 : k;
        switch (shape) {
        case 0: wy[k] = 50 + 40 * std::sin(12 * t); break;
        case 1: wy[k] = 50 + 30 * std::sin(5 * t) + noise(rng); break;
        case 2: wy[k] = k % 7 == 3 ? 180 : (k % 11 == 5 ? -90 : 50); break;
        case 3: wy[k] = 50 + 60 * std::cos(9 * t); break;
        // 359 rows over 0..100: a row boundary every 100 / 359 units, so 50 + j * 100 / 718
        // sits on the boundaries between rows.
        case 4: wy[k] = 50 + (k / 50) * 100.0 / 718; break;
        case 5: wy[k] = 20 + k * 100.0 / 718 / 4; break;
        default: wy[k] = 50 + 30 * std::sin(7 * t); break;
        }
    }
    if (shape == 6)
        wy[150] = NaN;
    if (shape == 7)
        wy[90] = 1e300;
    wx[0] = wx[1];
    wy[0] = wy[1];
    wx[points + 1] = wx[points];
    wy[points + 1] = wy[points];

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

    QImage a(w, h, QImage::Format_RGB32), b(w, h, QImage::Format_RGB32);
    a.fill(White);
    b.fill(White);
    DrawSurface fast(&a), plain(&b);
    const QString fastError = errorOf([&] { curvepath::drawLine(fast, f, wx.data(), wy.data(), points); });
    const QString plainError = errorOf([&] { straightforwardLine(plain, f, wx.data(), wy.data(), points); });
    QCOMPARE(fastError, plainError);
    QCOMPARE(fastError.isEmpty(), shape < 6);
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

QTEST_MAIN(TestKfdline)
#include "tst_kfdline.moc"
