#include "workbook/csv/records.h"

#include <cstdint>
#include <cstring>

namespace records {

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the byte scans take the lowest byte first");

constexpr std::uint64_t Ones = 0x0101010101010101ull;
constexpr std::uint64_t Highs = 0x8080808080808080ull;

// The high bit of each byte of `word` equal to the byte broadcast in `pattern`. A false
// mark can only follow a true one, so the lowest mark is always right.
inline std::uint64_t equalBytes(std::uint64_t word, std::uint64_t pattern)
{
    const std::uint64_t x = word ^ pattern;
    return (x - Ones) & ~x & Highs;
}

// The first separator, CR or LF in [p, end), or end. Eight bytes at a time: a number field
// is usually found in one step.
inline const char *fieldEnd(const char *p, const char *end, char separator)
{
    const std::uint64_t sep = Ones * static_cast<unsigned char>(separator);
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t marks = equalBytes(word, sep) | equalBytes(word, Ones * '\n') | equalBytes(word, Ones * '\r');
        if (marks)
            return p + (__builtin_ctzll(marks) >> 3);
        p += 8;
    }
    while (p < end && *p != separator && *p != '\n' && *p != '\r')
        ++p;
    return p;
}

}

const char *pastLineEnd(const char *p, const char *end)
{
    // Some exporters end every line with CR CR LF: that is one line end, not a blank line
    // after each record.
    if (end - p >= 3 && p[0] == '\r' && p[1] == '\r' && p[2] == '\n')
        return p + 3;
    if (p < end && *p == '\r')
        ++p;
    if (p < end && *p == '\n')
        ++p;
    return p;
}

Field Scanner::quotedField(bool keep)
{
    ++m_p; // the opening quote
    const char *start = m_p;
    const char *close = static_cast<const char *>(std::memchr(m_p, '"', size_t(m_end - m_p)));
    if (!close) { // unterminated: the rest of the text is the field
        m_p = m_end;
        return {start, m_end};
    }
    m_p = close + 1;
    const bool plain = m_p >= m_end || *m_p == m_separator || *m_p == '\n' || *m_p == '\r';
    if (plain)
        return {start, close};
    if (!keep) { // counted only: its end is all that matters, and whether it is empty
        while (m_p < m_end && *m_p == '"') {
            const char *next = static_cast<const char *>(std::memchr(m_p + 1, '"', size_t(m_end - m_p - 1)));
            m_p = next ? next + 1 : m_end;
        }
        while (m_p < m_end && *m_p != m_separator && *m_p != '\n' && *m_p != '\r')
            ++m_p;
        return {start, m_p};
    }
    // Doubled quotes or text after the quote: the field is put together.
    if (m_joinedUsed == m_joined.size())
        m_joined.emplace_back();
    std::string &out = m_joined[m_joinedUsed++];
    out.assign(start, close);
    while (m_p < m_end && *m_p == '"') { // a doubled quote
        out += '"';
        ++m_p;
        const char *next = static_cast<const char *>(std::memchr(m_p, '"', size_t(m_end - m_p)));
        if (!next) {
            out.append(m_p, m_end);
            m_p = m_end;
            return {out.data(), out.data() + out.size()};
        }
        out.append(m_p, next);
        m_p = next + 1;
    }
    const char *tail = m_p;
    while (m_p < m_end && *m_p != m_separator && *m_p != '\n' && *m_p != '\r')
        ++m_p;
    out.append(tail, m_p);
    return {out.data(), out.data() + out.size()};
}

bool Scanner::next(std::vector<Field> &fields)
{
    fields.clear();
    m_joinedUsed = 0;
    m_fieldCount = 0;
    m_filledWidth = 0;
    m_filledCount = 0;
    if (m_p >= m_end)
        return false;
    // Kept in locals: a store into `fields` could otherwise be this object's members to
    // the compiler, which would then read them again for every field.
    const char *p = m_p;
    const char *const end = m_end;
    const char separator = m_separator;
    std::size_t count = 0, width = 0, filled = 0;
    const auto add = [&](const char *begin, const char *fieldEnd) {
        if (fields.size() < KeptFields) {
            fields.emplace_back();
            Field &field = fields.back();
            field.begin = begin;
            field.end = fieldEnd;
        }
        ++count;
        if (begin != fieldEnd) {
            width = count;
            ++filled;
        }
    };
    for (;;) {
        if (*p == '"') {
            m_p = p;
            const Field field = quotedField(fields.size() < KeptFields);
            p = m_p;
            add(field.begin, field.end);
        } else {
            const char *start = p;
            p = fieldEnd(p, end, separator);
            add(start, p);
        }
        if (p < end && *p == separator) {
            ++p;
            if (p < end)
                continue;
            add(p, p); // a separator ends the text: one more empty field
        }
        break;
    }
    m_p = pastLineEnd(p, end);
    m_fieldCount = count;
    m_filledWidth = width;
    m_filledCount = filled;
    return true;
}

std::size_t Scanner::skipBlankRecords()
{
    std::size_t count = 0;
    while (m_p < m_end && (*m_p == '\r' || *m_p == '\n')) {
        m_p = pastLineEnd(m_p, m_end);
        ++count;
    }
    return count;
}

bool Scanner::skip(bool *hasContent)
{
    static thread_local std::vector<Field> fields;
    if (!next(fields))
        return false;
    *hasContent = m_filledWidth > 0;
    return true;
}

int filledWidth(const std::vector<Field> &fields)
{
    int width = int(fields.size());
    while (width > 0 && fields[size_t(width) - 1].empty())
        --width;
    return width;
}

}
