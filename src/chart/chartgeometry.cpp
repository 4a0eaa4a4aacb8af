#include "chart/chartgeometry.h"

#include "chart/fpcheck.h"

namespace chartgeom {

ScaleLayout scaleLayout(int shownCount, qint64 spacing, qint64 marginLeft, qint64 marginRight)
{
    // Scales alternate left and right of the plot, the left side taking the odd one.
    static const int slotTable[MaxCurves + 1][MaxCurves] = {
        {},
        {0},
        {0, 10},
        {0, -1, 10},
        {0, -1, 10, 11},
        {0, -1, -2, 10, 11},
        {0, -1, -2, 10, 11, 12},
        {0, -1, -2, -3, 10, 11, 12},
        {0, -1, -2, -3, 10, 11, 12, 13},
    };
    ScaleLayout layout;
    layout.slotOf.fill(NoSlot);
    layout.marginLeft = marginLeft;
    layout.marginRight = marginRight;
    if (shownCount <= 0 || shownCount > MaxCurves)
        return layout;
    int leftScales = 0;
    int rightScales = 0;
    for (int i = 0; i < shownCount; ++i) {
        layout.slotOf[i] = slotTable[shownCount][i];
        if (layout.slotOf[i] < 9)
            ++leftScales;
        else
            ++rightScales;
    }
    layout.marginLeft = leftScales * spacing;
    // A single curve needs only room for the last X label on the right.
    layout.marginRight = rightScales == 0 ? spacing / 2 : rightScales * spacing;
    return layout;
}

qint64 slotX(int slot, qint64 spacing, qint64 marginLeft, qint64 plotRight)
{
    if (slot < 9)
        return marginLeft + slot * spacing;
    return plotRight + qint64(slot - 10) * spacing;
}

double gridStep(qint64 plotSize)
{
    return double(plotSize - 1) / GridDivisions / GridSubdivisions;
}

qint64 gridLine(int k, double step, qint64 origin)
{
    return fpcheck::roundEven(k * step) + origin;
}

const std::array<double, 11> &tickRow(int intervals)
{
    static const std::array<double, 11> table[9] = {
        {0, 5, 10},
        {0, 3.333, 6.667, 10},
        {0, 2.5, 5, 7.5, 10},
        {0, 2, 4, 6, 8, 10},
        {0, 1.667, 3.333, 5, 6.667, 8.333, 10},
        {0, 1.429, 2.857, 4.286, 5.714, 7.143, 8.571, 10},
        {0, 1.25, 2.5, 3.75, 5, 6.25, 7.5, 8.75, 10},
        {0, 1.111, 2.222, 3.333, 4.444, 5.556, 6.667, 7.778, 8.889, 10},
        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
    };
    const int row = qBound(2, intervals, 10) - 2;
    return table[row];
}

qint64 subStepCount(qint64 plotHeight)
{
    return fpcheck::roundEven(double(plotHeight) / 4);
}

double subStepParam(qint64 k, qint64 plotHeight)
{
    const double h = fpcheck::divide(0.5, double(plotHeight));
    return double(k) * h * 4;
}

Weights catmullWeights(double t)
{
    const double t2 = t * t;
    const double t3 = t2 * t;
    return {4 * t2 - t - 4 * t3,
            1 - 10 * t2 + 12 * t3,
            t + 8 * t2 - 12 * t3,
            4 * t3 - 2 * t2};
}

ValueMap makeValueMap(qint64 plotWidth, qint64 plotHeight, qint64 marginLeft, qint64 bottom,
                      double xMin, double xMax, double yMin, double yMax)
{
    ValueMap map;
    map.xMin = xMin;
    map.yMin = yMin;
    map.sx = fpcheck::divide(double(plotWidth), fpcheck::finite(xMax - xMin));
    map.sy = fpcheck::divide(double(plotHeight), fpcheck::finite(yMax - yMin));
    map.left = double(marginLeft);
    map.bottom = double(bottom);
    return map;
}

}
