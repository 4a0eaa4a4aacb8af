// Measuring between cursors A and B in the chart window: the mode, placing and moving the
// cursors, the panel and its copy, and what reloads do to it.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/measurecursors.h"
#include "chartwin/timescale.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/measurepanel.h"
#include "chartwin/ui/measuretool.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace {

int xPixel(const Tkfdline *chart, double x)
{
    return int(std::lround(measurecursors::plotOf(*chart).pixelOf(x)));
}

QPoint at(const Tkfdline *chart, double x)
{
    return QPoint(xPixel(chart, x), chart->marginTop + 50);
}

void mouse(ChartView *view, QEvent::Type type, QPoint where, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(where), QPointF(view->mapToGlobal(where)), button, held, modifiers);
    QCoreApplication::sendEvent(view, &event);
}

void chooseMeasure(AppFixture &f, TdataLineForm *w)
{
    f.services.menuAnswers = {QStringLiteral("测量")};
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 200), w->kfdline1View->mapToGlobal(QPoint(100, 200)));
    QCoreApplication::sendEvent(w->kfdline1View, &event);
}

// Runs the steps: "m" the menu's 测量, "c5" a click at X 5, "d5>8" a drag from X 5 to 8,
// "a3" / "b3" the key with the pointer at X 3, "C5" a click with Ctrl held.
void run(AppFixture &f, TdataLineForm *w, const QString &steps)
{
    ChartView *view = w->kfdline1View;
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QChar kind = step.front();
        const QStringList xs = step.mid(1).split('>');
        const QPoint from = at(w->kfdline1, xs.value(0).toDouble());
        if (kind == 'm') {
            chooseMeasure(f, w);
        } else if (kind == 'c' || kind == 'C') {
            const auto mods = kind == 'C' ? Qt::ControlModifier : Qt::NoModifier;
            mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
            mouse(view, QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton, mods);
        } else if (kind == 'd') {
            const QPoint to = at(w->kfdline1, xs.value(1).toDouble());
            mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
            mouse(view, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
            mouse(view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
            mouse(view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        } else if (kind == 'a' || kind == 'b') {
            mouse(view, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
            // Typed while a button has the focus: the key reaches the window.
            QTest::keyClick(w->Button1, kind == 'a' ? Qt::Key_A : Qt::Key_B);
        }
    }
}

// Pixels of a cursor's colour on the chart view as shown (the lines lie over the picture).
int cursorPixels(TdataLineForm *w, const QColor &colour)
{
    const QImage shot = w->kfdline1View->grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixelColor(x, y) == colour;
    return count;
}

// Every figure of the panel, line by line.
QStringList panelCells(MeasurePanel *panel)
{
    QStringList cells;
    for (int line = 0; line <= 5; ++line)
        for (int column = 0; column <= 9; ++column)
            cells << panel->cellText(line, column);
    return cells;
}

// The X a cursor gets when put at x: the value at x's pixel.
double placed(const Tkfdline *chart, double x)
{
    return measurecursors::plotOf(*chart).cursorAt(xPixel(chart, x));
}

}

class TestMeasureWindow : public QObject
{
    Q_OBJECT
private slots:
    void modeShowsPanelBesideChart();
    void cursors_data();
    void cursors();
    void cursorsStayOutOfThePicture();
    void cursorsKeepTheirXThroughZoom_data();
    void cursorsKeepTheirXThroughZoom();
    void cursorOutsideTheViewIsNotDrawn_data();
    void cursorOutsideTheViewIsNotDrawn();
    void panelAndCopy();
    void dragFiguresFollow();
    void timesAsTimes();
    void reloadRecomputes();
};

// The chart keeps its size and pixels; the window grows for the panel and shrinks back.
void TestMeasureWindow::modeShowsPanelBesideChart()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        const QSize window = w->size(), chart = w->kfdline1View->size();
        const QImage picture = w->kfdline1->picture();
        chooseMeasure(f, w);
        QCOMPARE(f.services.menuItems.last(), QStringLiteral("测量"));
        QVERIFY(w->measureTool->isActive());
        QVERIFY(w->measureTool->panel()->isVisible());
        QCOMPARE(w->kfdline1View->size(), chart);
        QVERIFY(w->height() > window.height());
        const QRect panel = w->measureTool->panel()->geometry();
        QVERIFY(panel.top() > w->kfdline1View->geometry().bottom());
        QVERIFY(panel.bottom() < w->Button1->geometry().top());
        QVERIFY(panel.height() >= w->measureTool->panel()->sizeHint().height());
        QCOMPARE(w->kfdline1->picture(), picture);

        chooseMeasure(f, w);
        QCOMPARE(f.services.menuItems.last(), QStringLiteral("[x] 测量"));
        QVERIFY(!w->measureTool->isActive());
        QVERIFY(!w->measureTool->panel()->isVisible());
        QCOMPARE(w->size(), window);
        QCOMPARE(w->kfdline1View->size(), chart);
    });
}

