// The globals substream: code page, date system, number formats, XF table, shared strings
// and the sheet list.
#include "workbook/xls/xlsparser.h"

#include "workbook/numformat.h"
#include "workbook/xls/xlsrecords.h"
#include "workbook/xls/xlstext.h"

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
            id = m_nextFormatIndex;
            if (m_nextFormatIndex <= 0xFFFF)
                ++m_nextFormatIndex;
            code = byteString(d + std::min<std::uint32_t>(2, n), n - std::min<std::uint32_t>(2, n), 1);
        }
        setFormat(id, code);
        break;
    }
    case idFormat2:
        if (m_biff < 4) {
            const int id = m_nextFormatIndex;
            if (m_nextFormatIndex <= 0xFFFF)
                ++m_nextFormatIndex;
            setFormat(id, byteString(d, n, 1));
        }
        break;
    case idXf:
        if (m_biff >= 5 && n >= 4 && m_xfFormat.size() < 0x10000)
            m_xfFormat.push_back(le16(d + 2));
        break;
    case idXf3:
    case idXf4:
        if (((r.id == idXf3 && m_biff == 3) || (r.id == idXf4 && m_biff == 4)) && n >= 2
            && m_xfFormat.size() < 0x10000)
            m_xfFormat.push_back(d[1]);
        break;
    case idSst:
        if (m_biff == 8) {
            m_sstOffset = r.offset;
            readSst(r);
        }
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
    QString text;
    while (!reader.atEnd()) {
        const bool whole = reader.readUnicodeString(2, &text);
        m_sst.append(text);
        if (!whole)
            break;
    }
}

void BiffParser::rereadSst()
{
    m_sst.clear();
    if (m_sstOffset == SIZE_MAX)
        return;
    m_cursor.seek(m_sstOffset);
    Record r;
    if (m_cursor.next(&r))
        readSst(r);
}

void BiffParser::setFormat(int formatId, const QString &code)
{
    // No XF can name a format past 0xFFFF: such a record (the index of the 65,537th BIFF2-4
    // format) is read and dropped.
    if (formatId < 0 || formatId > 0xFFFF)
        return;
    if (m_formatDate.empty())
        m_formatDate.assign(0x10000, -1);
    m_formatDate[std::size_t(formatId)] = workbook::isDateFormatCode(code) ? 1 : 0;
}

bool BiffParser::isDateFormat(int formatId) const
{
    if (formatId >= 0 && std::size_t(formatId) < m_formatDate.size()
        && m_formatDate[std::size_t(formatId)] >= 0)
        return m_formatDate[std::size_t(formatId)] == 1;
    // BIFF2-4 files list every format they use; their numbers are not the built-in ids.
    return m_biff >= 5 && workbook::isBuiltinDateFormat(formatId);
}

bool BiffParser::isDateXf(std::uint32_t xf) const
{
    return xf < m_xfFormat.size() && isDateFormat(m_xfFormat[xf]);
}

}
