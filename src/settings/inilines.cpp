#include "settings/inilines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace inilines {

namespace {

// A file is read in pieces of this size; only a longer line needs more room.
constexpr qsizetype PieceBytes = 256 * 1024;

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

Scanner::Scanner(const QByteArray &content)
    : m_buffer(content)
{
}

Scanner::Scanner(int fd, qint64 maxBytes)
    : m_fd(fd), m_left(maxBytes), m_atEnd(false)
{
}

bool Scanner::readMore()
{
    // Drop the lines done with, then make room: a piece at a time, or the whole of one long line.
    const qsizetype done = m_pos - m_base;
    const qsizetype kept = m_buffer.size() - done;
    if (done > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + done, size_t(kept));
        m_base = m_pos;
    }
    const qsizetype capacity = std::max<qsizetype>(PieceBytes, kept * 2);
    m_buffer.resize(std::max(m_buffer.size(), capacity));
    qsizetype used = kept;
    const qsizetype want = std::min<qint64>(m_buffer.size() - used, m_left + 1);
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + used, size_t(want));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || n > m_left) {
            m_readFailed = true;
            m_atEnd = true;
        } else if (n == 0) {
            m_atEnd = true;
        }
        if (n > 0)
            used += std::min<qsizetype>(n, m_left);
        m_left -= std::max<qsizetype>(n, 0);
        break;
    }
    m_buffer.truncate(used);
    return used > kept;
}

bool Scanner::next(Line *line, bool entries)
{
    const void *lf = nullptr;
    for (;;) {
        const qsizetype from = m_pos - m_base;
        lf = from < m_buffer.size() ? std::memchr(m_buffer.constData() + from, '\n', size_t(m_buffer.size() - from)) : nullptr;
        if (lf || m_atEnd)
            break;
        readMore();
    }
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    qsizetype pos = m_pos - m_base;
    if (pos >= size)
        return false;
    // Offsets below are into the buffer until they are stored in the line.
    const qsizetype contentEndAt = lf ? static_cast<const char *>(lf) - data : size;
    const qsizetype endAt = lf ? contentEndAt + 1 : size;
    qsizetype e = contentEndAt;
    if (e > pos && data[e - 1] == '\r')
        --e;
    *line = Line();
    line->begin = m_pos;
    line->contentEnd = m_base + e;
    line->end = m_base + endAt;
    m_pos = line->end;

    qsizetype b = pos;
    while (b < e && isBlank(data[b]))
        ++b;
    if (!entries && (b == e || data[b] != '[')) {
        // Outside the section looked for only section lines count; the rest needs no parsing.
        line->kind = Line::Other;
        return true;
    }
    trim(data, &b, &e);
    if (b == e)
        return true;
    qsizetype nameBegin = b;
    qsizetype nameEnd = e;
    if (data[b] == '[') {
        // "]" can be the second byte of a two-byte character: only a whole one closes.
        const qsizetype close = m_decoder.lastIndexOf(']', data + b, e - b);
        if (close > 0) {
            nameBegin = b + 1;
            nameEnd = b + close;
            trim(data, &nameBegin, &nameEnd);
            line->kind = Line::Section;
            line->nameBegin = m_base + nameBegin;
            line->nameEnd = m_base + nameEnd;
            return true;
        }
    }
    if (!entries) {
        line->kind = Line::Other;
        return true;
    }
    const void *eq = data[b] == ';' ? nullptr : std::memchr(data + b, '=', size_t(e - b));
    if (!eq) {
        line->kind = Line::Other;
        return true;
    }
    const qsizetype eqAt = static_cast<const char *>(eq) - data;
    nameEnd = eqAt;
    trim(data, &nameBegin, &nameEnd);
    line->kind = Line::Entry;
    line->nameBegin = m_base + nameBegin;
    line->nameEnd = m_base + nameEnd;
    line->valueBegin = m_base + eqAt + 1;
    line->valueEnd = m_base + e;
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
    const char *data = bytesAt(line.nameBegin);
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
    return m_decoder.decode(bytesAt(begin), end - begin);
}

Place Scanner::locate(const QString &sectionName, const QString &keyName)
{
    const Wanted section(sectionName);
    const Wanted key(keyName);
    Place place;
    bool inSection = false;
    bool firstSection = false;
    Line line;
    while (next(&line, inSection)) {
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
