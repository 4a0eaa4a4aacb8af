#include "workbook/sheetbuilder.h"

#include "base/readprogress.h"

#include <QCoreApplication>
#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace workbook {

QString reasonNotWorkbook() { return QCoreApplication::translate("workbook", "不是Excel工作簿"); }
QString reasonEncrypted() { return QCoreApplication::translate("workbook", "工作簿已加密"); }
QString reasonDamaged() { return QCoreApplication::translate("workbook", "文件已损坏"); }
QString reasonNoSheet() { return QCoreApplication::translate("workbook", "没有工作表"); }
QString reasonTextTooLong() { return QCoreApplication::translate("workbook", "表格文字太多（超过 %1 MB）").arg((MaxTextChars * 2) >> 20); }

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

// The date of a serial day number (1900 system), the inverse of daysFromEpoch.
void civilFromEpoch(long long serialDay, int *year, int *month, int *day)
{
    const long long z = serialDay - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    *day = int(doy - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = int(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" at `at`, as a fraction of a day; *end is set past
// the time. 24:00 is the end of the day, no later time of hour 24 is.
bool timeOfDay(QStringView text, qsizetype at, double *days, qsizetype *end = nullptr)
{
    int hour = 0, minute = 0;
    double second = 0;
    if (!digits(text, at, 2, &hour) || charAt(text, at + 2) != QLatin1Char(':')
        || !digits(text, at + 3, 2, &minute))
        return false;
    at += 5;
    if (charAt(text, at) == QLatin1Char(':')) {
        qsizetype stop = at + 1;
        while (stop < text.size() && (text.at(stop).isDigit() || text.at(stop) == QLatin1Char('.')))
            ++stop;
        if (!parseStoredNumber(text.mid(at + 1, stop - at - 1), &second))
            return false;
        at = stop;
    }
    if (hour > 24 || minute > 59 || second >= 61 || (hour == 24 && (minute > 0 || second > 0)))
        return false;
    *days = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    if (end)
        *end = at;
    return true;
}

// A zone "Z", "+hh", "+hh:mm" or "+hhmm" (or "-") that makes up the rest of the text, as
// the days to add to reach UTC; an empty rest is no zone.
bool zoneOffset(QStringView text, qsizetype at, double *days)
{
    *days = 0;
    if (at == text.size())
        return true;
    if (text.at(at) == QLatin1Char('Z'))
        return at + 1 == text.size();
    const QChar sign = text.at(at);
    if (sign != QLatin1Char('+') && sign != QLatin1Char('-'))
        return false;
    int hours = 0, minutes = 0;
    if (!digits(text, at + 1, 2, &hours))
        return false;
    qsizetype next = at + 3;
    if (charAt(text, next) == QLatin1Char(':'))
        ++next;
    if (next < text.size()) {
        if (!digits(text, next, 2, &minutes))
            return false;
        next += 2;
    }
    if (next != text.size() || hours > 14 || minutes > 59)
        return false;
    // Local time minus its offset is UTC.
    const double offset = (hours * 60 + minutes) / 1440.0;
    *days = sign == QLatin1Char('+') ? -offset : offset;
    return true;
}

// The text a date cell reads as when its time has a fraction of a second, as the whole
// seconds read ("2026/12/8 10:00:00" or "10:00:00" before the first day) with the
// milliseconds after a point, trailing zeros left off: "2026/12/8 10:00:00.125".
QString fractionalDateText(long long serialDay, long long msOfDay)
{
    const long long seconds = msOfDay / 1000;
    QString millis = QStringLiteral("%1").arg(msOfDay % 1000, 3, 10, QLatin1Char('0'));
    while (millis.endsWith(QLatin1Char('0')))
        millis.chop(1);
    const QString time = QStringLiteral("%1:%2:%3.%4")
                             .arg(seconds / 3600)
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                             .arg(millis);
    if (serialDay == 0)
        return time;
    int year = 0, month = 0, day = 0;
    civilFromEpoch(serialDay, &year, &month, &day);
    return QStringLiteral("%1/%2/%3 %4").arg(year, 4, 10, QLatin1Char('0')).arg(month).arg(day).arg(time);
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
    if (row < 1 || column < 1)
        return false;
    if (column > GridColumns) {
        m_cutWidth = std::max(m_cutWidth, column);
        return false;
    }
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
    if (row > m_cellLast) {
        // Every reader passes here: its rows are told, and a cancelled read stops here.
        if (row / readprogress::ReportRows != m_cellLast / readprogress::ReportRows)
            readprogress::parsed(row);
        m_cellLast = row;
    }
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
            putDate(row, column, serial);
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
    if (serial >= 0 && serial < lastSerial)
        putDate(row, column, serial);
    else
        m_sheet.setNumber(row, column, CellType::Number, serial);
}

void SheetBuilder::putDate(int row, int column, double serial)
{
    const double day = std::floor(serial);
    long long ms = std::llround((serial - day) * 86400000.0);
    if (ms >= 86400000 && day + 1 >= lastSerial)
        ms = 86400000 - 1; // the last day's end, not a day the calendar cannot show
    if (ms % 1000 == 0) {
        // Whole seconds: the date value itself, which reads as it always has.
        m_sheet.setNumber(row, column, CellType::DateTime, serial);
        return;
    }
    // A date value reads to the second; a time with milliseconds is kept as its text so
    // stamps a millisecond apart stay apart.
    long long serialDay = (long long)day;
    if (ms >= 86400000) {
        ms -= 86400000;
        ++serialDay;
    }
    m_sheet.setOwnText(row, column, fractionalDateText(serialDay, ms));
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
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return false;
    double value = double(daysFromEpoch(year, month, day));
    at += 10;
    if (at < text.size()) {
        if (text.at(at) != QLatin1Char('T') && text.at(at) != QLatin1Char(' '))
            return false;
        double time = 0, zone = 0;
        qsizetype end = 0;
        if (!timeOfDay(text, at + 1, &time, &end) || !zoneOffset(text, end, &zone))
            return false;
        value += time + zone;
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
