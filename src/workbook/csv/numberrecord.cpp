#include "workbook/csv/numberrecord.h"

#include "base/plainnumber.h"

namespace numberrecord {

bool read(const char *at, const char *end, char separator, bool commaMark, std::size_t width, double *values,
          const char **lineEnd)
{
    if (width == 0 || width > MaxWidth)
        return false;
    // Each number's end is found from its own digits: the field needs no scan of its own.
    const char *p = at;
    for (std::size_t c = 0;; ++c) {
        p = numtext::readPlainNumber(p, end, &values[c], commaMark);
        if (!p)
            return false;
        if (c + 1 == width)
            break;
        if (p == end || *p != separator)
            return false;
        ++p;
    }
    if (p < end && *p != '\n' && *p != '\r')
        return false;
    *lineEnd = p;
    return true;
}

}
