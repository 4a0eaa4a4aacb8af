#include "chart/curvepath.h"

#include "app/apperror.h"

#include <vector>

namespace curvepath {

int rangeColor(const Frame &f, double x, double y)
{
    if (x < f.xMin || x > f.xMax || y < f.yMin || y > f.yMax)
        return f.hiddenColor;
    return f.color;
}

Step subStep(const Frame &f, const chartgeom::Weights &w, const double *wx, const double *wy, int s)
{
    const double x = chartgeom::blend(w, wx[s], wx[s + 1], wx[s + 2], wx[s + 3]);
    const double y = chartgeom::blend(w, wy[s], wy[s + 1], wy[s + 2], wy[s + 3]);
    const int color = rangeColor(f, x, y);
    const qint64 px = f.map.px(x);
    qint64 py = f.map.py(y);
    if (py >= f.bottom)
        py = f.bottom;
    if (py <= f.top)
        py = f.top;
    return {px, py, color};
}

Step segmentEnd(const Frame &f, const double *wx, const double *wy, int s)
{
    const double x = wx[s + 2];
    const double y = wy[s + 2];
    const int color = rangeColor(f, x, y);
    return {f.map.px(x), f.map.py(y), color};
}

void drawLine(DrawSurface &surface, const Frame &f, const double *wx, const double *wy, int n)
{
    surface.moveTo(f.map.px(wx[1]), f.map.py(wy[1]));
    if (n <= 1)
        return;
    const qint64 m = chartgeom::subStepCount(f.plotHeight);
    // The step parameter divides by the plot height even when there are no sub-steps.
    chartgeom::subStepParam(1, f.plotHeight);
    if (m > MaxSubSteps)
        throw AppError(QStringLiteral("The chart is too large to draw"));

    std::vector<chartgeom::Weights> weights;
    weights.reserve(size_t(std::max<qint64>(m, 0)));
    for (qint64 k = 1; k <= m; ++k)
        weights.push_back(chartgeom::catmullWeights(chartgeom::subStepParam(k, f.plotHeight)));

    std::vector<DrawSurface::Point> run;
    run.reserve(256);
    DrawSurface::Point pen = surface.penPos();
    int runColor = 0;
    int lastColor = surface.penColor();
    auto flush = [&] {
        if (run.empty())
            return;
        surface.setPenColor(runColor);
        surface.polylineTo(run.data(), int(run.size()));
        run.clear();
    };
    auto add = [&](const Step &step) {
        lastColor = step.color;
        // A line that starts and ends on one pixel sets none.
        if (step.px == pen.x && step.py == pen.y)
            return;
        if (!run.empty() && step.color != runColor)
            flush();
        runColor = step.color;
        pen = {step.px, step.py};
        run.push_back(pen);
    };

    try {
        for (int s = 0; s <= n - 2; ++s) {
            for (const chartgeom::Weights &w : weights)
                add(subStep(f, w, wx, wy, s));
            add(segmentEnd(f, wx, wy, s));
        }
    } catch (...) {
        // A fault stops the line where it occurs; what came before it stays drawn.
        flush();
        throw;
    }
    flush();
    surface.setPenColor(lastColor);
}

}
