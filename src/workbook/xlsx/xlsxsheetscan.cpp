#include "workbook/xlsx/xlsxsheetscan.h"

#include <charconv>
#include <cstring>

// Understands: the XML declaration, comments and processing instructions anywhere, elements
// with or without a namespace prefix, attributes in either quote, the five predefined
// entities and character references. Inside sheetData only row, c, v, f, is, r, t and rPh
// are looked into; any other element is skipped whole. Nesting is checked on the way.

namespace xlsx {

namespace {

struct Tag {
    const char *name = nullptr; // local name, without a prefix
    std::size_t nameLength = 0;
    const char *attrs = nullptr; // the attribute text
    std::size_t attrsLength = 0;
    bool end = false;         // </name>
    bool selfClosing = false; // <name/>
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

template <std::size_t N>
bool nameIs(const Tag &t, const char (&name)[N])
{
    return t.nameLength == N - 1 && std::memcmp(t.name, name, N - 1) == 0;
}

class Scanner {
public:
    Scanner(const char *begin, const char *end) : m_p(begin), m_end(end) {}

    // Moves past the next markup and describes it; false at the end of the bytes or for
    // markup the scanner does not handle.
    bool nextTag(Tag *tag, const char **textStart, std::size_t *textLength)
    {
        for (;;) {
            // Text between tags is short here: a plain loop beats a call to memchr.
            const char *lt = m_p;
            while (lt < m_end && *lt != '<')
                ++lt;
            if (lt >= m_end)
                return false;
            *textStart = m_p;
            *textLength = std::size_t(lt - m_p);
            const char *q = lt + 1;
            if (q >= m_end)
                return false;
            if (*q == '!') {
                if (m_end - q >= 3 && q[1] == '-' && q[2] == '-') {
                    const char *close = find(q + 3, "-->");
                    if (!close)
                        return false;
                    m_p = close + 3;
                    if (*textLength != 0)
                        return false; // text split by a comment: leave it to the XML reader
                    continue;
                }
                return false; // DOCTYPE, CDATA
            }
            if (*q == '?') {
                const char *close = find(q + 1, "?>");
                if (!close)
                    return false;
                m_p = close + 2;
                continue;
            }
            tag->end = *q == '/';
            if (tag->end)
                ++q;
            const char *nameStart = q;
            while (q < m_end && !isSpace(*q) && *q != '>' && *q != '/')
                ++q;
            if (q >= m_end || q == nameStart)
                return false;
            const char *colon = static_cast<const char *>(std::memchr(nameStart, ':', std::size_t(q - nameStart)));
            tag->name = colon ? colon + 1 : nameStart;
            tag->nameLength = std::size_t(q - tag->name);
            tag->attrs = q;
            // The tag ends at the first '>' outside quotes.
            char quote = 0;
            while (q < m_end && (quote || *q != '>')) {
                if (quote) {
                    if (*q == quote)
                        quote = 0;
                } else if (*q == '"' || *q == '\'') {
                    quote = *q;
                } else if (*q == '<') {
                    return false;
                }
                ++q;
            }
            if (q >= m_end)
                return false;
            tag->selfClosing = q[-1] == '/' && !tag->end;
            tag->attrsLength = std::size_t((tag->selfClosing ? q - 1 : q) - tag->attrs);
            m_p = q + 1;
            return true;
        }
    }

private:
    const char *find(const char *from, const char *what) const
    {
        const std::size_t n = std::strlen(what);
        for (const char *p = from; p + n <= m_end; ++p) {
            p = static_cast<const char *>(std::memchr(p, what[0], std::size_t(m_end - p)));
            if (!p || p + n > m_end)
                return nullptr;
            if (std::memcmp(p, what, n) == 0)
                return p;
        }
        return nullptr;
    }

