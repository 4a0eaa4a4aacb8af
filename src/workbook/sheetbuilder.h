#pragma once

#include "workbook/workbook.h"

#include <QString>
#include <QStringView>

// What the readers of the zip and text formats share: the grid they fill, how they refuse a
// file, and the conversions of their cell values into the workbook model of workbook.h.
namespace workbook {

// The grid the in-process application serves (Cells answers rows 1..65536, columns 1..256):
// cells beyond it are never asked for, so they are not kept. This also bounds what a file
// can make the reader allocate, whatever counts it claims.
constexpr int GridRows = 65536;
constexpr int GridColumns = 256;

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
// to every cell stored.
class SheetBuilder {
public:
    SheetBuilder(Worksheet &sheet, bool date1904) : m_sheet(sheet), m_date1904(date1904) {}

    static bool inGrid(int row, int column)
    {
        return row >= 1 && row <= GridRows && column >= 1 && column <= GridColumns;
    }

    void declareRows(int first, int last);
    // A number; `date` when the cell's format shows it as a date or time. A value the
    // date system cannot show stays a number; NaN and infinity become #NUM!.
    void number(int row, int column, double value, bool date);
    // A date/time already given as a serial in the 1900 system.
    void dateSerial(int row, int column, double serial);
    void text(int row, int column, const QString &text);
    void boolean(int row, int column, bool value);
    void error(int row, int column, int code);
    // Writes the used rows into the sheet; call once at the end.
    void finish();

private:
    void touch(int row);

    Worksheet &m_sheet;
    bool m_date1904;
    int m_declaredFirst = 0, m_declaredLast = 0;
    int m_cellFirst = 0, m_cellLast = 0;
};

// BIFF error code of an error value's text ("#DIV/0!" -> 0x07); #N/A for unknown texts.
int errorCodeOfText(QStringView text);
// true when the text is one of the error values' texts.
bool isErrorText(QStringView text);

// Serial day number (1900 system, 1899-12-30 = 0) of an ISO 8601 date or date-time
// ("2024-05-01", "2024-05-01T13:30:00.5"); false when the text is not one.
bool isoDateSerial(QStringView text, double *serial);
// Fraction of a day of an ISO 8601 time of day without a date ("13:02:00.5", "T06:15").
bool isoTimeSerial(QStringView text, double *serial);
// Fraction of a day of an ISO 8601 duration as OpenDocument writes times ("PT13H30M00S");
// may exceed 1 for durations over a day.
bool isoDurationDays(QStringView text, double *days);

// A decimal number as the zip formats store it (plain digits, sign, point, exponent).
bool parseStoredNumber(QStringView text, double *value);

}
