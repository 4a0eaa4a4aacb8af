#include "workbook/csv/spacealigned.h"

#include <algorithm>
#include <map>

namespace spacealigned {

namespace {
constexpr int SampleLines = 20;
}

bool nextLine(const char *&p, const char *end, std::vector<std::string> &fields)
{
    fields.clear();
    if (p >= end)
        return false;
    const char *lineEnd = p;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
        ++lineEnd;
    const char *q = p;
    while (q < lineEnd) {
        while (q < lineEnd && (*q == ' ' || *q == '\t'))
            ++q;
        const char *start = q;
        while (q < lineEnd && *q != ' ' && *q != '\t')
            ++q;
        if (q > start)
            fields.emplace_back(start, q);
    }
    p = lineEnd;
    if (p < end && *p == '\r')
        ++p;
    if (p < end && *p == '\n')
        ++p;
    return true;
}

bool looksAligned(const char *begin, const char *end)
{
    std::map<size_t, int> widths;
    std::vector<std::string> fields;
    int lines = 0;
    const char *p = begin;
    while (lines < SampleLines && nextLine(p, end, fields)) {
        if (fields.empty())
            continue;
        ++lines;
        ++widths[fields.size()];
    }
    if (lines == 0)
        return false;
    const auto best = std::max_element(widths.begin(), widths.end(),
                                       [](const auto &a, const auto &b) { return a.second < b.second; });
    return best->first >= 2 && best->second * 2 > lines;
}

}
