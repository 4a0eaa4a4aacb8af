#pragma once

#include "workbook/csv/records.h"
#include "workbook/csv/textbytes.h"
#include "workbook/sheetbuilder.h"
#include "workbook/workbook.h"

#include <QByteArray>

#include <memory>
#include <vector>

// Delimited text (.csv, .txt, data loggers' files under any name): UTF-8 with or without a
// byte-order mark, UTF-16 with one, else GB18030; the separator sniffed among comma,
// semicolon and tab; quoted fields with doubled quotes and line breaks. A field that
// converts by the program's text-to-number rule is a number, any other is text as written;
// with ';' or tab separators a decimal comma is taken too ("20,5"). A first line "sep=;"
// names the separator.
namespace csv {

// Whether the bytes look like text: no NUL byte at the start, unless after a UTF-16 mark.
// Empty bytes are text: an empty sheet.
bool looksLikeText(const QByteArray &bytes);

// Where the first NUL byte (in UTF-16 the first NUL character) is, or -1: no text holds one.
qsizetype binaryAt(const QByteArray &bytes);
// "含有二进制数据（第N字节），不是文本文件" for a binary byte at `at` (from 0).
QString binaryReason(qint64 at);

// Every record of the table, up to `rowLimit` rows; the rows with content after them are
// counted in the workbook's cutRows, the filled fields right of the grid in its cutCells.
// A file holding a NUL is refused before it is decoded.
std::unique_ptr<workbook::Workbook> readDelimitedText(const QByteArray &bytes,
                                                      int rowLimit = workbook::TextRows);

// A field as a number: the program's rule, and with a decimal comma where the separator
// leaves the comma free (';' or tab): one ',' standing where the rule takes a '.', in a
// field without a '.', as a spreadsheet in a locale with a decimal comma reads it ("20,5",
// "-0,125", "1,5E3"). A thousands separator ("1.234,5") keeps the field text.
bool fieldNumber(const records::Field &field, bool decimalComma, double *value);

// The separator the reader would use for `text`: ',', ';' or '\t'.
QChar sniffSeparator(QStringView text);

// The text of the bytes in the encoding the reader picks.
QString decodeText(const QByteArray &bytes);

// A text file made ready for reading its records: refused when it holds binary data or is
// markup, its text as UTF-8, where the records start (past a "sep=" line), the separator,
// whether a decimal comma is taken, whether its columns are lined up by blanks instead, and
// the columns joined by a comma that are split in two (true at index i for field i).
struct TextPlan {
    textbytes::Utf8Text text;
    const char *begin = nullptr;
    const char *end = nullptr;
    char separator = ',';
    bool decimalComma = false;
    bool spaceAligned = false;
    std::vector<char> joined;
};
TextPlan planText(const QByteArray &bytes);

// The fields of a record with the joined columns split at their comma (an empty second part
// where a field has none), so the columns right of them stay in place.
void splitJoined(std::vector<records::Field> &fields, const std::vector<char> &split,
                 std::vector<records::Field> &out);

// A table of columns lined up by blanks.
std::unique_ptr<workbook::Workbook> readSpaceAligned(const char *begin, const char *end, int rowLimit);

}
