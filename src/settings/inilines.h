#pragma once

#include "settings/gbtext.h"

#include <QByteArray>
#include <QString>

// The lines of a settings file, found in its bytes one at a time: nothing is decoded but the
// names that could be the one looked for, and a line is scanned as it goes by, never held
// whole, so a large file costs one pass and one piece of memory, however long its lines.
namespace inilines {

struct Line
{
    enum Kind { Blank, Section, Entry, Other };
    Kind kind = Blank;
    // Byte offsets into the content.
    qint64 begin = 0;
    qint64 end = 0;          // past the line end, if any
    qint64 nameBegin = 0;    // section name or key, blanks trimmed
    qint64 nameEnd = 0;
    qint64 valueBegin = 0;   // entries: what follows the first "=", blanks trimmed
    qint64 valueEnd = 0;
};

// Where a key stands in the file, or where it would go.
struct Place
{
    Line entry;                // valid when found
    bool found = false;
    qint64 sectionEnd = -1;    // end of the last non-blank line of the first matching
                               // section; -1 when there is no such section
};

// Bytes that scanners have read from settings files so far, a name or value fetched again
// included, and the largest piece of a file any of them has held: what a test looks at
// around a read.
qint64 bytesReadSoFar();
qint64 largestPieceSoFar();

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
    qint64 size() const { return m_base + m_piece.size(); }

    // False when reading the file failed or it was larger than allowed.
    bool readOk() const { return !m_readFailed; }

    // Bytes and decoded text of a range of the content: from the piece at hand, or read
    // again from the file. For names and the first bytes of a value, never a whole file.
    QByteArray bytes(qint64 begin, qint64 end);
    QString text(qint64 begin, qint64 end);

    // The largest piece of the file held at once.
    static constexpr qsizetype PieceBytes = 256 * 1024;

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

    QByteArray m_piece;     // the part of the content at hand
    qint64 m_base = 0;      // offset in the content of m_piece's first byte
    qint64 m_pos = 0;       // offset in the content of the next line
    int m_fd = -1;
    qint64 m_left = 0;      // bytes the file may still yield
    bool m_atEnd = true;
    bool m_readFailed = false;
    gbtext::Decoder m_decoder;
};

}
