#include "workbook/csv/csvreader.h"

#include "base/numtext.h"
#include "base/readprogress.h"
#include "workbook/csv/records.h"
#include "workbook/csv/spacealigned.h"
#include "workbook/csv/textbytes.h"
#include "workbook/sheetbuilder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace csv {

namespace {

constexpr int SniffRecords = 20;     // records the separator is sniffed on

// The candidate found the same number of times (at least once) on most of the first
// records wins; ties go to the earlier one in this list.
char sniffBytes(const char *begin, const char *end, int *score = nullptr)
{
    const char candidates[] = {',', ';', '\t'};
    char best = candidates[0];
    int bestScore = 0;
    std::vector<records::Field> fields;
    for (char sep : candidates) {
        records::Scanner scanner(begin, end, sep);
        std::vector<int> counts;
        while (int(counts.size()) < SniffRecords && scanner.next(fields))
            counts.push_back(int(std::min<std::size_t>(scanner.fieldCount(), INT_MAX)) - 1);
        int score = 0; // the most frequent non-zero count: how many records have it
        for (int c : counts)
            if (c != 0)
                score = std::max(score, int(std::count(counts.begin(), counts.end(), c)));
        if (score > bestScore) {
            bestScore = score;
            best = sep;
        }
    }
    if (score)
        *score = bestScore;
    return best;
}

// A first line "sep=;" (also "sep=," and "sep=" with a tab or "\t") names the separator
// and is not data. Gives the separator and moves `begin` past the line.
bool separatorLine(const char *&begin, const char *end, char *separator)
{
    const char *lineEnd = begin;
    // Seven bytes are enough to tell: a first line of 300 MB is not copied to learn it is none.
    while (lineEnd < end && lineEnd - begin <= 7 && *lineEnd != '\n' && *lineEnd != '\r')
        ++lineEnd;
    const std::string line(begin, lineEnd);
    char sep;
    if (line == "sep=," || line == "sep=;" || line == "sep=\t")
        sep = line[4];
    else if (line == "sep=\\t")
        sep = '\t';
    else
        return false;
    *separator = sep;
    if (lineEnd < end && *lineEnd == '\r')
        ++lineEnd;
    if (lineEnd < end && *lineEnd == '\n')
        ++lineEnd;
    begin = lineEnd;
    return true;
}

}

bool fieldNumber(const records::Field &field, bool decimalComma, double *value)
{
    if (numtext::toDouble(field.begin, field.end, value))
        return true;
    if (!decimalComma)
        return false;
    const size_t length = size_t(field.end - field.begin);
    char buffer[64];
    if (length >= sizeof buffer)
        return false;
    const char *comma = static_cast<const char *>(std::memchr(field.begin, ',', length));
    if (!comma || std::memchr(comma + 1, ',', size_t(field.end - comma - 1))
        || std::memchr(field.begin, '.', length))
        return false;
    std::memcpy(buffer, field.begin, length);
    buffer[comma - field.begin] = '.';
    return numtext::toDouble(buffer, buffer + length, value);
}

namespace {

// Markup saved under a spreadsheet's name (web pages, XML) is not rows of fields: read as
// text it would only give a column of tags.
bool isMarkup(const char *begin, const char *end)
{
    const QString start = QString::fromUtf8(begin, std::min<qsizetype>(end - begin, 512)).trimmed();
    for (const char *tag : {"<?xml", "<html", "<!doctype", "<table", "<office:document"})
        if (start.startsWith(QLatin1String(tag), Qt::CaseInsensitive))
            return true;
    return false;
}

}

