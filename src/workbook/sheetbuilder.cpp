#include "workbook/sheetbuilder.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace workbook {

QString reasonNotWorkbook() { return QStringLiteral("不是Excel工作簿"); }
QString reasonEncrypted() { return QStringLiteral("工作簿已加密"); }
QString reasonDamaged() { return QStringLiteral("文件已损坏"); }
QString reasonNoSheet() { return QStringLiteral("没有工作表"); }
QString reasonTextTooLong() { return QStringLiteral("表格文字太多（超过 %1 MB）").arg((MaxTextChars * 2) >> 20); }

namespace {

constexpr int errorNum = 0x24;
// Serials of year 0 to 9999: outside them a date format shows no date.
constexpr double lastSerial = 2958466;

struct ErrorName {
    const char *text;
    int code;
};
const ErrorName errorNames[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F},
                                {"#REF!", 0x17},  {"#NAME?", 0x1D},  {"#NUM!", 0x24},
                                {"#N/A", 0x2A},   {"#GETTING_DATA", 0x2B}};

// Days from 1899-12-30 to the given day of the proleptic Gregorian calendar.
long long daysFromEpoch(int year, int month, int day)
{
    // Days from civil (Howard Hinnant's algorithm), shifted to the spreadsheet epoch.
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long unixDays = era * 146097LL + doe - 719468;
    return unixDays + 25569;
}

QChar charAt(QStringView text, qsizetype at)
{
    return at >= 0 && at < text.size() ? text.at(at) : QChar();
}

// Reads exactly `count` digits at `at`.
bool digits(QStringView text, qsizetype at, int count, int *value)
{
    if (at + count > text.size())
        return false;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text.at(at + i).unicode();
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" at `at`, as a fraction of a day. A zone suffix
// ("Z", "+08:00") is ignored: spreadsheet dates carry no zone.
bool timeOfDay(QStringView text, qsizetype at, double *days)
{
    int hour = 0, minute = 0;
    double second = 0;
    if (!digits(text, at, 2, &hour) || charAt(text, at + 2) != QLatin1Char(':')
        || !digits(text, at + 3, 2, &minute))
        return false;
    at += 5;
    if (charAt(text, at) == QLatin1Char(':')) {
        qsizetype end = at + 1;
        while (end < text.size() && (text.at(end).isDigit() || text.at(end) == QLatin1Char('.')))
            ++end;
        if (!parseStoredNumber(text.mid(at + 1, end - at - 1), &second))
            return false;
    }
    if (hour > 24 || minute > 59 || second >= 61)
        return false;
    *days = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return true;
}

}

void SheetBuilder::declareRows(int first, int last)
{
    if (first < 1 || last < first)
        return;
    m_declaredFirst = first;
    m_declaredLast = std::min(last, m_rowLimit);
}

bool SheetBuilder::keep(int row, int column)
{
    if (row < 1 || column < 1 || column > GridColumns)
        return false;
    if (row <= m_rowLimit)
        return true;
    if (row != m_lastCutRow) {
        ++m_cutRows;
        m_lastCutRow = row;
    }
    return false;
}

void SheetBuilder::touch(int row)
{
    if (m_cellFirst == 0 || row < m_cellFirst)
        m_cellFirst = row;
    if (row > m_cellLast)
        m_cellLast = row;
}

void SheetBuilder::number(int row, int column, double value, bool date)
{
    if (!keep(row, column))
        return;
    touch(row);
    if (!std::isfinite(value)) {
        m_sheet.setError(row, column, errorNum);
        return;
    }
    if (date) {
        const double serial = m_date1904 ? value + 1462 : value;
        if (serial >= 0 && serial < lastSerial) {
            m_sheet.setNumber(row, column, CellType::DateTime, serial);
            return;
        }
    }
    m_sheet.setNumber(row, column, CellType::Number, value);
}

void SheetBuilder::dateSerial(int row, int column, double serial)
{
    if (!keep(row, column))
        return;
    touch(row);
    const bool showable = serial >= 0 && serial < lastSerial;
    m_sheet.setNumber(row, column, showable ? CellType::DateTime : CellType::Number, serial);
}

