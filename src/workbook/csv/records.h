#pragma once

#include <deque>
#include <string>
#include <vector>

// Records of delimited text in UTF-8, read in place: a record ends at CR, LF or CR LF
// outside quotes; a field that starts with '"' runs to the closing quote, "" inside it is
// one quote, and what follows the closing quote up to the separator belongs to the field;
// an unterminated quote takes the rest of the file. Fields point into the text; only a
// quoted field with doubled quotes or text after its closing quote is put together in a
// buffer of the scanner, valid until the next record.
namespace records {

struct Field {
    const char *begin;
    const char *end;
    bool empty() const { return begin == end; }
};

class Scanner {
public:
    Scanner(const char *begin, const char *end, char separator)
        : m_p(begin), m_end(end), m_separator(separator) {}

    bool atEnd() const { return m_p >= m_end; }
    const char *position() const { return m_p; }
    // The next record's fields; false at the end of the text.
    bool next(std::vector<Field> &fields);
    // Passes over the next record; false at the end of the text. `hasContent` tells whether
    // any of its fields is non-empty.
    bool skip(bool *hasContent);

private:
    Field quotedField();

    const char *m_p;
    const char *m_end;
    char m_separator;
    // Fields put together, for the current record; a deque, so that earlier fields stay where
    // they are when one more is added.
    std::deque<std::string> m_joined;
    size_t m_joinedUsed = 0;
};

// The number of fields up to the last non-empty one (0 for a blank record).
int filledWidth(const std::vector<Field> &fields);

}
