#pragma once

#include "base/pagealloc.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace textcolumns {
struct Table;
}

// The workbook model every reader fills: the first worksheet of a workbook (or the first
// later one with a table where the first has none, sheetchoice.h), its used range
// and its cells with their real types. Only what the program needs.
namespace workbook {

// The rows a worksheet can hold, by format: a legacy workbook (BIFF8) 65,536, Office Open
// XML and OpenDocument 1,048,576; delimited text has no grid, so every line of the file is
// a row (the bound only keeps "row + 30" inside an int).
constexpr int XlsRows = 65536;
constexpr int SheetRows = 1048576;
constexpr int TextRows = std::numeric_limits<int>::max() - 64;
constexpr int GridColumns = 256;

enum class CellType : std::uint8_t {
    Empty,    // no cell, a BLANK/MULBLANK cell, or a formula whose cached result is empty
    Number,   // number (also a formula's numeric result) that is not formatted as a date/time
    DateTime, // number formatted as a date or time; `number` is the serial day number in
              // the 1900 system (1904 workbooks are converted), 0.5 = noon
    Text,     // string (LABEL, LABELSST, RSTRING, a formula's string result)
    Boolean,  // boolean (BOOLERR or a formula's boolean result)
    Error     // error value (#DIV/0! ...); `errorCode` holds the BIFF code
};

struct Cell {
    CellType type = CellType::Empty;
    double number = 0;   // Number, DateTime; Boolean: 1 or 0
    QString text;        // Text
    int errorCode = 0;   // Error: 0x00 #NULL!, 0x07 #DIV/0!, 0x0F #VALUE!, 0x17 #REF!, ...
};

// The texts of a sheet, numbered from 0. Texts below SharedLength characters sit back to
// back in one byte buffer, each in Latin-1 when it can be (a byte a character) and in UTF-16
// otherwise (Chinese costs 2 bytes, not UTF-8's 3): a workbook may hold tens of millions of
// one-character strings, or millions of distinct ones of a hundred, and each costs its bytes
// and an end, not a QString; text() makes the QString when asked. Longer ones are kept as
// their own QString, so every cell that shows one shares it instead of copying it.
class TextTable {
public:
    static constexpr qsizetype SharedLength = 4096; // from this length on a text is shared

    std::uint32_t size() const { return std::uint32_t(m_ends.size()); }
    std::uint32_t append(const QString &text);
    QString text(std::uint32_t index) const; // empty for an index not in the table
    qsizetype length(std::uint32_t index) const; // in characters
    void truncate(std::uint32_t count);      // keeps texts 0..count-1
    void clear();

private:
    // The ends in blocks of a fixed size: a table of tens of millions of texts grows without
    // copying what it holds, so it never needs its size twice over while it grows (a
    // vector's doubling would, at the first text a sheet adds after its string table).
    class Ends {
    public:
        std::uint32_t size() const { return m_size; }
        std::uint32_t operator[](std::uint32_t index) const { return m_blocks[index >> BlockBits][index & BlockMask]; }
        void push_back(std::uint32_t end);
        void truncate(std::uint32_t count);
        void clear();

    private:
        static constexpr int BlockBits = 16;
        static constexpr std::uint32_t BlockMask = (1u << BlockBits) - 1;
        std::vector<std::vector<std::uint32_t>> m_blocks;
        std::uint32_t m_size = 0;
    };

    // An end's top bit marks a UTF-16 text, which starts at an even offset.
    static constexpr std::uint32_t WideBit = 0x80000000u;
    std::uint32_t end(std::uint32_t index) const { return m_ends[index] & ~WideBit; }
    std::uint32_t begin(std::uint32_t index) const;
    const QString *longText(std::uint32_t index) const;

    QByteArray m_bytes;                                   // short texts back to back
    Ends m_ends;                                          // end of every text in m_bytes
    std::vector<std::pair<std::uint32_t, QString>> m_long; // long texts by index, ascending
};

class Worksheet {
public:
    // The used range: rows firstRow..lastRow (1-based, inclusive); empty() when the sheet
    // holds no cell at all. Taken from the rows the file declares, widened to every stored cell.
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }
    bool empty() const { return m_lastRow < m_firstRow; }
    int usedRowCount() const { return empty() ? 0 : m_lastRow - m_firstRow + 1; }

    // Cell at 1-based row and column; an Empty cell for anything not stored. Returned by
    // value: cells are kept packed, and the text is shared, not copied.
    Cell cell(int row, int column) const;

    // The rightmost column holding a cell in `row`; 0 for a row without cells.
    int lastColumnOf(int row) const;

    // Number of cells of each type stored (Empty not counted).
    int countOf(CellType type) const;

    // setters (the reader; tests):
    // Room for about this many cells and rows, so a long sheet is not copied as it grows.
    void reserveCells(std::size_t cells, std::size_t rows);
    void setUsedRows(int first, int last) { m_firstRow = first; m_lastRow = last; }
    void setCell(int row, int column, const Cell &cell);

