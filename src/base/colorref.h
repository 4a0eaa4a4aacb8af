#pragma once

#include <QColor>

// Colours are kept as the settings file stores them: 0x00BBGGRR, red in the low byte.
namespace colorref {

inline QColor toQColor(int c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline int fromQColor(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

}
