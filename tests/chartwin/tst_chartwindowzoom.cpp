// Zoom and pan of the chart window's screen chart by mouse, wheel, keys and context menu.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace {

// X of a pixel column as the chart maps it.
double xOf(const Tkfdline *chart, int px)
{
    return chart->xAxis.lower + (px - chart->marginLeft) * (chart->xAxis.upper - chart->xAxis.lower) / chart->plotWidth;
}

int pxOf(const Tkfdline *chart, double x)
{
    return int(std::lround(chart->marginLeft + (x - chart->xAxis.lower) * chart->plotWidth
                                                   / (chart->xAxis.upper - chart->xAxis.lower)));
}

void mouse(ChartView *view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(view->mapToGlobal(at)), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, mods);
    QCoreApplication::sendEvent(view, &event);
}

void drag(ChartView *view, QPoint from, QPoint to, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    mouse(view, QEvent::MouseButtonPress, from, button, mods);
    mouse(view, QEvent::MouseMove, (from + to) / 2, button, mods);
    mouse(view, QEvent::MouseMove, to, button, mods);
    mouse(view, QEvent::MouseButtonRelease, to, button, mods);
}

void key(QWidget *to, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &press);
}

QLabel *limitsLabel(ChartView *view)
{
    for (QLabel *label : view->findChildren<QLabel *>())
        return label;
    return nullptr;
}

}

class TestChartWindowZoom : public QObject
{
    Q_OBJECT
private slots:
    void inputs_data();
    void inputs();
    void rectangleSetsEveryScale();
    void savedPageShowsTheView();
};

void TestChartWindowZoom::inputs_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("lower"); // X limits afterwards; NaN: worked out in the test
    QTest::addColumn<double>("upper");
    // 2000 rows, X 1..2000.
    const double whole[2] = {1, 2000};
    QTest::newRow("drag") << "drag 500 1000" << 500.0 << 1000.0;
    QTest::newRow("drag backwards") << "drag 1000 500" << 500.0 << 1000.0;
    QTest::newRow("a click is no zoom") << "drag 500 501" << whole[0] << whole[1];
    QTest::newRow("plus") << "key +" << 500.75 << 1500.25;
    QTest::newRow("plus then minus") << "key +;key -" << whole[0] << whole[1];
    QTest::newRow("backspace") << "drag 500 1000;drag 600 700;key back" << 500.0 << 1000.0;
    QTest::newRow("home") << "drag 500 1000;drag 600 700;key home" << whole[0] << whole[1];
    QTest::newRow("double click") << "drag 500 1000;double" << whole[0] << whole[1];
    QTest::newRow("arrow right") << "drag 500 1000;key right" << 550.0 << 1050.0;
    QTest::newRow("arrow left") << "drag 500 1000;key left" << 450.0 << 950.0;
    QTest::newRow("ctrl drag pans") << "drag 500 1000;pan 800 700 ctrl" << 600.0 << 1100.0;
    QTest::newRow("middle drag pans") << "drag 500 1000;pan 700 800 middle" << 400.0 << 900.0;
    QTest::newRow("one back after a pan") << "drag 500 1000;pan 800 700 ctrl;key back" << 500.0 << 1000.0;
    QTest::newRow("wheel in at a point") << "wheel 1000 120" << 1000 - 999 * 0.8 << 1000 + 1000 * 0.8;
    QTest::newRow("menu: zoom to the last drag") << "drag 500 1000;key back;menu 1500 放大所选" << 500.0 << 1000.0;
    QTest::newRow("menu: twice around the point") << "menu 1000 放大所选" << 500.5 << 1500.0;
    QTest::newRow("menu: back to whole") << "drag 500 1000;menu 700 复原" << whole[0] << whole[1];
    // While measuring, plain left clicks and drags place the cursors; the rest still zooms.
    QTest::newRow("measuring: a drag is no zoom") << "measure;drag 500 1000" << whole[0] << whole[1];
    QTest::newRow("measuring: ctrl drag pans") << "drag 500 1000;measure;pan 800 700 ctrl" << 600.0 << 1100.0;
    QTest::newRow("measuring: middle drag pans") << "drag 500 1000;measure;pan 700 800 middle" << 400.0 << 900.0;
    QTest::newRow("measuring: plus") << "measure;key +" << 500.75 << 1500.25;
    QTest::newRow("measuring: wheel") << "measure;wheel 1000 120" << 1000 - 999 * 0.8 << 1000 + 1000 * 0.8;
    QTest::newRow("measuring: double click keeps the view") << "drag 500 1000;measure;double" << 500.0 << 1000.0;
    QTest::newRow("measuring: home") << "drag 500 1000;measure;key home" << whole[0] << whole[1];
    QTest::newRow("measuring ended: a drag zooms") << "measure;measure;drag 500 1000" << 500.0 << 1000.0;
}

