#include <QtTest>

#include "chartwin/chartpage.h"
#include "report/reportrender.h"

#include "chartpagedata.h"
#include "pdftools.h"

#include <QPainter>
#include <QPdfWriter>

namespace {

// Four raster pixels per chart pixel: poppler smooths images scaled up by less than that.
constexpr int RasterDpi = 384;

bool near(QRgb pixel, const QColor &expected, int tolerance)
{
    return qAbs(qRed(pixel) - expected.red()) <= tolerance && qAbs(qGreen(pixel) - expected.green()) <= tolerance
            && qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Raster pixel inside chart pixel (x, y): 15 mm margins, the chart 112 design pixels
// below the band's top.
QPoint rasterOfChart(int x, int y)
{
    const qreal perTenth = RasterDpi / 254.0;
    const qreal perPixel = RasterDpi / 96.0;
    return QPoint(int(150 * perTenth + (x + 0.5) * perPixel), int((150 + 112 * 254.0 / 96) * perTenth + (y + 0.5) * perPixel));
}

QRect rasterOfTenths(const QRectF &tenthsOnBand)
{
    const qreal s = RasterDpi / 254.0;
    const QRectF r = tenthsOnBand.translated(150, 150);
    return QRectF(r.left() * s, r.top() * s, r.width() * s, r.height() * s).toAlignedRect();
}

} // namespace

class TestChartPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void pageAndText_data();
    void pageAndText();
    void chartPlacement();
    void gridLines_data();
    void gridLines();
    void nothingBetweenTitleAndChart();
    void titleInItsBox();
    void secondRenderIsIdentical();

private:
    QTemporaryDir m_dir;
    ChartPage m_page;
    QString m_pdf;
    QImage m_raster;
};

void TestChartPage::initTestCase()
{
    chartpagedata::fill(m_page, QStringLiteral("Excel数据曲线图"));
    // Mark the bitmap rows below the element, which must never print.
    DrawSurface &canvas = m_page.line1.Canvas();
    canvas.setFillColor(0x0000FF);
    canvas.fillRect(0, 560, 1010, 672);
    const int changes = m_page.line1.changeCount();
    m_pdf = m_dir.filePath(QStringLiteral("page.pdf"));
    renderReportToPdf(m_page.report(), m_pdf);
    // Printing takes the picture as it was drawn last: rendering never touches it.
    QCOMPARE(m_page.line1.changeCount(), changes);
    m_raster = pdftools::raster(m_pdf, RasterDpi);
    QVERIFY(!m_raster.isNull());
    // A smaller copy beside the build, for a person to look at.
    pdftools::raster(m_pdf, 96).save(QStringLiteral(TABROVEX_BINARY_DIR "/printed-page.png"));
}

void TestChartPage::layout_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QRectF>("mm");
    QTest::newRow("titleLabel") << 0 << true << QRectF(58.21, 0.79, 150.55, 7.41);
    QTest::newRow("line1") << 1 << true << QRectF(0, 29.63, 267.23, 148.17);
    QTest::newRow("qlabel1") << 2 << false << QRectF(1.85, 17.73, 21.43, 7.41);
    QTest::newRow("dLabel3") << 7 << false << QRectF(133.35, 12.17, 21.43, 7.41);
    QTest::newRow("dLabel7") << 15 << false << QRectF(219.87, 23.28, 21.43, 7.41);
}

void TestChartPage::layout()
{
    QFETCH(int, index);
    QFETCH(bool, enabled);
    QFETCH(QRectF, mm);
    const ReportPage &report = m_page.report();
    QCOMPARE(report.summary.elements.size(), size_t(16));
    const ReportElement *element = report.summary.elements.at(index);
    QCOMPARE(element->isEnabled(), enabled);
    QPdfWriter writer(m_dir.filePath(QStringLiteral("measure.pdf")));
    QPainter painter(&writer);
    // The self-sizing labels measure their text; their corner stays where it was put.
    const QRectF r = element->bandRect(painter);
    painter.end();
    QVERIFY2(qAbs(r.left() - mm.left() * 10) < 0.06 && qAbs(r.top() - mm.top() * 10) < 0.06,
             qPrintable(QStringLiteral("%1, %2").arg(r.left()).arg(r.top())));
    if (index < 2)
        QVERIFY2(qAbs(r.width() - mm.width() * 10) < 0.06 && qAbs(r.height() - mm.height() * 10) < 0.06,
                 qPrintable(QStringLiteral("%1 x %2").arg(r.width()).arg(r.height())));
}

void TestChartPage::pageAndText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("printed");
    QTest::newRow("title") << QStringLiteral("Excel数据曲线图") << true;
    QTest::newRow("design caption replaced") << QStringLiteral("\n数据曲线图") << false;
    const char *hidden[] = {"钻具型号", "钻具编号", "输入流量", "介质温度", "环境温度", "试验人员", "试验日期"};
    for (const char *caption : hidden)
        QTest::newRow(caption) << QString::fromUtf8(caption) << false;
}

void TestChartPage::pageAndText()
{
    QFETCH(QString, text);
    QFETCH(bool, printed);
    const pdftools::Info info = pdftools::info(m_pdf);
    QCOMPARE(info.pages, 1);
    QVERIFY2(qAbs(info.pointSize.width() - 841.89) < 1 && qAbs(info.pointSize.height() - 595.28) < 1,
             qPrintable(QStringLiteral("%1 x %2").arg(info.pointSize.width()).arg(info.pointSize.height())));
    const QString all = QLatin1Char('\n') + pdftools::text(m_pdf);
    QVERIFY2(all.contains(text) == printed, qPrintable(all));
}

