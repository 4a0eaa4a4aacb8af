#include "import/xlsreader.h"

#include "app/apperror.h"
#include "import/xlscontainer.h"
#include "import/xlsnumformat.h"
#include "import/xlsrecords.h"
#include "import/xlstext.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <unordered_map>

// How damage is handled, the same way everywhere:
// - A file whose structure gives no worksheet to read (no BIFF stream, a stream that does
//   not start with BOF, a sheet position that leads nowhere) is refused as corrupt.
// - Inside the worksheet, a record too short for its fields or pointing at a string that
//   does not exist is skipped; a stream that ends in the middle of a record ends the sheet.
//   The cells read up to there are kept, like the rows a reader shows before a bad sector.
// - Counts and sizes in the file are never trusted for allocation: rows and columns past
//   the format's limits are ignored, and tables grow only with records actually present.

namespace xls {

namespace {

enum class Failure { NotWorkbook, Encrypted, Corrupt, NoSheet };

struct Refused {
    Failure failure;
};

// Record ids.
enum : std::uint16_t {
    idBof2 = 0x0009, idBof3 = 0x0209, idBof4 = 0x0409, idBof = 0x0809,
    idEof = 0x000A,
    idFilepass = 0x002F,
    idCodepage = 0x0042,
    idDatemode = 0x0022,
    idFormat = 0x041E, idFormat2 = 0x001E,
    idXf = 0x00E0, idXf2 = 0x0043, idXf3 = 0x0243, idXf4 = 0x0443,
    idSst = 0x00FC, idContinue = 0x003C,
    idBoundsheet = 0x0085,
    idDimensions = 0x0200, idDimensions2 = 0x0000,
    idNumber = 0x0203, idRk = 0x027E, idMulRk = 0x00BD,
    idBlank = 0x0201, idMulBlank = 0x00BE,
    idBoolErr = 0x0205, idLabel = 0x0204, idLabelSst = 0x00FD, idRString = 0x00D6,
    idFormula = 0x0006, idFormula3 = 0x0206, idFormula4 = 0x0406, idString = 0x0207,
    // BIFF2 cell records
    idBlank2 = 0x0001, idInteger2 = 0x0002, idNumber2 = 0x0003, idLabel2 = 0x0004,
    idBoolErr2 = 0x0005, idString2 = 0x0007,
};

// Substream types in BOF.
enum : std::uint16_t {
    bofGlobals = 0x0005, bofWorksheet = 0x0010, bofWorkbook4 = 0x0100,
};

const std::uint16_t errorNum = 0x24; // #NUM!

bool isBofId(std::uint16_t id)
{
    return id == idBof2 || id == idBof3 || id == idBof4 || id == idBof;
}

struct SheetEntry {
    std::uint32_t position;
    int type; // 0 worksheet, 1 macro sheet, 2 chart, 6 module
    QString name;
};

class BiffParser {
public:
    BiffParser(const BiffStream &stream, Workbook *book)
        : m_stream(stream),
          m_cursor(reinterpret_cast<const std::uint8_t *>(stream.bytes.constData()),
                   std::size_t(stream.bytes.size())),
          m_book(book), m_sheet(book->firstSheet)
    {
    }

    void run();

private:
    int readBofVersion(const Record &bof, std::uint16_t *type) const;
    void readGlobals();
    void handleGlobalRecord(const Record &r);
    void readSheet(bool withGlobals);
    void handleCellRecord(const Record &r);
    bool findSheetAt(std::uint32_t position);
    bool nextSubstream(std::uint16_t *type);
    void skipSubstream();

    QString byteString(const std::uint8_t *p, std::size_t avail, int countBytes) const;
    bool unicodeRecordString(const Record &r, std::size_t offset, int countBytes,
                             QString *text) const;
    void readSst(const Record &first);
    bool isDateXf(std::uint32_t xf);
    bool isDateFormat(int formatId) const;

