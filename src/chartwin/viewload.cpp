#include "chartwin/viewload.h"

#include "chart/kfdline.h"
#include "chartwin/lineload.h"
#include "chartwin/viewrows.h"

#include <algorithm>

namespace viewload {

void Indexes::build(const columnvalues::Column &x, const std::vector<const columnvalues::Column *> &curves)
{
    const int rows = int(x.values.size());
    m_x = extremaindex::Index(x.values.data(), rows, x.gapRows);
    m_rising = viewrows::rises(m_x);
    m_curves.clear();
    m_curves.reserve(curves.size());
    for (const columnvalues::Column *curve : curves) {
        // A curve draws the rows where both its X and its own item hold a reading.
        std::vector<int> gaps = x.gapRows;
        gaps.insert(gaps.end(), curve->gapRows.begin(), curve->gapRows.end());
        m_curves.emplace_back(curve->values.data(), std::min(rows, int(curve->values.size())), std::move(gaps));
    }
    m_built = true;
}

namespace {

std::vector<int> gapsFrom(const std::vector<int> &gaps, int kept)
{
    return std::vector<int>(std::lower_bound(gaps.begin(), gaps.end(), kept), gaps.end());
}

}

void Indexes::extend(const columnvalues::Column &x, const std::vector<const columnvalues::Column *> &curves, int kept)
{
    const int rows = int(x.values.size());
    if (!m_built || curves.size() != m_curves.size() || kept <= 0) {
        build(x, curves);
        return;
    }
    const int before = m_x.rows();
    kept = std::min({kept, rows, before});
    const std::vector<int> xGaps = gapsFrom(x.gapRows, kept);
    m_x.extend(x.values.data(), kept, rows, xGaps);
    if (m_rising) {
        // Rising still when the rows from `kept` on rise from the last reading before them.
        int row = m_x.rowOfReading(m_x.readingsBefore(kept) - 1);
        double previous = row >= 0 ? x.values[size_t(row)] : 0;
        bool started = row >= 0;
        auto gap = xGaps.begin();
        for (row = kept; row < rows && m_rising; ++row) {
            if (gap != xGaps.end() && *gap == row) {
                ++gap;
                continue;
            }
            m_rising = !started || x.values[size_t(row)] >= previous;
            previous = x.values[size_t(row)];
            started = true;
        }
    } else if (kept < before) {
        // Rows taken back may have been the only ones that fell.
        m_rising = viewrows::rises(m_x);
    }
    for (size_t k = 0; k < curves.size(); ++k) {
        std::vector<int> gaps = xGaps;
        const std::vector<int> own = gapsFrom(curves[k]->gapRows, kept);
        gaps.insert(gaps.end(), own.begin(), own.end());
        m_curves[k].extend(curves[k]->values.data(), kept, std::min(rows, int(curves[k]->values.size())), gaps);
    }
}

void Indexes::clear()
{
    *this = Indexes();
}

std::size_t Indexes::bytes() const
{
    std::size_t total = m_x.bytes();
    for (const extremaindex::Index &curve : m_curves)
        total += curve.bytes();
    return total;
}

Shown show(const std::vector<Tkfdline *> &charts, const Indexes &indexes, const Request &request)
{
    Shown shown;
    const std::vector<viewrows::Run> inView =
        viewrows::rowsInView(indexes.x(), indexes.xRises(), request.xLower, request.xUpper);
    if (!inView.empty()) {
        shown.firstRow = inView.front().first;
        shown.lastRow = inView.back().last;
    }
    const std::vector<viewrows::Run> drawn = viewrows::withNeighbours(inView, indexes.x().rows());

    const int xDecimals = lineload::scaleDecimals(request.xLower, request.xUpper, request.xTime);
    for (Tkfdline *chart : charts) {
        chart->xAxis.lower = request.xLower;
        chart->xAxis.upper = request.xUpper;
        chart->xAxis.decimals = xDecimals;
    }
    const bool fit = request.scaleMode >= 1 && request.scaleMode <= 3;
    for (int k = 0; k < indexes.curveCount() && k < kfdline::MaxCurves; ++k) {
        const extremaindex::Index &curve = indexes.curve(k);
        Limits limits = request.yLimits[size_t(k)];
        if (fit) {
            const extremaindex::Extremes e = viewrows::extremesOver(curve, inView);
            // With nothing in view the scale stays as it was.
            if (!e.isEmpty()) {
                limits = Limits{curve.values()[e.low], curve.values()[e.high]};
                lineload::widen(request.scaleMode, &limits.lower, &limits.upper);
            } else if (!charts.empty()) {
                const kfdline::Tline &was = charts.front()->curves[k];
                limits = Limits{was.lower, was.upper, was.decimals};
            }
        }
        const int decimals = limits.decimals >= 0
                                 ? limits.decimals
                                 : lineload::scaleDecimals(limits.lower, limits.upper, request.yTime[size_t(k)]);
        const viewrows::Points points = viewrows::curvePoints(curve, drawn, request.maxPoints);
        for (Tkfdline *chart : charts) {
            chart->curves[k].lower = limits.lower;
            chart->curves[k].upper = limits.upper;
            chart->curves[k].decimals = decimals;
            chart->ClearCurve(k);
            for (size_t p = 0; p < points.rows.size(); ++p) {
                const int row = points.rows[p];
                chart->AddPoint(k, indexes.x().values()[row], curve.values()[row], points.starts[p] != 0);
            }
        }
        shown.reduced = shown.reduced || points.reduced;
        shown.drawnRows = std::max(shown.drawnRows, int(points.rows.size()));
        shown.pointRows[size_t(k)] = points.rows;
    }
    return shown;
}

}
