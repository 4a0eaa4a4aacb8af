#include "workbook/numformat.h"

namespace workbook {

bool isBuiltinDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47)
        || (id >= 50 && id <= 58);
}

static bool isDateLetter(QChar c)
{
    switch (c.toLower().unicode()) {
    case 'd': case 'm': case 'y': case 'h': case 's':
        return true;
    default:
        return false;
    }
}

bool isDateFormatCode(const QString &code)
{
    const int n = int(code.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = code.at(i);
        switch (c.unicode()) {
        case '"': {
            const int close = int(code.indexOf(QLatin1Char('"'), i + 1));
            if (close < 0)
                return false;
            i = close;
            break;
        }
        case '\\': case '_': case '*':
            ++i; // the next character is literal text or a fill/width mark
            break;
        case '[': {
            const int close = int(code.indexOf(QLatin1Char(']'), i + 1));
            if (close < 0)
                return false;
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            // Elapsed time: [h], [hh], [m], [mm], [s], [ss].
            if (!inside.isEmpty() && inside.size() <= 3) {
                bool sameLetter = true;
                for (QChar ch : inside)
                    sameLetter = sameLetter && ch == inside.at(0);
                const char16_t first = inside.at(0).unicode();
                if (sameLetter && (first == 'h' || first == 'm' || first == 's'))
                    return true;
            }
            i = close;
            break;
        }
        default:
            if (isDateLetter(c))
                return true;
            break;
        }
    }
    return false;
}

}
