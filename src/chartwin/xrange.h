#pragma once

#include <QString>

// A stretch of X written by a person: "A..B", or "A:B" where only one colon can split it
// ("08:45:00:08:46:00" can: there the colon that leaves two times). A and B are numbers,
// or, on a time column, times in the column's own form: times of day on a column of times
// of day, dates with times on a dated one (numbers there count seconds, as the column's
// values do). A must lie before B.
namespace xrange {

struct Form {
    bool time = false;  // the X column holds times (values in seconds)
    bool dated = false; // its times carry dates
};

struct Range {
    double lower = 0;
    double upper = 0;
};

// False with a message saying what is wrong; *range is then unchanged.
bool parse(const QString &text, Form form, Range *range, QString *error);

}
