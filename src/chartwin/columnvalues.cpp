#include "chartwin/columnvalues.h"

#include "base/numtext.h"
#include "base/timetext.h"
#include "import/columnstore.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <QCoreApplication>

namespace columnvalues {

namespace {

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); });
}

QStringView textAt(const ColumnStore &store, int list, int index)
{
    double v = 0;
    if (index < 0 || index >= store.count(list) || store.numberAt(list, index, &v))
        return QStringView();
    return store.entry(list, index).text;
}

// Day or month first, for a column of dates that could be either: the order under which
// every item is a date; where both are, the one whose times do not go back, else month
// first for "1/2/2024" and day first for "1.2.2024".
timetext::DateOrder decideOrder(const ColumnStore &store, int list, int first, int last, bool *decided)
{
    *decided = false;
    QStringView sample;
    for (int i = first; i <= last && sample.isEmpty(); ++i)
        if (!isBlank(textAt(store, list, i)))
            sample = textAt(store, list, i);
    if (sample.isEmpty() || !timetext::orderMatters(sample))
        return timetext::DateOrder::Default;
    *decided = true;
    struct Trial {
        timetext::DateOrder order;
        bool valid = true;
        int backSteps = 0;
        double previous = 0;
        bool started = false;
    };
    Trial trials[2] = {{timetext::DateOrder::MonthFirst}, {timetext::DateOrder::DayFirst}};
    for (int i = first; i <= last; ++i) {
        const QStringView text = textAt(store, list, i);
        if (isBlank(text))
            continue;
        for (Trial &t : trials) {
            if (!t.valid)
                continue;
            timetext::Stamp stamp;
            t.valid = timetext::parse(text, &stamp, t.order);
            if (t.started && stamp.seconds < t.previous)
                ++t.backSteps;
            t.previous = stamp.seconds;
            t.started = true;
        }
        if (!trials[0].valid && !trials[1].valid)
            break;
    }
    if (trials[0].valid != trials[1].valid)
        return trials[0].valid ? trials[0].order : trials[1].order;
    if (trials[0].valid && trials[0].backSteps != trials[1].backSteps)
        return trials[0].backSteps < trials[1].backSteps ? trials[0].order : trials[1].order;
    return sample.contains(u'/') ? timetext::DateOrder::MonthFirst : timetext::DateOrder::DayFirst;
}

// A number item, or a text that reads as one (" 5 "): true and its value; else false and
// the text (empty for a missing item). An infinite or undefined number is no reading either.
bool numberOrText(const ColumnStore &store, int list, int index, int count, double *v, QStringView *text)
{
    if (store.numberAt(list, index, v) && std::isfinite(*v))
        return true;
    *text = index >= 0 && index < count ? store.entry(list, index).text : QStringView();
    return numtext::toDouble(*text, v);
}

// The last row before `end` that holds a reading; -1 when none does.
int lastReading(const Column &column, int end)
{
    auto gap = std::lower_bound(column.gapRows.begin(), column.gapRows.end(), end);
    for (int row = end - 1; row >= 0; --row) {
        if (gap != column.gapRows.begin() && *(gap - 1) == row) {
            --gap;
            continue;
        }
        return row;
    }
    return -1;
}

// Rows kept..last of a number column that has a reading among its kept rows.
void extendNumbers(Column &column, const ColumnStore &store, int list, int first, int kept, int rows)
{
    const int count = store.count(list);
    for (int row = kept; row < rows; ++row) {
        double v = 0;
        QStringView text;
        if (numberOrText(store, list, first + row, count, &v, &text)) {
            column.values.own().push_back(v);
            continue;
        }
        column.values.own().push_back(0);
        column.gapRows.push_back(row);
    }
    column.notNumbers = int(column.gapRows.size());
}

// Rows kept..last of a time column; false where the new rows change what the column is
// (a number among them, times with and without dates, too few times).
bool extendTimes(Column &column, const ColumnStore &store, int list, int first, int kept, int rows)
{
    const int count = store.count(list);
    const int previousRow = lastReading(column, kept);
    double previous = previousRow >= 0 ? column.values[size_t(previousRow)] : 0;
    bool havePrevious = previousRow >= 0;
    for (int row = kept; row < rows; ++row) {
        double v = 0;
        QStringView text;
        if (numberOrText(store, list, first + row, count, &v, &text))
            return false;
        timetext::Stamp stamp;
        if (isBlank(text)) {
            ++column.emptyTimes;
        } else if (timetext::parse(text, &stamp, timetext::DateOrder::Default)) {
            if (stamp.dated != column.dated)
                return false;
            column.values.own().push_back(stamp.seconds);
            if (!column.dated && havePrevious && stamp.seconds < previous)
                ++column.backSteps;
            previous = stamp.seconds;
            havePrevious = true;
            continue;
        } else {
            ++column.notTimes;
        }
        column.values.own().push_back(0);
        column.gapRows.push_back(row);
    }
    return column.notTimes < column.readings();
}

std::vector<int> firstRows(int count)
{
    std::vector<int> rows(size_t(std::max(count, 0)));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

}

