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

    // Whether the four bytes at data form one GB18030 character.
    bool isFourByteCharacter(const char *data);

private:

    void *m_cd;   // iconv_t, kept opaque to spare includers <iconv.h>
};

// Decoder::lastIndexOf over a text that arrives in pieces, so a long line need not be held:
// the characters are grouped as decode() groups them, also across the pieces' borders.
class LastAscii
{
public:
    LastAscii(Decoder &decoder, char ascii) : m_decoder(decoder), m_ascii(ascii) {}

    // The next piece; `offset` is where data[0] stands in the whole text.
    void feed(const char *data, qsizetype size, qint64 offset);
    // The text has ended: bytes still waiting for the rest of a character stand alone.
    void finish();
    // Offset of the last such byte so far; -1 when there is none.
    qint64 last() const { return m_last; }

private:
    void step(char c, qint64 offset);
    // The waiting lead byte stands alone: the bytes after it are stepped through again.
    void restartAfterLead();

    Decoder &m_decoder;
    char m_ascii;
    qint64 m_last = -1;
    char m_pending[4] = {};   // the first bytes of a character whose end has not come yet
    int m_pendingCount = 0;
    qint64 m_pendingOffset = 0;
};

}
