#pragma once

#include <QStringView>
#include <QtGlobal>

// Timestamps as data loggers and workbooks write them, read into seconds. A dated stamp
// counts the seconds since 1970-01-01 00:00 of its own clock; one with a zone is taken to
// UTC first. A time of day alone counts the seconds since its midnight.
namespace timetext {

struct Stamp {
    double seconds = 0;
    bool dated = false; // false: a time of day without a date
    bool zoned = false; // a zone was given and taken off
};

// The forms read, with blanks around them allowed:
//   yyyy-m-d or yyyy/m/d, alone (its midnight) or followed by a blank or "T" and
//   h:mm[:ss[.f...]], then an optional zone "Z", "+hh", "+hh:mm" or "+hhmm" (or "-");
//   h:mm:ss[.f...] alone, a time of day (no zone: without a date it could not be moved).
// and as loggers write them:
//   m/d/y or d/m/y, d.m.y with a 2- or 4-digit year (2-digit: 70..99 the 1900s, else
//   the 2000s), alone or followed by blanks and a time;
//   yyyymmdd_hhmmss and yyyymmddThhmmss (a fraction may follow);
//   times with AM/PM (or 上午/下午 before or after them), and milliseconds after a third
//   colon ("13:46:59:479").
// The fraction may also follow a comma. Fields must be in range (a 30 February, 24:00 or
// 10:60 is not a time). False when the text is none of these; *stamp is then unchanged.
// Without an order a date with '/' reads month first, one with '.' day first.
enum class DateOrder : quint8 { Default, MonthFirst, DayFirst };
bool parse(QStringView text, Stamp *stamp, DateOrder order = DateOrder::Default);

// Whether the text is a date whose day and month could be either way round (n/n/y, n.n.y).
bool orderMatters(QStringView text);

// Days from 1970-01-01 to a date of the Gregorian calendar, and back.
qint64 daysFromCivil(int year, int month, int day);
void civilFromDays(qint64 days, int *year, int *month, int *day);

}
