#include "settings/inilines.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace inilines {

namespace {

std::atomic<qint64> totalBytesRead{0};
std::atomic<qint64> largestPiece{0};

// Only ASCII blanks are trimmed: an ideographic space is part of a Chinese value. None of
// these bytes, nor "=", ";" or a quote, can be the second byte of a character, so the bytes
// can be searched for them directly.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// One line as its bytes go by, piece after piece: the offsets of what a Line reports, found
// without keeping the bytes.
class LineScan
{
public:
    LineScan(qint64 begin, bool entries, gbtext::Decoder &decoder)
        : m_begin(begin), m_entries(entries), m_decoder(decoder) {}

    // Bytes [from, to) of `data`, whose byte 0 stands at `base` in the content; no line end.
    void feed(const char *data, qint64 base, qsizetype from, qsizetype to);
    Line finish(qint64 end);

private:
    // Offset in the content of the last non-blank byte before data[at], looking back no
    // further than data[from]; before that, the last one of the earlier pieces.
    qint64 lastNonBlankBefore(const char *data, qint64 base, qsizetype from, qsizetype at) const;
    void findValue(const char *data, qint64 base, qsizetype from, qsizetype to);

    enum Mode { Leading, Skipped, Body };
    Mode m_mode = Leading;
    qint64 m_begin;
    bool m_entries;
    gbtext::Decoder &m_decoder;
    qint64 m_first = -1;          // first non-blank byte
    qint64 m_lastNonBlank = -1;   // last non-blank byte of the pieces fed so far
    // "[" lines: the last whole "]" and the name between.
    std::optional<gbtext::LastAscii> m_close;
    qint64 m_nameFirst = -1;
    qint64 m_closeSeen = -1;      // the "]" m_nameLast belongs to
    qint64 m_nameLast = -1;       // last non-blank before that "]"
    // entries: the first "=", the key's end and the value's first byte
    qint64 m_equals = -1;
    qint64 m_keyEnd = -1;
    qint64 m_valueFirst = -1;
};

qint64 LineScan::lastNonBlankBefore(const char *data, qint64 base, qsizetype from, qsizetype at) const
{
    qsizetype q = at - 1;
    while (q >= from && isBlank(data[q]))
        --q;
    return q >= from ? base + q : m_lastNonBlank;
}

void LineScan::findValue(const char *data, qint64 base, qsizetype from, qsizetype to)
{
    qsizetype p = from;
    while (p < to && isBlank(data[p]))
        ++p;
    if (p < to)
        m_valueFirst = base + p;
}

void LineScan::feed(const char *data, qint64 base, qsizetype from, qsizetype to)
{
    qsizetype p = from;
    if (m_mode == Skipped)
        return;
    if (m_mode == Leading) {
        while (p < to && isBlank(data[p]))
            ++p;
        if (p == to)
            return;
        m_first = base + p;
        const char c = data[p];
        if (c == '[') {
            m_close.emplace(m_decoder, ']');
        } else if (!m_entries || c == ';') {
            // Outside the section looked for only section lines count; a comment never does.
            m_mode = Skipped;
            return;
        }
        m_mode = Body;
    }
    if (m_close) {
        m_close->feed(data + p, to - p, base + p);
        const qint64 close = m_close->last();
        if (close >= base + p && close != m_closeSeen) {
            m_closeSeen = close;
            m_nameLast = lastNonBlankBefore(data, base, p, qsizetype(close - base));
        }
        if (m_nameFirst < 0) {
            qsizetype q = std::max<qsizetype>(p, qsizetype(m_first + 1 - base));
            while (q < to && isBlank(data[q]))
                ++q;
            if (q < to)
                m_nameFirst = base + q;
        }
    }
    if (m_entries) {
        if (m_equals < 0) {
            if (const void *eq = std::memchr(data + p, '=', size_t(to - p))) {
                const qsizetype at = static_cast<const char *>(eq) - data;
                m_equals = base + at;
                m_keyEnd = std::max(m_first, lastNonBlankBefore(data, base, p, at) + 1);
                findValue(data, base, at + 1, to);
            }
        } else if (m_valueFirst < 0) {
            findValue(data, base, p, to);
        }
    }
    m_lastNonBlank = lastNonBlankBefore(data, base, p, to);
}

Line LineScan::finish(qint64 end)
{
    Line line;
    line.begin = m_begin;
    line.end = end;
    if (m_mode == Leading)
        return line;   // blank
    line.kind = Line::Other;
    if (m_mode == Skipped)
        return line;
    if (m_close) {
        m_close->finish();
        const qint64 close = m_close->last();
        if (close > m_first) {
            // Blanks trimmed inside the brackets; nothing but blanks is an empty name.
            line.kind = Line::Section;
            const bool named = m_nameFirst >= 0 && m_nameFirst < close;
            line.nameBegin = named ? m_nameFirst : close;
            line.nameEnd = named ? m_nameLast + 1 : close;
            return line;
        }
        if (!m_entries)
            return line;
    }
    if (m_equals < 0)
        return line;
    line.kind = Line::Entry;
    line.nameBegin = m_first;
    line.nameEnd = m_keyEnd;
    line.valueEnd = m_lastNonBlank + 1;
    line.valueBegin = m_valueFirst >= 0 ? m_valueFirst : line.valueEnd;
    return line;
}

}

