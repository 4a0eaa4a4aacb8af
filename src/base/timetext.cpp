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
    void moveTo(qsizetype pos) { m_pos = pos; }
    bool isDigitNext() const { return isDigit(peek()); }
    bool takeText(QStringView word)
    {
        if (!m_text.mid(m_pos).startsWith(word))
            return false;
        m_pos += word.size();
        return true;
    }
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

// A half-day mark: 0 none, 1 before noon, 2 after.
int readHalfDay(Reader &r)
{
    const qsizetype start = r.position();
    r.skipBlanks();
    if (r.takeText(u"上午"))
        return 1;
    if (r.takeText(u"下午"))
        return 2;
    const bool am = r.takeText(u"AM") || r.takeText(u"am");
    const bool pm = !am && (r.takeText(u"PM") || r.takeText(u"pm"));
    if (am || pm)
        return am ? 1 : 2;
    r.moveTo(start);
    return 0;
}

// h:mm, then :ss and a fraction where secondsNeeded or present; a half-day mark before or
// after it turns 12-hour times into the day's hours.
bool readTime(Reader &r, bool secondsNeeded, double *seconds)
{
    int hour = 0, minute = 0, second = 0;
    double fraction = 0;
    int half = readHalfDay(r);
    if (half != 0)
        r.skipBlanks();
    if (!r.number(1, 2, &hour) || !r.take(':') || !r.number(2, 2, &minute))
        return false;
    if (r.take(':')) {
        if (!r.number(2, 2, &second))
            return false;
        if ((r.take('.') || r.take(',')) && !r.fraction(&fraction))
            return false;
        // Milliseconds after a third colon, as some data loggers write them.
        int millis = 0;
        if (fraction == 0 && r.peek() == QLatin1Char(':')) {
            const qsizetype at = r.position();
            r.take(':');
            if (r.number(3, 3, &millis) && !r.isDigitNext())
                fraction = millis / 1000.0;
            else
                r.moveTo(at);
        }
    } else if (secondsNeeded && half == 0) {
        return false;
    }
    if (half == 0)
        half = readHalfDay(r);
    if (half != 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (half == 2 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    *seconds = double(hour * 3600 + minute * 60 + second) + fraction;
    return true;
}

int fullYear(int year, int digits)
{
    return digits == 2 ? (year >= 70 ? 1900 + year : 2000 + year) : year;
}

bool validDate(int year, int month, int day)
{
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

// n/n/y, n.n.y or n-n-y with a 2- or 4-digit year, the first two in `order`.
bool readNumericDate(Reader &r, DateOrder order, qint64 *days, char *separator)
{
    int a = 0, b = 0, year = 0;
    if (!r.number(1, 2, &a))
        return false;
    // Not '-': "26-12-08" could as well be a year first.
    const char sep = r.take('/') ? '/' : r.take('.') ? '.' : 0;
    if (sep == 0 || !r.number(1, 2, &b) || !r.take(sep))
        return false;
    const qsizetype before = r.position();
    if (!r.number(2, 4, &year) || r.position() - before == 3)
        return false;
    year = fullYear(year, int(r.position() - before));
    if (order == DateOrder::Default)
        order = sep == '/' ? DateOrder::MonthFirst : DateOrder::DayFirst;
    const int month = order == DateOrder::MonthFirst ? a : b;
    const int day = order == DateOrder::MonthFirst ? b : a;
    if (!validDate(year, month, day))
        return false;
    *days = daysFromCivil(year, month, day);
    *separator = sep;
    return true;
}

// yyyymmdd_hhmmss or yyyymmddThhmmss, a fraction allowed.
bool readCompact(Reader &r, double *seconds)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    double fraction = 0;
    if (!r.number(4, 4, &year) || !r.number(2, 2, &month) || !r.number(2, 2, &day))
        return false;
    if (!(r.take('_') || r.take('T')))
        return false;
    if (!r.number(2, 2, &hour) || !r.number(2, 2, &minute) || !r.number(2, 2, &second))
        return false;
    if ((r.take('.') || r.take(',')) && !r.fraction(&fraction))
        return false;
    if (!validDate(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return false;
    *seconds = double(daysFromCivil(year, month, day) * SecondsPerDay + hour * 3600 + minute * 60 + second)
               + fraction;
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

bool orderMatters(QStringView text)
{
    Reader r(text.trimmed());
    qint64 days = 0;
    char sep = 0;
    return !r.startsDate() && (readNumericDate(r, DateOrder::MonthFirst, &days, &sep)
                               || (r.moveTo(0), readNumericDate(r, DateOrder::DayFirst, &days, &sep)))
           && sep != 0;
}

bool parse(QStringView text, Stamp *stamp, DateOrder order)
{
    Reader r(text);
    r.skipBlanks();
    Stamp out;
    const qsizetype start = r.position();
    double compact = 0;
    qint64 numericDays = 0;
    char sep = 0;
    if (readCompact(r, &compact)) {
        out.dated = true;
        out.seconds = compact;
    } else if (r.moveTo(start), !r.startsDate() && readNumericDate(r, order, &numericDays, &sep)) {
        double timeOfDay = 0;
        const qsizetype before = r.position();
        r.skipBlanks();
        if (!r.atEnd()) {
            if (r.position() == before || !readTime(r, false, &timeOfDay))
                return false;
        }
        out.dated = true;
        out.seconds = double(numericDays * SecondsPerDay) + timeOfDay;
    } else if (r.moveTo(start), r.startsDate()) {
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
