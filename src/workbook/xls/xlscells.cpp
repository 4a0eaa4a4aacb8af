// Worksheet cell records into the sheet's cells.
#include "workbook/xls/xlsparser.h"

#include "workbook/numformat.h"
#include "workbook/xls/xlsrecords.h"
#include "workbook/xls/xlstext.h"

#include <algorithm>
#include <cmath>

namespace xls::biff {

bool BiffParser::cellPosition(const std::uint8_t *p, int *row, int *col)
{
    const int r = le16(p);
    const int c = le16(p + 2);
    if (r >= m_maxRow || c >= 256)
        return false;
    *row = r + 1;
    *col = c + 1;
    return true;
}

void BiffParser::touch(int row, int col)
{
    (void)col;
    if (m_cellFirstRow == 0 || row < m_cellFirstRow)
        m_cellFirstRow = row;
    if (row > m_cellLastRow)
        m_cellLastRow = row;
}

// Room for the cells of the rows and columns a DIMENSIONS record declares, so a long sheet
// is not copied as it grows; never more than the records left in the stream can hold (six
// bytes a cell at least, in a MULRK), so a false claim costs nothing.
void BiffParser::reserveDeclared(int rows, int firstColumn, int endColumn)
{
    const int columns = std::min(endColumn, 256) - firstColumn;
    if (rows <= 0 || columns <= 0)
        return;
    const std::size_t left = m_cursor.size() - m_cursor.position();
    m_sheet.reserveCells(std::min(std::size_t(rows) * std::size_t(columns), left / 6),
                         std::size_t(m_dimLastRow));
}

void BiffParser::storeBoolErr(int row, int col, std::uint8_t value, bool isError)
{
    touch(row, col);
    if (isError)
        m_sheet.setError(row, col, value);
    else
        m_sheet.setNumber(row, col, workbook::CellType::Boolean, value ? 1 : 0);
}

void BiffParser::storeNumber(int row, int col, double value, bool date)
{
    touch(row, col);
    if (!std::isfinite(value)) {
        // Excel cannot hold NaN or infinity; it shows such a value as #NUM!.
        m_sheet.setError(row, col, errorNum);
        return;
    }
    if (date) {
        const double serial = m_book->date1904 ? value + 1462 : value;
        // Outside year 0 to 9999 a date format shows no date: keep the number.
        if (serial >= 0 && serial < 2958466) {
            m_sheet.setNumber(row, col, workbook::CellType::DateTime, serial);
            return;
        }
    }
    m_sheet.setNumber(row, col, workbook::CellType::Number, value);
}

void BiffParser::storeText(int row, int col, const QString &text)
{
    touch(row, col);
    m_sheet.setOwnText(row, col, text);
}

void BiffParser::storeFormulaResult(int row, int col, const std::uint8_t *result, bool date)
{
    m_pendingRow = 0;
    if (le16(result + 6) != 0xFFFF) {
        storeNumber(row, col, leDouble(result), date);
        return;
    }
    touch(row, col);
    switch (result[0]) {
    case 0: // the text is in the STRING record that follows
        m_pendingRow = row;
        m_pendingCol = col;
        m_sheet.setNumber(row, col, workbook::CellType::Empty, 0);
        break;
    case 1:
        m_sheet.setNumber(row, col, workbook::CellType::Boolean, result[2] ? 1 : 0);
        break;
    case 2:
        m_sheet.setError(row, col, result[2]);
        break;
    default: // 3: an empty string; anything else is unknown and shows nothing
        m_sheet.setNumber(row, col, workbook::CellType::Empty, 0);
        break;
    }
}

void BiffParser::readSheet(bool withGlobals)
{
    m_sheet.setStrings(std::move(m_sst));
    std::uint32_t sstCount = m_sheet.stringCount();
    m_sst.clear();
    int depth = 0; // embedded chart substreams inside the sheet
    Record r;
    while (m_cursor.next(&r)) {
        if (isBofId(r.id)) {
            ++depth;
            continue;
        }
        if (r.id == idEof) {
            if (depth == 0)
                break;
            --depth;
            continue;
        }
        if (depth > 0)
            continue;
        if (withGlobals) {
            handleGlobalRecord(r);
            // A string table inside a lone sheet (some writers): usable before any label.
            if (r.id == idSst && sstCount == 0 && m_sheet.stringCount() == 0) {
                m_sheet.setStrings(std::move(m_sst));
                sstCount = m_sheet.stringCount();
            }
            m_sst.clear();
        }
        if (r.id == idLabelSst) {
            int row, col;
            if (r.length >= 10 && cellPosition(r.data, &row, &col)) {
                const std::uint32_t index = le32(r.data + 6);
                if (index < sstCount) {
                    touch(row, col);
                    m_sheet.setText(row, col, index);
                }
            }
            continue;
        }
        handleCellRecord(r);
    }

    int first = m_dimFirstRow, last = m_dimLastRow;
    if (m_cellFirstRow > 0) {
        if (first == 0 || m_cellFirstRow < first)
            first = m_cellFirstRow;
        if (m_cellLastRow > last)
            last = m_cellLastRow;
    }
    if (first > 0)
        m_sheet.setUsedRows(first, last);
}

void BiffParser::handleCellRecord(const Record &r)
{
    const std::uint8_t *d = r.data;
    const std::uint32_t n = r.length;
    int row = 0, col = 0;
    const bool biff2 = m_biff == 2;

    if (biff2) {
        switch (r.id) {
        case idDimensions2:
            if (n >= 8) {
                const int first = le16(d), end = le16(d + 2);
                if (first < end && end <= m_maxRow) {
                    m_dimFirstRow = first + 1;
                    m_dimLastRow = end;
                    reserveDeclared(end - first, le16(d + 4), le16(d + 6));
                }
            }
            return;
        case idBlank2:
            if (n >= 7 && cellPosition(d, &row, &col))
                touch(row, col);
            return;
        case idInteger2:
            if (n >= 9 && cellPosition(d, &row, &col))
                storeNumber(row, col, le16(d + 7), isDateFormat(d[5] & 0x3F));
            return;
        case idNumber2:
            if (n >= 15 && cellPosition(d, &row, &col))
                storeNumber(row, col, leDouble(d + 7), isDateFormat(d[5] & 0x3F));
            return;
        case idLabel2:
            if (n >= 8 && cellPosition(d, &row, &col))
                storeText(row, col, byteString(d + 7, n - 7, 1));
            return;
        case idBoolErr2:
            if (n >= 9 && cellPosition(d, &row, &col))
                storeBoolErr(row, col, d[7], d[8] != 0);
            return;
        case idFormula:
            if (n >= 15 && cellPosition(d, &row, &col))
                storeFormulaResult(row, col, d + 7, isDateFormat(d[5] & 0x3F));
            return;
        case idString2:
            if (m_pendingRow > 0 && n >= 1)
                storeText(m_pendingRow, m_pendingCol, byteString(d, n, 1));
            m_pendingRow = 0;
            return;
        default:
            break; // some writers put BIFF3+ cell records in BIFF2 files; Excel reads them
        }
    }

    switch (r.id) {
    case idDimensions:
        if (m_biff == 8 ? n >= 14 : n >= 10) {
            const std::int64_t first = m_biff == 8 ? le32(d) : le16(d);
            const std::int64_t end = m_biff == 8 ? le32(d + 4) : le16(d + 2);
            // A claim past the format's limit is ignored: the cells decide then.
            if (first < end && end <= m_maxRow) {
                m_dimFirstRow = int(first) + 1;
                m_dimLastRow = int(end);
                const std::uint8_t *columns = d + (m_biff == 8 ? 8 : 4);
                reserveDeclared(int(end - first), le16(columns), le16(columns + 2));
            }
        }
        break;
    case idNumber:
        if (n >= 14 && cellPosition(d, &row, &col))
            storeNumber(row, col, leDouble(d + 6), isDateXf(le16(d + 4)));
        break;
    case idRk:
        if (n >= 10 && cellPosition(d, &row, &col))
            storeNumber(row, col, decodeRk(le32(d + 6)), isDateXf(le16(d + 4)));
        break;
    case idMulRk:
        if (n >= 6 && le16(d) < m_maxRow) {
            const int r0 = le16(d);
            const int c0 = le16(d + 2);
            const std::uint32_t count = (n - 6) / 6;
            for (std::uint32_t i = 0; i < count; ++i) {
                const int c = c0 + int(i);
                if (c >= 256)
                    break;
                const std::uint8_t *e = d + 4 + 6 * i;
                storeNumber(r0 + 1, c + 1, decodeRk(le32(e + 2)), isDateXf(le16(e)));
            }
        }
        break;
    case idBlank:
        if (n >= 6 && cellPosition(d, &row, &col))
            touch(row, col);
        break;
    case idMulBlank:
        if (n >= 6 && le16(d) < m_maxRow && le16(d + 2) < 256 && (n - 6) / 2 > 0)
            touch(le16(d) + 1, le16(d + 2) + 1);
        break;
    case idBoolErr:
        if (n >= 8 && cellPosition(d, &row, &col))
            storeBoolErr(row, col, d[6], d[7] != 0);
        break;
    case idLabel:
    case idRString:
        if (n >= 8 && cellPosition(d, &row, &col)) {
            QString text;
            if (m_biff == 8)
                unicodeRecordString(r, 6, 2, &text);
            else
                text = byteString(d + 6, n - 6, 2);
            storeText(row, col, text);
        }
        break;
    case idFormula:
    case idFormula3:
    case idFormula4: {
        // The three ids share the fields read here, and writers mix them up; only BIFF2's
        // own FORMULA (handled above) is laid out differently.
        if (n >= 14 && cellPosition(d, &row, &col))
            storeFormulaResult(row, col, d + 6, isDateXf(le16(d + 4)));
        break;
    }
    case idString:
        if (m_pendingRow > 0) {
            QString text;
            if (m_biff == 8) {
                SegmentReader reader;
                reader.addSegment(d, n);
                std::uint16_t nextId = 0;
                while (m_cursor.peekId(&nextId) && nextId == idContinue) {
                    Record c;
                    if (!m_cursor.next(&c))
                        break;
                    reader.addSegment(c.data, c.length);
                }
                reader.readUnicodeString(2, &text);
            } else {
                text = byteString(d, n, 2);
            }
            storeText(m_pendingRow, m_pendingCol, text);
        }
        m_pendingRow = 0;
        break;
    default:
        break;
    }
}

}