    // The reader's fast path: numbers and shared strings without building a Cell.
    void setNumber(int row, int column, CellType type, double value);
    void setError(int row, int column, int code);
    void setText(int row, int column, std::uint32_t stringIndex);
    std::uint32_t addString(const QString &text);
    void setStrings(std::vector<QString> strings);
    void setStrings(TextTable strings)
    {
        m_strings = std::move(strings);
        if (m_ownFrom != UINT32_MAX)
            m_sharedAfterOwn = true;
    }
    std::uint32_t stringCount() const { return m_strings.size(); }
    // The table set by setStrings() and every text added since, taken out of the sheet.
    TextTable takeStrings() { return std::move(m_strings); }
    // A text that belongs to this cell alone (LABEL, a formula's string): when a later
    // record replaces the cell, the text is dropped. Best not mixed with addString().
    void setOwnText(int row, int column, const QString &text);

private:
    // One stored cell in 12 bytes (a million rows of 32 columns: 384 MB): a number, or for
    // a text its string index and for an error its code.
#pragma pack(push, 4)
    struct Slot {
        union {
            double number;     // Number, DateTime, Boolean
            std::uint32_t aux; // Text: string index; Error: code
        };
        std::uint16_t column; // 1-based
        CellType type;
        bool ownText;      // Text: the string belongs to this cell (setOwnText)
    };
#pragma pack(pop)
    static_assert(sizeof(Slot) == 12, "cells are packed");
    void put(int row, int column, CellType type, double number, std::uint32_t aux,
             bool ownText = false);
    bool putInOrder(int row, const Slot &slot);
    void leaveOrder();
    void drop(const Slot &replaced);
    void compactOwnTexts();

    int m_firstRow = 1;
    int m_lastRow = 0;
    // While every cell comes after the one before it, as readers write them, the cells sit
    // in one array in row order: m_flatEnds[r] is where row r+1 ends in m_flat. The first
    // cell out of that order moves them into one array a row (m_rows) for good.
    bool m_inOrder = true;
    std::vector<Slot, PageAllocator<Slot>> m_flat;
    std::vector<std::uint32_t, PageAllocator<std::uint32_t>> m_flatEnds;
    std::vector<std::vector<Slot>> m_rows; // index row-1; each row sorted by column
    TextTable m_strings;
    // Own texts are appended after every shared one, from m_ownFrom on; replaced ones
    // stay in the table as garbage until there is as much garbage as live data.
    std::uint32_t m_ownFrom = UINT32_MAX;
    bool m_sharedAfterOwn = false; // addString() after an own text: never compact
    std::uint64_t m_cellCount = 0;
    std::uint64_t m_garbageTexts = 0, m_garbageChars = 0;
};

// Where a delimited-text file read as UTF-8 ends, and how its fields were read, so that
// lines appended to it later can be read alone with the same rules.
struct TextTail {
    bool known = false;         // false: another format, converted text, or rows cut
    char separator = ',';
    bool decimalComma = false;
    qint64 completeBytes = 0;   // the file up to the end of its last complete line
    bool partialLine = false;   // bytes follow that end: a last line without its line break
    qint64 fileBytes = 0;       // the file's size as it was read
    quint64 device = 0, inode = 0; // which file it was
};

struct Workbook {
    TextTail textTail;     // delimited text only
    bool date1904 = false; // informational: DateTime cells are already in the 1900 system
    int biffVersion = 0;   // .xls: 2, 3, 4, 5 or 8; 0 for the other formats
    int codepage = 0;      // .xls: CODEPAGE record, 0 when absent
    QString sheetName;     // name of the worksheet read (empty for BIFF2-4 single sheets)
    // The first worksheet held no table a chart can use, so a later one was read
    // (sheetchoice.h): the first one's name.
    bool passedFirstSheet = false;
    QString firstSheetName;
    int skippedLeadingLines = 0; // delimited text: lines above the table not read as rows
    int maxRows = XlsRows; // the format's last row: cells below it cannot exist
    int cutRows = 0;       // rows with content past maxRows, not kept
    qint64 cutCells = 0;   // delimited text: filled fields right of the last column, not kept
    int cutCellRows = 0;   // the rows that had them
    int cutWidth = 0;      // the rightmost column with content when it lies past the grid, else 0
    std::vector<int> commaSplitColumns; // delimited text: columns also split at a comma
    qint64 strayNuls = 0;  // delimited text: NUL bytes dropped from the starts of lines
    Worksheet firstSheet;
    // Delimited text read as typed columns (csv/columnreader.h): the table is there instead
    // of in firstSheet until textcolumns::fillSheet() puts it into the sheet.
    std::shared_ptr<textcolumns::Table> textColumns;
};

}