    const char *m_p;
    const char *m_end;
};

// Calls visit(name, nameLength, value, valueLength) for every unprefixed attribute of the
// tag, raw; false when the attribute text is malformed.
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

// The value of the unprefixed attribute `name`, raw.
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

// Character data with its references resolved and line ends normalised, appended to `out`
// as UTF-8; false for a reference that is not predefined.
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
        if (!semi || semi - p > 12)
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

enum class Type { Number, Shared, Text, Boolean, Error, Date, Other };

Type typeOf(const char *v, std::size_t n)
{
    auto is = [&](const char *s) { return std::strlen(s) == n && std::memcmp(v, s, n) == 0; };
    if (n == 0 || is("n"))
        return Type::Number;
    if (is("s"))
        return Type::Shared;
    if (is("str") || is("inlineStr"))
        return Type::Text;
    if (is("b"))
        return Type::Boolean;
    if (is("e"))
        return Type::Error;
    if (is("d"))
        return Type::Date;
    return Type::Other;
}

QStringView typeName(Type t)
{
    switch (t) {
    case Type::Number: return u"n";
    case Type::Shared: return u"s";
    case Type::Text: return u"str";
    case Type::Boolean: return u"b";
    case Type::Error: return u"e";
    case Type::Date: return u"d";
    case Type::Other: break;
    }
    return u"?";
}

class SheetScan {
public:
    SheetScan(const QByteArray &xml, const CellStore &store)
        : m_scan(xml.constData(), xml.constData() + xml.size()), m_store(store) {}

    bool run()
    {
        Tag tag;
        const char *text = nullptr;
        std::size_t textLength = 0;
        // Up to sheetData: only the dimension matters.
        for (;;) {
            if (!m_scan.nextTag(&tag, &text, &textLength))
                return false;
            if (tag.end)
                continue;
            if (nameIs(tag, "dimension")) {
                readDimension(tag);
            } else if (nameIs(tag, "sheetData")) {
                if (tag.selfClosing)
                    return true;
                break;
            }
        }
        for (;;) {
            if (!m_scan.nextTag(&tag, &text, &textLength))
                return false;
            if (tag.end)
                return nameIs(tag, "sheetData");
            if (!nameIs(tag, "row")) {
                if (!tag.selfClosing && !skip(tag))
                    return false;
                continue;
            }
            const int r = attributeInt(tag, "r", 0);
            m_row = r > 0 ? r : m_row + 1;
            m_column = 0;
            if (!tag.selfClosing && !readRow())
                return false;
        }
    }

private:
    void readDimension(const Tag &tag)
    {
        const char *v = nullptr;
        std::size_t n = 0;
        if (!attribute(tag, "ref", &v, &n))
            return;
        const char *colon = static_cast<const char *>(std::memchr(v, ':', n));
        int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
        parseReference(v, colon ? std::size_t(colon - v) : n, &c1, &r1);
        if (colon)
            parseReference(colon + 1, n - std::size_t(colon + 1 - v), &c2, &r2);
        else
            r2 = r1;
        m_store.out.declareRows(r1, r2);
    }

    // Skips the element just opened, checking that its tags nest.
    bool skip(const Tag &open)
    {
        std::vector<std::pair<const char *, std::size_t>> stack{{open.name, open.nameLength}};
        Tag tag;
        const char *text = nullptr;
        std::size_t n = 0;
        while (!stack.empty()) {
            if (!m_scan.nextTag(&tag, &text, &n))
                return false;
            if (tag.end) {
                if (tag.nameLength != stack.back().second
                    || std::memcmp(tag.name, stack.back().first, tag.nameLength) != 0)
                    return false;
                stack.pop_back();
            } else if (!tag.selfClosing) {
                if (stack.size() > 256)
                    return false;
                stack.push_back({tag.name, tag.nameLength});
            }
        }
        return true;
    }

    bool readRow()
    {
        Tag tag;
        const char *text = nullptr;
        std::size_t n = 0;
        for (;;) {
            if (!m_scan.nextTag(&tag, &text, &n))
                return false;
            if (tag.end)
                return nameIs(tag, "row");
            if (!nameIs(tag, "c")) {
                if (!tag.selfClosing && !skip(tag))
                    return false;
                continue;
            }
            if (!readCell(tag))
                return false;
        }
    }

