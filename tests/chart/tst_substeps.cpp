#include <QtTest>

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/curvepath.h"
#include "chart/substeps.h"

#include "chart/chartfixture.h"

#include <random>

using namespace chartfixture;

// Every lane count must give, sub-step by sub-step, what curvepath::subStep gives: the
// same pixel, held to the plot rows, and the same colour; and where subStep raises, the
// table must send the caller back to it.
class TestSubSteps : public QObject
{
    Q_OBJECT
private slots:
    void matchesSubStep_data();
    void matchesSubStep();
};

void TestSubSteps::matchesSubStep_data()
{
    QTest::addColumn<int>("lanes");
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("plotHeight");
    struct Shape {
        int id;
        const char *name;
    };
    const Shape shapes[] = {
        {0, "noisy, some beyond the limits"},
        {1, "far outside the plot"},
        {2, "pixels beyond the quick rounding"},
        {3, "NaN and infinity"},
        {4, "on the limits and half-pixel rows"},
    };
    // 105, 90, 1 and 2 sub-steps: odd, even, fewer than a pair, a single pair.
    const int heights[] = {419, 360, 4, 9};
    for (int lanes : {1, 2, 4})
        for (const Shape &shape : shapes)
            for (int h : heights)
                QTest::newRow(qPrintable(QStringLiteral("%1 lanes, %2, height %3").arg(lanes).arg(shape.name).arg(h)))
                    << lanes << shape.id << h;
}

void TestSubSteps::matchesSubStep()
{
    QFETCH(int, lanes);
    QFETCH(int, shape);
    QFETCH(int, plotHeight);
    if (lanes > int(substeps::widest()))
        QSKIP("this processor has fewer lanes");

    constexpr int points = 60;
    std::vector<double> wx(points + 2), wy(points + 2);
    std::mt19937 rng(shape * 1000 + plotHeight);
    std::normal_distribution<double> noise(50, 40);
    std::uniform_int_distribution<int> pick(0, 9);
    for (int k = 0; k < points + 2; ++k) {
        wx[size_t(k)] = k + 0.37 * std::sin(k);
        wy[size_t(k)] = noise(rng);
        switch (shape) {
        case 1:
            if (pick(rng) < 3)
                wy[size_t(k)] = pick(rng) < 5 ? -4e6 : 7e8;
            if (pick(rng) < 2)
                wx[size_t(k)] = -3e7;
            break;
        case 2:
            if (pick(rng) < 3)
                wy[size_t(k)] = pick(rng) < 5 ? 1e17 : -3e16;
            break;
        case 3:
            if (k % 13 == 5)
                wy[size_t(k)] = NaN;
            if (k % 17 == 9)
                wx[size_t(k)] = pick(rng) < 5 ? Inf : -Inf;
            break;
        case 4:
            // Exactly on the curve's limits, and on values half-way between pixel rows.
            wy[size_t(k)] = k % 3 == 0 ? (k % 2 ? 0 : 100) : 50 + (k % 7) * 50.0 / plotHeight;
            break;
        default:
            break;
        }
    }

    curvepath::Frame f;
    f.map = chartgeom::makeValueMap(600, plotHeight, 100, 60 + plotHeight, 0, points, 0, 100);
    f.xMin = 0;
    f.xMax = points - 2;
    f.yMin = 0;
    f.yMax = 100;
    f.top = 60;
    f.bottom = 60 + plotHeight;
    f.plotHeight = plotHeight;
    f.color = 0x0000FF;
    f.hiddenColor = 0xFFFFFF;

    const qint64 m = chartgeom::subStepCount(plotHeight);
    std::vector<chartgeom::Weights> weights;
    for (qint64 k = 1; k <= m; ++k)
        weights.push_back(chartgeom::catmullWeights(chartgeom::subStepParam(k, plotHeight)));
    substeps::Table table(weights, substeps::Lanes(lanes));
    QCOMPARE(int(table.lanes()), lanes);

    int compared = 0, slow = 0;
    for (int s = 0; s + 3 < points + 2; ++s) {
        const bool quick = table.segment(f, wx.data(), wy.data(), s);
        bool anySlow = false;
        for (qint64 k = 0; k < m; ++k) {
            const QString at = QStringLiteral("segment %1, sub-step %2").arg(s).arg(k);
            if (table.slow(k)) {
                anySlow = true;
                ++slow;
                continue;
            }
            curvepath::Step expected{};
            const QString error = errorOf([&] { expected = curvepath::subStep(f, weights[size_t(k)], wx.data(), wy.data(), s); });
            QVERIFY2(error.isEmpty(), qPrintable(at + QStringLiteral(": quick, yet subStep raises ") + error));
            QVERIFY2(table.px(k) == expected.px && table.py(k) == expected.py,
                     qPrintable(at + QStringLiteral(": %1,%2 against %3,%4")
                                         .arg(table.px(k)).arg(table.py(k)).arg(expected.px).arg(expected.py)));
            QCOMPARE(table.hidden(k) ? f.hiddenColor : f.color, expected.color);
            ++compared;
        }
        QCOMPARE(quick, !anySlow);
    }
    QVERIFY(compared > 0);
    // Only the shapes made for it leave the quick rounding.
    QCOMPARE(slow > 0, shape == 2 || shape == 3);
}

QTEST_MAIN(TestSubSteps)
#include "tst_substeps.moc"
