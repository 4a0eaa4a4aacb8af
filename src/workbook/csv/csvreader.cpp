#include "workbook/csv/csvreader.h"

#include "base/numtext.h"
#include "base/readprogress.h"
#include "workbook/csv/records.h"
#include "workbook/csv/spacealigned.h"
#include "workbook/csv/textbytes.h"
#include "workbook/csv/textsurvey.h"
#include "workbook/sheetbuilder.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

#include <QCoreApplication>

namespace csv {

namespace {

constexpr int SniffRecords = 20;     // records the separator is sniffed on

// Whether nearly every comma below the first line (names hold words) stands between two
// digits, as decimal commas and a date joined to its time ("07.08.25,00:00:00") do.
bool commasBetweenDigits(const char *begin, const char *end)
{
    begin = std::find(begin, end, '\n');
    qint64 commas = 0, between = 0;
    for (const char *p = begin; p < end; ++p) {
        if (*p != ',')
            continue;
        ++commas;
        between += p > begin && p + 1 < end && std::isdigit(static_cast<unsigned char>(p[-1]))
                   && std::isdigit(static_cast<unsigned char>(p[1]));
    }
    return commas > 0 && between * 10 >= commas * 9;
}

// The candidate found the same number of times (at least once) on most of the first
// records wins (counted up to the last field, or up to the last filled one when lines end
// in a separator); ties go to the earlier one in this list, but not to a comma that stands
// between digits.
char sniffBytes(const char *begin, const char *end, int *score = nullptr)
{
    const char candidates[] = {',', ';', '\t'};
    char best = candidates[0];
    int bestScore = 0;
    std::vector<records::Field> fields;
    for (char sep : candidates) {
        records::Scanner scanner(begin, end, sep);
        std::vector<int> counts, filled;
        while (int(counts.size()) < SniffRecords && scanner.next(fields)) {
            counts.push_back(int(std::min<std::size_t>(scanner.fieldCount(), INT_MAX)) - 1);
            filled.push_back(int(std::min<std::size_t>(scanner.filledWidth(), INT_MAX)) - 1);
        }
        int score = 0; // the most frequent non-zero count: how many records have it
        for (const std::vector<int> *list : {&counts, &filled})
            for (int c : *list)
                if (c > 0)
                    score = std::max(score, int(std::count(list->begin(), list->end(), c)));
        if (score > bestScore || (score == bestScore && score > 0 && best == ','
                                  && commasBetweenDigits(begin, end))) {
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
        for (qsizetype at = 4; at + 3 < bytes.size(); at += 4) {
            if (at % readprogress::CheckBytes == 0)
                readprogress::checkCancelled();
            if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 0 && data[at + 3] == 0)
                return at;
        }
        return -1;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        for (qsizetype at = 2; at + 1 < bytes.size(); at += 2) {
            if (at % readprogress::CheckBytes == 0)
                readprogress::checkCancelled();
            if (data[at] == 0 && data[at + 1] == 0)
                return at;
        }
        return -1;
    }
    // A lone NUL that starts a line is a logger's stray byte, not binary data: the read
    // drops it and says so.
    return textsurvey::survey(bytes, false).binaryAt;
}


QString binaryReason(qint64 at)
{
    return QCoreApplication::translate("workbook", "含有二进制数据（第%1字节），不是文本文件").arg(at + 1);
}

bool looksLikeText(const QByteArray &bytes)
{
    // An empty file is text without a row: it opens as an empty sheet.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || textbytes::utf32Mark(bytes) != 0)
        return true;
    return binaryAt(bytes.left(65536)) < 0;
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
        if (fields.size() > size_t(columns)) {
            book->cutCells += qint64(fields.size() - size_t(columns));
            ++book->cutCellRows;
            book->cutWidth = std::max(book->cutWidth, int(std::min<size_t>(fields.size(), INT_MAX)));
        }
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


namespace {

// Columns of a text not separated by commas whose every filled field holds one comma and is
// no number: a date and a time joined by ',' in a ';' file. Each is split in two columns.
// Judged on the first lines; true at index i for field i.
std::vector<char> commaJoinedColumns(const char *begin, const char *end, char separator, bool decimalComma)
{
    if (separator == ',')
        return {};
    records::Scanner scanner(begin, end, separator);
    std::vector<records::Field> fields;
    std::vector<int> joined, other; // lines whose field i is joined, or is not
    for (int line = 0; line < 200 && scanner.next(fields); ++line) {
        const size_t width = std::min<size_t>(fields.size(), workbook::GridColumns);
        if (joined.size() < width) {
            joined.resize(width, 0);
            other.resize(width, 0);
        }
        for (size_t i = 0; i < width; ++i) {
            const records::Field &f = fields[i];
            if (f.empty())
                continue;
            double number = 0;
            const bool one = std::count(f.begin, f.end, ',') == 1 && !fieldNumber(f, decimalComma, &number);
            ++(one ? joined : other)[i];
        }
    }
    std::vector<char> split(joined.size(), 0);
    bool any = false;
    for (size_t i = 0; i < joined.size(); ++i)
        any |= (split[i] = joined[i] >= 2 && other[i] == 0);
    return any ? split : std::vector<char>();
}

}

void splitJoined(std::vector<records::Field> &fields, const std::vector<char> &split,
                 std::vector<records::Field> &out)
{
    out.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i >= split.size() || !split[i]) {
            out.push_back(fields[i]);
            continue;
        }
        const records::Field &f = fields[i];
        const char *comma = std::find(f.begin, f.end, ',');
        records::Field left = f, right = f;
        left.end = comma;
        right.begin = comma == f.end ? f.end : comma + 1;
        out.push_back(left);
        out.push_back(right);
    }
    fields.swap(out);
}

TextPlan planText(const QByteArray &bytes)
{
    TextPlan plan;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || textbytes::utf32Mark(bytes) != 0) {
        const qsizetype binary = binaryAt(bytes);
        if (binary >= 0)
            workbook::refuseFormat(binaryReason(binary));
        plan.text = textbytes::toUtf8(bytes, false);
    } else {
        // Whether the file is UTF-8 comes from the pass that looks for binary bytes.
        const textsurvey::Survey survey = textsurvey::survey(bytes);
        if (survey.binaryAt >= 0)
            workbook::refuseFormat(binaryReason(survey.binaryAt));
        plan.text = textbytes::toUtf8(bytes, survey.utf8);
    }
    plan.begin = plan.text.begin;
    plan.end = plan.text.end;
    if (isMarkup(plan.begin, plan.end))
        workbook::refuseFormat(workbook::reasonNotWorkbook());
    int score = 1;
    if (!separatorLine(plan.begin, plan.end, &plan.separator))
        plan.separator = sniffBytes(plan.begin, std::min(plan.end, plan.begin + (1 << 16)), &score);
    plan.decimalComma = plan.separator != ',';
    plan.spaceAligned = score == 0 && spacealigned::looksAligned(plan.begin, std::min(plan.end, plan.begin + (1 << 16)));
    if (!plan.spaceAligned)
        plan.joined = commaJoinedColumns(plan.begin, plan.end, plan.separator, plan.decimalComma);
    return plan;
}