qint64 bytesReadSoFar()
{
    return totalBytesRead.load();
}

qint64 largestPieceSoFar()
{
    return largestPiece.load();
}

Scanner::Scanner(const QByteArray &content)
    : m_piece(content)
{
}

Scanner::Scanner(int fd, qint64 maxBytes)
    : m_fd(fd), m_left(maxBytes), m_atEnd(false)
{
}

bool Scanner::readMore()
{
    // The piece at hand is done with: the next one takes its place.
    if (m_atEnd)
        return false;
    m_base += m_piece.size();
    m_piece.resize(PieceBytes);
    qint64 largest = largestPiece.load();
    while (m_piece.capacity() > largest && !largestPiece.compare_exchange_weak(largest, m_piece.capacity())) {
    }
    const qsizetype want = qsizetype(std::min<qint64>(PieceBytes, m_left + 1));
    ssize_t n = -1;
    do
        n = ::read(m_fd, m_piece.data(), size_t(want));
    while (n < 0 && errno == EINTR);
    if (n < 0 || n > m_left) {
        m_readFailed = true;
        m_atEnd = true;
    } else if (n == 0) {
        m_atEnd = true;
    }
    const qsizetype used = n > 0 ? qsizetype(std::min<qint64>(n, m_left)) : 0;
    if (n > 0) {
        totalBytesRead += n;
        m_left -= n;
    }
    m_piece.truncate(used);
    return used > 0;
}

bool Scanner::next(Line *line, bool entries)
{
    if (m_pos >= size() && !readMore())
        return false;
    LineScan scan(m_pos, entries, m_decoder);
    for (;;) {
        const char *data = m_piece.constData();
        const qsizetype from = qsizetype(m_pos - m_base);
        const qsizetype size = m_piece.size();
        const void *lf = std::memchr(data + from, '\n', size_t(size - from));
        const qsizetype to = lf ? static_cast<const char *>(lf) - data : size;
        scan.feed(data, m_base, from, to);
        m_pos = m_base + to;
        if (lf) {
            ++m_pos;
            break;
        }
        if (!readMore())
            break;
    }
    *line = scan.finish(m_pos);
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
    const qint64 length = line.nameEnd - line.nameBegin;
    const qsizetype units = wanted.name.size();
    if (length < units || length > 4 * qint64(units))
        return false;
    const QByteArray name = bytes(line.nameBegin, line.nameEnd);
    if (name.size() != length)
        return false;
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // ASCII folds to ASCII: it can only equal a name whose folded form is ASCII too.
        if (!wanted.foldsToAscii || length != units)
            return false;
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char c = name.at(i);
            if ((c >= 'A' && c <= 'Z' ? char(c + 32) : c) != wanted.asciiFolded.at(i))
                return false;
        }
        return true;
    }
    return m_decoder.decode(name.constData(), name.size()).compare(wanted.name, Qt::CaseInsensitive) == 0;
}

QByteArray Scanner::bytes(qint64 begin, qint64 end)
{
    if (end <= begin)
        return QByteArray();
    if (begin >= m_base && end <= size())
        return QByteArray(m_piece.constData() + (begin - m_base), qsizetype(end - begin));
    // The line began in an earlier piece: read its bytes again.
    QByteArray out(qsizetype(end - begin), Qt::Uninitialized);
    qsizetype done = 0;
    while (m_fd >= 0 && done < out.size()) {
        const ssize_t n = ::pread(m_fd, out.data() + done, size_t(out.size() - done), off_t(begin + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        totalBytesRead += n;
        done += n;
    }
    if (done < out.size()) {
        // The file shrank or failed under us: what was scanned cannot be trusted.
        m_readFailed = true;
        out.truncate(done);
    }
    return out;
}

QString Scanner::text(qint64 begin, qint64 end)
{
    const QByteArray b = bytes(begin, end);
    return m_decoder.decode(b.constData(), b.size());
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