void TestMeasureWindow::cursors_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("a"); // NaN: not placed
    QTest::addColumn<double>("b");
    QTest::addColumn<bool>("active");
    const double none = std::nan("");
    QTest::newRow("clicks without the mode") << "c5 c15" << none << none << false;
    QTest::newRow("A then B") << "m c5 c15" << 5.0 << 15.0 << true;
    QTest::newRow("third click moves the nearer") << "m c5 c15 c13" << 5.0 << 13.0 << true;
    QTest::newRow("nearer A") << "m c5 c15 c7" << 7.0 << 15.0 << true;
    QTest::newRow("drag moves the nearer") << "m c5 c15 d14>18" << 5.0 << 18.0 << true;
    QTest::newRow("drag across the other") << "m c5 c15 d6>19" << 19.0 << 15.0 << true;
    QTest::newRow("first press places A, drag carries it") << "m d3>9" << 9.0 << none << true;
    QTest::newRow("Ctrl leaves the cursors") << "m c5 C12" << 5.0 << none << true;
    QTest::newRow("key A turns the mode on") << "a3" << 3.0 << none << true;
    QTest::newRow("keys A and B") << "b17 a4" << 4.0 << 17.0 << true;
    QTest::newRow("key moves a placed cursor") << "m c5 c15 a10" << 10.0 << 15.0 << true;
}

void TestMeasureWindow::cursors()
{
    QFETCH(QString, steps);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(bool, active);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        run(f, w, steps);
        const measurecursors::Cursors &c = w->measureTool->cursors();
        QCOMPARE(w->measureTool->isActive(), active);
        QCOMPARE(c.hasA, !std::isnan(a));
        QCOMPARE(c.hasB, !std::isnan(b));
        if (c.hasA)
            QCOMPARE(c.a, placed(w->kfdline1, a));
        if (c.hasB)
            QCOMPARE(c.b, placed(w->kfdline1, b));
        if (!c.complete())
            return;
        // Rows r = 1..20 hold X r: those between the cursors, every curve.
        const double lo = std::min(c.a, c.b), hi = std::max(c.a, c.b);
        const long long rows = (long long)(std::floor(hi) - std::ceil(lo) + 1);
        const rangestats::Result &r = w->measureTool->result();
        QCOMPARE(r.xRows, rows);
        QCOMPARE(int(r.curves.size()), 4);
        for (const rangestats::Curve &curve : r.curves)
            QCOMPARE(curve.rows, rows);
        // Curve 1 holds 2r: its value at A is 2A, interpolated.
        QVERIFY(std::fabs(r.curves[0].atA - 2 * c.a) < 1e-9);
    });
}

void TestMeasureWindow::cursorsKeepTheirXThroughZoom_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::newRow("zoomed in, both in view") << QList<int>{Qt::Key_Plus};
    QTest::newRow("zoomed in past both") << QList<int>{Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Plus};
    QTest::newRow("panned") << QList<int>{Qt::Key_Plus, Qt::Key_Right, Qt::Key_Right};
    QTest::newRow("and back home") << QList<int>{Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Home};
}

