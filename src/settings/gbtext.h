#pragma once

#include <QByteArray>
#include <QString>

// Text <-> the byte strings the program keeps on disk: code page 936 (GBK) as Windows writes
// it, with GB18030 four-byte sequences for the characters GBK lacks, so nothing is lost. The
// two agree byte for byte except for the euro sign, which code page 936 writes as 0x80.
namespace gbtext {

// Never fails: every Unicode character has a form (a broken surrogate becomes "?").
QByteArray encode(const QString &text);

// Never fails: both 0x80 and the GB18030 euro A2 E3 read as "€"; any other byte that starts
// no valid character reads as U+FFFD and decoding goes on after it.
QString decode(const QByteArray &bytes);

// The longest prefix of the encoded bytes that is at most maxBytes long and ends on a
// character boundary, so a cut never leaves half a two-byte or four-byte character.
int prefixLength(const QByteArray &bytes, int maxBytes);

// Keeps one conversion descriptor for many decodes, so reading a large file costs one
// set-up instead of one a line.
class Decoder
{
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    QString decode(const char *data, qsizetype size);

    // Offset of the last byte `ascii` (below 0x80) that decode() reads as that character
    // rather than as the second byte of a two-byte one; -1 when there is none.
    qsizetype lastIndexOf(char ascii, const char *data, qsizetype size);

private:
    bool isFourByteCharacter(const char *data);

    void *m_cd;   // iconv_t, kept opaque to spare includers <iconv.h>
};

}
