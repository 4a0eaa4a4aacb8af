#include "base/timetext.h"

namespace timetext {

namespace {

constexpr int SecondsPerDay = 86400;

// A cursor over the text; every reader moves on only when it matched.
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    qsizetype position() const { return m_pos; }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    bool take(char c)
    {
        if (peek() != QLatin1Char(c))
            return false;
        ++m_pos;
        return true;
    }
    void skipBlanks()
    {
        while (peek() == QLatin1Char(' ') || peek() == QLatin1Char('\t'))
            ++m_pos;
    }
    // minDigits to maxDigits decimal digits.
    bool number(int minDigits, int maxDigits, int *value)
    {
        int n = 0, v = 0;
        while (n < maxDigits && isDigit(peek())) {
            v = v * 10 + (peek().unicode() - '0');
            ++m_pos;
            ++n;
        }
        if (n < minDigits) {
            m_pos -= n;
            return false;
        }
        *value = v;
        return true;
    }
    // One digit or more after a decimal point, as a fraction; digits past the ninth are
    // read but add nothing a double could keep at these magnitudes.
    bool fraction(double *value)
    {
        qint64 digits = 0, scale = 1;
        int n = 0;
        while (isDigit(peek())) {
            if (n < 9) {
                digits = digits * 10 + (peek().unicode() - '0');
                scale *= 10;
            }
            ++m_pos;
            ++n;
        }
        if (n == 0)
            return false;
        *value = double(digits) / double(scale);
        return true;
    }
    // Four digits and the date separator: the start of a date.
    bool startsDate() const
    {
        if (m_text.size() - m_pos < 5)
            return false;
        for (int i = 0; i < 4; ++i)
            if (!isDigit(m_text[m_pos + i]))
                return false;
        const QChar sep = m_text[m_pos + 4];
        return sep == QLatin1Char('-') || sep == QLatin1Char('/');
    }

private:
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    QStringView m_text;
    qsizetype m_pos = 0;
};

bool isLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

// y-m-d or y/m/d, one separator throughout.
bool readDate(Reader &r, qint64 *days)
{
    int year = 0, month = 0, day = 0;
    if (!r.number(4, 4, &year))
        return false;
    const char sep = r.take('-') ? '-' : r.take('/') ? '/' : 0;
    if (sep == 0 || !r.number(1, 2, &month) || !r.take(sep) || !r.number(1, 2, &day))
        return false;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return false;
    *days = daysFromCivil(year, month, day);
    return true;
}

// h:mm, then :ss and a fraction where secondsNeeded or present.
bool readTime(Reader &r, bool secondsNeeded, double *seconds)
{
    int hour = 0, minute = 0, second = 0;
    double fraction = 0;
    if (!r.number(1, 2, &hour) || !r.take(':') || !r.number(2, 2, &minute))
        return false;
    if (r.take(':')) {
        if (!r.number(2, 2, &second))
            return false;
        if ((r.take('.') || r.take(',')) && !r.fraction(&fraction))
            return false;
    } else if (secondsNeeded) {
        return false;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    *seconds = double(hour * 3600 + minute * 60 + second) + fraction;
    return true;
}

// Z, or a sign with hh, hh:mm or hhmm: the seconds to take off to reach UTC.
bool readZone(Reader &r, bool *zoned, int *offset)
{
    *zoned = false;
    *offset = 0;
    if (r.take('Z') || r.take('z')) {
        *zoned = true;
        return true;
    }
    const int sign = r.take('+') ? 1 : r.take('-') ? -1 : 0;
    if (sign == 0)
        return true;
    int hours = 0, minutes = 0;
    if (!r.number(2, 2, &hours))
        return false;
    if (r.take(':')) {
        if (!r.number(2, 2, &minutes))
            return false;
    } else {
        r.number(2, 2, &minutes);
    }
    if (hours > 23 || minutes > 59)
        return false;
    *zoned = true;
    *offset = sign * (hours * 3600 + minutes * 60);
    return true;
}

}

qint64 daysFromCivil(int year, int month, int day)
{
    // Years counted from March, so that the leap day ends a year.
    const qint64 y = qint64(year) - (month <= 2 ? 1 : 0);
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yearOfEra = y - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(qint64 days, int *year, int *month, int *day)
{
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    *day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = int(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

bool parse(QStringView text, Stamp *stamp)
{
    Reader r(text);
    r.skipBlanks();
    Stamp out;
    if (r.startsDate()) {
        qint64 days = 0;
        if (!readDate(r, &days))
            return false;
        double timeOfDay = 0;
        int offset = 0;
        // "T" or blanks before a time; blanks with nothing after them end the text.
        const bool t = r.take('T') || r.take('t');
        const qsizetype before = r.position();
        if (!t)
            r.skipBlanks();
        if (t || !r.atEnd()) {
            if (!t && r.position() == before)
                return false;
            if (!readTime(r, false, &timeOfDay))
                return false;
            r.skipBlanks();
            if (!readZone(r, &out.zoned, &offset))
                return false;
        }
        out.dated = true;
        out.seconds = double(days * SecondsPerDay - offset) + timeOfDay;
    } else {
        if (!readTime(r, true, &out.seconds))
            return false;
    }
    r.skipBlanks();
    if (!r.atEnd())
        return false;
    *stamp = out;
    return true;
}

}