// Where the first byte that no text has is (a NUL; in UTF-16 a NUL character), or -1. A
// file of NULs or a binary file under a text name is refused by this before it is decoded.
qsizetype binaryAt(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    // UTF-32 first: its little-endian mark begins as UTF-16's does. A NUL is a unit of zeros.
    if (textbytes::utf32Mark(bytes) != 0) {
        for (qsizetype at = 4; at + 3 < bytes.size(); at += 4)
            if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 0 && data[at + 3] == 0)
                return at;
        return -1;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        for (qsizetype at = 2; at + 1 < bytes.size(); at += 2)
            if (data[at] == 0 && data[at + 1] == 0)
                return at;
        return -1;
    }
    const void *nul = std::memchr(data, 0, size_t(bytes.size()));
    return nul ? static_cast<const char *>(nul) - data : -1;
}

QString binaryReason(qint64 at)
{
    return QStringLiteral("含有二进制数据（第%1字节），不是文本文件").arg(at + 1);
}

bool looksLikeText(const QByteArray &bytes)
{
    // An empty file is text without a row: it opens as an empty sheet.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || textbytes::utf32Mark(bytes) != 0)
        return true;
    return !bytes.left(65536).contains('\0');
}

QString decodeText(const QByteArray &bytes)
{
    return textbytes::decode(bytes);
}

QChar sniffSeparator(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    return QLatin1Char(sniffBytes(utf8.constData(), utf8.constData() + utf8.size()));
}

// Room in the sheet for the cells of the whole file, judged by what its first 64 KB hold:
// the rows with content and the cells the sheet keeps of them (256 a row at most). A log of
// a million lines is then not copied as it grows, and a file of line breaks or separators
// alone, or one overlong line, reserves next to nothing.
void reserveForSample(workbook::Worksheet &sheet, const char *begin, const char *end, char separator)
{
    const std::ptrdiff_t sample = std::min<std::ptrdiff_t>(end - begin, 1 << 16);
    if (sample <= 0)
        return;
    records::Scanner scanner(begin, begin + sample, separator);
    std::vector<records::Field> fields;
    std::size_t rows = 0, cells = 0;
    while (scanner.next(fields)) {
        if (scanner.filledCount() == 0)
            continue;
        ++rows;
        cells += std::min<std::size_t>(scanner.filledCount(), workbook::GridColumns);
    }
    const double scale = double(end - begin) / double(sample) * 1.05;
    sheet.reserveCells(std::size_t(double(cells) * scale) + 64, std::size_t(double(rows) * scale) + 64);
}

namespace {

// Where in the file a place in its UTF-8 text is: the same bytes, or about as far into a
// file that was converted.
qint64 fileOffset(const textbytes::Utf8Text &text, const QByteArray &bytes, const char *at)
{
    if (text.converted.isEmpty())
        return at - bytes.constData();
    const qint64 length = text.end - text.begin;
    return length > 0 ? qint64(double(at - text.begin) / double(length) * double(bytes.size())) : 0;
}

// Fields at runs of blanks: no quotes, a decimal point as in a comma-separated file.
std::unique_ptr<workbook::Workbook> readSpaceAligned(const char *begin, const char *end, int rowLimit)
{
    auto book = std::make_unique<workbook::Workbook>();
    rowLimit = std::clamp(rowLimit, 0, workbook::TextRows);
    workbook::SheetBuilder builder(book->firstSheet, false, rowLimit);
    book->maxRows = rowLimit;
    std::vector<std::string> fields;
    const char *p = begin;
    int row = 0;
    while (row < rowLimit && spacealigned::nextLine(p, end, fields)) {
        ++row;
        if (row % readprogress::ReportRows == 0)
            readprogress::parsed(row);
        const int columns = std::min(int(fields.size()), workbook::GridColumns);
        for (int column = 1; column <= columns; ++column) {
            const std::string &field = fields[size_t(column) - 1];
            double number = 0;
            if (numtext::toDouble(field.data(), field.data() + field.size(), &number))
                builder.number(row, column, number, false);
            else
                builder.text(row, column, QString::fromUtf8(field.data(), qsizetype(field.size())));
        }
    }
    while (spacealigned::nextLine(p, end, fields))
        book->cutRows += fields.empty() ? 0 : 1;
    builder.finish();
    return book;
}

}

