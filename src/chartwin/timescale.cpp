#include "chartwin/timescale.h"

#include "base/numtext.h"
#include "base/timetext.h"

#include <algorithm>
#include <cmath>

namespace timescale {

namespace {

constexpr qint64 SecondsPerDay = 86400;
constexpr int MaxDigits = 6;
constexpr qint64 Powers[MaxDigits + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000};
// 0001-01-01 and 10000-01-01 in seconds from 1970.
constexpr double FirstSecond = -62135596800.0;
constexpr double EndSecond = 253402300800.0;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The time split into whole seconds and the rest in units of 10^-digits seconds, rounded
// to nearest with ties to even.
struct Split {
    qint64 seconds = 0;
    qint64 fraction = 0;
};

bool split(double value, int digits, Split *out)
{
    if (!std::isfinite(value) || value < FirstSecond || value >= EndSecond)
        return false;
    const qint64 units = qint64(std::nearbyint(value * double(Powers[digits])));
    out->seconds = floorDiv(units, Powers[digits]);
    out->fraction = units - out->seconds * Powers[digits];
    return true;
}

QString two(qint64 v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

QString fractionText(qint64 fraction, int digits, bool trim)
{
    if (digits == 0)
        return QString();
    QString text = QString::number(fraction).rightJustified(digits, QLatin1Char('0'));
    if (trim) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.isEmpty())
            return QString();
    }
    return QLatin1Char('.') + text;
}

QString dateText(qint64 days)
{
    int year = 0, month = 0, day = 0;
    timetext::civilFromDays(days, &year, &month, &day);
    return QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
}

// h:mm:ss of the time of day (dated) or of a count of seconds that may pass a day.
QString clockText(qint64 seconds, bool dated)
{
    if (dated)
        seconds -= floorDiv(seconds, SecondsPerDay) * SecondsPerDay;
    return QString::number(seconds / 3600) + QLatin1Char(':') + two(seconds / 60 % 60) + QLatin1Char(':')
           + two(seconds % 60);
}

// An undated time: the sign, then the magnitude's hours, minutes and seconds; no sign for
// what rounds to zero.
QString undatedText(double seconds, int digits, bool trim)
{
    Split s;
    if (!split(std::fabs(seconds), digits, &s))
        return numtext::formatGeneral(seconds);
    const bool negative = seconds < 0 && (s.seconds > 0 || s.fraction > 0);
    return (negative ? QStringLiteral("-") : QString()) + clockText(s.seconds, false)
           + fractionText(s.fraction, digits, trim);
}

// A label in full, and without the leading fields (the minute of a time with decimals, the
// day of a month-day-time, the year of a date) for when its left neighbour shares them.
struct LabelParts {
    bool valid = false;
    QString fullText;
    QString shortText; // empty: never shortened
    qint64 leading = 0;
};

LabelParts labelParts(double seconds, const Labels &labels, bool dated)
{
    LabelParts out;
    const int digits = labels.form == Form::TimeOfDay ? std::clamp(labels.fractionDigits, 0, MaxDigits) : 0;
    const bool clock = !dated || labels.form == Form::TimeOfDay;
    Split s;
    if (!split(clock && !dated ? std::fabs(seconds) : seconds, digits, &s)) {
        out.fullText = numtext::formatGeneral(seconds);
        return out;
    }
    out.valid = true;
    if (clock) {
        out.fullText = dated ? clockText(s.seconds, true) + fractionText(s.fraction, digits, false)
                             : undatedText(seconds, digits, false);
        if (digits > 0) {
            const qint64 ofMinute = s.seconds - floorDiv(s.seconds, 60) * 60;
            out.shortText = two(ofMinute) + fractionText(s.fraction, digits, false);
            // An undated time below zero counts its minutes on the other side of zero.
            const bool negative = !dated && seconds < 0;
            out.leading = negative ? -(s.seconds / 60) - 1 : floorDiv(s.seconds, 60);
        }
        return out;
    }
    int year = 0, month = 0, day = 0;
    if (labels.form == Form::Date) {
        timetext::civilFromDays(floorDiv(s.seconds, SecondsPerDay), &year, &month, &day);
        out.fullText = QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
        out.shortText = QStringLiteral("%1-%2").arg(month).arg(day);
        out.leading = year;
        return out;
    }
    // Month, day and time, rounded to the minute.
    const qint64 minutes = floorDiv(s.seconds + 30, 60);
    const qint64 days = floorDiv(minutes, 24 * 60);
    timetext::civilFromDays(days, &year, &month, &day);
    const qint64 ofDay = minutes - days * 24 * 60;
    out.shortText = QStringLiteral("%1:%2").arg(ofDay / 60).arg(two(ofDay % 60));
    out.fullText = QStringLiteral("%1-%2 ").arg(month).arg(day) + out.shortText;
    out.leading = days;
    return out;
}

class TimeScaleText : public kfdline::ScaleText
{
public:
    explicit TimeScaleText(bool dated) : m_dated(dated) {}
    QString label(double value, double lower, double upper) const override
    {
        // The first tick is written in full; the others leave out what their left
        // neighbour already says, so that long labels do not run into each other.
        const double step = (upper - lower) / 10;
        const double previous = value - step;
        const bool first = !(std::fabs(value - lower) > std::fabs(step) / 2);
        return labelText(value, labelsFor(lower, upper, m_dated), m_dated, first ? nullptr : &previous);
    }
    QString value(double value) const override { return fullText(value, m_dated); }

private:
    bool m_dated;
};

}

Labels labelsFor(double lower, double upper, bool dated)
{
    Labels labels;
    const double span = std::fabs(upper - lower);
    if (dated && span >= 10 * SecondsPerDay) {
        labels.form = Form::Date;
        return labels;
    }
    if (dated && span >= SecondsPerDay) {
        labels.form = Form::MonthDayTime;
        return labels;
    }
    const double step = span / 10;
    if (step > 0 && step < 1) {
        // Times near 2e9 s keep only about seven digits of a millisecond: the allowance keeps
        // a step of 1 ms computed from them from asking for a fourth digit.
        const double digits = std::ceil(-std::log10(step) - 0.01);
        labels.fractionDigits = int(std::clamp(digits, 1.0, double(MaxDigits)));
    }
    return labels;
}

QString labelText(double seconds, const Labels &labels, bool dated, const double *previous)
{
    const LabelParts parts = labelParts(seconds, labels, dated);
    if (!previous || parts.shortText.isEmpty())
        return parts.fullText;
    const LabelParts before = labelParts(*previous, labels, dated);
    return before.valid && before.leading == parts.leading ? parts.shortText : parts.fullText;
}

QString fullText(double seconds, bool dated)
{
    if (!dated)
        return undatedText(seconds, MaxDigits, true);
    Split s;
    if (!split(seconds, MaxDigits, &s))
        return numtext::formatGeneral(seconds);
    return dateText(floorDiv(s.seconds, SecondsPerDay)) + QLatin1Char(' ') + clockText(s.seconds, true)
           + fractionText(s.fraction, MaxDigits, true);
}

std::shared_ptr<const kfdline::ScaleText> scaleText(bool dated)
{
    return std::make_shared<TimeScaleText>(dated);
}

}