    bool cellPosition(const std::uint8_t *p, int *row, int *col);
    void touch(int row, int col);
    void storeNumber(int row, int col, double value, bool date);
    // A BOOLERR cell: `value` is the boolean, or the error code when `isError`.
    void storeBoolErr(int row, int col, std::uint8_t value, bool isError);
    void storeFormulaResult(int row, int col, const std::uint8_t *result, bool date);
    void storeText(int row, int col, const QString &text);

    const BiffStream &m_stream;
    RecordCursor m_cursor;
    Workbook *m_book;
    Worksheet &m_sheet;
    int m_biff = 0;
    CodepageDecoder m_decoder;

    std::unordered_map<int, bool> m_formatIsDate; // FORMAT records by id
    int m_nextFormatIndex = 0;                     // BIFF2-4 number formats are numbered in order
    std::vector<int> m_xfFormat;
    std::vector<std::int8_t> m_xfDateCache;        // -1 unknown
    std::vector<QString> m_sst;
    std::vector<SheetEntry> m_sheets;

    int m_maxRow = 16384;
    int m_cellFirstRow = 0, m_cellLastRow = 0;
    int m_dimFirstRow = 0, m_dimLastRow = 0;
    int m_pendingRow = 0, m_pendingCol = 0; // a formula waiting for its STRING record
};

int BiffParser::readBofVersion(const Record &bof, std::uint16_t *type) const
{
    *type = bof.length >= 4 ? le16(bof.data + 2) : std::uint16_t(bofWorksheet);
    switch (bof.id) {
    case idBof2: return 2;
    case idBof3: return 3;
    case idBof4: return 4;
    default: break;
    }
    const std::uint16_t version = bof.length >= 2 ? le16(bof.data) : 0;
    if (version == 0x0600)
        return 8;
    if (version == 0x0500)
        return 5;
    return m_stream.fromWorkbookStream ? 8 : 5;
}

void BiffParser::run()
{
    Record bof;
    if (!m_cursor.next(&bof) || !isBofId(bof.id))
        throw Refused{Failure::Corrupt};
    std::uint16_t type = 0;
    m_biff = readBofVersion(bof, &type);
    m_book->biffVersion = m_biff;
    m_maxRow = m_biff == 8 ? 65536 : 16384;

    if (type == bofWorksheet) {
        // A single-sheet file (BIFF2-4, some BIFF5 writers): formats and cells in one stream.
        readSheet(true);
        return;
    }
    if (type != bofGlobals && type != bofWorkbook4)
        throw Refused{Failure::NoSheet}; // a chart or macro sheet file

    readGlobals();
    const std::size_t afterGlobals = m_cursor.position();
    // Worksheets(1) is the first worksheet in the sheet list; charts and macro sheets
    // before it do not count.
    std::size_t order = 0;
    const SheetEntry *chosen = nullptr;
    for (std::size_t i = 0; i < m_sheets.size() && !chosen; ++i) {
        if (m_sheets[i].type == 0) {
            chosen = &m_sheets[i];
            order = i;
        }
    }
    if (!m_sheets.empty() && !chosen)
        throw Refused{Failure::NoSheet};
    if (chosen) {
        m_book->sheetName = chosen->name;
        if (findSheetAt(chosen->position)) {
            readSheet(false);
            return;
        }
    }
    // Without a sheet list (BIFF4 workbooks), or with positions a writer got wrong: the
    // sheets follow the globals in list order.
    m_cursor.seek(afterGlobals);
    std::size_t index = 0;
    std::uint16_t sheetType = 0;
    while (nextSubstream(&sheetType)) {
        const bool wanted = chosen ? index == order : sheetType == bofWorksheet;
        if (wanted) {
            readSheet(false);
            return;
        }
        skipSubstream();
        ++index;
    }
    throw Refused{chosen ? Failure::Corrupt : Failure::NoSheet};
}

bool BiffParser::findSheetAt(std::uint32_t position)
{
    if (position >= m_cursor.size())
        return false;
    m_cursor.seek(position);
    Record r;
    if (!m_cursor.next(&r) || !isBofId(r.id))
        return false;
    return true;
}

bool BiffParser::nextSubstream(std::uint16_t *type)
{
    Record r;
    while (m_cursor.next(&r)) {
        if (isBofId(r.id)) {
            *type = r.length >= 4 ? le16(r.data + 2) : std::uint16_t(bofWorksheet);
            return true;
        }
    }
    return false;
}

void BiffParser::skipSubstream()
{
    int depth = 0;
    Record r;
    while (m_cursor.next(&r)) {
        if (isBofId(r.id)) {
            ++depth;
        } else if (r.id == idEof) {
            if (depth == 0)
                return;
            --depth;
        }
    }
}

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

void BiffParser::storeBoolErr(int row, int col, std::uint8_t value, bool isError)
{
    touch(row, col);
    if (isError)
        m_sheet.setError(row, col, value);
    else
        m_sheet.setNumber(row, col, CellType::Boolean, value ? 1 : 0);
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
            m_sheet.setNumber(row, col, CellType::DateTime, serial);
            return;
        }
    }
    m_sheet.setNumber(row, col, CellType::Number, value);
}

