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
    explicit Scanner(const QByteArray &content) : m_content(content) {}

    // The first matching key wins, even when a section occurs twice; a new key goes to the
    // first occurrence of its section. Names match without regard to case.
    Place locate(const QString &section, const QString &key);

    // Decoded text of a byte range of the content.
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

    bool next(Line *line);
    bool nameIs(const Line &line, const Wanted &wanted);

    const QByteArray &m_content;
    qsizetype m_pos = 0;
    gbtext::Decoder m_decoder;
};

}
