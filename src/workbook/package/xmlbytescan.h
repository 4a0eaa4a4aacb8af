#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstddef>
#include <string>

// XML read straight from its UTF-8 bytes as a device delivers them, for the parts where
// the general XML reader is too slow (worksheets of millions of cells, string tables of
// millions of strings). Only a window of the part is in memory: a text longer than the
// window reaches its sink in pieces. Understands the XML declaration, comments and
// processing instructions anywhere, elements with or without a namespace prefix,
// attributes in either quote, the five predefined entities and character references;
// anything else (a DTD, CDATA, another encoding) makes the scan stop, and its caller reads
// the part again with the XML reader, which handles or refuses it.
namespace package {

struct Tag {
    const char *name = nullptr; // local name, without a prefix
    std::size_t nameLength = 0;
    const char *attrs = nullptr; // the attribute text
    std::size_t attrsLength = 0;
    bool end = false;         // </name>
    bool selfClosing = false; // <name/>

    template <std::size_t N>
    bool is(const char (&n)[N]) const
    {
        return nameLength == N - 1 && std::char_traits<char>::compare(name, n, N - 1) == 0;
    }
};

// Receives character data raw (references not resolved), in pieces that never split a
// reference, a CR LF pair or a UTF-8 sequence. false stops the scan.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual bool add(const char *text, std::size_t length) = 0;
};

class ByteScanner {
public:
    explicit ByteScanner(QIODevice &device, qsizetype window = qsizetype(1) << 16);

    // Whether the part is UTF-8 (a byte-order mark, or a declaration that says so or names
    // no encoding); the only encoding read here.
    bool isUtf8();
    // Moves past the next tag and describes it; the tag's pointers are valid until the next
    // call. The text before the tag goes to `text` (dropped when null). false at the end of
    // the part or for markup not handled.
    bool nextTag(Tag *tag, TextSink *text = nullptr);
    // Skips the rest of the element `open` opened, checking that its tags nest.
    bool skip(const Tag &open);

private:
    enum class Step { Done, More, Stop };
    Step scanTag(Tag *tag, TextSink *text);
    // Reads more of the part after dropping what is before the current position; false at
    // the end of the part.
    bool fill();
    const char *find(const char *from, const char *what) const;

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0; // next byte to scan
    qsizetype m_end = 0; // end of the bytes read
    bool m_atEnd = false;
};

// Calls visit(name, nameLength, value, valueLength) for every unprefixed attribute of the
// tag, raw; false when the attribute text is malformed.
template <typename Visit>
bool forEachAttribute(const Tag &t, Visit visit);

// The value of the unprefixed attribute `name`, raw.
bool attribute(const Tag &t, const char *name, const char **value, std::size_t *length);
int attributeInt(const Tag &t, const char *name, int fallback);

// Character data with its references resolved and line ends normalised, appended to `out`
// as UTF-8; false for a reference that is not predefined.
bool unescape(const char *text, std::size_t length, QByteArray *out);

// ---- implementation of the template

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

template <typename Visit>
bool forEachAttribute(const Tag &t, Visit visit)
{
    const char *p = t.attrs;
    const char *end = t.attrs + t.attrsLength;
    for (;;) {
        while (p < end && isSpace(*p))
            ++p;
        if (p >= end)
            return true;
        const char *nameStart = p;
        bool prefixed = false;
        while (p < end && *p != '=' && !isSpace(*p)) {
            prefixed = prefixed || *p == ':';
            ++p;
        }
        const char *nameEnd = p;
        while (p < end && isSpace(*p))
            ++p;
        if (p >= end || *p != '=')
            return false;
        ++p;
        while (p < end && isSpace(*p))
            ++p;
        if (p >= end || (*p != '"' && *p != '\''))
            return false;
        const char quote = *p++;
        const char *valueStart = p;
        while (p < end && *p != quote)
            ++p;
        if (p >= end)
            return false;
        if (!prefixed)
            visit(nameStart, std::size_t(nameEnd - nameStart), valueStart, std::size_t(p - valueStart));
        ++p;
    }
}

}
