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

// `bytes` must outlive the result when it is a view. `validUtf8`: whether the bytes are
// well-formed UTF-8 as Qt's decoder takes it (textsurvey finds it; a byte-order mark is a
// well-formed sequence, and a UTF-16 or UTF-32 file is converted whatever it says).
Utf8Text toUtf8(const QByteArray &bytes, bool validUtf8);

// 1 for a UTF-32 little-endian byte-order mark at the start, 2 for a big-endian one, else 0.
int utf32Mark(const QByteArray &bytes);

// The file's text in the same encoding choice, as a QString.
QString decode(const QByteArray &bytes);

}
