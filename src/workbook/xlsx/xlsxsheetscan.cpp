#include "workbook/xlsx/xlsxsheetscan.h"

#include "workbook/package/xmlbytescan.h"

#include <charconv>
#include <cstring>

// Inside sheetData only row, c, v, f, is, r, t and rPh are looked into; any other element
// is skipped whole. Nesting is checked on the way.

namespace xlsx {

namespace {

using package::Tag;

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

// Collects a value's character data, references resolved.
class ValueSink : public package::TextSink {
public:
    explicit ValueSink(QByteArray &out) : m_out(out) {}
    bool add(const char *text, std::size_t length) override { return package::unescape(text, length, &m_out); }

private:
    QByteArray &m_out;
};

class SheetScan {
public:
    SheetScan(QIODevice &part, const CellStore &store, qsizetype window)
        : m_scan(part, window), m_store(store), m_sink(m_value) {}

    bool run()
    {
        if (!m_scan.isUtf8())
            return false;
        Tag tag;
        // Up to sheetData: only the dimension matters.
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end)
                continue;
            if (tag.is("dimension")) {
                readDimension(tag);
            } else if (tag.is("sheetData")) {
                if (tag.selfClosing)
                    return true;
                break;
            }
        }
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end)
                return tag.is("sheetData");
            if (!tag.is("row")) {
                if (!m_scan.skip(tag))
                    return false;
                continue;
            }
            const int r = package::attributeInt(tag, "r", 0);
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
        if (!package::attribute(tag, "ref", &v, &n))
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

    bool readRow()
    {
        Tag tag;
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end)
                return tag.is("row");
            if (!tag.is("c")) {
                if (!m_scan.skip(tag))
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
        package::forEachAttribute(c, [&](const char *a, std::size_t an, const char *v, std::size_t vn) {
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

        m_value.resize(0); // keeps the buffer for the next cell
        bool hasValue = false;
        Tag tag;
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end) {
                if (!tag.is("c"))
                    return false;
                break;
            }
            if (tag.is("v")) {
                hasValue = true;
                if (tag.selfClosing)
                    continue;
                if (!m_scan.nextTag(&tag, &m_sink) || !tag.end || !tag.is("v"))
                    return false;
            } else if (tag.is("is")) {
                if (!tag.selfClosing && !readInline())
                    return false;
                hasValue = true;
            } else if (!m_scan.skip(tag)) {
                return false;
            }
        }
        if (!hasValue || !m_store.out.keep(row, column))
            return true;
        store(row, column, type, xf);
        return true;
    }

    // <is>: the text of its t elements, directly or in runs; phonetic runs are left out.
    bool readInline()
    {
        Tag tag;
        int depth = 1;
        while (depth > 0) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end) {
                --depth;
            } else if (tag.is("t") && !tag.selfClosing) {
                if (!m_scan.nextTag(&tag, &m_sink) || !tag.end || !tag.is("t"))
                    return false;
            } else if (tag.is("rPh") || tag.is("rPr")) {
                if (!m_scan.skip(tag))
                    return false;
            } else if (!tag.selfClosing) {
                ++depth;
            }
        }
        return true;
    }

    void store(int row, int column, Type type, int xf)
    {
        const char *v = m_value.constData();
        const char *end = v + m_value.size();
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
                if (index < m_store.sharedStrings)
                    m_store.out.sharedText(row, column, index);
                return;
            }
            break;
        }
        default:
            break;
        }
        m_store.store(row, column, typeName(type), xf, QString::fromUtf8(v, qsizetype(end - v)));
    }

    package::ByteScanner m_scan;
    const CellStore &m_store;
    QByteArray m_value; // the value's text, references resolved
    ValueSink m_sink;
    int m_row = 0;
    int m_column = 0;
};

}

bool scanSheet(QIODevice &part, const CellStore &store, qsizetype window)
{
    return SheetScan(part, store, window).run();
}

}
