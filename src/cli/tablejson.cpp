#include "cli/tablejson.h"

#include "import/columnstore.h"

#include <algorithm>

#include <QHash>

namespace tablejson {

namespace {

char hexDigit(unsigned v) { return char(v < 10 ? '0' + v : 'a' + v - 10); }

void appendEscape(QByteArray &out, unsigned code)
{
    const char u[6] = {'\\', 'u', hexDigit((code >> 12) & 15), hexDigit((code >> 8) & 15),
                       hexDigit((code >> 4) & 15), hexDigit(code & 15)};
    out.append(u, 6);
}

class Writer {
public:
    explicit Writer(std::FILE *stream) : m_stream(stream) {}

    bool put(const char *bytes, qsizetype n)
    {
        if (m_failed)
            return false;
        if (m_buffer.size() + n > Chunk) {
            flush();
            if (n > Chunk)
                return write(bytes, n);
        }
        m_buffer.append(bytes, n);
        return !m_failed;
    }
    bool put(const QByteArray &bytes) { return put(bytes.constData(), bytes.size()); }

    // A text from the store: a long one is encoded once per distinct text, as the store
    // keeps each long text once and hands out the same characters for every item.
    bool text(const QString &text)
    {
        if (text.size() < ColumnStore::SharedLength) {
            appendString(m_buffer, text);
            return m_buffer.size() < Chunk || flush();
        }
        const Key key{text.constData(), text.size()};
        auto found = m_encoded.constFind(key);
        if (found == m_encoded.constEnd()) {
            QByteArray encoded;
            appendString(encoded, text);
            // What is kept for repeats is bounded; past it a text is encoded at each use.
            if (m_encodedBytes + encoded.size() > MaxEncodedBytes)
                return put(encoded);
            m_encodedBytes += encoded.size();
            found = m_encoded.insert(key, encoded);
        }
        return put(found.value());
    }

    bool flush()
    {
        if (!m_buffer.isEmpty() && !m_failed)
            write(m_buffer.constData(), m_buffer.size());
        m_buffer.resize(0);
        return !m_failed;
    }

private:
    static constexpr qsizetype Chunk = qsizetype(1) << 20;
    static constexpr qsizetype MaxEncodedBytes = qsizetype(256) << 20;

    struct Key {
        const QChar *chars;
        qsizetype length;
        bool operator==(const Key &o) const { return chars == o.chars && length == o.length; }
    };
    friend size_t qHash(const Key &k, size_t seed) { return qHashMulti(seed, k.chars, k.length); }

    bool write(const char *bytes, qsizetype n)
    {
        if (std::fwrite(bytes, 1, size_t(n), m_stream) != size_t(n))
            m_failed = true;
        return !m_failed;
    }

    std::FILE *m_stream;
    QByteArray m_buffer;
    QHash<Key, QByteArray> m_encoded;
    qsizetype m_encodedBytes = 0;
    bool m_failed = false;
};

}

void appendString(QByteArray &out, QStringView text)
{
    out.append('"');
    const char16_t *p = text.utf16();
    const char16_t *end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            switch (c) {
            case '"': out.append("\\\"", 2); break;
            case '\\': out.append("\\\\", 2); break;
            case '\b': out.append("\\b", 2); break;
            case '\f': out.append("\\f", 2); break;
            case '\n': out.append("\\n", 2); break;
            case '\r': out.append("\\r", 2); break;
            case '\t': out.append("\\t", 2); break;
            default:
                if (c < 0x20)
                    appendEscape(out, c);
                else
                    out.append(char(c));
            }
        } else if (c < 0x800) {
            const char u[2] = {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
            out.append(u, 2);
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t u = QChar::surrogateToUcs4(c, *p++);
            const char b[4] = {char(0xF0 | (u >> 18)), char(0x80 | ((u >> 12) & 0x3F)),
                               char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))};
            out.append(b, 4);
        } else if (QChar::isSurrogate(c)) {
            appendEscape(out, c); // a lone surrogate has no UTF-8
        } else {
            const char u[3] = {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
            out.append(u, 3);
        }
    }
    out.append('"');
}

bool write(std::FILE *stream, const ColumnStore &store, const QStringList &log, int firstItem, int lastItem)
{
    const int first = std::max(firstItem, 1) - 1; // item indexes
    const int last = lastItem - 1;
    Writer out(stream);
    bool ok = out.put("{\"columns\":[", 12);
    bool firstList = true;
    for (int k = 1; k <= ColumnStore::ListCount && ok; ++k) {
        const int n = store.count(k);
        if (n == 0)
            continue;
        ok = out.put(firstList ? "[" : ",[", firstList ? 1 : 2);
        firstList = false;
        for (int i = first; i < n && i <= last && ok; ++i)
            ok = (i == first || out.put(",", 1)) && out.text(store.item(k, i));
        ok = ok && out.put("]", 1);
    }
    ok = ok && out.put("],\"log\":[", 9);
    for (int i = 0; i < log.size() && ok; ++i)
        ok = (i == 0 || out.put(",", 1)) && out.text(log.at(i));
    return ok && out.put("]}\n", 3) && out.flush() && std::fflush(stream) == 0 && !std::ferror(stream);
}

}
