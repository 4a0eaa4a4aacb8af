#pragma once

class Tkfdline;

// The two measuring cursors A and B as X values, and where they stand on a drawn chart.
namespace measurecursors {

enum class Which { None, A, B };

struct Cursors {
    bool hasA = false, hasB = false;
    double a = 0, b = 0;

    bool complete() const { return hasA && hasB; }
    // Where a click puts a cursor: A first, then B; once both stand, the nearer one moves
    // (A when both are as near). Returns the one moved.
    Which place(double x);
    void set(Which which, double x);
    void clear() { *this = Cursors(); }
};

// The plot area of a chart as last drawn, in its drawing pixels, and its X scale.
struct Plot {
    double left = 0, right = 0, top = 0, bottom = 0;
    double lower = 0, upper = 0;
    // False before a drawing, or with an X scale of no width: no cursor can stand on it.
    bool valid() const;
    bool contains(double px, double py) const;
    // The X value at a pixel column (kept to the plot's sides), and the column of a value.
    double xAt(double px) const;
    double pixelOf(double x) const;
    // Where a cursor put at a pixel column stands: its X rounded to the power of ten below
    // the X one pixel spans, so the cursor's figures carry no more digits than the pointer
    // can choose (4.00179 becomes 4 when a pixel spans 0.03).
    double cursorAt(double px) const;
};

// The chart's current X scale: once it shows only a stretch, the cursors map through that.
Plot plotOf(const Tkfdline &chart);

}
