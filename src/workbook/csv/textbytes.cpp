#include "workbook/csv/textbytes.h"

#include "workbook/csv/textencoding.h"

#include <QStringDecoder>

#include <cstring>

namespace textbytes {

namespace {

bool hasPrefix(const QByteArray &bytes, const char *prefix)
{
    return bytes.startsWith(QByteArray(prefix));
}

// Neither UTF-8 nor UTF-16: Chinese loggers write GBK, Western ones Windows-1252.
QString fromLegacy(const QByteArray &bytes)
{
    return textencoding::decode(bytes, textencoding::guess(bytes));
}

Utf8Text converted(const QString &text)
{
    Utf8Text out;
    out.converted = text.toUtf8();
    out.begin = out.converted.constData();
    out.end = out.begin + out.converted.size();
    return out;
}

}

Utf8Text toUtf8(const QByteArray &bytes, bool validUtf8)
{
    if (utf32Mark(bytes) != 0 || hasPrefix(bytes, "\xFF\xFE") || hasPrefix(bytes, "\xFE\xFF"))
        return converted(decode(bytes));
    const qsizetype skip = hasPrefix(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    const char *begin = bytes.constData() + skip;
    const char *end = bytes.constData() + bytes.size();
    if (skip == 0 && !validUtf8)
        return converted(fromLegacy(bytes));
    // After a byte-order mark the file is UTF-8 whatever follows; Qt's decoder shows a bad
    // sequence as a replacement, so such a file is converted to get the same text.
    if (skip != 0 && !validUtf8)
        return converted(QString::fromUtf8(begin, end - begin));
    Utf8Text view;
    view.begin = begin;
    view.end = end;
    return view;
}

int utf32Mark(const QByteArray &bytes)
{
    static const char little[] = {'\xFF', '\xFE', 0, 0}, big[] = {0, 0, '\xFE', '\xFF'};
    if (bytes.size() >= 4 && std::memcmp(bytes.constData(), little, 4) == 0)
        return 1;
    if (bytes.size() >= 4 && std::memcmp(bytes.constData(), big, 4) == 0)
        return 2;
    return 0;
}

QString decode(const QByteArray &bytes)
{
    // A UTF-32 mark starts like UTF-16's little-endian one: it is looked for first.
    if (const int mark = utf32Mark(bytes)) {
        QStringDecoder decoder(mark == 1 ? QStringDecoder::Utf32LE : QStringDecoder::Utf32BE);
        return decoder(bytes.mid(4));
    }
    if (hasPrefix(bytes, "\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (hasPrefix(bytes, "\xFF\xFE") || hasPrefix(bytes, "\xFE\xFF")) {
        QStringDecoder decoder(hasPrefix(bytes, "\xFF\xFE") ? QStringDecoder::Utf16LE
                                                           : QStringDecoder::Utf16BE);
        return decoder(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return fromLegacy(bytes);
}

}
