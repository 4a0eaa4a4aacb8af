#pragma once

#include <QByteArray>
#include <QString>

// Text <-> the byte strings the program keeps on disk: GB18030, which is byte-identical to
// GBK (code page 936) for every GBK character and can still hold every other character.
namespace gbtext {

// Never fails: every Unicode character has a GB18030 form (a broken surrogate becomes "?").
QByteArray encode(const QString &text);

// Never fails: the lone byte 0x80 that Windows writes for the euro sign reads as one, any
// other byte that starts no valid character reads as U+FFFD and decoding goes on after it.
QString decode(const QByteArray &bytes);

// The longest prefix of the GB18030 bytes that is at most maxBytes long and ends on a
// character boundary, so a cut never leaves half a two-byte or four-byte character.
int prefixLength(const QByteArray &bytes, int maxBytes);

}
