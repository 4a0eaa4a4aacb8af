#include <QtTest>

#include "base/apperror.h"
#include "report/reportlabel.h"
#include "report/reportpage.h"
#include "report/chartexport.h"

#include "support/pdftools.h"

#include <QPainter>
#include <QPdfWriter>

namespace {

// Paints far beyond its rectangle, to show that the page clips every element.
class SpillingElement : public ReportElement
{
public:
    QRectF rect;
    bool enabled = true;
    bool isEnabled() const override { return enabled; }
    QRectF bandRect(const QPainter &) const override { return rect; }
    void print(QPainter &painter, const QRectF &deviceRect) const override
    {
        painter.fillRect(deviceRect.adjusted(-1000, -1000, 1000, 1000), Qt::black);
    }
};

ReportPage a4Page(QPageLayout::Orientation orientation)
{
    ReportPage page;
    page.setup.orientation = orientation;
    page.setup.leftMargin = page.setup.topMargin = 150;
    page.setup.rightMargin = page.setup.bottomMargin = 150;
    page.summary.height = 1000;
    return page;
}

bool near(QRgb pixel, QColor expected, int tolerance = 40)
{
    return qAbs(qRed(pixel) - expected.red()) <= tolerance && qAbs(qGreen(pixel) - expected.green()) <= tolerance
            && qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT
private slots:
    void summaryRect_data();
    void summaryRect();
    void pageSize_data();
    void pageSize();
    void labelText_data();
    void labelText();
    void fills_data();
    void fills();
    void autoSize_data();
    void autoSize();
    void unwritableFileRaises();

private:
    QTemporaryDir m_dir;
};

void TestReport::summaryRect_data()
{
    QTest::addColumn<qreal>("bandWidth");
    QTest::addColumn<int>("columns");
    QTest::addColumn<qreal>("columnSpace");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("own width") << 2672.3 << 1 << 0.0 << QRectF(150, 150, 2672.3, 1000);
    QTest::newRow("spans the column") << 0.0 << 1 << 0.0 << QRectF(150, 150, 2670, 1000);
    QTest::newRow("first of two columns") << 0.0 << 2 << 100.0 << QRectF(150, 150, 1285, 1000);
    QTest::newRow("no columns counts as one") << 0.0 << 0 << 0.0 << QRectF(150, 150, 2670, 1000);
}

void TestReport::summaryRect()
{
    QFETCH(qreal, bandWidth);
    QFETCH(int, columns);
    QFETCH(qreal, columnSpace);
    QFETCH(QRectF, expected);
    ReportPage page = a4Page(QPageLayout::Landscape);
    page.summary.width = bandWidth;
    page.setup.columns = columns;
    page.setup.columnSpace = columnSpace;
    const QRectF rect = reportlayout::summaryRect(page);
    QVERIFY2(qAbs(rect.left() - expected.left()) < 0.01 && qAbs(rect.top() - expected.top()) < 0.01
                     && qAbs(rect.width() - expected.width()) < 0.5 && qAbs(rect.height() - expected.height()) < 0.01,
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(rect.left()).arg(rect.top()).arg(rect.width()).arg(rect.height())));
}

void TestReport::pageSize_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSizeF>("points");
    QTest::newRow("landscape") << int(QPageLayout::Landscape) << QSizeF(842, 595);
    QTest::newRow("portrait") << int(QPageLayout::Portrait) << QSizeF(595, 842);
}

void TestReport::pageSize()
{
    QFETCH(int, orientation);
    QFETCH(QSizeF, points);
    const ReportPage page = a4Page(QPageLayout::Orientation(orientation));
    const QString file = m_dir.filePath(QStringLiteral("size.pdf"));
    chartexport::savePagePdf(page, file);
    const pdftools::Info info = pdftools::info(file);
    QCOMPARE(info.pages, 1);
    QVERIFY2(qAbs(info.pointSize.width() - points.width()) < 1 && qAbs(info.pointSize.height() - points.height()) < 1,
             qPrintable(QStringLiteral("%1 x %2").arg(info.pointSize.width()).arg(info.pointSize.height())));
}

void TestReport::labelText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("autoSize");
    QTest::newRow("enabled") << QStringLiteral("Pressure") << true << false;
    QTest::newRow("enabled, Chinese") << QStringLiteral("数据曲线图") << true << false;
    QTest::newRow("enabled, sizes itself") << QStringLiteral("Flow") << true << true;
    QTest::newRow("disabled") << QStringLiteral("Hidden") << false << false;
    QTest::newRow("disabled, sizes itself") << QStringLiteral("钻具型号") << false << true;
}