// A zoom or pan changes where the cursors are drawn, not their X nor their figures.
void TestMeasureWindow::cursorsKeepTheirXThroughZoom()
{
    QFETCH(QList<int>, keys);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        run(f, w, QStringLiteral("m c5 c15"));
        const measurecursors::Cursors before = w->measureTool->cursors();
        const rangestats::Result figures = w->measureTool->result();
        const double lower = w->kfdline1->xAxis.lower;
        for (int k : keys)
            QTest::keyClick(w->kfdline1View, Qt::Key(k));
        QCOMPARE(w->kfdline1->xAxis.lower != lower, keys.last() != Qt::Key_Home);
        const measurecursors::Cursors &c = w->measureTool->cursors();
        QVERIFY(c.complete());
        QCOMPARE(c.a, before.a);
        QCOMPARE(c.b, before.b);
        const rangestats::Result &r = w->measureTool->result();
        QCOMPARE(r.xRows, figures.xRows);
        for (size_t k = 0; k < r.curves.size(); ++k) {
            QCOMPARE(r.curves[k].rows, figures.curves[k].rows);
            QCOMPARE(r.curves[k].mean, figures.curves[k].mean);
            QCOMPARE(r.curves[k].atB, figures.curves[k].atB);
        }
        // A click now lands at the X of its pixel in the zoomed view.
        const double x = measurecursors::plotOf(*w->kfdline1).cursorAt(w->kfdline1->marginLeft + 10);
        mouse(w->kfdline1View, QEvent::MouseButtonPress, QPoint(w->kfdline1->marginLeft + 10, w->kfdline1->marginTop + 50),
              Qt::LeftButton, Qt::LeftButton);
        mouse(w->kfdline1View, QEvent::MouseButtonRelease, QPoint(w->kfdline1->marginLeft + 10, w->kfdline1->marginTop + 50),
              Qt::LeftButton, Qt::NoButton);
        QVERIFY(c.a == x || c.b == x);
    });
}

void TestMeasureWindow::cursorOutsideTheViewIsNotDrawn_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("aShown");
    QTest::addColumn<bool>("bShown");
    using K = QList<int>;
    // X runs 1..20; "+" halves the view around its middle: 5.75..15.25, then 8.125..12.875.
    QTest::newRow("A left of the view") << "m c3 c10" << K{Qt::Key_Plus, Qt::Key_Plus} << false << true;
    QTest::newRow("B right of the view") << "m c11 c18" << K{Qt::Key_Plus, Qt::Key_Plus} << true << false;
    QTest::newRow("both outside, either side") << "m c3 c18" << K{Qt::Key_Plus, Qt::Key_Plus} << false << false;
    // 8.125..12.875 shows both; a tenth to the left, 7.65..12.4, leaves B out.
    QTest::newRow("panned away from B") << "m c9 c12.6" << K{Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Left} << true
                                        << false;
    QTest::newRow("both inside") << "m c7 c13" << K{Qt::Key_Plus} << true << true;
}

// A cursor whose X the view does not show leaves no line at the plot's edge nor anywhere
// else, while the panel keeps its figures; back at the whole table it is drawn again.
void TestMeasureWindow::cursorOutsideTheViewIsNotDrawn()
{
    QFETCH(QString, steps);
    QFETCH(QList<int>, keys);
    QFETCH(bool, aShown);
    QFETCH(bool, bShown);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        const QColor a(192, 0, 0), b(0, 0, 192);
        run(f, w, steps);
        QVERIFY(w->measureTool->cursors().complete());
        QVERIFY(cursorPixels(w, a) > 50);
        QVERIFY(cursorPixels(w, b) > 50);
        const QStringList figures = panelCells(w->measureTool->panel());
        QVERIFY(!figures.last().isEmpty()); // the last curve's row count

        for (int k : keys)
            QTest::keyClick(w->kfdline1View, Qt::Key(k));
        const measurecursors::Plot plot = measurecursors::plotOf(*w->kfdline1);
        const measurecursors::Cursors &c = w->measureTool->cursors();
        QCOMPARE(plot.pixelOf(c.a) >= plot.left && plot.pixelOf(c.a) <= plot.right, aShown);
        QCOMPARE(plot.pixelOf(c.b) >= plot.left && plot.pixelOf(c.b) <= plot.right, bShown);
        QCOMPARE(cursorPixels(w, a) > 50, aShown);
        QCOMPARE(cursorPixels(w, b) > 50, bShown);
        if (!aShown)
            QCOMPARE(cursorPixels(w, a), 0);
        if (!bShown)
            QCOMPARE(cursorPixels(w, b), 0);
        QCOMPARE(panelCells(w->measureTool->panel()), figures);

        QTest::keyClick(w->kfdline1View, Qt::Key_Home);
        QVERIFY(cursorPixels(w, a) > 50);
        QVERIFY(cursorPixels(w, b) > 50);
        QCOMPARE(panelCells(w->measureTool->panel()), figures);
    });
}

