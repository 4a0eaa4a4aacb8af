#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a delimited-text file as UTF-8, which the record scanner reads: a view of
// the file itself when it is UTF-8 (with or without a byte-order mark), else the file
// converted (UTF-16 or UTF-32 with a mark, else the likelier of GB18030 and Windows-1252).
namespace textbytes {

struct Utf8Text {
    QByteArray converted; // holds the text when the file had to be converted
    const char *begin = nullptr;
    const char *end = nullptr;
};

// `bytes` must outlive the result when it is a view.
Utf8Text toUtf8(const QByteArray &bytes);
// The same when whether the bytes are well-formed UTF-8 is known already (a byte-order mark
// is a well-formed sequence: it does not change the answer).
Utf8Text toUtf8(const QByteArray &bytes, bool validUtf8);

// Whether [begin, end) is well-formed UTF-8 as Qt's decoder takes it.
bool isValidUtf8(const char *begin, const char *end);

// The length of the well-formed sequence of two to four bytes that starts at `p` with a byte
// from 0x80 up, reading no further than `end`; 0 when it is malformed (a stray continuation
// byte, an overlong form, a surrogate, past U+10FFFF, cut short).
inline int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned c = *p;
    int more;
    unsigned low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        if (c == 0xE0) low = 0xA0;  // overlong
        if (c == 0xED) high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        if (c == 0xF0) low = 0x90;  // overlong
        if (c == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (end - p <= more || p[1] < low || p[1] > high)
        return 0;
    for (int k = 2; k <= more; ++k)
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    return more + 1;
}

// 1 for a UTF-32 little-endian byte-order mark at the start, 2 for a big-endian one, else 0.
int utf32Mark(const QByteArray &bytes);

// The file's text in the same encoding choice, as a QString.
QString decode(const QByteArray &bytes);

}
