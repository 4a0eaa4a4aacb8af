#include <QtTest>

#include "chartwin/chartpage.h"
#include "report/chartexport.h"

#include "chartwin/chartpagedata.h"
#include "chartwin/pagecheck.h"
#include "support/pdftools.h"


namespace {

using pagecheck::near;

// Four raster pixels per chart pixel: poppler smooths images scaled up by less than that.
constexpr int RasterDpi = 384;

QPoint rasterOfChart(int x, int y) { return pagecheck::rasterOfChart(x, y, RasterDpi); }
QRect rasterOfTenths(const QRectF &tenths) { return pagecheck::rasterOfTenths(tenths, RasterDpi); }

} // namespace

class TestChartPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
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
    chartexport::savePagePdf(m_page.report(), m_pdf);
    // Printing takes the picture as it was drawn last: rendering never touches it.
    QCOMPARE(m_page.line1.changeCount(), changes);
    m_raster = pdftools::raster(m_pdf, RasterDpi);
    QVERIFY(!m_raster.isNull());
    // A smaller copy beside the build, for a person to look at.
    pdftools::raster(m_pdf, 96).save(QStringLiteral(TABROVEX_BINARY_DIR "/printed-page.png"));
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

void TestChartPage::gridLines()
{
    QFETCH(bool, horizontal);
    const QString wrong = pagecheck::gridMismatch(m_raster, RasterDpi, m_page.line1, chartpagedata::gridRgb, horizontal, 40);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
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
    const pagecheck::Ink ink = pagecheck::titleInk(m_raster, RasterDpi);
    QVERIFY2(ink.count > 200, qPrintable(QString::number(ink.count)));
    // centred: as much room on either side, give or take a glyph's side bearing
    QVERIFY2(qAbs((ink.left - ink.box.left()) - (ink.box.right() - ink.right)) < 24,
             qPrintable(QStringLiteral("%1 .. %2 in %3 .. %4").arg(ink.left).arg(ink.right).arg(ink.box.left()).arg(ink.box.right())));
    const QRect above = rasterOfTenths(QRectF(0, -100, 2672, 100)); // the top margin
    for (int y = above.top(); y < above.bottom(); y += 2)
        for (int x = above.left(); x < above.right(); x += 2)
            QVERIFY(near(m_raster.pixel(x, y), Qt::white, 10));
}

void TestChartPage::secondRenderIsIdentical()
{
    const QString again = m_dir.filePath(QStringLiteral("again.pdf"));
    chartexport::savePagePdf(m_page.report(), again);
    QCOMPARE(pdftools::raster(again, RasterDpi), m_raster);
}

QTEST_MAIN(TestChartPage)
#include "tst_chartpage.moc"