std::unique_ptr<workbook::Workbook> readDelimitedText(const QByteArray &bytes, int rowLimit)
{
    const qsizetype binary = binaryAt(bytes);
    if (binary >= 0)
        workbook::refuseFormat(binaryReason(binary));
    const textbytes::Utf8Text text = textbytes::toUtf8(bytes);
    const char *begin = text.begin;
    const char *end = text.end;
    if (isMarkup(begin, end))
        workbook::refuseFormat(workbook::reasonNotWorkbook());
    char separator = ',';
    int score = 1;
    if (!separatorLine(begin, end, &separator))
        separator = sniffBytes(begin, std::min(end, begin + (1 << 16)), &score);
    const bool decimalComma = separator != ',';
    if (score == 0 && spacealigned::looksAligned(begin, std::min(end, begin + (1 << 16))))
        return readSpaceAligned(begin, end, rowLimit);

    // Every line is a row, titles and instrument headers too: where the table starts is
    // decided over the rows, as for every format.
    auto book = std::make_unique<workbook::Workbook>();
    records::Scanner scanner(begin, end, separator);
    bool content = false;

    reserveForSample(book->firstSheet, begin, end, separator);
    rowLimit = std::clamp(rowLimit, 0, workbook::TextRows);
    workbook::SheetBuilder builder(book->firstSheet, false, rowLimit);
    book->maxRows = rowLimit;
    std::vector<records::Field> fields;
    int row = 0;
    const char *reported = begin;
    for (;;) {
        // Blank lines are rows without cells: counted, not parsed one by one.
        row = int(std::min<qint64>(qint64(row) + qint64(scanner.skipBlankRecords()), rowLimit));
        if (row >= rowLimit || !scanner.next(fields))
            break;
        ++row;
        // Every few thousand rows, or 64 KB of long lines: a cancelled read stops soon.
        if (row % readprogress::ReportRows == 0 || scanner.position() - reported >= (1 << 16)) {
            reported = scanner.position();
            readprogress::parsed(row, fileOffset(text, bytes, reported));
        }
        const int columns = std::min(int(fields.size()), workbook::GridColumns);
        // A byte-order mark at the start of a line (files joined together) is no text.
        if (columns > 0 && fields[0].end - fields[0].begin >= 3 && std::memcmp(fields[0].begin, "\xEF\xBB\xBF", 3) == 0)
            fields[0].begin += 3;
        std::size_t kept = 0;
        for (int column = 1; column <= columns; ++column) {
            const records::Field &field = fields[size_t(column) - 1];
            if (field.empty())
                continue;
            ++kept;
            double number = 0;
            if (fieldNumber(field, decimalComma, &number))
                builder.number(row, column, number, false);
            else
                builder.text(row, column, QString::fromUtf8(field.begin, field.end - field.begin));
        }
        // Cells right of the grid are not kept; how many there were is told.
        if (scanner.filledCount() > kept) {
            book->cutCells += qint64(scanner.filledCount() - kept);
            ++book->cutCellRows;
        }
    }
    // Rows past the grid are not kept; how many there were is told.
    while (scanner.skip(&content))
        book->cutRows += content ? 1 : 0;
    builder.finish();
    // Lines appended later can be read alone when the file is read in place and whole.
    if (text.converted.isEmpty() && book->cutRows == 0 && row < rowLimit) {
        const char *lineEnd = end;
        while (lineEnd > begin && lineEnd[-1] != '\n' && lineEnd[-1] != '\r')
            --lineEnd;
        workbook::TextTail &tail = book->textTail;
        tail.known = true;
        tail.separator = separator;
        tail.decimalComma = decimalComma;
        tail.completeBytes = lineEnd - bytes.constData();
        tail.partialLine = lineEnd < end;
    }
    return book;
}

}
