#pragma once

#include <QtGlobal>

// Checked arithmetic for the chart drawing. The drawing must stop with a readable error,
// never a signal or a garbage pixel, when a value cannot be rounded or divided.
namespace fpcheck {

extern const char *const OverflowMessage;     // "Floating point overflow"
extern const char *const InvalidMessage;      // "Invalid floating point operation"
extern const char *const DivByZeroMessage;    // "Floating point division by zero"
extern const char *const IntOverflowMessage;  // "Integer overflow"

// Round to the nearest integer, ties to even. NaN raises the invalid-operation error,
// anything outside the 64-bit range (infinities included) the overflow error.
qint64 roundEvenSlow(double value);

inline qint64 roundEven(double value)
{
    // Below 2^51 adding and removing 1.5 * 2^52 rounds to the nearest integer, ties to
    // even, in the default rounding mode; the drawing rounds a pixel per sub-step, so this
    // path matters. Everything else, NaN included, takes the checked way.
    constexpr double magic = 6755399441055744.0;
    if (value > -2251799813685248.0 && value < 2251799813685248.0) {
        // IEEE arithmetic without fast-math: the compiler may not fold the pair away.
        const double shifted = value + magic;
        return static_cast<qint64>(shifted - magic);
    }
    return roundEvenSlow(value);
}

// a / b, raising the division-by-zero error for a zero divisor (0/0 is invalid), and the
// overflow or invalid-operation error when the result is not finite.
double divide(double a, double b);

// Returns value when it is finite; NaN raises invalid operation, an infinity overflow.
double finite(double value);

// Narrows a geometry value to the 32-bit fields that hold it, raising "Integer overflow".
qint32 toInt32(qint64 value);

}
