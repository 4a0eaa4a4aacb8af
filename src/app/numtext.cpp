#include "app/numtext.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace numtext {

QString formatGeneral(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    // "%.14e" rounds to 15 significant digits and tells the decimal exponent after rounding.
    char buf[40];
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

    QString out;
    out.reserve(24);
    if (negative)
        out += QLatin1Char('-');
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += QLatin1String("0.");
            for (int i = -1; i > exponent; --i)
                out += QLatin1Char('0');
            out += QLatin1String(digits, n);
        } else {
            const int intDigits = exponent + 1;
            for (int i = 0; i < intDigits; ++i)
                out += QLatin1Char(i < n ? digits[i] : '0');
            if (n > intDigits) {
                out += QLatin1Char('.');
                out += QLatin1String(digits + intDigits, n - intDigits);
            }
        }
    } else {
        out += QLatin1Char(digits[0]);
        if (n > 1) {
            out += QLatin1Char('.');
            out += QLatin1String(digits + 1, n - 1);
        }
        out += QLatin1Char('E');
        out += QString::number(exponent);
    }
    return out;
}

namespace {

// Checks the shape [sign] digits [. digits] [e [sign] digits] with at least one mantissa
// digit, and copies it (blanks stripped) into an ASCII buffer for strtod.
bool extractNumber(const QString &text, QByteArray *out)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    int i = begin;
    auto isDigit = [&](int k) { return k < end && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9'); };
    if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    int mantissaDigits = 0;
    while (isDigit(i)) { ++i; ++mantissaDigits; }
    if (i < end && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) { ++i; ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ++i;
    }
    if (i != end)
        return false;
    *out = text.mid(begin, end - begin).toLatin1();
    return true;
}

}

bool toDouble(const QString &text, double *value)
{
    QByteArray ascii;
    if (!extractNumber(text, &ascii))
        return false;
    errno = 0;
    const double v = std::strtod(ascii.constData(), nullptr);
    if (errno == ERANGE && std::isinf(v))
        return false;
    *value = v;
    return true;
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
