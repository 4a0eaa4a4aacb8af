// The globals substream: code page, date system, number formats, XF table, shared strings
// and the sheet list.
#include "import/xlsparser.h"

#include "import/xlsnumformat.h"
#include "import/xlsrecords.h"
#include "import/xlstext.h"

#include <cmath>

namespace xls::biff {

void BiffParser::readGlobals()
{
    Record r;
    while (m_cursor.next(&r)) {
        if (r.id == idEof)
            return;
        handleGlobalRecord(r);
    }
    // The stream ended inside the globals: nothing after them can be a sheet.
    if (m_sheets.empty())
        throw Refused{Failure::Corrupt};
}

QString BiffParser::byteString(const std::uint8_t *p, std::size_t avail, int countBytes) const
{
    if (avail < std::size_t(countBytes))
        return QString();
    const std::size_t count = countBytes == 1 ? p[0] : le16(p);
    return m_decoder.decode(p + countBytes, std::min(count, avail - std::size_t(countBytes)));
}

bool BiffParser::unicodeRecordString(const Record &r, std::size_t offset, int countBytes,
                                     QString *text) const
{
    if (offset >= r.length)
        return false;
    SegmentReader reader;
    reader.addSegment(r.data + offset, std::uint32_t(r.length - offset));
    reader.readUnicodeString(countBytes, text);
    return true; // a cut-off string keeps the characters present
}

void BiffParser::handleGlobalRecord(const Record &r)
{
    const std::uint8_t *d = r.data;
    const std::uint32_t n = r.length;
    switch (r.id) {
    case idFilepass:
        throw Refused{Failure::Encrypted};
    case idCodepage:
        if (n >= 2) {
            m_book->codepage = le16(d);
            m_decoder.setCodepage(m_book->codepage);
        }
        break;
    case idDatemode:
        if (n >= 2)
            m_book->date1904 = le16(d) == 1;
        break;
    case idFormat: {
        int id;
        QString code;
        if (m_biff == 8) {
            if (n < 2)
                break;
            id = le16(d);
            unicodeRecordString(r, 2, 2, &code);
        } else if (m_biff >= 5) {
            if (n < 3)
                break;
            id = le16(d);
            code = byteString(d + 2, n - 2, 1);
        } else { // BIFF4: two unused bytes, then the code; numbered in order
            id = m_nextFormatIndex++;
            code = byteString(d + std::min<std::uint32_t>(2, n), n - std::min<std::uint32_t>(2, n), 1);
        }
        m_formatIsDate[id] = isDateFormatCode(code);
        m_xfDateCache.clear();
        break;
    }
    case idFormat2:
        if (m_biff < 4) {
            m_formatIsDate[m_nextFormatIndex++] = isDateFormatCode(byteString(d, n, 1));
            m_xfDateCache.clear();
        }
        break;
    case idXf:
        if (m_biff >= 5 && n >= 4 && m_xfFormat.size() < 0x10000)
            m_xfFormat.push_back(le16(d + 2));
        m_xfDateCache.clear();
        break;
    case idXf3:
    case idXf4:
        if (((r.id == idXf3 && m_biff == 3) || (r.id == idXf4 && m_biff == 4)) && n >= 2
            && m_xfFormat.size() < 0x10000)
            m_xfFormat.push_back(d[1]);
        m_xfDateCache.clear();
        break;
    case idSst:
        if (m_biff == 8)
            readSst(r);
        break;
    case idBoundsheet:
        if (n >= 6 && m_sheets.size() < 0x10000) {
            SheetEntry entry{le32(d), d[5], QString()};
            if (m_biff == 8)
                unicodeRecordString(r, 6, 1, &entry.name);
            else
                entry.name = byteString(d + 6, n - 6, 1);
            m_sheets.push_back(std::move(entry));
        }
        break;
    default:
        break;
    }
}

void BiffParser::readSst(const Record &first)
{
    SegmentReader reader;
    if (first.length <= 8)
        return;
    reader.addSegment(first.data + 8, first.length - 8);
    std::uint16_t nextId = 0;
    while (m_cursor.peekId(&nextId) && nextId == idContinue) {
        Record c;
        if (!m_cursor.next(&c))
            break;
        reader.addSegment(c.data, c.length);
    }
    // The unique-string count only sizes the table; the bytes decide how many there are.
    m_sst.clear();
    m_sst.reserve(std::min<std::size_t>(le32(first.data + 4), first.length));
    QString text;
    while (!reader.atEnd()) {
        const bool whole = reader.readUnicodeString(2, &text);
        m_sst.push_back(text);
        if (!whole)
            break;
    }
}

bool BiffParser::isDateFormat(int formatId) const
{
    const auto it = m_formatIsDate.find(formatId);
    if (it != m_formatIsDate.end())
        return it->second;
    // BIFF2-4 files list every format they use; their numbers are not the built-in ids.
    return m_biff >= 5 && isBuiltinDateFormat(formatId);
}

bool BiffParser::isDateXf(std::uint32_t xf)
{
    if (xf >= m_xfFormat.size())
        return false;
    if (m_xfDateCache.size() != m_xfFormat.size())
        m_xfDateCache.assign(m_xfFormat.size(), -1);
    std::int8_t &cached = m_xfDateCache[xf];
    if (cached < 0)
        cached = isDateFormat(m_xfFormat[xf]) ? 1 : 0;
    return cached == 1;
}

}
