#include "chart/fpcheck.h"

#include "base/apperror.h"

#include <cmath>
#include <limits>

namespace fpcheck {

const char *const OverflowMessage = "Floating point overflow";
const char *const InvalidMessage = "Invalid floating point operation";
const char *const DivByZeroMessage = "Floating point division by zero";
const char *const IntOverflowMessage = "Integer overflow";

qint64 roundEvenSlow(double value)
{
    if (std::isnan(value))
        throw AppError(QString::fromLatin1(InvalidMessage));
    // 2^63 is exact in a double; every double below it rounds into the range.
    constexpr double limit = 9223372036854775808.0;
    if (!(value >= -limit && value < limit))
        throw AppError(QString::fromLatin1(OverflowMessage));
    // The default rounding mode is to-nearest-even; nearbyint honours it.
    const double r = std::nearbyint(value);
    if (r >= limit)
        throw AppError(QString::fromLatin1(OverflowMessage));
    return static_cast<qint64>(r);
}

double divide(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        throw AppError(QString::fromLatin1(InvalidMessage));
    if (b == 0.0)
        throw AppError(QString::fromLatin1(a == 0.0 ? InvalidMessage : DivByZeroMessage));
    return finite(a / b);
}

double finite(double value)
{
    if (std::isnan(value))
        throw AppError(QString::fromLatin1(InvalidMessage));
    if (std::isinf(value))
        throw AppError(QString::fromLatin1(OverflowMessage));
    return value;
}

qint32 toInt32(qint64 value)
{
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw AppError(QString::fromLatin1(IntOverflowMessage));
    return static_cast<qint32>(value);
}

}
