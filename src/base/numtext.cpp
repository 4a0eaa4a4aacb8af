#include "base/numtext.h"

#include "base/plainnumber.h"

#include <cerrno>
#include <locale.h>
#include <stdlib.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <limits>

namespace numtext {

namespace {

// Values with at most five decimals and fewer than 16 digits (most measured data): when
// v * 10^k is a whole number m that reads back as v through m / 10^k, the decimal m / 10^k
// is the one 15-digit decimal nearest to v, so it is the general format's result, in fixed
// notation. Writes the text into `out` and returns its length, or 0 when v is not such a
// value.
int formatShortFixed(double value, char *out)
{
    static const double powers[] = {1, 10, 100, 1000, 10000, 100000};
    const double magnitude = std::fabs(value);
    for (int k = 0; k <= 5; ++k) {
        const double m = magnitude * powers[k];
        if (!(m < 1e15))
            return 0;
        const auto whole = static_cast<unsigned long long>(m); // m < 1E15: the cast is exact
        if (double(whole) != m || m / powers[k] != magnitude)
            continue;
        char digits[24];
        int n = 0;
        for (auto u = whole; u != 0 || n <= k; u /= 10)
            digits[n++] = char('0' + u % 10); // reversed; at least k + 1 digits
        int len = 0;
        if (value < 0)
            out[len++] = '-';
        for (int i = n - 1; i >= k; --i)
            out[len++] = digits[i];
        int firstKept = 0; // drop trailing zeros of the fraction
        while (firstKept < k && digits[firstKept] == '0')
            ++firstKept;
        if (firstKept < k) {
            out[len++] = '.';
            for (int i = k - 1; i >= firstKept; --i)
                out[len++] = digits[i];
        }
        return len;
    }
    return 0;
}

}

double generalValue(double value)
{
    if (value == 0)
        return 0; // "0", also for -0
    if (!std::isfinite(value))
        return value;
    // A value that is already a decimal of at most 15 digits reads back as itself (the test
    // of formatShortFixed, without writing the digits); measured data nearly always is.
    // m / 10^k is the double nearest the decimal m * 10^-k when m and 10^k are exact, so the
    // first test, with seven decimals, covers every value below 1E8 that has at most seven.
    static const double powers[] = {1e7, 1e6, 100000, 10000, 1000, 100, 10, 1};
    const double magnitude = std::fabs(value);
    for (double power : powers) {
        const double m = std::nearbyint(magnitude * power);
        if (m < 1e15 && m / power == magnitude)
            return value;
    }
    double back = 0;
    const QString text = formatGeneral(value);
    return toDouble(QStringView(text), &back) ? back : value;
}

QString formatGeneral(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    char out[48];
    if (const int len = formatShortFixed(value, out))
        return QString::fromLatin1(out, len);

    // The shortest text that reads back as `value` is, when it has at most 15 significant
    // digits, also its rounding to 15 digits, and cheaper to get than printf's. Otherwise
    // "%.14e" rounds to 15 significant digits. Either way the text tells the decimal
    // exponent after rounding.
    char buf[40];
    const std::to_chars_result shortest =
        std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific);
    *shortest.ptr = '\0';
    int significant = 0;
    for (const char *q = buf; *q && *q != 'e'; ++q)
        if (*q >= '0' && *q <= '9')
            ++significant;
    if (significant > 15)
        std::snprintf(buf, sizeof buf, "%.14e", value);
    const char *p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[16];
    int n = 0;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[n++] = *p;
    const int exponent = std::atoi(p + 1);
    while (n > 1 && digits[n - 1] == '0')
        --n;

    int len = 0;
    if (negative)
        out[len++] = '-';
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out[len++] = '0';
            out[len++] = '.';
            for (int i = -1; i > exponent; --i)
                out[len++] = '0';
            for (int i = 0; i < n; ++i)
                out[len++] = digits[i];
        } else {
            const int intDigits = exponent + 1;
            for (int i = 0; i < intDigits; ++i)
                out[len++] = i < n ? digits[i] : '0';
            if (n > intDigits) {
                out[len++] = '.';
                for (int i = intDigits; i < n; ++i)
                    out[len++] = digits[i];
            }
        }
    } else {
        out[len++] = digits[0];
        if (n > 1) {
            out[len++] = '.';
            for (int i = 1; i < n; ++i)
                out[len++] = digits[i];
        }
        len += std::snprintf(out + len, sizeof out - size_t(len), "E%d", exponent);
    }
    return QString::fromLatin1(out, len);
}

