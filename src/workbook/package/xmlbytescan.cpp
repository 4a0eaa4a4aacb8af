#include "workbook/package/xmlbytescan.h"

#include <QString>

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace package {

namespace {

// A reference is "&" and at most 11 more bytes up to its ";".
constexpr std::ptrdiff_t longestReference = 12;

// The end of the longest prefix of [p, end) that a sink can take without splitting a
// reference, a CR LF pair or a UTF-8 sequence.
const char *safeEnd(const char *p, const char *end)
{
    const char *s = end;
    for (const char *q = end; q > p && end - q < longestReference;) {
        --q;
        if (*q == ';')
            break;
        if (*q == '&') {
            s = q;
            break;
        }
    }
    if (s > p && s[-1] == '\r')
        --s;
    // Back to the lead byte of the last sequence, unless that sequence is complete.
    for (int back = 1; back <= 3 && s - back >= p; ++back) {
        const unsigned char c = static_cast<unsigned char>(s[-back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length > back)
            s -= back;
        break;
    }
    return s;
}

}

ByteScanner::ByteScanner(QIODevice &device, qsizetype window)
    : m_device(device), m_buffer(std::max<qsizetype>(window, 16), Qt::Uninitialized)
{
}

bool ByteScanner::fill()
{
    if (m_atEnd)
        return false;
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, std::size_t(m_end - m_pos));
        m_end -= m_pos;
        m_pos = 0;
    }
    // Full with one item that does not end: the window grows for it.
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);
    const qint64 n = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n <= 0) {
        m_atEnd = true;
        return false;
    }
    m_end += qsizetype(n);
    return true;
}

bool ByteScanner::isUtf8()
{
    while (m_end - m_pos < 256 && fill()) {
    }
    const QByteArray head = QByteArray::fromRawData(m_buffer.constData() + m_pos, m_end - m_pos);
    if (head.startsWith("\xEF\xBB\xBF"))
        return true;
    if (!head.startsWith("<?xml"))
        return !head.startsWith("\xFF\xFE") && !head.startsWith("\xFE\xFF");
    const qsizetype close = head.indexOf("?>");
    const QByteArray declaration = head.left(close < 0 ? 200 : close).toLower();
    const qsizetype at = declaration.indexOf("encoding");
    return at < 0 || declaration.indexOf("utf-8", at) > 0;
}

const char *ByteScanner::find(const char *from, const char *what) const
{
    const char *end = m_buffer.constData() + m_end;
    const std::size_t n = std::strlen(what);
    for (const char *p = from; p + n <= end; ++p) {
        p = static_cast<const char *>(std::memchr(p, what[0], std::size_t(end - p)));
        if (!p || p + n > end)
            return nullptr;
        if (std::memcmp(p, what, n) == 0)
            return p;
    }
    return nullptr;
}

ByteScanner::Step ByteScanner::scanTag(Tag *tag, TextSink *text)
{
    for (;;) {
        const char *base = m_buffer.constData();
        const char *p = base + m_pos;
        const char *end = base + m_end;
        // Text between tags is short here: a plain loop beats a call to memchr.
        const char *lt = p;
        while (lt < end && *lt != '<')
            ++lt;
        const char *textEnd = lt < end ? lt : safeEnd(p, end);
        if (text && textEnd > p && !text->add(p, std::size_t(textEnd - p)))
            return Step::Stop;
        m_pos = (text || lt < end) ? qsizetype(textEnd - base) : m_end;
        if (lt >= end)
            return Step::More;
        const char *q = lt + 1;
        if (q >= end)
            return Step::More;
        if (*q == '!') {
            if (end - q < 3)
                return Step::More;
            if (q[1] != '-' || q[2] != '-')
                return Step::Stop; // DOCTYPE, CDATA
            const char *close = find(q + 3, "-->");
            if (!close)
                return Step::More;
            m_pos = qsizetype(close + 3 - base);
            continue;
        }
        if (*q == '?') {
            const char *close = find(q + 1, "?>");
            if (!close)
                return Step::More;
            m_pos = qsizetype(close + 2 - base);
            continue;
        }
        tag->end = *q == '/';
        if (tag->end)
            ++q;
        const char *nameStart = q;
        while (q < end && !isSpace(*q) && *q != '>' && *q != '/')
            ++q;
        if (q >= end)
            return Step::More;
        if (q == nameStart)
            return Step::Stop;
        const char *colon = static_cast<const char *>(std::memchr(nameStart, ':', std::size_t(q - nameStart)));
        tag->name = colon ? colon + 1 : nameStart;
        tag->nameLength = std::size_t(q - tag->name);
        tag->attrs = q;
        // The tag ends at the first '>' outside quotes.
        char quote = 0;
        while (q < end && (quote || *q != '>')) {
            if (quote) {
                if (*q == quote)
                    quote = 0;
            } else if (*q == '"' || *q == '\'') {
                quote = *q;
            } else if (*q == '<') {
                return Step::Stop;
            }
            ++q;
        }
        if (q >= end)
            return Step::More;
        tag->selfClosing = q[-1] == '/' && !tag->end;
        tag->attrsLength = std::size_t((tag->selfClosing ? q - 1 : q) - tag->attrs);
        m_pos = qsizetype(q + 1 - base);
        return Step::Done;
    }
}