    bool readCell(const Tag &c)
    {
        int column = 0, row = 0, xf = 0;
        Type type = Type::Number;
        forEachAttribute(c, [&](const char *a, std::size_t an, const char *v, std::size_t vn) {
            if (an != 1)
                return;
            if (*a == 'r') {
                parseReference(v, vn, &column, &row);
            } else if (*a == 't') {
                type = typeOf(v, vn);
            } else if (*a == 's') {
                const auto r = std::from_chars(v, v + vn, xf);
                if (r.ec != std::errc() || r.ptr != v + vn)
                    xf = 0;
            }
        });
        if (row == 0)
            row = std::max(m_row, 1);
        if (column == 0)
            column = m_column + 1;
        m_column = column;
        if (type == Type::Other)
            return false;
        if (c.selfClosing)
            return true;
        std::size_t n = 0;

        m_value.resize(0); // keeps the buffer for the next cell
        m_raw = nullptr;
        m_rawLength = 0;
        bool hasValue = false;
        Tag tag;
        const char *text = nullptr;
        for (;;) {
            if (!m_scan.nextTag(&tag, &text, &n))
                return false;
            if (tag.end) {
                if (!nameIs(tag, "c"))
                    return false;
                break;
            }
            if (nameIs(tag, "v")) {
                if (tag.selfClosing) {
                    hasValue = true;
                    continue;
                }
                if (!m_scan.nextTag(&tag, &text, &n) || !tag.end || !nameIs(tag, "v"))
                    return false;
                if (m_value.isEmpty() && !std::memchr(text, '&', n) && !std::memchr(text, '\r', n)) {
                    m_raw = text; // nothing to resolve: read in place
                    m_rawLength = n;
                } else if (!unescape(text, n, &m_value)) {
                    return false;
                }
                hasValue = true;
            } else if (nameIs(tag, "is")) {
                if (!tag.selfClosing && !readInline())
                    return false;
                hasValue = true;
            } else if (!tag.selfClosing && !skip(tag)) {
                return false;
            }
        }
        if (!hasValue || !workbook::SheetBuilder::inGrid(row, column))
            return true;
        store(row, column, type, xf);
        return true;
    }

    // <is>: the text of its t elements, directly or in runs; phonetic runs are left out.
    bool readInline()
    {
        Tag tag;
        const char *text = nullptr;
        std::size_t n = 0;
        int depth = 1;
        while (depth > 0) {
            if (!m_scan.nextTag(&tag, &text, &n))
                return false;
            if (tag.end) {
                --depth;
            } else if (nameIs(tag, "t") && !tag.selfClosing) {
                if (!m_scan.nextTag(&tag, &text, &n) || !tag.end || !nameIs(tag, "t")
                    || !unescape(text, n, &m_value))
                    return false;
            } else if (nameIs(tag, "rPh") || nameIs(tag, "rPr")) {
                if (!tag.selfClosing && !skip(tag))
                    return false;
            } else if (!tag.selfClosing) {
                ++depth;
            }
        }
        return true;
    }

    void store(int row, int column, Type type, int xf)
    {
        const char *v = m_raw ? m_raw : m_value.constData();
        const char *end = m_raw ? m_raw + m_rawLength : v + m_value.size();
        switch (type) {
        case Type::Number: {
            if (v == end)
                return; // a formula without a cached result
            double number = 0;
            const auto r = std::from_chars(v, end, number);
            if (r.ec == std::errc() && r.ptr == end) {
                m_store.out.number(row, column, number, m_store.isDateStyle(xf));
                return;
            }
            break;
        }
        case Type::Shared: {
            unsigned index = 0;
            const auto r = std::from_chars(v, end, index);
            if (r.ec == std::errc() && r.ptr == end) {
                if (index < m_store.strings.size())
                    m_store.out.text(row, column, m_store.strings[index]);
                return;
            }
            break;
        }
        default:
            break;
        }
        m_store.store(row, column, typeName(type), xf, QString::fromUtf8(v, qsizetype(end - v)));
    }

    Scanner m_scan;
    const CellStore &m_store;
    QByteArray m_value;          // the value's text, references resolved
    const char *m_raw = nullptr; // or the value in place, when it needs no resolving
    std::size_t m_rawLength = 0;
    int m_row = 0;
    int m_column = 0;
};

// Only UTF-8 (the declaration may say so or say nothing) is read here.
bool isUtf8Part(const QByteArray &xml)
{
    if (xml.startsWith("\xEF\xBB\xBF"))
        return true;
    if (!xml.startsWith("<?xml"))
        return !xml.startsWith("\xFF\xFE") && !xml.startsWith("\xFE\xFF");
    const qsizetype close = xml.indexOf("?>");
    const QByteArray declaration = xml.left(close < 0 ? 200 : close).toLower();
    const qsizetype at = declaration.indexOf("encoding");
    return at < 0 || declaration.indexOf("utf-8", at) > 0;
}

}

bool scanSheet(const QByteArray &xml, const CellStore &store)
{
    if (!isUtf8Part(xml))
        return false;
    return SheetScan(xml, store).run();
}

}
