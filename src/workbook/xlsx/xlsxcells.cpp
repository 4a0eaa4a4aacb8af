#include "workbook/xlsx/xlsxcells.h"

#include <algorithm>

namespace xlsx {

namespace {

template <typename CharAt>
void parseReferenceChars(std::size_t length, CharAt at, int *column, int *row)
{
    int c = 0, r = 0;
    std::size_t i = 0;
    for (; i < length; ++i) {
        const unsigned ch = at(i) & ~0x20u;
        if (ch < 'A' || ch > 'Z')
            break;
        c = std::min(c * 26 + int(ch - 'A' + 1), 1 << 20);
    }
    if (i < length && at(i) == '$')
        ++i;
    for (; i < length; ++i) {
        const unsigned ch = at(i);
        if (ch < '0' || ch > '9')
            break;
        r = std::min(r * 10 + int(ch - '0'), 1 << 24);
    }
    *column = c;
    *row = r;
}

bool isTrue(QStringView v)
{
    return v == QLatin1String("1") || v == QLatin1String("true");
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if ((u | 0x20) >= 'a' && (u | 0x20) <= 'f')
        return (u | 0x20) - 'a' + 10;
    return -1;
}

// The character of the escape "_xHHHH_" at `at`, or -1.
int escapeAt(const QString &text, qsizetype at)
{
    if (at + 7 > text.size() || text.at(at) != QLatin1Char('_') || text.at(at + 1) != QLatin1Char('x')
        || text.at(at + 6) != QLatin1Char('_'))
        return -1;
    int code = 0;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        const int d = hexDigit(text.at(i));
        if (d < 0)
            return -1;
        code = code * 16 + d;
    }
    return code;
}

}

QString decodeEscapes(const QString &text)
{
    qsizetype at = text.indexOf(QLatin1String("_x"));
    while (at >= 0 && escapeAt(text, at) < 0)
        at = text.indexOf(QLatin1String("_x"), at + 1);
    if (at < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    while (at >= 0) {
        out.append(QStringView(text).mid(from, at - from));
        out.append(QChar(char16_t(escapeAt(text, at))));
        from = at + 7;
        // Decoded text is never read again: "_x005F_x000D_" stays "_x000D_".
        at = text.indexOf(QLatin1String("_x"), from);
        while (at >= 0 && escapeAt(text, at) < 0)
            at = text.indexOf(QLatin1String("_x"), at + 1);
    }
    out.append(QStringView(text).mid(from));
    return out;
}

void parseReference(QStringView ref, int *column, int *row)
{
    parseReferenceChars(std::size_t(ref.size()), [&](std::size_t i) { return unsigned(ref.at(qsizetype(i)).unicode()); },
                        column, row);
}

void parseReference(const char *ref, std::size_t length, int *column, int *row)
{
    parseReferenceChars(length, [&](std::size_t i) { return unsigned(static_cast<unsigned char>(ref[i])); },
                        column, row);
}

void CellStore::store(int row, int column, QStringView type, int xf, const QString &value) const
{
    if (type.isEmpty() || type == QLatin1String("n")) {
        if (value.isEmpty())
            return; // a formula without a cached result
        double v = 0;
        if (workbook::parseStoredNumber(value, &v))
            out.number(row, column, v, isDateStyle(xf));
        else
            out.text(row, column, value);
    } else if (type == QLatin1String("s")) {
        bool ok = false;
        const uint index = value.trimmed().toUInt(&ok);
        if (ok && index < sharedStrings)
            out.sharedText(row, column, index);
    } else if (type == QLatin1String("str") || type == QLatin1String("inlineStr")) {
        out.text(row, column, decodeEscapes(value));
    } else if (type == QLatin1String("b")) {
        out.boolean(row, column, isTrue(value.trimmed()));
    } else if (type == QLatin1String("e")) {
        out.error(row, column, workbook::errorCodeOfText(value.trimmed()));
    } else if (type == QLatin1String("d")) {
        // Besides dates and times of day a date cell may hold a duration ("PT0H11M0.000S"),
        // which a spreadsheet shows as that time of day.
        double serial = 0;
        if (workbook::isoDateSerial(value, &serial) || workbook::isoTimeSerial(value, &serial)
            || workbook::isoDurationDays(value, &serial))
            out.dateSerial(row, column, serial);
        else
            out.text(row, column, value);
    }
}

}
