#pragma once

// The BIFF record parser behind readWorkbookFile(): one object reads the globals and the
// first worksheet of one stream. Its parts live in xlsreader.cpp (substreams),
// xlsglobals.cpp (formats, XF table, strings, sheet list) and xlscells.cpp (cell records).

#include "workbook/xls/xlscontainer.h"
#include "workbook/xls/xlsreader.h"
#include "workbook/xls/xlsrecords.h"
#include "workbook/xls/xlstext.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace xls::biff {

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

inline constexpr std::uint16_t errorNum = 0x24; // #NUM!

inline bool isBofId(std::uint16_t id)
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
    BiffParser(const BiffStream &stream, workbook::Workbook *book)
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
    void readLaterSheet(std::size_t after);
    void handleCellRecord(const Record &r);
    bool findSheetAt(std::uint32_t position);
    bool nextSubstream(std::uint16_t *type);
    void skipSubstream();

    QString byteString(const std::uint8_t *p, std::size_t avail, int countBytes) const;
    bool unicodeRecordString(const Record &r, std::size_t offset, int countBytes,
                             QString *text) const;
    void readSst(const Record &first);
    void rereadSst();
    void setFormat(int formatId, const QString &code);
    bool isDateXf(std::uint32_t xf) const;
    bool isDateFormat(int formatId) const;

    bool cellPosition(const std::uint8_t *p, int *row, int *col);
    void touch(int row, int col);
    void reserveDeclared(int rows, int firstColumn, int endColumn);
    void storeNumber(int row, int col, double value, bool date);
    // A BOOLERR cell: `value` is the boolean, or the error code when `isError`.
    void storeBoolErr(int row, int col, std::uint8_t value, bool isError);
    void storeFormulaResult(int row, int col, const std::uint8_t *result, bool date);
    void storeText(int row, int col, const QString &text);

    const BiffStream &m_stream;
    RecordCursor m_cursor;
    workbook::Workbook *m_book;
    workbook::Worksheet &m_sheet;
    int m_biff = 0;
    CodepageDecoder m_decoder;

    // Whether each format id (0..0xFFFF, all an XF can name) shows a date: -1 no FORMAT
    // record seen. A fixed table, so that neither a flood of FORMAT records nor an XF
    // record between two cells costs more than one entry.
    std::vector<std::int8_t> m_formatDate;
    int m_nextFormatIndex = 0;                     // BIFF2-4 number formats are numbered in order
    std::vector<std::uint16_t> m_xfFormat;
    workbook::TextTable m_sst;
    std::size_t m_sstOffset = SIZE_MAX; // where the globals' string table starts
    std::vector<SheetEntry> m_sheets;

    int m_maxRow = 16384;
    int m_cellFirstRow = 0, m_cellLastRow = 0;
    int m_dimFirstRow = 0, m_dimLastRow = 0;
    int m_pendingRow = 0, m_pendingCol = 0; // a formula waiting for its STRING record
};

}