void TestChartWindowZoom::inputs()
{
    QFETCH(QString, steps);
    QFETCH(double, lower);
    QFETCH(double, upper);
    AppFixture f;
    SheetServer server;
    drawRows(f, server, measuredTable(3, 2000), [&](TdataLineForm *w) {
        ChartView *view = w->kfdline1View;
        Tkfdline *chart = w->kfdline1;
        const int y = chart->marginTop + chart->plotHeight / 2;
        // X values land on whole pixels: the expected limits are those of the nearest ones.
        double tolerance = (chart->xAxis.upper - chart->xAxis.lower) / chart->plotWidth;
        for (const QString &step : steps.split(';')) {
            const QStringList w2 = step.split(' ');
            const QString &what = w2[0];
            if (what == "drag") {
                drag(view, QPoint(pxOf(chart, w2[1].toDouble()), y), QPoint(pxOf(chart, w2[2].toDouble()), y),
                     Qt::LeftButton);
            } else if (what == "pan") {
                drag(view, QPoint(pxOf(chart, w2[1].toDouble()), y), QPoint(pxOf(chart, w2[2].toDouble()), y),
                     w2[3] == "middle" ? Qt::MiddleButton : Qt::LeftButton,
                     w2[3] == "ctrl" ? Qt::ControlModifier : Qt::NoModifier);
            } else if (what == "key") {
                const int k = w2[1] == "+" ? Qt::Key_Plus : w2[1] == "-" ? Qt::Key_Minus : w2[1] == "back" ? Qt::Key_Backspace
                              : w2[1] == "home" ? Qt::Key_Home : w2[1] == "left" ? Qt::Key_Left : Qt::Key_Right;
                key(view, k);
            } else if (what == "measure") {
                f.services.menuAnswers.push_back(QStringLiteral("测量"));
                QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view->mapToGlobal(QPoint(5, 5)));
                QCoreApplication::sendEvent(view, &event);
            } else if (what == "double") {
                mouse(view, QEvent::MouseButtonDblClick, QPoint(pxOf(chart, 700), y), Qt::LeftButton, Qt::NoModifier);
            } else if (what == "wheel") {
                const QPoint at(pxOf(chart, w2[1].toDouble()), y);
                // The pointer's pixel is the centre: the X it shows stays put.
                const double centre = xOf(chart, at.x());
                lower = centre - (centre - chart->xAxis.lower) * std::pow(0.8, w2[2].toDouble() / 120);
                upper = centre + (chart->xAxis.upper - centre) * std::pow(0.8, w2[2].toDouble() / 120);
                QWheelEvent wheel(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, w2[2].toInt()),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(view, &wheel);
            } else if (what == "menu") {
                const QPoint at(pxOf(chart, w2[1].toDouble()), y);
                if (w2[2] == "放大所选" && lower == 500.5) {
                    const double centre = xOf(chart, at.x());
                    lower = centre - (centre - chart->xAxis.lower) / 2;
                    upper = centre + (chart->xAxis.upper - centre) / 2;
                }
                f.services.menuAnswers.push_back(w2[2]);
                QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
                QCoreApplication::sendEvent(view, &event);
            }
        }
        QVERIFY2(std::fabs(chart->xAxis.lower - lower) <= tolerance,
                 qPrintable(QStringLiteral("lower %1, not %2").arg(chart->xAxis.lower).arg(lower)));
        QVERIFY2(std::fabs(chart->xAxis.upper - upper) <= tolerance,
                 qPrintable(QStringLiteral("upper %1, not %2").arg(chart->xAxis.upper).arg(upper)));
        // The printed chart shows the same view.
        QCOMPARE(w->line1->xAxis.lower, chart->xAxis.lower);
        QCOMPARE(w->line1->xAxis.upper, chart->xAxis.upper);
        const bool zoomed = chart->xAxis.lower != 1 || chart->xAxis.upper != 2000;
        QLabel *label = limitsLabel(view);
        QVERIFY(label);
        QCOMPARE(label->isVisible(), zoomed);
        if (zoomed)
            QVERIFY2(label->text().contains(QString::number(chart->xAxis.lower, 'f', chart->xAxis.decimals + 1)),
                     qPrintable(label->text()));
    });
}

