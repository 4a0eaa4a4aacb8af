#include "workbook/csv/textbytes.h"

#include <QStringDecoder>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace textbytes {

namespace {

bool hasPrefix(const QByteArray &bytes, const char *prefix)
{
    return bytes.startsWith(QByteArray(prefix));
}

// Many Chinese loggers write GBK; GB18030 reads every GBK byte sequence the same way.
QString fromGb18030(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    std::array<char16_t, 8192> buffer;
    while (inLeft > 0) {
        char *to = reinterpret_cast<char *>(buffer.data());
        size_t toLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(reinterpret_cast<const QChar *>(buffer.data()),
                   qsizetype((sizeof buffer - toLeft) / 2));
        if (r == size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: show one replacement and go on after the byte.
            out.append(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
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

bool isValidUtf8(const char *begin, const char *end)
{
    const auto *p = reinterpret_cast<const unsigned char *>(begin);
    const auto *e = reinterpret_cast<const unsigned char *>(end);
    while (p < e) {
        // Eight ASCII bytes at a time: most logger files are all ASCII.
        if (e - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned low = 0x80, high = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) low = 0xA0;      // overlong
            if (c == 0xED) high = 0x9F;     // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) low = 0x90;      // overlong
            if (c == 0xF4) high = 0x8F;     // above U+10FFFF
        } else {
            return false;
        }
        if (e - p <= more)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int k = 2; k <= more; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

Utf8Text toUtf8(const QByteArray &bytes)
{
    if (hasPrefix(bytes, "\xFF\xFE") || hasPrefix(bytes, "\xFE\xFF"))
        return converted(decode(bytes));
    const qsizetype skip = hasPrefix(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    const char *begin = bytes.constData() + skip;
    const char *end = bytes.constData() + bytes.size();
    if (skip == 0 && !isValidUtf8(begin, end))
        return converted(fromGb18030(bytes));
    // After a byte-order mark the file is UTF-8 whatever follows; Qt's decoder shows a bad
    // sequence as a replacement, so such a file is converted to get the same text.
    if (skip != 0 && !isValidUtf8(begin, end))
        return converted(QString::fromUtf8(begin, end - begin));
    Utf8Text view;
    view.begin = begin;
    view.end = end;
    return view;
}

QString decode(const QByteArray &bytes)
{
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
    return fromGb18030(bytes);
}

}
