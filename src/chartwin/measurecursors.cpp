#include "chartwin/measurecursors.h"

#include "chart/kfdline.h"

#include <algorithm>
#include <cmath>

namespace measurecursors {

Which Cursors::place(double x)
{
    Which which = Which::A;
    if (hasA && !hasB)
        which = Which::B;
    else if (hasA && hasB && std::fabs(x - b) < std::fabs(x - a))
        which = Which::B;
    set(which, x);
    return which;
}

void Cursors::set(Which which, double x)
{
    if (which == Which::A) {
        a = x;
        hasA = true;
    } else if (which == Which::B) {
        b = x;
        hasB = true;
    }
}

bool Plot::valid() const
{
    const double span = upper - lower;
    return right > left && bottom > top && std::isfinite(span) && span != 0;
}

bool Plot::contains(double px, double py) const
{
    return valid() && px >= left && px <= right && py >= top && py <= bottom;
}

double Plot::xAt(double px) const
{
    const double t = (std::clamp(px, left, right) - left) / (right - left);
    return lower + t * (upper - lower);
}

double Plot::pixelOf(double x) const
{
    return left + (x - lower) * (right - left) / (upper - lower);
}

double Plot::cursorAt(double px) const
{
    const double x = xAt(px);
    const double pixel = std::fabs(upper - lower) / (right - left);
    if (!(pixel > 0) || !std::isfinite(pixel))
        return x;
    const double step = std::pow(10.0, std::floor(std::log10(pixel)));
    const double snapped = std::round(x / step) * step;
    // Rounding may not leave the scale.
    return std::clamp(snapped, std::min(lower, upper), std::max(lower, upper));
}

Plot plotOf(const Tkfdline &chart)
{
    Plot p;
    // As the read-out places the chart's points: the margins of the last drawing.
    if (!chart.hasPicture())
        return p;
    p.left = chart.marginLeft;
    p.right = double(chart.Width) - chart.marginRight;
    p.top = chart.marginTop;
    p.bottom = double(chart.Height) - chart.marginBottom;
    p.lower = chart.xAxis.lower;
    p.upper = chart.xAxis.upper;
    return p;
}

}