// Lines over the view, not in the chart's picture: copies and prints stay as they were.
void TestMeasureWindow::cursorsStayOutOfThePicture()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        const QImage before = w->kfdline1->picture();
        run(f, w, "m c6 c12");
        QCOMPARE(w->kfdline1->picture(), before);
        QCOMPARE(w->line1->picture().isNull(), false);
        const QImage shot = w->kfdline1View->grab().toImage();
        for (double x : {6.0, 12.0}) {
            const int column = xPixel(w->kfdline1, placed(w->kfdline1, x));
            int drawn = 0;
            for (int y = w->kfdline1->marginTop; y < w->kfdline1->Height - w->kfdline1->marginBottom; ++y) {
                const QColor c = shot.pixelColor(column, y);
                drawn += c == QColor(192, 0, 0) || c == QColor(0, 0, 192);
            }
            QVERIFY2(drawn > 50, qPrintable(QString::number(drawn)));
        }
        // Leaving the mode takes them away.
        chooseMeasure(f, w);
        const QImage plain = w->kfdline1View->grab().toImage();
        const int column = xPixel(w->kfdline1, placed(w->kfdline1, 6));
        for (int y = w->kfdline1->marginTop; y < w->kfdline1->Height - w->kfdline1->marginBottom; ++y)
            QVERIFY(plain.pixelColor(column, y) != QColor(192, 0, 0));
    });
}

// The panel's figures and "复制": a header, the X line, a line per curve.
void TestMeasureWindow::panelAndCopy()
{
    AppFixture f;
    SheetServer server;
    QGuiApplication::clipboard()->clear();
    readAndDraw(f, server, [&](TdataLineForm *w) {
        run(f, w, "m c4 c14");
        MeasurePanel *panel = w->measureTool->panel();
        const measurecursors::Cursors &c = w->measureTool->cursors();
        QCOMPARE(panel->cellText(0, 0), QStringLiteral("名称"));
        QCOMPARE(panel->cellText(1, 0), QStringLiteral("量1"));
        QCOMPARE(panel->cellText(2, 0), QStringLiteral("量2"));
        QCOMPARE(panel->cellText(2, 1), QStringLiteral("u2"));
        QCOMPARE(panel->cellText(1, 2), rangetext::numberText(c.a));
        QCOMPARE(panel->cellText(1, 4), rangetext::numberText(c.b - c.a));
        // 量2 holds 2r over rows 4..14 (or 5..14, 4..13 as the pixels fell).
        const int first = int(std::ceil(std::min(c.a, c.b))), last = int(std::floor(std::max(c.a, c.b)));
        QCOMPARE(panel->cellText(2, 5), QString::number(2 * first));
        QCOMPARE(panel->cellText(2, 6), QString::number(2 * last));
        QCOMPARE(panel->cellText(2, 7), rangetext::numberText(double(first + last)));
        QCOMPARE(panel->cellText(5, 9), QString::number(last - first + 1));
        QCOMPARE(panel->palette().color(QPalette::Window), QColor(Qt::white));

        // Nothing cut: every figure has the width it needs, the panel lies inside the window.
        for (const QLabel *label : panel->findChildren<QLabel *>())
            if (label->isVisible())
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        QVERIFY(w->rect().contains(panel->geometry()));
        panel->copyButton->click();
        const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.size(), 1 + 1 + 4 + 1); // the text ends with a line break
        QCOMPARE(lines[0], QStringLiteral("名称\t单位\tA处\tB处\tΔ\t最小\t最大\t平均\t均方根\t行数"));
        QCOMPARE(lines[2].split('\t').value(0), QStringLiteral("量2"));
        QCOMPARE(lines[2].split('\t').value(5), QString::number(2 * first));
        QCOMPARE(lines[5].split('\t').size(), 10);
        QCOMPARE(lines.last(), QString());
    });
}