// The chart prints at natural size from the rectangle's corner: sampled chart pixels match
// the raster two-for-one.
void TestChartPage::chartPlacement()
{
    const QImage &picture = m_page.line1.picture();
    QCOMPARE(picture.size(), QSize(1010, 672));
    int samples = 0;
    int matches = 0;
    QStringList misses;
    for (int y = 0; y < 560; y += 3) {
        for (int x = 0; x < 1010; x += 7) {
            ++samples;
            const QPoint at = rasterOfChart(x, y);
            if (near(m_raster.pixel(at), QColor(picture.pixel(x, y)), 40))
                ++matches;
            else if (misses.size() < 5)
                misses << QStringLiteral("(%1,%2)").arg(x).arg(y);
        }
    }
    QVERIFY2(matches >= samples * 99 / 100,
             qPrintable(QStringLiteral("%1 of %2 match; misses %3").arg(matches).arg(samples).arg(misses.join(' '))));
    // The element is 560 rows high: the bitmap's lower rows (painted red here) stay off
    // the paper, which is blank below the chart.
    const QRect below = rasterOfTenths(QRectF(0, 1778, 2672, 172));
    for (int y = below.top() + 2; y < below.bottom() - 2; y += 3)
        for (int x = below.left(); x < below.right(); x += 5)
            if (!near(m_raster.pixel(x, y), Qt::white, 10))
                QFAIL(qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
}

void TestChartPage::gridLines_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("rows") << true;
    QTest::newRow("columns") << false;
}

// Solid grid lines sit where the chart's geometry puts them, moved by the margins and the
// chart's top; halfway between two dotted lines there is background.
void TestChartPage::gridLines()
{
    QFETCH(bool, horizontal);
    const Tkfdline &line = m_page.line1;
    const QList<qint64> lines = horizontal ? chartpagedata::solidRows(line) : chartpagedata::solidColumns(line);
    const double step = chartgeom::gridStep(horizontal ? line.plotHeight : line.plotWidth);
    QVERIFY(step > 4);
    const int from = horizontal ? line.marginLeft : line.marginTop;
    const int to = horizontal ? line.Width - line.marginRight : line.marginTop + line.plotHeight;
    for (qint64 at : lines) {
        int onLine = 0;
        int between = 0;
        int count = 0;
        for (int along = from + 5; along < to - 5; along += 9) {
            ++count;
            const int offset = int(step / 2);
            const QPoint p = horizontal ? rasterOfChart(along, at) : rasterOfChart(at, along);
            const QPoint q = horizontal ? rasterOfChart(along, at + offset) : rasterOfChart(at + offset, along);
            if (near(m_raster.pixel(p), chartpagedata::gridRgb, 40))
                ++onLine;
            if (near(m_raster.pixel(q), Qt::white, 40))
                ++between;
        }
        QVERIFY2(onLine >= count * 8 / 10, qPrintable(QStringLiteral("line at %1: %2 of %3").arg(at).arg(onLine).arg(count)));
        QVERIFY2(between >= count * 8 / 10, qPrintable(QStringLiteral("beside %1: %2 of %3").arg(at).arg(between).arg(count)));
    }
}

// The disabled labels stand between the title and the chart: that strip stays blank.
void TestChartPage::nothingBetweenTitleAndChart()
{
    const QRect strip = rasterOfTenths(QRectF(0, 90, 2672, 200));
    for (int y = strip.top(); y < strip.bottom(); ++y)
        for (int x = strip.left(); x < strip.right(); ++x)
            if (!near(m_raster.pixel(x, y), Qt::white, 10))
                QFAIL(qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
}

void TestChartPage::titleInItsBox()
{
    const QRect box = rasterOfTenths(QRectF(582.1, 7.9, 1505.5, 74.1));
    const QRect above = rasterOfTenths(QRectF(0, -100, 2672, 100)); // the top margin
    int ink = 0;
    int left = box.right();
    int right = box.left();
    for (int y = box.top(); y < box.bottom(); ++y)
        for (int x = box.left(); x < box.right(); ++x)
            if (near(m_raster.pixel(x, y), Qt::black, 100)) {
                ++ink;
                left = qMin(left, x);
                right = qMax(right, x);
            }
    QVERIFY2(ink > 200, qPrintable(QString::number(ink)));
    // centred: as much room on either side, give or take a glyph's side bearing
    QVERIFY2(qAbs((left - box.left()) - (box.right() - right)) < 12,
             qPrintable(QStringLiteral("%1 .. %2 in %3 .. %4").arg(left).arg(right).arg(box.left()).arg(box.right())));
    for (int y = above.top(); y < above.bottom(); y += 2)
        for (int x = above.left(); x < above.right(); x += 2)
            QVERIFY(near(m_raster.pixel(x, y), Qt::white, 10));
}

void TestChartPage::secondRenderIsIdentical()
{
    const QString again = m_dir.filePath(QStringLiteral("again.pdf"));
    renderReportToPdf(m_page.report(), again);
    QCOMPARE(pdftools::raster(again, RasterDpi), m_raster);
}

QTEST_MAIN(TestChartPage)
#include "tst_chartpage.moc"