void SheetBuilder::text(int row, int column, const QString &text)
{
    if (!keep(row, column))
        return;
    touch(row);
    // The cell's own: a cell written again and again frees the texts it no longer shows.
    m_sheet.setOwnText(row, column, text);
}

void SheetBuilder::sharedText(int row, int column, std::uint32_t index)
{
    if (!keep(row, column))
        return;
    touch(row);
    m_sheet.setText(row, column, index);
}

void SheetBuilder::boolean(int row, int column, bool value)
{
    if (!keep(row, column))
        return;
    touch(row);
    m_sheet.setNumber(row, column, CellType::Boolean, value ? 1 : 0);
}

void SheetBuilder::error(int row, int column, int code)
{
    if (!keep(row, column))
        return;
    touch(row);
    m_sheet.setError(row, column, code);
}

void SheetBuilder::finish()
{
    int first = m_declaredFirst, last = m_declaredLast;
    if (m_cellFirst > 0) {
        if (first == 0 || m_cellFirst < first)
            first = m_cellFirst;
        last = std::max(last, m_cellLast);
    }
    if (first > 0)
        m_sheet.setUsedRows(first, last);
}

int errorCodeOfText(QStringView text)
{
    for (const ErrorName &e : errorNames)
        if (text.compare(QLatin1String(e.text), Qt::CaseInsensitive) == 0)
            return e.code;
    return 0x2A;
}

bool isErrorText(QStringView text)
{
    for (const ErrorName &e : errorNames)
        if (text.compare(QLatin1String(e.text), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isoDateSerial(QStringView text, double *serial)
{
    text = text.trimmed();
    int year = 0, month = 0, day = 0;
    qsizetype at = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        at = 1;
    if (!digits(text, at, 4, &year) || charAt(text, at + 4) != QLatin1Char('-')
        || !digits(text, at + 5, 2, &month) || charAt(text, at + 7) != QLatin1Char('-')
        || !digits(text, at + 8, 2, &day))
        return false;
    if (negative)
        year = -year;
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    double value = double(daysFromEpoch(year, month, day));
    at += 10;
    if (at < text.size()) {
        if (text.at(at) != QLatin1Char('T') && text.at(at) != QLatin1Char(' '))
            return false;
        double time = 0;
        if (!timeOfDay(text, at + 1, &time))
            return false;
        value += time;
    }
    *serial = value;
    return true;
}

bool isoTimeSerial(QStringView text, double *serial)
{
    text = text.trimmed();
    return timeOfDay(text, text.startsWith(QLatin1Char('T')) ? 1 : 0, serial);
}

bool isoDurationDays(QStringView text, double *days)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('-'))) {
        negative = true;
        text = text.mid(1);
    }
    if (!text.startsWith(QLatin1Char('P')))
        return false;
    double total = 0; // in seconds
    bool inTime = false, any = false;
    qsizetype at = 1;
    while (at < text.size()) {
        if (text.at(at) == QLatin1Char('T')) {
            inTime = true;
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && (text.at(end).isDigit() || text.at(end) == QLatin1Char('.')))
            ++end;
        double v = 0;
        if (end == at || end >= text.size() || !parseStoredNumber(text.mid(at, end - at), &v))
            return false;
        switch (text.at(end).unicode()) {
        case 'D': total += v * 86400; break;
        case 'H': if (!inTime) return false; total += v * 3600; break;
        case 'M': if (!inTime) return false; total += v * 60; break;
        case 'S': if (!inTime) return false; total += v; break;
        default: return false; // years and months have no fixed length
        }
        any = true;
        at = end + 1;
    }
    if (!any)
        return false;
    *days = (negative ? -total : total) / 86400.0;
    return true;
}

bool parseStoredNumber(QStringView text, double *value)
{
    char buffer[64];
    qsizetype n = 0;
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from).isSpace())
        ++from;
    while (to > from && text.at(to - 1).isSpace())
        --to;
    if (to - from <= 0 || to - from >= qsizetype(sizeof buffer))
        return false;
    for (qsizetype i = from; i < to; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c > 0x7F)
            return false;
        buffer[n++] = char(c);
    }
    const char *begin = buffer;
    if (*begin == '+')
        ++begin;
    double v = 0;
    const auto result = std::from_chars(begin, buffer + n, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != buffer + n)
        return false;
    *value = v;
    return true;
}

}