// While dragging the line moves at once and the figures at the next turn of the event loop.
void TestMeasureWindow::dragFiguresFollow()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        run(f, w, "m c5 c15");
        ChartView *view = w->kfdline1View;
        const double b = placed(w->kfdline1, 18);
        mouse(view, QEvent::MouseButtonPress, at(w->kfdline1, 15), Qt::LeftButton, Qt::LeftButton);
        mouse(view, QEvent::MouseMove, at(w->kfdline1, 18), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w->measureTool->cursors().b, b);
        QCOMPARE(w->measureTool->result().b, placed(w->kfdline1, 15));
        QTRY_COMPARE(w->measureTool->result().b, b);
        mouse(view, QEvent::MouseMove, at(w->kfdline1, 19), Qt::NoButton, Qt::LeftButton);
        mouse(view, QEvent::MouseButtonRelease, at(w->kfdline1, 19), Qt::LeftButton, Qt::NoButton);
        // Released: the figures are the last place's, without waiting.
        QCOMPARE(w->measureTool->result().b, placed(w->kfdline1, 19));
        QCOMPARE(w->measureTool->panel()->cellText(1, 3), rangetext::numberText(placed(w->kfdline1, 19)));
    });
}

// A column of times of day as X: the cursors' X as times, ΔX as a duration.
void TestMeasureWindow::timesAsTimes()
{
    AppFixture f;
    SheetServer server;
    QVector<QStringList> rows{{"时间", "压力"}, {"", "bar"}};
    for (int s = 0; s < 60; ++s)
        rows << QStringList{QStringLiteral("10:00:%1").arg(s, 2, 10, QLatin1Char('0')), QString::number(s % 7)};
    drawRows(f, server, rows, [&](TdataLineForm *w) {
        QVERIFY(w->kfdline1->xAxis.text);
        run(f, w, "m c36005 c36050");
        const measurecursors::Cursors &c = w->measureTool->cursors();
        MeasurePanel *panel = w->measureTool->panel();
        QCOMPARE(panel->cellText(1, 2), timescale::fullText(c.a, false));
        QVERIFY(panel->cellText(1, 2).startsWith(QStringLiteral("10:00:0")));
        QCOMPARE(panel->cellText(1, 3), timescale::fullText(c.b, false));
        QCOMPARE(panel->cellText(1, 4), rangetext::durationText(c.b - c.a));
        QVERIFY(panel->cellText(1, 4).startsWith(QStringLiteral("00:00:4")));
        // A number curve keeps its numbers: 0..6 over the rows between.
        QCOMPARE(panel->cellText(2, 5), QStringLiteral("0"));
        QCOMPARE(panel->cellText(2, 6), QStringLiteral("6"));
    });
}

// A reload (another mode, first rows only) recomputes; the cursors keep their X.
void TestMeasureWindow::reloadRecomputes()
{
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(3, 1200);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    bool ran = false;
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w || ran)
            return;
        ran = true;
        run(f, w, "m c900 c1100");
        const measurecursors::Cursors before = w->measureTool->cursors();
        const long long rows = w->measureTool->result().curves[0].rows;
        QVERIFY(rows > 150);
        w->box1->click();
        QCOMPARE(w->measureTool->cursors().a, before.a);
        QCOMPARE(w->measureTool->result().curves[0].rows, rows);
        // First rows only: X ends at 1000, so fewer rows lie between the cursors.
        f.services.menuAnswers = {QStringLiteral("只绘制前1000行")};
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 200), w->kfdline1View->mapToGlobal(QPoint(100, 200)));
        QCoreApplication::sendEvent(w->kfdline1View, &event);
        QCOMPARE(w->kfdline1->xAxis.upper, 1000.0);
        QCOMPARE(w->measureTool->cursors().b, before.b);
        const long long cut = w->measureTool->result().curves[0].rows;
        QCOMPARE(cut, (long long)(1000 - std::ceil(std::min(before.a, before.b)) + 1));
        QVERIFY(std::isnan(w->measureTool->result().curves[0].atB));
        QCOMPARE(w->measureTool->panel()->cellText(2, 9), QString::number(cut));
    };
    m->drawBtn->click();
    QVERIFY(ran);
    QVERIFY(f.services.errors.isEmpty());
}

QTEST_MAIN(TestMeasureWindow)
#include "tst_measurewindow.moc"
