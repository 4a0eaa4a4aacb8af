#include "workbook/xls/xlsrecords.h"

#include <algorithm>

namespace xls {

double decodeRk(std::uint32_t rk)
{
    double value;
    if (rk & 2) {
        // Signed 30-bit integer in the top bits.
        const std::int32_t i = std::int32_t(rk & 0xFFFFFFFCu) / 4;
        value = double(i);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

bool RecordCursor::next(Record *record)
{
    if (m_pos >= m_size)
        return false;
    if (m_size - m_pos < 4) {
        m_truncated = true;
        return false;
    }
    const std::uint8_t *h = m_data + m_pos;
    const std::uint32_t length = le16(h + 2);
    if (m_size - m_pos - 4 < length) {
        m_truncated = true;
        return false;
    }
    record->id = le16(h);
    record->length = length;
    record->data = h + 4;
    record->offset = m_pos;
    m_pos += 4 + std::size_t(length);
    return true;
}

bool RecordCursor::peekId(std::uint16_t *id) const
{
    if (m_size - m_pos < 4)
        return false;
    *id = le16(m_data + m_pos);
    return true;
}

void SegmentReader::addSegment(const std::uint8_t *data, std::uint32_t length)
{
    // An empty CONTINUE holds no byte, not even an option byte: reading steps over it, so
    // millions of them cost nothing.
    if (length == 0)
        return;
    m_segments.emplace_back(data, length);
}

void SegmentReader::normalize()
{
    while (m_segment < m_segments.size() && m_offset >= m_segments[m_segment].second) {
        ++m_segment;
        m_offset = 0;
    }
}

bool SegmentReader::atEnd() const
{
    for (std::size_t s = m_segment; s < m_segments.size(); ++s) {
        if ((s == m_segment ? m_offset : 0) < m_segments[s].second)
            return false;
    }
    return true;
}

bool SegmentReader::readBytes(std::uint8_t *out, std::size_t n)
{
    while (n > 0) {
        normalize();
        if (m_segment >= m_segments.size())
            return false;
        const auto &seg = m_segments[m_segment];
        const std::size_t take = std::min<std::size_t>(n, seg.second - m_offset);
        std::memcpy(out, seg.first + m_offset, take);
        out += take;
        n -= take;
        m_offset += std::uint32_t(take);
    }
    return true;
}

bool SegmentReader::skip(std::size_t n)
{
    while (n > 0) {
        normalize();
        if (m_segment >= m_segments.size())
            return false;
        const auto &seg = m_segments[m_segment];
        const std::size_t take = std::min<std::size_t>(n, seg.second - m_offset);
        n -= take;
        m_offset += std::uint32_t(take);
    }
    return true;
}

bool SegmentReader::readU16(std::uint16_t *v)
{
    std::uint8_t b[2];
    if (!readBytes(b, 2))
        return false;
    *v = le16(b);
    return true;
}

bool SegmentReader::readU32(std::uint32_t *v)
{
    std::uint8_t b[4];
    if (!readBytes(b, 4))
        return false;
    *v = le32(b);
    return true;
}

bool SegmentReader::readUnicodeString(int countBytes, QString *text)
{
    // Emptied, not released: a string table reads millions of strings into one QString.
    text->resize(0);
    std::uint32_t count = 0;
    if (countBytes == 1) {
        std::uint8_t c;
        if (!readU8(&c))
            return false;
        count = c;
    } else {
        std::uint16_t c;
        if (!readU16(&c))
            return false;
        count = c;
    }
    std::uint8_t options;
    if (!readU8(&options))
        return false;
    std::uint16_t runs = 0;
    std::uint32_t extraBytes = 0;
    if ((options & 0x08) && !readU16(&runs))
        return false;
    if ((options & 0x04) && !readU32(&extraBytes))
        return false;

    bool wide = options & 0x01;
    std::uint32_t left = count;
    while (left > 0) {
        if (m_segment >= m_segments.size() || m_offset >= m_segments[m_segment].second) {
            // The characters go on in the next record, which starts with its own option byte.
            normalize();
            std::uint8_t again;
            if (!readU8(&again))
                return false;
            wide = again & 0x01;
            continue;
        }
        const auto &seg = m_segments[m_segment];
        const std::uint32_t avail = seg.second - m_offset;
        const std::uint32_t unit = wide ? 2 : 1;
        const std::uint32_t n = std::min(left, avail / unit);
        const std::uint8_t *p = seg.first + m_offset;
        const qsizetype old = text->size();
        text->resize(old + qsizetype(n));
        QChar *dst = text->data() + old;
        if (wide) {
            for (std::uint32_t i = 0; i < n; ++i)
                dst[i] = QChar(char16_t(le16(p + 2 * i)));
        } else {
            for (std::uint32_t i = 0; i < n; ++i)
                dst[i] = QChar(char16_t(p[i]));
        }
        m_offset += n * unit;
        left -= n;
        if (n == 0)
            m_offset = seg.second; // half a character before the record's end: drop it
    }
    if (!skip(std::size_t(runs) * 4))
        return false;
    return skip(extraBytes);
}

}
