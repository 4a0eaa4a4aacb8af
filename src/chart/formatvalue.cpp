#include "chart/formatvalue.h"

#include "chart/fpcheck.h"

#include <QtGlobal>

namespace kfdline {

QString FormatValue(double value, int decimals)
{
    static const double powers[] = {1, 10, 100, 1000, 10000, 100000};
    const int d = qBound(0, decimals, 5);
    const qint64 r = fpcheck::roundEven(value * powers[d]);

    // Digits come from the rounded integer itself, so no second rounding can creep in.
    const bool negative = r < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(r) : quint64(r);
    QString digits = QString::number(magnitude);
    if (d > 0) {
        if (digits.size() <= d)
            digits = QString(d + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - d, QLatin1Char('.'));
    }
    if (negative)
        digits.prepend(QLatin1Char('-'));
    // Labels are laid out as fields of at least 8 characters and then stripped of blanks.
    return StripBlanks(digits.rightJustified(8, QLatin1Char(' ')));
}

QString StripBlanks(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    return out;
}

}