bool ByteScanner::nextTag(Tag *tag, TextSink *text)
{
    for (;;) {
        switch (scanTag(tag, text)) {
        case Step::Done: return true;
        case Step::Stop: return false;
        case Step::More: break;
        }
        if (!fill())
            return false;
    }
}

bool ByteScanner::skip(const Tag &open)
{
    if (open.selfClosing)
        return true;
    std::vector<std::string> stack{std::string(open.name, open.nameLength)};
    Tag tag;
    while (!stack.empty()) {
        if (!nextTag(&tag))
            return false;
        if (tag.end) {
            if (stack.back().compare(0, std::string::npos, tag.name, tag.nameLength) != 0)
                return false;
            stack.pop_back();
        } else if (!tag.selfClosing) {
            if (stack.size() > 256)
                return false;
            stack.emplace_back(tag.name, tag.nameLength);
        }
    }
    return true;
}

bool attribute(const Tag &t, const char *name, const char **value, std::size_t *length)
{
    const std::size_t n = std::strlen(name);
    bool found = false;
    forEachAttribute(t, [&](const char *a, std::size_t an, const char *v, std::size_t vn) {
        if (!found && an == n && std::memcmp(a, name, n) == 0) {
            *value = v;
            *length = vn;
            found = true;
        }
    });
    return found;
}

int attributeInt(const Tag &t, const char *name, int fallback)
{
    const char *v = nullptr;
    std::size_t n = 0;
    if (!attribute(t, name, &v, &n))
        return fallback;
    int value = 0;
    const auto r = std::from_chars(v, v + n, value);
    return r.ec == std::errc() && r.ptr == v + n ? value : fallback;
}

bool unescape(const char *p, std::size_t n, QByteArray *out)
{
    const char *end = p + n;
    while (p < end) {
        const char *stop = p;
        while (stop < end && *stop != '&' && *stop != '\r')
            ++stop;
        out->append(p, stop - p);
        p = stop;
        if (p >= end)
            break;
        if (*p == '\r') {
            out->append('\n');
            p += p + 1 < end && p[1] == '\n' ? 2 : 1;
            continue;
        }
        const char *semi = static_cast<const char *>(std::memchr(p, ';', std::size_t(end - p)));
        if (!semi || semi - p > longestReference)
            return false;
        const std::size_t len = std::size_t(semi - p - 1);
        const char *e = p + 1;
        auto is = [&](const char *s) { return std::strlen(s) == len && std::memcmp(e, s, len) == 0; };
        if (is("lt")) {
            out->append('<');
        } else if (is("gt")) {
            out->append('>');
        } else if (is("amp")) {
            out->append('&');
        } else if (is("quot")) {
            out->append('"');
        } else if (is("apos")) {
            out->append('\'');
        } else if (len >= 2 && e[0] == '#') {
            unsigned code = 0;
            const bool hex = e[1] == 'x';
            const auto r = std::from_chars(e + (hex ? 2 : 1), semi, code, hex ? 16 : 10);
            if (r.ec != std::errc() || r.ptr != semi || code == 0 || code > 0x10FFFF
                || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            const char32_t c = char32_t(code);
            out->append(QString::fromUcs4(&c, 1).toUtf8());
        } else {
            return false;
        }
        p = semi + 1;
    }
    return true;
}

}
