#pragma once

// The answer an extremes index must give, by a plain scan: the first rows of the smallest
// and largest reading of rows first..last, leaving out the rows in `gaps` (sorted).
#include "chartwin/extremaindex.h"

#include <algorithm>
#include <vector>

namespace plainextremes {

inline extremaindex::Extremes scan(const std::vector<double> &v, const std::vector<int> &gaps, int first, int last)
{
    extremaindex::Extremes e;
    for (int r = first; r <= last; ++r) {
        if (std::binary_search(gaps.begin(), gaps.end(), r))
            continue;
        if (e.low < 0)
            e.low = e.high = r;
        if (v[size_t(r)] < v[size_t(e.low)])
            e.low = r;
        if (v[size_t(r)] > v[size_t(e.high)])
            e.high = r;
    }
    return e;
}

}
