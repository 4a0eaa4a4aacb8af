#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Bounds-checked access to BIFF records: every read checks the bytes it needs against the
// record, so nothing a file says can make the reader go past its buffer.
namespace xls {

inline std::uint16_t le16(const std::uint8_t *p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}
inline double leDouble(const std::uint8_t *p)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// An RK value: a 30-bit integer or the top 30 bits of a double, optionally divided by 100.
double decodeRk(std::uint32_t rk);

struct Record {
    std::uint16_t id = 0;
    const std::uint8_t *data = nullptr;
    std::uint32_t length = 0;
    std::size_t offset = 0; // of the record header in the stream
};

class RecordCursor {
public:
    RecordCursor(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    // The next whole record; false at the end of the stream or when the next record runs
    // past it (then truncated() is true).
    bool next(Record *record);
    bool peekId(std::uint16_t *id) const;
    bool truncated() const { return m_truncated; }
    std::size_t position() const { return m_pos; }
    void seek(std::size_t pos) { m_pos = pos <= m_size ? pos : m_size; }
    std::size_t size() const { return m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_truncated = false;
};

// A record's data followed by the data of its CONTINUE records, read as one sequence of
// bytes that knows where each record starts (a split string restarts there with a new
// option byte).
class SegmentReader {
public:
    void addSegment(const std::uint8_t *data, std::uint32_t length);
    bool atEnd() const;
    bool readBytes(std::uint8_t *out, std::size_t n);
    bool skip(std::size_t n);
    bool readU8(std::uint8_t *v) { return readBytes(v, 1); }
    bool readU16(std::uint16_t *v);
    bool readU32(std::uint32_t *v);

    // A BIFF8 string: a character count of `countBytes` (1 or 2) bytes, an option byte,
    // optional rich-text and phonetic blocks, then the characters. The blocks after the
    // characters are skipped. False when the bytes end first; `text` then holds what was read.
    bool readUnicodeString(int countBytes, QString *text);

private:
    void normalize(); // step over exhausted segments
    std::vector<std::pair<const std::uint8_t *, std::uint32_t>> m_segments;
    std::size_t m_segment = 0;
    std::uint32_t m_offset = 0;
};

}
