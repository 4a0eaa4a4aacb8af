#pragma once

// Digits after the point that keep a number scale's labels apart.
namespace scaledecimals {

// The fewest decimals from `decimals` up to 5 under which no two neighbouring labels of a
// scale from lower to upper read the same (labels at the ticks the chart draws). `decimals`
// itself when its labels already differ, when the scale has no span, or when no count up
// to 5 parts them (a span far too small next to the values).
int distinct(double lower, double upper, int decimals);

}
