#pragma once

#include "settings/gbtext.h"

#include <QByteArray>
#include <QString>

// The lines of a settings file, found in its bytes one at a time: nothing is decoded but the
// names that could be the one looked for, so a large file costs one pass and little memory.
namespace inilines {

struct Line
{
    enum Kind { Blank, Section, Entry, Other };
    Kind kind = Blank;
    // Byte offsets into the content.
    qsizetype begin = 0;
    qsizetype contentEnd = 0;   // before the line end
    qsizetype end = 0;          // past the line end, if any
    qsizetype nameBegin = 0;    // section name or key, blanks trimmed
    qsizetype nameEnd = 0;
    qsizetype valueBegin = 0;   // entries: after the first "="; blanks before it included
    qsizetype valueEnd = 0;     //          blanks after it excluded
};

// Where a key stands in the file, or where it would go.
struct Place
{
    Line entry;                // valid when found
    bool found = false;
    qsizetype sectionEnd = -1; // end of the last non-blank line of the first matching
                               // section; -1 when there is no such section
};

class Scanner
{
public:
    // Over bytes already in memory.
    explicit Scanner(const QByteArray &content);
    // Over an open file, read in pieces as the scan goes, at most maxBytes in all; the
    // caller keeps the descriptor open while the scanner lives.
    Scanner(int fd, qint64 maxBytes);

    // The first matching key wins, even when a section occurs twice; a new key goes to the
    // first occurrence of its section. Names match without regard to case. Once a scanner.
    Place locate(const QString &section, const QString &key);

    // Bytes scanned so far: the whole content once a key was not found.
    qsizetype size() const { return m_base + m_buffer.size(); }

    // False when reading the file failed or it was larger than allowed.
    bool readOk() const { return !m_readFailed; }

    // Bytes and decoded text of a range of the content. Over a file, only the line last
    // found is still at hand.
    const char *bytesAt(qsizetype offset) const { return m_buffer.constData() + (offset - m_base); }
    QString text(qsizetype begin, qsizetype end);

private:
    // A name looked for, folded once so that lines of plain ASCII need no decoding.
    struct Wanted
    {
        explicit Wanted(const QString &name);
        QString name;
        QByteArray asciiFolded;   // empty unless the folded name is all ASCII
        bool foldsToAscii = false;
    };

    // The next line; only a section line is told apart unless `entries` is set.
    bool next(Line *line, bool entries);
    bool readMore();
    bool nameIs(const Line &line, const Wanted &wanted);

    QByteArray m_buffer;
    qsizetype m_base = 0;   // offset in the content of m_buffer's first byte
    qsizetype m_pos = 0;    // offset in the content of the next line
    int m_fd = -1;
    qint64 m_left = 0;      // bytes the file may still yield
    bool m_atEnd = true;
    bool m_readFailed = false;
    gbtext::Decoder m_decoder;
};

}