Column read(const ColumnStore &store, int list, int first, int last)
{
    Column out;
    const int rows = std::max(0, last - first + 1);
    const int count = store.count(list);
    Values &values = out.values.own();
    values.reserve(size_t(rows));
    // Times are gathered beside the numbers while the column can still be a time column.
    Values seconds;
    bool maybeTimes = true;
    int numbers = 0, dated = 0, undated = 0, empty = 0, other = 0;
    std::vector<int> gaps; // rows that are no number, or while times are possible: no time
    bool ordered = false;
    const timetext::DateOrder order = decideOrder(store, list, first, last, &ordered);
    for (int row = 0; row < rows; ++row) {
        const int index = first + row;
        double v = 0;
        QStringView text;
        if (numberOrText(store, list, index, count, &v, &text)) {
            values.push_back(v);
            ++numbers;
            if (maybeTimes) {
                // Every row before the first number is no number.
                maybeTimes = false;
                seconds = Values();
                gaps = firstRows(row);
            }
            continue;
        }
        values.push_back(0);
        if (!maybeTimes) {
            gaps.push_back(row);
            continue;
        }
        timetext::Stamp stamp;
        if (isBlank(text)) {
            ++empty;
            gaps.push_back(row);
            seconds.push_back(0);
        } else if (timetext::parse(text, &stamp, order)) {
            ++(stamp.dated ? dated : undated);
            seconds.push_back(stamp.seconds);
        } else {
            // A missing-reading mark ("NAN", "---") among times; too many make it a text column.
            ++other;
            gaps.push_back(row);
            seconds.push_back(0);
        }
    }
    const int times = dated + undated;
    if (maybeTimes && times > 0 && dated > 0 && undated > 0)
        out.mixedDates = true;
    if (!maybeTimes || times == 0 || out.mixedDates || other >= times) {
        if (maybeTimes)
            gaps = firstRows(rows);
        out.gapRows = std::move(gaps);
        out.notNumbers = rows - numbers;
        return out;
    }
    out.times = true;
    out.dated = dated > 0;
    if (ordered)
        out.dateOrder = order == timetext::DateOrder::MonthFirst ? 1 : 2;
    values = std::move(seconds);
    out.gapRows = std::move(gaps);
    out.emptyTimes = empty;
    out.notTimes = other;
    if (!out.dated) {
        size_t nextGap = 0;
        bool havePrevious = false;
        double previous = 0;
        for (int row = 0; row < rows; ++row) {
            if (nextGap < out.gapRows.size() && out.gapRows[nextGap] == row) {
                ++nextGap;
                continue;
            }
            const double v = out.values[size_t(row)];
            if (havePrevious && v < previous)
                ++out.backSteps;
            previous = v;
            havePrevious = true;
        }
    }
    return out;
}

bool extend(Column &column, const ColumnStore &store, int list, int first, int kept, int last)
{
    const int rows = std::max(0, last - first + 1);
    if (kept < 0 || kept > int(column.values.size()) || kept > rows)
        return false;
    if (column.times) {
        // Times whose order of day and month was chosen from every row, or rows taken back
        // whose kind of item is no longer known, are worked out whole again.
        if (column.dateOrder != 0 || column.mixedDates || kept < int(column.values.size()))
            return false;
        return extendTimes(column, store, list, first, kept, rows);
    }
    column.values.own().resize(size_t(kept));
    column.gapRows.erase(std::lower_bound(column.gapRows.begin(), column.gapRows.end(), kept), column.gapRows.end());
    // Without a single number the column could still turn out to be times.
    if (column.readings() == 0 || column.mixedDates)
        return false;
    extendNumbers(column, store, list, first, kept, rows);
    return true;
}

bool borrow(Column &column, const ColumnStore &store, int list, int first, int last)
{
    // Every item a finite number: `read` would take each value as it is, no gap, no time.
    const double *numbers = store.numbersInPlace(list, first, last);
    if (!numbers)
        return false;
    column = Column();
    column.values.borrow(numbers, size_t(last - first + 1));
    return true;
}

bool isUnixSeconds(const QString &name, const Column &column)
{
    if (column.times || column.readings() == 0)
        return false;
    const bool named = name.contains(QLatin1String("unix"), Qt::CaseInsensitive)
                       || name.contains(QLatin1String("epoch"), Qt::CaseInsensitive)
                       || name.contains(QLatin1String("timestamp"), Qt::CaseInsensitive);
    if (!named)
        return false;
    size_t nextGap = 0;
    for (size_t row = 0; row < column.values.size(); ++row) {
        if (nextGap < column.gapRows.size() && column.gapRows[nextGap] == int(row)) {
            ++nextGap;
            continue;
        }
        const double v = column.values[row];
        if (!(v >= 1e9 && v <= 4e9))
            return false;
    }
    return true;
}

QStringList notes(int columnNumber, const Column &column)
{
    QStringList lines;
    if (column.dateOrder != 0)
        lines << QCoreApplication::translate("log", "第%1列的日期按%2读取").arg(columnNumber)
                     .arg(column.dateOrder == 1 ? QCoreApplication::translate("log", "月/日/年") : QCoreApplication::translate("log", "日/月/年"));
    if (column.mixedDates)
        lines << QCoreApplication::translate("log", "第%1列的时间有的带日期、有的不带日期，不按时间绘制").arg(columnNumber);
    if (column.notNumbers > 0)
        lines << QCoreApplication::translate("log", "第%1列有%2个值不是数字，不绘制").arg(columnNumber).arg(column.notNumbers);
    if (column.emptyTimes > 0)
        lines << QCoreApplication::translate("log", "第%1列有%2个空值，这%2行不绘制").arg(columnNumber).arg(column.emptyTimes);
    if (column.notTimes > 0)
        lines << QCoreApplication::translate("log", "第%1列有%2个值不是时间，不绘制").arg(columnNumber).arg(column.notTimes);
    if (column.backSteps > 0)
        lines << QCoreApplication::translate("log", "第%1列的时间没有日期，有%2处倒退（可能跨过了午夜），按当天的时刻绘制")
                     .arg(columnNumber)
                     .arg(column.backSteps);
    return lines;
}

QString refusal(int columnNumber, const Column &column)
{
    if (column.values.empty() || column.readings() > 0)
        return QString();
    return QCoreApplication::translate("columnvalues", "第%1列的%2个值都不是数字，无法绘制").arg(columnNumber).arg(column.values.size());
}

}
