#pragma once

#include "chart/curvepath.h"

#include <vector>

// Every sub-step of a curve segment at once, for segments where most sub-steps land on a
// pixel of their own. Each value is the same expression as curvepath::subStep's, so the same
// double to the last bit, and the pixels are rounded and held to the plot rows as subStep
// rounds and holds them; the processor works out several sub-steps side by side.
namespace substeps {

// Sub-steps worked out side by side.
enum class Lanes { One = 1, Two = 2, Four = 4 };

// The most lanes this processor runs.
Lanes widest();

class Table
{
public:
    // Lanes the processor lacks are taken as the widest it has.
    explicit Table(const std::vector<chartgeom::Weights> &weights, Lanes lanes = widest());

    // Works out every sub-step of segment s (buffer entries s .. s + 3). False when some of
    // them need the checked rounding (a value not finite, or a pixel too far out): slow(k)
    // tells which, and curvepath::subStep raises what they meet.
    bool segment(const curvepath::Frame &f, const double *wx, const double *wy, int s);

    // Of sub-step k of the last segment; px, py and hidden only where slow(k) is false.
    qint64 px(qint64 k) const { return m_px[size_t(k)]; }
    qint64 py(qint64 k) const { return m_py[size_t(k)]; }
    bool hidden(qint64 k) const { return m_hidden[size_t(k)] != 0; }
    bool slow(qint64 k) const { return m_slow[size_t(k)] != 0; }
    // Whether any sub-step of the last segment that is not slow is hidden.
    bool anyHidden() const { return m_anyHidden; }
    // The pixels of all sub-steps of the last segment, for a segment without slow ones.
    const qint64 *pxs() const { return m_px.data(); }
    const qint64 *pys() const { return m_py.data(); }

    Lanes lanes() const { return m_lanes; }

private:
    std::vector<chartgeom::Weights> m_weights;
    Lanes m_lanes;
    // Per group of four sub-steps: w0 of each, then w1, w2 and w3 of each.
    std::vector<double> m_w;
    std::vector<qint64> m_px, m_py, m_hidden, m_slow;
    bool m_anyHidden = false;
};

}
