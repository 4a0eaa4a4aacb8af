#include "chart/curvepath.h"

#include "base/apperror.h"
#include "chart/fpcheck.h"

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
// A segment is drawn without bounds when it may cross a pixel every SteepFactor sub-steps.
constexpr double SteepFactor = 16;

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

// The sub-steps of a whole segment at once, in pairs the processor computes side by side:
// each value is the same expression as subStep's, so the same double to the last bit.
class SubStepTable
{
public:
    explicit SubStepTable(const std::vector<chartgeom::Weights> &weights)
    {
        const size_t pairs = (weights.size() + 1) / 2;
        m_w.resize(pairs * 4);
        for (size_t k = 0; k < weights.size(); ++k) {
            const chartgeom::Weights &w = weights[k];
            const double parts[4] = {w.w0, w.w1, w.w2, w.w3};
            for (int j = 0; j < 4; ++j)
                m_w[k / 2 * 4 + size_t(j)][k % 2] = parts[j];
        }
        m_x.resize(pairs);
        m_y.resize(pairs);
        m_u.resize(pairs);
        m_v.resize(pairs);
        m_pu.resize(pairs);
        m_pv.resize(pairs);
    }

    // Curve values and unrounded pixels of every sub-step of segment s.
    void segment(const Frame &f, const double *wx, const double *wy, int s)
    {
        const Pair x0 = splat(wx[s]), x1 = splat(wx[s + 1]), x2 = splat(wx[s + 2]), x3 = splat(wx[s + 3]);
        const Pair y0 = splat(wy[s]), y1 = splat(wy[s + 1]), y2 = splat(wy[s + 2]), y3 = splat(wy[s + 3]);
        const Pair xMin = splat(f.map.xMin), sx = splat(f.map.sx), left = splat(f.map.left);
        const Pair yMin = splat(f.map.yMin), sy = splat(f.map.sy), bottom = splat(f.map.bottom);
        const Pair magic = splat(6755399441055744.0);
        const size_t pairs = m_x.size();
        for (size_t p = 0; p < pairs; ++p) {
            const Pair *w = &m_w[p * 4];
            const Pair x = w[0] * x0 + w[1] * x1 + w[2] * x2 + w[3] * x3;
            const Pair y = w[0] * y0 + w[1] * y1 + w[2] * y2 + w[3] * y3;
            m_x[p] = x;
            m_y[p] = y;
            const Pair u = (x - xMin) * sx + left;
            const Pair v = bottom - (y - yMin) * sy;
            m_u[p] = u;
            m_v[p] = v;
            // fpcheck::roundEven's quick rounding, good where pixel() finds u and v in its range.
            m_pu[p] = (u + magic) - magic;
            m_pv[p] = (v + magic) - magic;
        }
    }

    // Pixel of sub-step k of the last segment, y held to the plot rows; false where it needs
    // the checked rounding (not finite, or too far out), which the caller then computes the
    // plain way.
    bool pixel(const Frame &f, qint64 k, qint64 *px, qint64 *py) const
    {
        const size_t p = size_t(k) / 2;
        const int lane = int(k % 2);
        const double u = m_u[p][lane], v = m_v[p][lane];
        constexpr double quick = 2251799813685248.0; // fpcheck::roundEven's quick range
        if (!(u > -quick && u < quick && v > -quick && v < quick))
            return false;
        qint64 y = static_cast<qint64>(m_pv[p][lane]);
        if (y >= f.bottom)
            y = f.bottom;
        if (y <= f.top)
            y = f.top;
        *px = static_cast<qint64>(m_pu[p][lane]);
        *py = y;
        return true;
    }
    int color(const Frame &f, qint64 k) const
    {
        return rangeColor(f, m_x[size_t(k) / 2][int(k % 2)], m_y[size_t(k) / 2][int(k % 2)]);
    }

private:
    typedef double Pair __attribute__((vector_size(16)));
    static Pair splat(double v) { return Pair{v, v}; }

    std::vector<Pair> m_w; // per pair of sub-steps: w0, w1, w2, w3
    std::vector<Pair> m_x, m_y, m_u, m_v;
    std::vector<Pair> m_pu, m_pv; // u and v rounded
};

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

    SubStepTable table(weights);

    std::vector<DrawSurface::Point> run;
    run.reserve(RunChunk);
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
        // A run goes out in pieces of a bounded size: a whole curve in one colour would
        // otherwise grow the buffer into fresh memory on every drawing.
        if (run.size() == RunChunk)
            flush();
    };

    try {
        for (int s = 0; s <= n - 2; ++s) {
            if (m > 0 && steep(f, wx, wy, s, m)) {
                table.segment(f, wx, wy, s);
                for (qint64 k = 0; k < m; ++k) {
                    qint64 px, py;
                    if (!table.pixel(f, k, &px, &py))
                        add(subStep(f, weights[size_t(k)], wx, wy, s)); // raises what it meets
                    // A step on the pen's pixel draws nothing, and the colour it leaves is
                    // replaced by the segment's end before anything reads it.
                    else if (px != pen.x || py != pen.y)
                        add(Step{px, py, table.color(f, k)});
                }
            } else if (m > 0) {
                SegmentWalker<decltype(add)> walker(f, weights, wx, wy, s, params, add);
                walker.walk(0, int(m) - 1);
            }
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
