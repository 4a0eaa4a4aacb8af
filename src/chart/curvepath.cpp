#include "chart/curvepath.h"

#include "base/apperror.h"
#include "chart/fpcheck.h"
#include "chart/substeps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace curvepath {

namespace {

// One coordinate of a segment as a cubic in t: a + b t + c t^2 + d t^3, the same curve the
// weights give; mag bounds the size of the values involved, for rounding-error margins.
struct Cubic {
    double a, b, c, d, mag;

    Cubic(double p0, double p1, double p2, double p3)
        : a(p1), b(p2 - p0), c(4 * p0 - 10 * p1 + 8 * p2 - 2 * p3),
          d(-4 * p0 + 12 * p1 - 12 * p2 + 4 * p3),
          mag(std::fabs(p0) + std::fabs(p1) + std::fabs(p2) + std::fabs(p3)) {}

    double at(double t) const { return a + t * (b + t * (c + t * d)); }
    // Bound of |curvature| for 0 <= t <= tb.
    double bend(double tb) const { return 2 * std::fabs(c) + 6 * std::fabs(d) * tb; }

    // Range of the cubic over [ta, tb]: its chord widened by the most a curve of bounded
    // curvature can bulge from it, (tb - ta)^2 / 8 * max |X''|.
    void range(double ta, double tb, double *lo, double *hi) const
    {
        const double xa = at(ta);
        const double xb = at(tb);
        const double bulge = (tb - ta) * (tb - ta) / 8 * bend(tb);
        *lo = std::min(xa, xb) - bulge;
        *hi = std::max(xa, xb) + bulge;
    }
};

// Rounded ends of a pixel interval, widened far beyond any rounding error of the direct
// computation (which is a few units in the 16th digit). False when anything is not finite
// or too large to round quickly: the caller then computes each sub-step itself, so faults
// surface exactly where they would.
bool roundedRange(double u1, double u2, double margin, qint64 *lo, qint64 *hi)
{
    const double a = std::min(u1, u2) - margin;
    const double b = std::max(u1, u2) + margin;
    constexpr double limit = 1e15;
    if (!(a > -limit && b < limit))
        return false;
    *lo = fpcheck::roundEven(a); // in range: takes the quick path, cannot fault
    *hi = fpcheck::roundEven(b);
    return true;
}

// Below this many sub-steps a bound costs more than computing them.
constexpr int DirectRun = 4;
// A segment is drawn without bounds when it may cross a pixel every SteepFactor sub-steps:
// working out all sub-steps side by side beats bounding runs of them unless the segment
// stays within a pixel or two.
constexpr double SteepFactor = 64;

// Points of a run handed to the surface at once.
constexpr size_t RunChunk = 512;

// True when segment s (y held to the plot rows) may cross a pixel for every few sub-steps:
// then hardly any run of them shares a pixel, and bounding runs would only add to computing
// each one. Either way gives the same pixels; this only picks the quicker one.
bool steep(const Frame &f, const double *wx, const double *wy, int s, qint64 subSteps)
{
    const Cubic cx(wx[s], wx[s + 1], wx[s + 2], wx[s + 3]);
    const Cubic cy(wy[s], wy[s + 1], wy[s + 2], wy[s + 3]);
    double x1, x2, y1, y2;
    cx.range(0, 0.5, &x1, &x2);
    cy.range(0, 0.5, &y1, &y2);
    const chartgeom::ValueMap &map = f.map;
    const double top = double(f.top), bottom = double(f.bottom);
    const double xSpread = (x2 - x1) * std::fabs(map.sx);
    const double ySpread = std::clamp(map.bottom - (y1 - map.yMin) * map.sy, top, bottom)
                           - std::clamp(map.bottom - (y2 - map.yMin) * map.sy, top, bottom);
    return std::max(xSpread, std::fabs(ySpread)) * SteepFactor >= double(subSteps);
}

// Sub-steps of one segment, visited in order; runs of sub-steps that provably land on one
// pixel are reduced to their first one, the only one of them that can draw.
#ifndef LEAF
#define LEAF 16
#endif
template <typename Add>
class SegmentWalker
{
public:
    SegmentWalker(const Frame &f, const std::vector<chartgeom::Weights> &w, const double *wx,
                  const double *wy, int s, const std::vector<double> &t, Add &add)
        : m_f(f), m_w(w), m_wx(wx), m_wy(wy), m_s(s), m_t(t), m_add(add),
          m_x(wx[s], wx[s + 1], wx[s + 2], wx[s + 3]), m_y(wy[s], wy[s + 1], wy[s + 2], wy[s + 3])
    {
        m_marginX = 1e-7 * (1 + (m_x.mag + std::fabs(f.map.xMin)) * std::fabs(f.map.sx) + std::fabs(f.map.left));
        m_marginY = 1e-7 * (1 + (m_y.mag + std::fabs(f.map.yMin)) * std::fabs(f.map.sy) + std::fabs(f.map.bottom));
    }

    // Sub-steps first..last (indexes into the weights).
    void walk(int first, int last)
    {
        if (last - first < DirectRun) {
            for (int k = first; k <= last; ++k)
                m_add(subStep(m_f, m_w[k], m_wx, m_wy, m_s));
            return;
        }
        if (onePixel(first, last)) {
            m_add(subStep(m_f, m_w[first], m_wx, m_wy, m_s));
            return;
        }
        const int mid = first + (last - first) / 2;
        walk(first, mid);
        walk(mid + 1, last);
    }

private:
    qint64 holdY(qint64 py) const
    {
        if (py >= m_f.bottom)
            py = m_f.bottom;
        if (py <= m_f.top)
            py = m_f.top;
        return py;
    }

