#pragma once

#include "chartwin/columnvalues.h"
#include "chartwin/extremaindex.h"
#include "chartwin/readout.h"

#include <array>
#include <vector>

class Tkfdline;

// Fills charts with one view of the loaded columns: the rows whose X lies within the view's
// limits, each curve thinned again from every one of those rows, with the row just outside
// on either side so the lines run to the plot's edges.
namespace viewload {

// The indexes a load's columns get once, so each view costs about its own points.
class Indexes
{
public:
    // The values must stay where they are while the indexes are used.
    void build(const columnvalues::Column &x, const std::vector<const columnvalues::Column *> &curves);
    // The same columns grown (or cut back) with their first `kept` rows unchanged since the
    // indexes were built: costs the rows from `kept` on.
    void extend(const columnvalues::Column &x, const std::vector<const columnvalues::Column *> &curves, int kept);
    void clear();
    bool isBuilt() const { return m_built; }

    bool xRises() const { return m_rising; }
    const extremaindex::Index &x() const { return m_x; }
    const extremaindex::Index &curve(int k) const { return m_curves[size_t(k)]; }
    int curveCount() const { return int(m_curves.size()); }
    // Bytes held beside the column values.
    std::size_t bytes() const;

private:
    bool m_built = false;
    bool m_rising = true;
    extremaindex::Index m_x;
    std::vector<extremaindex::Index> m_curves;
};

struct Limits {
    double lower = 0;
    double upper = 0;
    int decimals = -1; // of the scale's labels; -1: worked out from the limits
};

struct Request {
    double xLower = 0;
    double xUpper = 0;
    bool xTime = false;
    std::array<bool, 8> yTime{};
    // Vertical scales: a mode of 1 to 3 fits them to the rows in view (widened as the mode
    // widens); otherwise they take `yLimits` (for every curve).
    int scaleMode = 2;
    std::array<Limits, 8> yLimits{};
    int maxPoints = 1000;
};

struct Shown {
    readout::PointRows pointRows;
    int firstRow = 0;    // first and last row in view; first > last when none is
    int lastRow = -1;
    int drawnRows = 0;   // the most points any curve got
    bool reduced = false;
};

Shown show(const std::vector<Tkfdline *> &charts, const Indexes &indexes, const Request &request);

}