namespace {

// Checks the shape [sign] digits [. digits] [e [sign] digits] with at least one mantissa
// digit and gives the range [*first, *last) without the blanks around it.
bool findNumber(QStringView text, qsizetype *first, qsizetype *last)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    qsizetype i = begin;
    auto isDigit = [&](qsizetype k) { return k < end && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9'); };
    auto isSign = [&](qsizetype k) { return k < end && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-')); };
    if (isSign(i))
        ++i;
    int mantissaDigits = 0;
    while (isDigit(i)) { ++i; ++mantissaDigits; }
    if (i < end && text[i] == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) { ++i; ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (isSign(i))
            ++i;
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ++i;
    }
    if (i != end)
        return false;
    *first = begin;
    *last = end;
    return true;
}

}

bool toDouble(QStringView text, double *value)
{
    qsizetype first = 0, last = 0;
    if (!findNumber(text, &first, &last))
        return false;
    // The shape is plain ASCII now; short numbers need no allocation.
    char small[64];
    QByteArray large;
    char *ascii = small;
    if (last - first >= qsizetype(sizeof small)) {
        large.resize(last - first + 1);
        ascii = large.data();
    }
    for (qsizetype i = first; i < last; ++i)
        ascii[i - first] = char(text[i].unicode());
    ascii[last - first] = '\0';
    // The C library reads numbers in the process's locale, which the application object
    // takes from the environment: read them in the "C" locale, where "." is the separator.
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    errno = 0;
    const double v = strtod_l(ascii, nullptr, cLocale);
    if (errno == ERANGE && std::isinf(v))
        return false;
    *value = v;
    return true;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The C library's reading of the digits [first, last) whose shape is already checked.
bool strtodShaped(const char *first, const char *last, double *value)
{
    char small[64];
    std::string large;
    const char *ascii = small;
    const size_t n = size_t(last - first);
    if (n < sizeof small) {
        memcpy(small, first, n);
        small[n] = '\0';
    } else {
        large.assign(first, n);
        ascii = large.c_str();
    }
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    errno = 0;
    const double v = strtod_l(ascii, nullptr, cLocale);
    if (errno == ERANGE && std::isinf(v))
        return false;
    *value = v;
    return true;
}

// The slow reading of a number whose shape is checked: from_chars, then the C library for
// what from_chars does not take whole. `mark` points at a ',' standing for the point, or
// is null.
bool readShaped(const char *first, const char *mantissa, const char *last, const char *mark, double *value)
{
    char small[64];
    std::string large;
    if (mark) {
        // Both readers want a '.': read a copy.
        const size_t n = size_t(last - first);
        char *copy = small;
        if (n >= sizeof small) {
            large.assign(first, n);
            copy = large.data();
        } else {
            memcpy(small, first, n);
        }
        copy[mark - first] = '.';
        mantissa = copy + (mantissa - first);
        last = copy + n;
        first = copy;
    }
    // from_chars takes no '+' and rounds as strtod does; anything it does not take whole
    // (out of range either way) is left to strtod, whose reading is the rule.
    double v = 0;
    const std::from_chars_result r = std::from_chars(mantissa, last, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != last)
        return strtodShaped(first, last, value);
    *value = *first == '-' ? -v : v;
    return true;
}

}

Reading readNumber(const char *first, const char *last, double *value, bool commaMark)
{
    while (first < last && *first == ' ')
        ++first;
    while (last > first && last[-1] == ' ')
        --last;
    const char *p = first;
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char *mantissa = p;
    // The digits are gathered while the shape is checked: most numbers are then read
    // without a second pass.
    // Leading zeros are passed first; the digits after them go into m without a test each
    // (m wraps past 19 digits, and is then not used).
    std::uint64_t m = 0;
    const char *digitsStart = p;
    while (p < last && *p == '0')
        ++p;
    const char *significantStart = p;
    for (; p < last && isDigit(*p); ++p)
        m = m * 10 + unsigned(*p - '0');
    qsizetype significant = p - significantStart; // digits from the first non-zero one
    qsizetype digits = p - digitsStart;
    qsizetype fraction = 0;                       // digits after the mark
    const char *mark = nullptr;
    if (p < last && (*p == '.' || (commaMark && *p == ','))) {
        if (*p == ',')
            mark = p;
        const char *fractionStart = ++p;
        if (significant == 0)
            while (p < last && *p == '0')
                ++p;
        significantStart = p;
        for (; p < last && isDigit(*p); ++p)
            m = m * 10 + unsigned(*p - '0');
        significant += p - significantStart;
        fraction = p - fractionStart;
        digits += fraction;
    }
    if (digits == 0)
        return {};
    int exponent = 0;
    if (p < last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < last && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == last || !isDigit(*p))
            return {};
        for (; p < last && isDigit(*p); ++p)
            if (exponent < 100000) // far past any double either way
                exponent = exponent * 10 + (*p - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    if (p != last)
        return {};

    Reading reading;
    reading.number = true;
    if (significant == 0) {
        *value = negative ? -0.0 : 0.0;
        reading.ownGeneral = !negative; // generalValue makes -0 a 0
        return reading;
    }
    // Both m and the power of ten are exact doubles, so the product or quotient is rounded
    // once: the correctly rounded value, the one from_chars gives.
    const int power = exponent - int(std::min<qsizetype>(fraction, 100000));
    if (significant <= 19 && m <= (std::uint64_t(1) << 53) && power >= -22 && power <= 22) {
        const double magnitude = power < 0 ? double(m) / plain::ExactPowers[-power] : double(m) * plain::ExactPowers[power];
        *value = negative ? -magnitude : magnitude;
        // At most 15 digits of 1E-22 to 1E37: a normal double that shows as the same digits.
        reading.ownGeneral = significant <= 15;
        return reading;
    }
    reading.number = readShaped(first, mantissa, last, mark, value);
    return reading;
}

namespace {

constexpr std::uint64_t PowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// How many of the word's bytes, first first, are digits.
inline int leadingDigits(std::uint64_t word)
{
    // A byte minus '0' (by xor, no borrows) is a digit below 10: adding 0x76 sets its high bit
    // from 10 up. A carry can only come from a byte already marked, into the bytes after it.
    const std::uint64_t x = word ^ 0x3030303030303030ull;
    const std::uint64_t marks = ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
    return marks ? __builtin_ctzll(marks) >> 3 : 8;
}

// Eight bytes from p; past `end` they read as NULs, which are no digits.
inline std::uint64_t wordAt(const char *p, const char *end)
{
    std::uint64_t word = 0;
    if (end - p >= 8)
        std::memcpy(&word, p, 8);
    else if (end > p)
        std::memcpy(&word, p, size_t(end - p));
    return word;
}

// Up to 16 digits at p into m, p moved past them; how many there were (16: maybe more).
inline int gatherDigits(const char *&p, const char *end, std::uint64_t &m)
{
    std::uint64_t word = wordAt(p, end);
    int count = leadingDigits(word);
    if (count == 0)
        return 0;
    m = m * PowersOfTen[count] + plain::eightDigits(word, count);
    p += count;
    if (count < 8)
        return count;
    word = wordAt(p, end);
    const int more = leadingDigits(word);
    if (more > 0) {
        m = m * PowersOfTen[more] + plain::eightDigits(word, more);
        p += more;
    }
    return count + more;
}

}

const char *readPlainNumberInWords(const char *p, const char *end, double *value, bool commaMark)
{
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    std::uint64_t m = 0;
    const int whole = gatherDigits(p, end, m);
    if (whole > 15)
        return nullptr;
    int fraction = 0;
    if (p < end && (*p == '.' || (commaMark && *p == ','))) {
        ++p;
        fraction = gatherDigits(p, end, m);
    }
    const int digits = whole + fraction;
    if (digits == 0 || digits > 15 || (negative && m == 0))
        return nullptr;
    const double magnitude = plain::decimalValue(m, fraction);
    *value = negative ? -magnitude : magnitude;
    return p;
}

bool toDouble(const char *first, const char *last, double *value)
{
    return readNumber(first, last, value).number;
}

bool toInt32(const QString &text, int *value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    bool negative = false;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-')) {
        negative = t.at(0) == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return false;
    *value = static_cast<int>(v);
    return true;
}

}