void BiffParser::storeText(int row, int col, const QString &text)
{
    touch(row, col);
    m_sheet.setText(row, col, m_sheet.addString(text));
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
        m_sheet.setNumber(row, col, CellType::Empty, 0);
        break;
    case 1:
        m_sheet.setNumber(row, col, CellType::Boolean, result[2] ? 1 : 0);
        break;
    case 2:
        m_sheet.setError(row, col, result[2]);
        break;
    default: // 3: an empty string; anything else is unknown and shows nothing
        m_sheet.setNumber(row, col, CellType::Empty, 0);
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

[[noreturn]] void refuse(const QString &name, const QString &reason)
{
    throw AppError(QStringLiteral("无法打开工作簿 %1：%2").arg(name, reason));
}

QString failureText(Failure failure)
{
    switch (failure) {
    case Failure::NotWorkbook: return QStringLiteral("不是Excel工作簿");
    case Failure::Encrypted: return QStringLiteral("工作簿已加密");
    case Failure::NoSheet: return QStringLiteral("没有工作表");
    case Failure::Corrupt: break;
    }
    return QStringLiteral("文件已损坏");
}

}

namespace {

std::unique_ptr<Workbook> readBytes(QByteArray &file, const QString &name)
{
    BiffStream stream;
    switch (extractBiffStream(file, &stream)) {
    case ContainerResult::Ok: break;
    case ContainerResult::NotWorkbook: refuse(name, failureText(Failure::NotWorkbook));
    case ContainerResult::Corrupt: refuse(name, failureText(Failure::Corrupt));
    }
    // The stream is a copy (or shares the bytes of a file without container): let the file's
    // bytes go before the cells are built, which halves the peak for large workbooks.
    file = QByteArray();
    auto book = std::make_unique<Workbook>();
    try {
        BiffParser parser(stream, book.get());
        parser.run();
    } catch (const Refused &refused) {
        refuse(name, failureText(refused.failure));
    } catch (const std::bad_alloc &) {
        refuse(name, failureText(Failure::Corrupt));
    }
    return book;
}

}

std::unique_ptr<Workbook> readWorkbookBytes(const QByteArray &bytes, const QString &name)
{
    QByteArray shared = bytes;
    return readBytes(shared, name);
}

std::unique_ptr<Workbook> readWorkbookFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        refuse(path, QStringLiteral("文件不存在"));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        refuse(path, QStringLiteral("无法读取文件"));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        refuse(path, QStringLiteral("无法读取文件"));
    file.close();
    return readBytes(bytes, path);
}

}
