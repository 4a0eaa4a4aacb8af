#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// Records of delimited text in UTF-8, read in place: a record ends at CR, LF, CR LF or
// CR CR LF outside quotes; a field that starts with '"' runs to the closing quote, "" inside it is
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
    // Fields of a record past this many are counted, not kept: a line of millions of fields
    // costs no memory (the sheet keeps 256 columns).
    static constexpr std::size_t KeptFields = 1024;

    Scanner(const char *begin, const char *end, char separator)
        : m_p(begin), m_end(end), m_separator(separator) {}

    bool atEnd() const { return m_p >= m_end; }
    const char *position() const { return m_p; }
    // Goes on from `p`, the start of a record a reader has read itself.
    void moveTo(const char *p) { m_p = p; }
    // The next record's fields; false at the end of the text.
    bool next(std::vector<Field> &fields);
    // Passes over the blank records (a bare CR, LF or CR LF each) in front of the next one;
    // how many there were. A file of a hundred million line breaks goes by in one loop.
    std::size_t skipBlankRecords();
    // Passes over the next record; false at the end of the text. `hasContent` tells whether
    // any of its fields is non-empty.
    bool skip(bool *hasContent);
    // Of the last record, kept fields or not: how many it has, how many up to its last
    // non-empty one, and how many are not empty.
    std::size_t fieldCount() const { return m_fieldCount; }
    std::size_t filledWidth() const { return m_filledWidth; }
    std::size_t filledCount() const { return m_filledCount; }

private:
    Field quotedField(bool keep);

    const char *m_p;
    const char *m_end;
    char m_separator;
    // Fields put together, for the current record; a deque, so that earlier fields stay where
    // they are when one more is added.
    std::deque<std::string> m_joined;
    size_t m_joinedUsed = 0;
    std::size_t m_fieldCount = 0;
    std::size_t m_filledWidth = 0;
    std::size_t m_filledCount = 0;
};

// Past the line end that starts at `p` (CR, LF, CR LF or CR CR LF); `p` where none does.
const char *pastLineEnd(const char *p, const char *end);

// The number of kept fields up to the last non-empty one (0 for a blank record).
int filledWidth(const std::vector<Field> &fields);

}
