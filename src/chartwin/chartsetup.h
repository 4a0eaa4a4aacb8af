#pragma once

#include "base/lineset.h"
#include "settings/chartsettings.h"

#include <array>

class Tkfdline;

// How the chart window dresses its two charts, shared with the batch tool so both draw the
// same picture from the same settings.
namespace chartsetup {

// Top margins: room for title and names on screen, the title is a label above on paper.
constexpr int ScreenMarginTop = 120;
constexpr int PrintedMarginTop = 45;

// The chart window's screen chart: 817 x 529 at (8, 8), scale texts at 8 points, with its
// stored bitmap of the same size. (The printed chart is set up by ChartPage.)
void setUpScreenChart(Tkfdline &screen);

// Margins, colours and (on the screen chart only) the title.
void applyAppearance(Tkfdline &screen, Tkfdline &printed, const mainunit::Tline &set);

// Colours, background and grid of the record into one chart.
void applyColours(Tkfdline &chart, const mainunit::Tline &set);

// Point markers and free-text positions of the screen chart; the printed chart has none.
void applyScreenMarkers(Tkfdline &screen);

}
