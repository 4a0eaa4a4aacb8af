#pragma once

#include <QByteArray>
#include <QString>

// Text that is neither UTF-8 nor UTF-16: the likelier of GB18030 (Chinese loggers' GBK) and
// Windows-1252 (Western loggers' "°C", "µF"), as a character-set detector judges the bytes.
namespace textencoding {

enum class Legacy { Gb18030, Windows1252 };

Legacy guess(const QByteArray &bytes);

// The bytes decoded as `encoding`; a byte that does not decode becomes U+FFFD.
QString decode(const QByteArray &bytes, Legacy encoding);

}
