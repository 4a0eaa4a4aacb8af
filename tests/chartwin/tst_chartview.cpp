// The screen chart's view: the picture from the top-left corner, the window's colour on
// whatever the picture leaves uncovered, and nothing left unpainted.
#include "chartwin/ui/chartview.h"
#include "report/reportimage.h"

#include <QtTest>

class TestChartView : public QObject
{
    Q_OBJECT
private slots:
    void paintsPictureAndBackground_data();
    void paintsPictureAndBackground();
};

void TestChartView::paintsPictureAndBackground_data()
{
    QTest::addColumn<QSize>("view");
    QTest::addColumn<QSize>("picture"); // device pixels
    QTest::addColumn<int>("ratio");
    QTest::newRow("view larger both ways") << QSize(300, 200) << QSize(200, 150) << 1;
    QTest::newRow("same size") << QSize(200, 150) << QSize(200, 150) << 1;
    QTest::newRow("view smaller") << QSize(120, 80) << QSize(200, 150) << 1;
    QTest::newRow("wider picture, taller view") << QSize(150, 220) << QSize(260, 100) << 1;
    QTest::newRow("ratio 2") << QSize(300, 200) << QSize(400, 300) << 2;
    QTest::newRow("ratio 2, odd device size") << QSize(300, 200) << QSize(201, 151) << 2;
    QTest::newRow("no picture") << QSize(100, 60) << QSize() << 1;
}

void TestChartView::paintsPictureAndBackground()
{
    QFETCH(QSize, view);
    QFETCH(QSize, picture);
    QFETCH(int, ratio);
    const QRgb chartColour = qRgb(0x12, 0x34, 0x56), unpainted = qRgb(0xFF, 0x00, 0xFF);

    QRImage element;
    if (picture.isValid()) {
        QImage image(picture, QImage::Format_RGB32);
        image.fill(chartColour);
        image.setDevicePixelRatio(ratio);
        element.setPicture(image);
    }
    ChartView widget(&element);
    widget.resize(view);
    const QRgb background = widget.palette().color(QPalette::Window).rgb();
    QVERIFY(background != chartColour && background != unpainted);

    // Rendered over a colour the view never paints, so a part it leaves shows.
    QImage shot(view, QImage::Format_RGB32);
    shot.fill(unpainted);
    widget.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);

    // Where the picture ends on a half pixel, that column or row may show either.
    const double coveredW = picture.isValid() ? double(picture.width()) / ratio : 0;
    const double coveredH = picture.isValid() ? double(picture.height()) / ratio : 0;
    int shown = 0;
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x) {
            const bool edge = (x + 1 > coveredW && x < coveredW) || (y + 1 > coveredH && y < coveredH);
            if (edge)
                continue;
            const bool covered = x + 1 <= coveredW && y + 1 <= coveredH;
            const QRgb expected = covered ? chartColour : background;
            if (shot.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                                     .arg(x).arg(y).arg(shot.pixel(x, y), 0, 16).arg(expected, 0, 16)));
            shown += covered;
        }
    }
    QCOMPARE(shown > 0, picture.isValid());
}

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
