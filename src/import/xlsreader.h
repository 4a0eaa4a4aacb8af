#pragma once

#include <QString>

#include <memory>
#include <vector>

// Reader of legacy Excel workbooks (.xls): the OLE2 container through libgsf, BIFF8 and
// BIFF5/7 worksheets (BIFF2-4 single-stream files where cheap). Only what the program needs:
// the first worksheet in workbook order, its used range and its cells with their real types.
namespace xls {

enum class CellType {
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

class Worksheet {
public:
    // The used range: rows firstRow..lastRow (1-based, inclusive); empty() when the sheet
    // holds no cell at all. Taken from DIMENSIONS, or from the cells when that is absent.
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }
    bool empty() const { return m_lastRow < m_firstRow; }
    int usedRowCount() const { return empty() ? 0 : m_lastRow - m_firstRow + 1; }

    // Cell at 1-based row and column; an Empty cell for anything not stored.
    const Cell &cell(int row, int column) const;

    // Filled by the reader.
    void setUsedRows(int first, int last) { m_firstRow = first; m_lastRow = last; }
    void setCell(int row, int column, Cell cell);

private:
    int m_firstRow = 1;
    int m_lastRow = 0;
    // Rows as read; columns beyond what a caller asks for are kept too. Sparse rows are
    // stored densely up to their last cell.
    std::vector<std::vector<Cell>> m_rows; // index row-1, then column-1
};

struct Workbook {
    bool date1904 = false; // informational: DateTime cells are already in the 1900 system
    int biffVersion = 0;   // 2, 3, 4, 5 or 8
    Worksheet firstSheet;
};

// Reads the first worksheet of the workbook at `path`. Never writes the file.
// Throws AppError with a message that names the file and the reason, for example
// "无法打开工作簿 /x/a.xls：文件已损坏" (missing, unreadable, not a workbook, encrypted,
// corrupt). Never reads past a record or buffer, whatever the bytes say.
std::unique_ptr<Workbook> readWorkbookFile(const QString &path);

// The same from bytes in memory (fuzzing, tests); `name` is used in messages.
std::unique_ptr<Workbook> readWorkbookBytes(const QByteArray &bytes, const QString &name);

}