std::unique_ptr<workbook::Workbook> readDelimitedText(const QByteArray &bytes, int rowLimit)
{
    const TextPlan plan = planText(bytes);
    const textbytes::Utf8Text &text = plan.text;
    const char *begin = plan.begin;
    const char *end = plan.end;
    const char separator = plan.separator;
    const bool decimalComma = plan.decimalComma;
    if (plan.spaceAligned)
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
    std::vector<records::Field> fields, splitFields;
    const std::vector<char> &joined = plan.joined;
    for (size_t i = 0; i < joined.size(); ++i)
        if (joined[i])
            book->commaSplitColumns.push_back(int(i) + 1);
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
        if (!joined.empty())
            splitJoined(fields, joined, splitFields);
        const int columns = std::min(int(fields.size()), workbook::GridColumns);
        // A byte-order mark at the start of a line (files joined together) is no text.
        if (columns > 0 && fields[0].end - fields[0].begin >= 3 && std::memcmp(fields[0].begin, "\xEF\xBB\xBF", 3) == 0)
            fields[0].begin += 3;
        if (columns > 0 && fields[0].end > fields[0].begin && *fields[0].begin == '\0') {
            ++fields[0].begin;
            ++book->strayNuls;
        }
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
            // The scanner keeps the first fields only; the filled ones it counted past the
            // grid give the width when the kept fields end early.
            int width = int(std::min<std::size_t>(workbook::GridColumns + (scanner.filledCount() - kept), INT_MAX));
            for (size_t last = fields.size(); last > size_t(columns); --last)
                if (!fields[last - 1].empty()) {
                    width = std::max(width, int(std::min<size_t>(last, INT_MAX)));
                    break;
                }
            book->cutWidth = std::max(book->cutWidth, width);
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
