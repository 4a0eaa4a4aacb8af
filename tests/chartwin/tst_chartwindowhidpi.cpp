#include <QtTest>

#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

// The chart window on a screen of 1600 x 1000 pixels at twice the scale (QT_SCALE_FACTOR=2,
// set by main() below before the application starts): 800 x 500 of the windows' pixels.
class TestChartWindowHiDpi : public QObject
{
    Q_OBJECT
private slots:
    void windowFitsTheScreen();
    void chartIsDrawnAtTheScreenDensity_data();
    void chartIsDrawnAtTheScreenDensity();
};

void TestChartWindowHiDpi::windowFitsTheScreen()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [](TdataLineForm *w) {
        QCOMPARE(w->devicePixelRatioF(), 2.0);
        const QRect area = w->screen()->availableGeometry();
        QCOMPARE(area.size(), QSize(800, 500));
        QVERIFY2(area.contains(w->frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2").arg(w->frameGeometry().width()).arg(w->frameGeometry().height())));
        // Every button on screen, the chart as large as the rest of the window allows.
        for (QWidget *b : {(QWidget *)w->Button1, (QWidget *)w->printBtn, (QWidget *)w->box1, (QWidget *)w->box4})
            QVERIFY(w->rect().contains(b->geometry()));
        QCOMPARE(w->kfdline1View->width(), w->width() - 16);
        QVERIFY(w->kfdline1View->height() >= 240);
    });
}

void TestChartWindowHiDpi::chartIsDrawnAtTheScreenDensity_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("as it opens") << QSize();
    QTest::newRow("resized") << QSize(700, 450);
    QTest::newRow("the smallest") << QSize(1, 1);
}

// The picture has a device pixel for each screen pixel: twice the chart's size each way,
// ratio 2, shown one to one (sharp), in the same layout as a chart of its size; the
// read-out works in the chart's own pixels.
void TestChartWindowHiDpi::chartIsDrawnAtTheScreenDensity()
{
    QFETCH(QSize, window);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        if (window.isValid())
            w->resize(window);
        Tkfdline *chart = w->kfdline1;
        const QSize size = w->kfdline1View->size();
        QCOMPARE(QSize(chart->Width, chart->Height), size);
        QCOMPARE(chart->picture().devicePixelRatio(), 2.0);
        QCOMPARE(chart->picture().size(), size * 2);
        QCOMPARE(chart->plotBottom, size.height() - 50);
        // The grid's top line is 2 device pixels thick; the white above it too.
        const QImage &picture = chart->picture();
        const int gx = (chart->marginLeft + 3) * 2;
        const int gy = chart->marginTop * 2;
        QCOMPARE(picture.pixel(gx, gy) & 0xFFFFFF, QRgb(0x008000));
        QCOMPARE(picture.pixel(gx + 1, gy + 1) & 0xFFFFFF, QRgb(0x008000));
        QCOMPARE(picture.pixel(gx, gy - 1) & 0xFFFFFF, QRgb(0xFFFFFF));

        const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.devicePixelRatio(), 2.0);
        int same = 0, checked = 0;
        for (int y = 0; y < picture.height(); y += 5)
            for (int x = 0; x < picture.width(); x += 5, ++checked)
                same += shot.pixel(x + 16, y + 16) == picture.pixel(x, y);
        QVERIFY(same > 0.99 * checked);

        // Pointing at the middle of the plot reads the row there.
        const QPoint at(chart->marginLeft + chart->plotWidth / 2, chart->marginTop + chart->plotHeight / 2);
        QMouseEvent move(QEvent::MouseMove, QPointF(at), w->kfdline1View->mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w->kfdline1View, &move);
        const readout::Readout &shown = w->kfdline1View->currentReadout();
        QVERIFY(shown.visible);
        QVERIFY(std::abs(shown.point.x() - at.x()) < chart->plotWidth / 19);
    });
}

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1600, "height": 1000,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    TestChartWindowHiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chartwindowhidpi.moc"
