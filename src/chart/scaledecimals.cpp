#include "chart/scaledecimals.h"

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/formatvalue.h"

#include <QString>

#include <cmath>

namespace scaledecimals {

namespace {

enum class Labels { Apart, Repeated, Unwritable };

Labels labels(double lower, double upper, int decimals)
{
    const auto &ticks = chartgeom::tickRow(chartgeom::TickIntervals);
    QString previous;
    bool repeated = false;
    for (int j = 0; j <= chartgeom::TickIntervals; ++j) {
        // The value each label of the scale shows, as the chart works it out.
        const double value = lower + (upper - lower) / 10 * ticks[size_t(j)];
        QString text;
        try {
            text = kfdline::FormatValue(value, decimals);
        } catch (const AppError &) {
            return Labels::Unwritable; // too large to round with these decimals
        }
        if (j > 0 && text == previous)
            repeated = true;
        previous = text;
    }
    return repeated ? Labels::Repeated : Labels::Apart;
}

}

int distinct(double lower, double upper, int decimals)
{
    if (!(upper != lower) || !std::isfinite(upper - lower) || decimals >= 5)
        return decimals;
    if (labels(lower, upper, decimals) != Labels::Repeated)
        return decimals;
    int best = decimals;
    for (int d = decimals + 1; d <= 5; ++d) {
        const Labels l = labels(lower, upper, d);
        if (l == Labels::Unwritable)
            break;
        best = d;
        if (l == Labels::Apart)
            break;
    }
    return best;
}

}
