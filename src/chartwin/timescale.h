#pragma once

#include "chart/scaletext.h"

#include <QString>

#include <memory>

// Scales of time values in seconds (timetext.h): dated ones count from 1970-01-01 00:00,
// undated ones are times of day. Labels take the form the span of the scale needs.
namespace timescale {

enum class Form {
    TimeOfDay,    // h:mm:ss, with a fraction of the second where the steps need it
    MonthDayTime, // m-d h:mm
    Date,         // y-m-d
};

struct Labels {
    Form form = Form::TimeOfDay;
    int fractionDigits = 0; // 0..6, time of day only
};

// Under a day: times of day, with as many decimals of the second as a tenth of the span
// needs; under ten days: month, day and time; beyond: the date. An undated scale always
// shows times of day.
Labels labelsFor(double lower, double upper, bool dated);

// One label. An undated time counts its hours on past 24 and below 0 ("25:00:00",
// "-0:30:00"), so a widened scale does not wrap round. A value beyond the years 1 to 9999
// is written as a plain number. With the value of the tick to its left, the fields both
// share are left out: "00.126" after "10:00:00.125", "14:48" after "12-8 10:00", "1-17"
// after "2027-1-7"; times of day without decimals are always written whole.
QString labelText(double seconds, const Labels &labels, bool dated, const double *previous = nullptr);

// A value in full: "2026-12-8 10:00:00.125" or "10:00:00.125", to the microsecond without
// trailing zeros; parse() of timetext reads it back.
QString fullText(double seconds, bool dated);

// The scale text of a time scale; its labels take the form of the scale's span.
std::shared_ptr<const kfdline::ScaleText> scaleText(bool dated);

}
