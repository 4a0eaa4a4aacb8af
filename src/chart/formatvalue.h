#pragma once

#include <QString>

namespace kfdline {

// Scale label text: value rounded (ties to even) to `decimals` digits after a full stop,
// no point for 0 decimals, no minus sign when it rounds to zero. decimals is held to 0..5.
// Raises the floating-point errors when the value cannot be rounded into 64 bits.
QString FormatValue(double value, int decimals);

// The text without any blank.
QString StripBlanks(const QString &text);

}
