#pragma once

// The chart request of the chart tests' usual store: X in column 1, one Y curve in column 2,
// `rows` values under the name and unit items.
#include "chartwin/lineload.h"

namespace linerequest {

inline lineload::Request request(int rows, int mode = 1)
{
    lineload::Request r;
    r.xCol = 1;
    r.yCols = {2};
    r.lastRow = rows + 2;
    r.scaleMode = mode;
    return r;
}

}