// Shift and a drag: X and every vertical scale to the rectangle.
void TestChartWindowZoom::rectangleSetsEveryScale()
{
    AppFixture f;
    SheetServer server;
    drawRows(f, server, measuredTable(3, 2000), [&](TdataLineForm *w) {
        ChartView *view = w->kfdline1View;
        Tkfdline *chart = w->kfdline1;
        const int top = chart->marginTop + 40, bottom = chart->marginTop + 140;
        const int left = pxOf(chart, 400), right = pxOf(chart, 900);
        std::vector<std::pair<double, double>> want;
        for (int k = 0; k < 2; ++k) {
            const kfdline::Tline &c = chart->curves[k];
            const double perPixel = (c.upper - c.lower) / chart->plotHeight;
            want.emplace_back(c.lower + (chart->plotBottom - bottom) * perPixel,
                              c.lower + (chart->plotBottom - top) * perPixel);
        }
        const double xLeft = xOf(chart, left), xRight = xOf(chart, right);
        drag(view, QPoint(left, bottom), QPoint(right, top), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(chart->xAxis.lower, xLeft);
        QCOMPARE(chart->xAxis.upper, xRight);
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(chart->curves[k].lower, want[size_t(k)].first);
            QCOMPARE(chart->curves[k].upper, want[size_t(k)].second);
        }
        key(view, Qt::Key_Backspace);
        QCOMPARE(chart->xAxis.lower, 1.0);
        QVERIFY(chart->curves[0].upper > want[0].second);
    });
}

// A zoom step draws the screen chart; the page saved as PDF is drawn for the view first.
void TestChartWindowZoom::savedPageShowsTheView()
{
    AppFixture f;
    SheetServer server;
    const QString pdf = f.dir.filePath(QStringLiteral("view.pdf"));
    f.services.saveAnswers.push_back(pdf + QStringLiteral("|PDF 文档 (*.pdf)"));
    f.services.menuAnswers.push_back(QStringLiteral("保存图表..."));
    drawRows(f, server, measuredTable(3, 2000), [&](TdataLineForm *w) {
        ChartView *view = w->kfdline1View;
        Tkfdline *chart = w->kfdline1;
        const int y = chart->marginTop + chart->plotHeight / 2;
        const QImage wholePage = w->line1->picture();
        const int screenDrawn = chart->changeCount();
        drag(view, QPoint(pxOf(chart, 500), y), QPoint(pxOf(chart, 1000), y), Qt::LeftButton);
        QVERIFY(chart->changeCount() > screenDrawn);
        QCOMPARE(w->line1->xAxis.lower, chart->xAxis.lower);
        const int pageDrawn = w->line1->changeCount();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 200), view->mapToGlobal(QPoint(100, 200)));
        QCoreApplication::sendEvent(view, &event);
        QVERIFY(QFile::exists(pdf));
        QVERIFY(w->line1->changeCount() > pageDrawn);
        QVERIFY(w->line1->picture() != wholePage);
    });
}

QTEST_MAIN(TestChartWindowZoom)
#include "tst_chartwindowzoom.moc"