    bool onePixel(int first, int last) const
    {
        const double ta = m_t[first];
        const double tb = m_t[last];
        double x1, x2, y1, y2;
        m_x.range(ta, tb, &x1, &x2);
        m_y.range(ta, tb, &y1, &y2);
        const chartgeom::ValueMap &map = m_f.map;
        qint64 xlo, xhi, ylo, yhi;
        if (!roundedRange((x1 - map.xMin) * map.sx + map.left, (x2 - map.xMin) * map.sx + map.left,
                          m_marginX, &xlo, &xhi) || xlo != xhi)
            return false;
        if (!roundedRange(map.bottom - (y1 - map.yMin) * map.sy, map.bottom - (y2 - map.yMin) * map.sy,
                          m_marginY, &ylo, &yhi))
            return false;
        // Holding y to the plot rows is monotonic, so equal ends mean one row throughout.
        return holdY(ylo) == holdY(yhi);
    }

    const Frame &m_f;
    const std::vector<chartgeom::Weights> &m_w;
    const double *m_wx;
    const double *m_wy;
    int m_s;
    const std::vector<double> &m_t;
    Add &m_add;
    Cubic m_x, m_y;
    double m_marginX = 0, m_marginY = 0;
};

// The points of a line on their way to the surface: runs of one colour go out as one
// polyline, in pieces of a bounded size (a whole curve in one colour would otherwise grow a
// buffer into fresh memory on every drawing).
class RunBuffer
{
public:
    explicit RunBuffer(DrawSurface &surface) : m_surface(surface), m_pen(surface.penPos()) {}

    // Where the line has got to: the last point added.
    const DrawSurface::Point &pen() const { return m_pen; }

    void add(qint64 px, qint64 py, int color)
    {
        if (m_count > 0 && color != m_color)
            flush();
        m_color = color;
        m_pen = {px, py};
        m_points[m_count++] = m_pen;
        if (m_count == RunChunk)
            flush();
    }

    // Points in one colour, each either on the one before it (which draws nothing and is
    // passed over) or a point of the line; without a branch on which it is.
    void addSteps(const qint64 *xs, const qint64 *ys, size_t n, int color)
    {
        if (m_count > 0 && color != m_color)
            flush();
        m_color = color;
        size_t k = 0;
        while (k < n) {
            // Room for every point of this round, so the writes stay in the buffer.
            const size_t end = std::min(n, k + (RunChunk - m_count));
            qint64 x0 = m_pen.x, y0 = m_pen.y;
            size_t count = m_count;
            for (; k < end; ++k) {
                const qint64 x = xs[k], y = ys[k];
                m_points[count] = {x, y};
                count += size_t((x != x0) | (y != y0));
                x0 = x;
                y0 = y;
            }
            m_count = count;
            m_pen = {x0, y0};
            if (m_count == RunChunk)
                flush();
        }
    }

    void flush()
    {
        if (m_count == 0)
            return;
        m_surface.setPenColor(m_color);
        m_surface.polylineTo(m_points, int(m_count));
        m_count = 0;
    }

private:
    DrawSurface &m_surface;
    DrawSurface::Point m_pen;
    int m_color = 0;
    size_t m_count = 0;
    DrawSurface::Point m_points[RunChunk];
};

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
    std::vector<double> params;
    weights.reserve(size_t(std::max<qint64>(m, 0)));
    params.reserve(size_t(std::max<qint64>(m, 0)));
    for (qint64 k = 1; k <= m; ++k) {
        params.push_back(chartgeom::subStepParam(k, f.plotHeight));
        weights.push_back(chartgeom::catmullWeights(params.back()));
    }

    substeps::Table table(weights);

    RunBuffer run(surface);
    int lastColor = surface.penColor();
    auto add = [&](const Step &step) {
        lastColor = step.color;
        // A line that starts and ends on one pixel sets none.
        if (step.px != run.pen().x || step.py != run.pen().y)
            run.add(step.px, step.py, step.color);
    };

    try {
        for (int s = 0; s <= n - 2; ++s) {
            if (m > 0 && steep(f, wx, wy, s, m)) {
                const bool quick = table.segment(f, wx, wy, s);
                if (quick && !table.anyHidden()) {
                    run.addSteps(table.pxs(), table.pys(), size_t(m), f.color);
                } else {
                    for (qint64 k = 0; k < m; ++k) {
                        if (!quick && table.slow(k)) {
                            add(subStep(f, weights[size_t(k)], wx, wy, s)); // raises what it meets
                            continue;
                        }
                        // A step on the pen's pixel draws nothing, and the colour it leaves is
                        // replaced by the segment's end before anything reads it.
                        const qint64 px = table.px(k), py = table.py(k);
                        if (px != run.pen().x || py != run.pen().y)
                            run.add(px, py, table.hidden(k) ? f.hiddenColor : f.color);
                    }
                }
            } else if (m > 0) {
                SegmentWalker<decltype(add)> walker(f, weights, wx, wy, s, params, add);
                walker.walk(0, int(m) - 1);
            }
            add(segmentEnd(f, wx, wy, s));
        }
    } catch (...) {
        // A fault stops the line where it occurs; what came before it stays drawn.
        run.flush();
        throw;
    }
    run.flush();
    surface.setPenColor(lastColor);
}

}