void TestReport::labelText()
{
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, autoSize);
    ReportPage page = a4Page(QPageLayout::Landscape);
    ReportLabel marker; // an always printed neighbour shows that the page did print
    marker.caption = QStringLiteral("Marker");
    marker.width = 500;
    marker.height = 80;
    ReportLabel label;
    label.caption = caption;
    label.enabled = enabled;
    label.autoSize = autoSize;
    label.top = 200;
    label.width = 800;
    label.height = 80;
    label.fontPointSize = 12;
    page.summary.elements = {&marker, &label};
    const QString file = m_dir.filePath(QStringLiteral("label.pdf"));
    chartexport::savePagePdf(page, file);
    const QString text = pdftools::text(file);
    QVERIFY2(text.contains(QStringLiteral("Marker")), qPrintable(text));
    QCOMPARE(text.contains(caption), enabled);
}

// The page is rasterised at 254 dpi, one pixel per tenth of a millimetre, so band
// positions plus the 15 mm margins are pixel positions.
void TestReport::fills_data()
{
    QTest::addColumn<int>("kind"); // 0 opaque label, 1 transparent label, 2 spilling element
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("inside");
    QTest::newRow("opaque label") << 0 << true << QColor(Qt::red);
    QTest::newRow("transparent label") << 1 << true << QColor(Qt::white);
    QTest::newRow("disabled opaque label") << 0 << false << QColor(Qt::white);
    QTest::newRow("element clipped to its rectangle") << 2 << true << QColor(Qt::black);
    QTest::newRow("disabled element") << 2 << false << QColor(Qt::white);
}

void TestReport::fills()
{
    QFETCH(int, kind);
    QFETCH(bool, enabled);
    QFETCH(QColor, inside);
    ReportPage page = a4Page(QPageLayout::Landscape);
    page.summary.color = Qt::white;
    const QRectF rect(100, 100, 200, 100);
    ReportLabel label;
    label.left = rect.left();
    label.top = rect.top();
    label.width = rect.width();
    label.height = rect.height();
    label.color = Qt::red;
    label.transparent = kind == 1;
    label.enabled = enabled;
    SpillingElement spill;
    spill.rect = rect;
    spill.enabled = enabled;
    page.summary.elements = {kind == 2 ? static_cast<const ReportElement *>(&spill) : &label};

    const QString file = m_dir.filePath(QStringLiteral("fill.pdf"));
    chartexport::savePagePdf(page, file);
    const QImage image = pdftools::raster(file, 254);
    QVERIFY(!image.isNull());
    QVERIFY2(qAbs(image.width() - 2970) <= 2, qPrintable(QString::number(image.width())));
    const QRect onPage = rect.translated(150, 150).toRect();
    QVERIFY(near(image.pixel(onPage.center()), inside));
    QVERIFY(near(image.pixel(onPage.left() + 3, onPage.top() + 3), inside));
    QVERIFY(near(image.pixel(onPage.right() - 3, onPage.bottom() - 3), inside));
    // just outside: untouched paper
    QVERIFY(near(image.pixel(onPage.left() - 4, onPage.center().y()), Qt::white));
    QVERIFY(near(image.pixel(onPage.right() + 4, onPage.center().y()), Qt::white));
    QVERIFY(near(image.pixel(onPage.center().x(), onPage.top() - 4), Qt::white));
    QVERIFY(near(image.pixel(onPage.center().x(), onPage.bottom() + 4), Qt::white));
}

void TestReport::autoSize_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("wordWrap");
    QTest::newRow("one line grows wider") << QStringLiteral("A caption much longer than its box") << false;
    QTest::newRow("word wrap keeps the width and grows taller")
            << QStringLiteral("A caption much longer than its box") << true;
}

void TestReport::autoSize()
{
    QFETCH(QString, caption);
    QFETCH(bool, wordWrap);
    ReportLabel label;
    label.caption = caption;
    label.width = 200;
    label.height = 10;
    label.fontPointSize = 12;
    label.wordWrap = wordWrap;

    QPdfWriter writer(m_dir.filePath(QStringLiteral("measure.pdf")));
    writer.setResolution(1200);
    QPainter painter(&writer);
    const QRectF fixed = label.bandRect(painter);
    QCOMPARE(fixed, QRectF(0, 0, 200, 10));

    label.autoSize = true;
    const QRectF sized = label.bandRect(painter);
    label.caption = QStringLiteral("A");
    const QRectF single = label.bandRect(painter);
    painter.end();

    // 12 pt is 4.2 mm: one line is a little taller than that.
    QVERIFY2(single.height() > 42 && single.height() < 80, qPrintable(QString::number(single.height())));
    if (wordWrap) {
        QCOMPARE(sized.width(), 200.0);
        QVERIFY(sized.height() > 1.8 * single.height());
    } else {
        QVERIFY2(sized.width() > 400, qPrintable(QString::number(sized.width())));
        QCOMPARE(sized.height(), single.height());
    }
}

void TestReport::unwritableFileRaises()
{
    const ReportPage page = a4Page(QPageLayout::Landscape);
    const QString file = m_dir.filePath(QStringLiteral("no-such-folder/page.pdf"));
    try {
        chartexport::savePagePdf(page, file);
        QFAIL("no error");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), "Unable to write to " + file);
    }
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
