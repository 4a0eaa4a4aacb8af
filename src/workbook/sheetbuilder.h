#pragma once

#include "workbook/workbook.h"

#include <QString>
#include <QStringView>

#include <algorithm>

// What the readers of the zip and text formats share: the grid they fill, how they refuse a
// file, and the conversions of their cell values into the workbook model of workbook.h.
namespace workbook {

// The most characters the column store keeps (ColumnStore::MaxTextChars): a single text
// longer than that can never be shown, so a reader refuses it as soon as it has seen that
// much of it, with the store's words.
constexpr qint64 MaxTextChars = qint64(1) << 27;
QString reasonTextTooLong(); // "表格文字太多（超过 256 MB）"

// Raised inside a reader; the opener turns it into the common refusal naming the file.
struct FormatRefused {
    QString reason;
};

[[noreturn]] inline void refuseFormat(const QString &reason) { throw FormatRefused{reason}; }

// Refusal reasons shared by the readers.
QString reasonNotWorkbook();   // "不是Excel工作簿"
QString reasonEncrypted();     // "工作簿已加密"
QString reasonDamaged();       // "文件已损坏"
QString reasonNoSheet();       // "没有工作表"

// Fills one worksheet and keeps its used rows: the rows a file declares (dimension), widened
// to every cell stored. Cells below the format's last row (`rowLimit`) are not kept; the rows
// that held them are counted, so the log can say what was left out.
class SheetBuilder {
public:
    SheetBuilder(Worksheet &sheet, bool date1904, int rowLimit = SheetRows)
        : m_sheet(sheet), m_date1904(date1904), m_rowLimit(rowLimit) {}

    int rowLimit() const { return m_rowLimit; }
    // Whether a cell there is kept; a cell below the last row counts its row as cut.
    bool keep(int row, int column);
    // Rows with cells below the last row (rows come in order, as every zip format and
    // text writes them).
    int cutRows() const { return m_cutRows; }
    // The rightmost column a cell was handed in past GridColumns (0: none was).
    int cutWidth() const { return m_cutWidth; }
    // A reader that leaves out cells past the grid itself says how far they reached.
    void noteCutWidth(int column) { m_cutWidth = std::max(m_cutWidth, column); }
    // Rows past the last row that a reader skipped whole (a repeated row).
    void addCutRows(qint64 rows) { m_cutRows = int(std::min<qint64>(m_cutRows + rows, TextRows)); }

    void declareRows(int first, int last);
    // A number; `date` when the cell's format shows it as a date or time. A value the
    // date system cannot show stays a number; NaN and infinity become #NUM!.
    void number(int row, int column, double value, bool date);
    // A date/time already given as a serial in the 1900 system.
    void dateSerial(int row, int column, double serial);
    void text(int row, int column, const QString &text);
    // Text `index` of the table the sheet was given by setStrings(): kept once, however many
    // cells show it.
    void sharedText(int row, int column, std::uint32_t index);
    void boolean(int row, int column, bool value);
    void error(int row, int column, int code);
    // Writes the used rows into the sheet; call once at the end.
    void finish();

private:
    void touch(int row);
    // A serial the calendar can show: a date value, or the text of the date when its time
    // has milliseconds.
    void putDate(int row, int column, double serial);

    Worksheet &m_sheet;
    bool m_date1904;
    int m_rowLimit;
    int m_cutRows = 0;
    int m_cutWidth = 0;
    int m_lastCutRow = 0;
    int m_declaredFirst = 0, m_declaredLast = 0;
    int m_cellFirst = 0, m_cellLast = 0;
};

// BIFF error code of an error value's text ("#DIV/0!" -> 0x07); #N/A for unknown texts.
int errorCodeOfText(QStringView text);
// true when the text is one of the error values' texts.
bool isErrorText(QStringView text);

// Serial day number (1900 system, 1899-12-30 = 0) of an ISO 8601 date or date-time
// ("2024-05-01", "2024-05-01T13:30:00.5"); a zone after the time ("Z", "+08:00") is taken
// off, giving UTC. False when the text is not one, or names a day the month does not have.
bool isoDateSerial(QStringView text, double *serial);
// Fraction of a day of an ISO 8601 time of day without a date ("13:02:00.5", "T06:15").
bool isoTimeSerial(QStringView text, double *serial);
// Fraction of a day of an ISO 8601 duration as OpenDocument writes times ("PT13H30M00S");
// may exceed 1 for durations over a day.
bool isoDurationDays(QStringView text, double *days);

// A decimal number as the zip formats store it (plain digits, sign, point, exponent).
bool parseStoredNumber(QStringView text, double *value);

}
