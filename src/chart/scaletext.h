#pragma once

#include <QString>

namespace kfdline {

// How a scale writes values that are not plain numbers, such as times. Whoever loads a
// chart chooses it; the chart only asks it for its label texts.
class ScaleText
{
public:
    virtual ~ScaleText() = default;
    // A label of a scale from lower to upper (its form may follow the span).
    virtual QString label(double value, double lower, double upper) const = 0;
    // One value in full, for a read-out or an edit box.
    virtual QString value(double value) const = 0;
};

}
