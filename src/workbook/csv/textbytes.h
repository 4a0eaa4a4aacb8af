#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a delimited-text file as UTF-8, which the record scanner reads: a view of
// the file itself when it is UTF-8 (with or without a byte-order mark), else the file
// converted (UTF-16 with a mark, GB18030 for anything that is not valid UTF-8).
namespace textbytes {

struct Utf8Text {
    QByteArray converted; // holds the text when the file had to be converted
    const char *begin = nullptr;
    const char *end = nullptr;
};

// `bytes` must outlive the result when it is a view.
Utf8Text toUtf8(const QByteArray &bytes);

// Whether [begin, end) is well-formed UTF-8 as Qt's decoder takes it.
bool isValidUtf8(const char *begin, const char *end);

// The file's text in the same encoding choice, as a QString.
QString decode(const QByteArray &bytes);

}
