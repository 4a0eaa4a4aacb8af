#include <QtTest>

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/formatvalue.h"
#include "chart/kfdline.h"

#include "chart/chartfixture.h"

#include <cmath>

using kfdline::FormatValue;
using kfdline::StripBlanks;

using namespace chartfixture;

class TestChartGeometry : public QObject
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
};

void TestChartGeometry::formatValue_data()
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

void TestChartGeometry::formatValue()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FormatValue(value, decimals), text);
}

void TestChartGeometry::formatValueFaults_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("message");
    QTest::newRow("1e300") << 1e300 << 0 << "Floating point overflow";
    QTest::newRow("too large after scaling") << 1e15 << 5 << "Floating point overflow";
    QTest::newRow("minus infinity") << -Inf << 2 << "Floating point overflow";
    QTest::newRow("NaN") << NaN << 1 << "Invalid floating point operation";
}

void TestChartGeometry::formatValueFaults()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, message);
    QCOMPARE(errorOf([&] { FormatValue(value, decimals); }), message);
}

void TestChartGeometry::stripBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("leading") << "     -1.5" << "-1.5";
    QTest::newRow("inside and after") << " a b  c " << "abc";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only blanks") << "   " << "";
    QTest::newRow("tabs and ideographic space stay") << "\t1\u30002" << "\t1\u30002";
}

void TestChartGeometry::stripBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(StripBlanks(text), stripped);
}

void TestChartGeometry::marginsAndSlots_data()
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

void TestChartGeometry::marginsAndSlots()
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

void TestChartGeometry::geometry_data()
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

void TestChartGeometry::geometry()
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

QTEST_MAIN(TestChartGeometry)
#include "tst_chartgeometry.moc"
