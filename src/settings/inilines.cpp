#include "settings/inilines.h"

#include <algorithm>
#include <cstring>

namespace inilines {

namespace {

// Only ASCII blanks are trimmed: an ideographic space is part of a Chinese value. None of
// these bytes, nor "=", ";" or a quote, can be the second byte of a character, so the bytes
// can be searched for them directly.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

void trim(const char *data, qsizetype *begin, qsizetype *end)
{
    while (*begin < *end && isBlank(data[*begin]))
        ++*begin;
    while (*end > *begin && isBlank(data[*end - 1]))
        --*end;
}

}

bool Scanner::next(Line *line)
{
    const char *data = m_content.constData();
    const qsizetype size = m_content.size();
    if (m_pos >= size)
        return false;
    *line = Line();
    line->begin = m_pos;
    const void *lf = std::memchr(data + m_pos, '\n', size_t(size - m_pos));
    line->contentEnd = lf ? static_cast<const char *>(lf) - data : size;
    line->end = lf ? line->contentEnd + 1 : size;
    if (line->contentEnd > line->begin && data[line->contentEnd - 1] == '\r')
        --line->contentEnd;
    m_pos = line->end;

    qsizetype b = line->begin;
    qsizetype e = line->contentEnd;
    trim(data, &b, &e);
    if (b == e)
        return true;
    if (data[b] == '[') {
        // "]" can be the second byte of a two-byte character: only a whole one closes.
        const qsizetype close = m_decoder.lastIndexOf(']', data + b, e - b);
        if (close > 0) {
            line->kind = Line::Section;
            line->nameBegin = b + 1;
            line->nameEnd = b + close;
            trim(data, &line->nameBegin, &line->nameEnd);
            return true;
        }
    }
    const void *eq = data[b] == ';' ? nullptr : std::memchr(data + b, '=', size_t(e - b));
    if (!eq) {
        line->kind = Line::Other;
        return true;
    }
    line->kind = Line::Entry;
    line->nameBegin = b;
    line->nameEnd = static_cast<const char *>(eq) - data;
    trim(data, &line->nameBegin, &line->nameEnd);
    line->valueBegin = static_cast<const char *>(eq) - data + 1;
    line->valueEnd = e;
    return true;
}

Scanner::Wanted::Wanted(const QString &n)
    : name(n)
{
    const QString folded = n.toCaseFolded();
    foldsToAscii = std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (foldsToAscii)
        asciiFolded = folded.toLatin1();
}

bool Scanner::nameIs(const Line &line, const Wanted &wanted)
{
    // Every byte decodes to at most one UTF-16 unit and every unit takes at most four bytes,
    // and case-blind equal names have equal lengths: longer or shorter names need no decoding.
    const qsizetype bytes = line.nameEnd - line.nameBegin;
    const qsizetype units = wanted.name.size();
    if (bytes < units || bytes > 4 * units)
        return false;
    const char *data = m_content.constData() + line.nameBegin;
    if (std::all_of(data, data + bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // ASCII folds to ASCII: it can only equal a name whose folded form is ASCII too.
        if (!wanted.foldsToAscii || bytes != units)
            return false;
        for (qsizetype i = 0; i < bytes; ++i) {
            const char c = data[i];
            if ((c >= 'A' && c <= 'Z' ? char(c + 32) : c) != wanted.asciiFolded.at(i))
                return false;
        }
        return true;
    }
    return text(line.nameBegin, line.nameEnd).compare(wanted.name, Qt::CaseInsensitive) == 0;
}

QString Scanner::text(qsizetype begin, qsizetype end)
{
    return m_decoder.decode(m_content.constData() + begin, end - begin);
}

Place Scanner::locate(const QString &sectionName, const QString &keyName)
{
    const Wanted section(sectionName);
    const Wanted key(keyName);
    Place place;
    m_pos = 0;
    bool inSection = false;
    bool firstSection = false;
    Line line;
    while (next(&line)) {
        if (line.kind == Line::Section) {
            inSection = nameIs(line, section);
            firstSection = inSection && place.sectionEnd < 0;
            if (firstSection)
                place.sectionEnd = line.end;
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == Line::Entry && nameIs(line, key)) {
            place.entry = line;
            place.found = true;
            return place;
        }
        if (firstSection && line.kind != Line::Blank)
            place.sectionEnd = line.end;
    }
    return place;
}

}
