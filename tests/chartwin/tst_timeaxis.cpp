#include <QtTest>

#include "base/timetext.h"
#include "chart/kfdline.h"
#include "chartwin/columnvalues.h"
#include "chartwin/lineload.h"
#include "chartwin/readout.h"
#include "chartwin/timescale.h"
#include "import/columnstore.h"

namespace {

constexpr double Dec8 = 1796688000.0; // 2026-12-08 00:00
constexpr double Hour = 3600.0;
constexpr double Day = 86400.0;

void fill(ColumnStore &store, const QVector<QStringList> &columns)
{
    store.clear();
    for (int k = 0; k < columns.size(); ++k)
        for (const QString &item : columns[k])
            store.append(k + 1, item);
}

QStringList split(const QString &items)
{
    return items.split(QLatin1Char('|'));
}

}

class TestTimeAxis : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void civilDays_data();
    void civilDays();
    void labelForm_data();
    void labelForm();
    void labelText_data();
    void labelText();
    void fullTextReadsBack_data();
    void fullTextReadsBack();
    void columnKinds_data();
    void columnKinds();
    void loadTimeAxis_data();
    void loadTimeAxis();
    void numbersAfterTimes();
    void readoutShowsTime();
};

void TestTimeAxis::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<bool>("zoned");

    const double t10 = Dec8 + 10 * Hour;
    QTest::newRow("ISO with blank and fraction") << "2026-12-08 10:00:00.125" << true << t10 + 0.125 << true << false;
    QTest::newRow("ISO with T") << "2026-12-08T10:00:00" << true << t10 << true << false;
    QTest::newRow("ISO Z") << "2026-12-08T10:00:00Z" << true << t10 << true << true;
    QTest::newRow("lower-case t and z") << "2026-12-08t10:00:00z" << true << t10 << true << true;
    QTest::newRow("zone +hh:mm") << "2026-12-08T10:00:00+08:00" << true << t10 - 8 * Hour << true << true;
    QTest::newRow("zone +hhmm") << "2026-12-08T10:00:00+0530" << true << t10 - 5.5 * Hour << true << true;
    QTest::newRow("zone -hh") << "2026-12-08T10:00:00-03" << true << t10 + 3 * Hour << true << true;
    QTest::newRow("zone after a blank") << "2026-12-08 10:00:00 +01:00" << true << t10 - Hour << true << true;
    QTest::newRow("zone crosses the day") << "2026-12-08T01:00:00+02:00" << true << Dec8 - Hour << true << true;
    QTest::newRow("fraction after a comma") << "2026-12-08 10:00:00,5" << true << t10 + 0.5 << true << false;
    QTest::newRow("many fraction digits") << "2026-12-08 10:00:00.1234567891" << true << t10 + 0.123456789 << true << false;
    QTest::newRow("no seconds") << "2026-12-08 10:00" << true << t10 << true << false;
    QTest::newRow("workbook date cell") << "2026/12/8 10:00:00" << true << t10 << true << false;
    QTest::newRow("workbook date at midnight") << "2026/12/8" << true << Dec8 << true << false;
    QTest::newRow("slash form with fraction") << "2026/12/8 7:05:03.5" << true << Dec8 + 7 * Hour + 303.5 << true << false;
    QTest::newRow("date only") << "2026-12-08" << true << Dec8 << true << false;
    QTest::newRow("blanks around") << "  2026-12-08 10:00:00\t" << true << t10 << true << false;
    QTest::newRow("leap day") << "2024-02-29" << true << 1709164800.0 << true << false;
    QTest::newRow("before 1970") << "1969-12-31 23:59:59" << true << -1.0 << true << false;
    QTest::newRow("time of day") << "10:00:01" << true << 36001.0 << false << false;
    QTest::newRow("time of day, one-digit hour") << "7:00:00.25" << true << 25200.25 << false << false;
    QTest::newRow("last second of a day") << "23:59:59" << true << 86399.0 << false << false;

    QTest::newRow("number") << "2026" << false << 0.0 << false << false;
    QTest::newRow("empty") << "" << false << 0.0 << false << false;
    QTest::newRow("no leap day") << "2025-02-29" << false << 0.0 << false << false;
    QTest::newRow("month 13") << "2026-13-01" << false << 0.0 << false << false;
    QTest::newRow("day 0") << "2026-12-00" << false << 0.0 << false << false;
    QTest::newRow("year 0") << "0000-01-01" << false << 0.0 << false << false;
    QTest::newRow("hour 24") << "2026-12-08 24:00:00" << false << 0.0 << false << false;
    QTest::newRow("minute 60") << "10:60:00" << false << 0.0 << false << false;
    QTest::newRow("second 60") << "10:00:60" << false << 0.0 << false << false;
    QTest::newRow("one-digit minutes") << "10:0:00" << false << 0.0 << false << false;
    QTest::newRow("time of day without seconds") << "10:00" << false << 0.0 << false << false;
    QTest::newRow("time of day with a zone") << "10:00:00Z" << false << 0.0 << false << false;
    QTest::newRow("zone on a date alone") << "2026-12-08Z" << false << 0.0 << false << false;
    QTest::newRow("mixed separators") << "2026-12/08" << false << 0.0 << false << false;
    QTest::newRow("T and nothing") << "2026-12-08T" << false << 0.0 << false << false;
    QTest::newRow("time glued to the date") << "2026-12-0810:00" << false << 0.0 << false << false;
    QTest::newRow("point without digits") << "10:00:00." << false << 0.0 << false << false;
    QTest::newRow("zone of one digit") << "2026-12-08T10:00:00+1" << false << 0.0 << false << false;
    QTest::newRow("zone hour 24") << "2026-12-08T10:00:00+24:00" << false << 0.0 << false << false;
    QTest::newRow("text after it") << "2026-12-08 10:00:00 abc" << false << 0.0 << false << false;
    QTest::newRow("two-digit year") << "26-12-08" << false << 0.0 << false << false;
    QTest::newRow("full-width digits") << QString::fromUtf8("２０２６-12-08") << false << 0.0 << false << false;
}

void TestTimeAxis::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, seconds);
    QFETCH(bool, dated);
    QFETCH(bool, zoned);
    timetext::Stamp stamp;
    stamp.seconds = -42;
    QCOMPARE(timetext::parse(text, &stamp), ok);
    if (!ok) {
        QCOMPARE(stamp.seconds, -42.0);
        return;
    }
    QVERIFY2(std::fabs(stamp.seconds - seconds) < 1e-6, qPrintable(QString::number(stamp.seconds, 'f', 6)));
    QCOMPARE(stamp.dated, dated);
    QCOMPARE(stamp.zoned, zoned);
}

void TestTimeAxis::civilDays_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<qint64>("days");
    QTest::newRow("epoch") << 1970 << 1 << 1 << qint64(0);
    QTest::newRow("day before") << 1969 << 12 << 31 << qint64(-1);
    QTest::newRow("2000-03-01") << 2000 << 3 << 1 << qint64(11017);
    QTest::newRow("2026-12-08") << 2026 << 12 << 8 << qint64(20795);
    QTest::newRow("year 1") << 1 << 1 << 1 << qint64(-719162);
    QTest::newRow("year 9999") << 9999 << 12 << 31 << qint64(2932896);
}

void TestTimeAxis::civilDays()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(qint64, days);
    QCOMPARE(timetext::daysFromCivil(year, month, day), days);
    int y = 0, m = 0, d = 0;
    timetext::civilFromDays(days, &y, &m, &d);
    QCOMPARE(QList<int>({y, m, d}), QList<int>({year, month, day}));
}

void TestTimeAxis::labelForm_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("digits");
    const int clock = int(timescale::Form::TimeOfDay), monthDay = int(timescale::Form::MonthDayTime),
              date = int(timescale::Form::Date);
    QTest::newRow("3 hours") << 3 * Hour << true << clock << 0;
    QTest::newRow("10 seconds: steps of 1 s") << 10.0 << true << clock << 0;
    QTest::newRow("9 seconds") << 9.0 << true << clock << 1;
    QTest::newRow("1 second") << 1.0 << true << clock << 1;
    QTest::newRow("0.5 second") << 0.5 << true << clock << 2;
    QTest::newRow("10 ms") << 0.01 << true << clock << 3;
    QTest::newRow("12 ms") << 0.012 << true << clock << 3;
    QTest::newRow("1 microsecond: at most 6") << 1e-6 << true << clock << 6;
    QTest::newRow("no span") << 0.0 << true << clock << 0;
    QTest::newRow("just under a day") << Day - 1 << true << clock << 0;
    QTest::newRow("a day") << Day << true << monthDay << 0;
    QTest::newRow("2 days") << 2 * Day << true << monthDay << 0;
    QTest::newRow("just under 10 days") << 10 * Day - 1 << true << monthDay << 0;
    QTest::newRow("10 days") << 10 * Day << true << date << 0;
    QTest::newRow("a year") << 365 * Day << true << date << 0;
    QTest::newRow("times of day stay times of day") << 2 * Day << false << clock << 0;
    QTest::newRow("times of day, 10 ms") << 0.01 << false << clock << 3;
}

void TestTimeAxis::labelForm()
{
    QFETCH(double, span);
    QFETCH(bool, dated);
    QFETCH(int, form);
    QFETCH(int, digits);
    for (const double lower : {Dec8, Dec8 + 10 * Hour + 0.125}) {
        const timescale::Labels labels = timescale::labelsFor(lower, lower + span, dated);
        QCOMPARE(int(labels.form), form);
        QCOMPARE(labels.fractionDigits, digits);
        // Reversed limits span the same.
        QCOMPARE(int(timescale::labelsFor(lower + span, lower, dated).form), form);
    }
}

void TestTimeAxis::labelText_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("labels"); // at the 11 ticks, "|" between
    const double t10 = Dec8 + 10 * Hour;
    QTest::newRow("3 hours") << t10 << t10 + 3 * Hour << true
                             << "10:00:00|10:18:00|10:36:00|10:54:00|11:12:00|11:30:00|11:48:00|12:06:00|12:24:00|12:42:00|13:00:00";
    QTest::newRow("2 days: the date where it changes") << t10 << t10 + 2 * Day << true
                            << "12-8 10:00|14:48|19:36|12-9 0:24|5:12|10:00|14:48|19:36|12-10 0:24|5:12|10:00";
    QTest::newRow("10 ms: the minute where it changes") << t10 + 0.125 << t10 + 0.135 << true
                           << "10:00:00.125|00.126|00.127|00.128|00.129|00.130|00.131|00.132|00.133|00.134|00.135";
    QTest::newRow("2 s across a minute") << t10 - 1 << t10 + 1 << true
                                         << "9:59:59.0|59.2|59.4|59.6|59.8|10:00:00.0|00.2|00.4|00.6|00.8|01.0";
    QTest::newRow("100 days: the year where it changes") << Dec8 << Dec8 + 100 * Day << true
                              << "2026-12-8|12-18|12-28|2027-1-7|1-17|1-27|2-6|2-16|2-26|3-8|3-18";
    QTest::newRow("over midnight") << Dec8 - Hour << Dec8 + Hour << true
                                   << "23:00:00|23:12:00|23:24:00|23:36:00|23:48:00|0:00:00|0:12:00|0:24:00|0:36:00|0:48:00|1:00:00";
    QTest::newRow("times of day widened below 0") << -Hour << 4 * Hour << false
                                                  << "-1:00:00|-0:30:00|0:00:00|0:30:00|1:00:00|1:30:00|2:00:00|2:30:00|3:00:00|3:30:00|4:00:00";
    QTest::newRow("times of day across zero, with decimals") << -1.0 << 1.0 << false
                                                             << "-0:00:01.0|00.8|00.6|00.4|00.2|0:00:00.0|00.2|00.4|00.6|00.8|01.0";
    QTest::newRow("times of day past 24 hours") << 20 * Hour << 30 * Hour << false
                                                << "20:00:00|21:00:00|22:00:00|23:00:00|24:00:00|25:00:00|26:00:00|27:00:00|28:00:00|29:00:00|30:00:00";
    QTest::newRow("beyond the calendar") << 0.0 << 1e300 << true
                                         << "1970-1-1|1E299|2E299|3E299|4E299|5E299|6E299|7E299|8E299|9E299|1E300";
}

void TestTimeAxis::labelText()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(bool, dated);
    QFETCH(QString, labels);
    // As the chart asks for them: through the scale text of the axis.
    kfdline::Tline axis;
    axis.lower = lower;
    axis.upper = upper;
    axis.text = timescale::scaleText(dated);
    QStringList got;
    for (int j = 0; j <= 10; ++j)
        got << kfdline::scaleLabel(axis, lower + (upper - lower) / 10 * j);
    QCOMPARE(got, split(labels));
    // Alone, a label is always whole.
    const timescale::Labels form = timescale::labelsFor(lower, upper, dated);
    const double second = lower + (upper - lower) / 10;
    QCOMPARE(timescale::labelText(second, form, dated, &lower), got[1]);
    QCOMPARE(timescale::labelText(lower, form, dated), got[0]);
}

void TestTimeAxis::fullTextReadsBack_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole second") << Dec8 + 10 * Hour << true << "2026-12-8 10:00:00";
    QTest::newRow("milliseconds") << Dec8 + 10 * Hour + 0.125 << true << "2026-12-8 10:00:00.125";
    QTest::newRow("a tenth, no binary noise") << Dec8 + 0.1 << true << "2026-12-8 0:00:00.1";
    QTest::newRow("before 1970") << -0.5 << true << "1969-12-31 23:59:59.5";
    QTest::newRow("time of day") << 36001.25 << false << "10:00:01.25";
    QTest::newRow("negative time of day") << -90.0 << false << "-0:01:30";
    QTest::newRow("rounds to zero, no sign") << -1e-9 << false << "0:00:00";
}

void TestTimeAxis::fullTextReadsBack()
{
    QFETCH(double, seconds);
    QFETCH(bool, dated);
    QFETCH(QString, text);
    QCOMPARE(timescale::fullText(seconds, dated), text);
    timetext::Stamp stamp;
    if (seconds >= 0 || dated) {
        QVERIFY(timetext::parse(text, &stamp));
        QVERIFY(std::fabs(stamp.seconds - seconds) < 1e-6);
        QCOMPARE(stamp.dated, dated);
    }
}

void TestTimeAxis::columnKinds_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<bool>("times");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("notes");
    QTest::newRow("numbers") << "1|2|3" << false << false << "";
    QTest::newRow("numbers with texts") << "1|abc| |4|n/a" << false << false << "第3列有3个值不是数字，不绘制";
    QTest::newRow("dated times") << "2026-12-08 10:00:00|2026/12/8 10:00:01|2026-12-08T10:00:02Z" << true << true << "";
    QTest::newRow("date cells with midnight") << "2026/12/8 23:00:00|2026/12/9|2026/12/9 1:00:00" << true << true << "";
    QTest::newRow("empty times left out") << "2026-12-08 10:00:00| |2026-12-08 10:00:02|\t" << true << true
                                          << "第3列有2个空值，这2行不绘制";
    QTest::newRow("times of day over midnight") << "23:59:58|23:59:59|0:00:00|0:00:01" << true << false
                                                << "第3列的时间没有日期，有1处倒退（可能跨过了午夜），按当天的时刻绘制";
    QTest::newRow("a number among times") << "2026-12-08 10:00:00|5|2026-12-08 10:00:02" << false << false
                                          << "第3列有2个值不是数字，不绘制";
    QTest::newRow("a text among times") << "10:00:00|later|10:00:02" << true << false << "第3列有1个值不是时间，不绘制";
    QTest::newRow("dated and undated") << "2026-12-08 10:00:00|10:00:01" << false << false
                                       << "第3列的时间有的带日期、有的不带日期，不按时间绘制|第3列有2个值不是数字，不绘制";
    QTest::newRow("only empty items") << " | " << false << false << "第3列有2个值不是数字，不绘制";
}

void TestTimeAxis::columnKinds()
{
    QFETCH(QString, items);
    QFETCH(bool, times);
    QFETCH(bool, dated);
    QFETCH(QString, notes);
    ColumnStore store;
    const QStringList values = split(items);
    for (const QString &v : values)
        store.append(3, v);
    const columnvalues::Column column = columnvalues::read(store, 3, 0, int(values.size()) - 1);
    QCOMPARE(column.times, times);
    QCOMPARE(column.dated, dated);
    QCOMPARE(int(column.values.size()), int(values.size()));
    QCOMPARE(columnvalues::notes(3, column).join(QLatin1Char('|')), notes);
    // Items past the end of the list are missing: they count like empty ones.
    const columnvalues::Column longer = columnvalues::read(store, 3, 0, int(values.size()));
    QCOMPARE(int(longer.values.size()), int(values.size()) + 1);
    if (times)
        QCOMPARE(longer.gapRows.back(), int(values.size()));
    else
        QCOMPARE(longer.notNumbers, column.notNumbers + 1);
}

void TestTimeAxis::loadTimeAxis_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("xLower");
    QTest::addColumn<double>("xUpper");
    QTest::addColumn<double>("yLower");
    QTest::addColumn<double>("yUpper");
    QTest::addColumn<QString>("rows"); // data rows drawn
    const double t10 = Dec8 + 10 * Hour;
    QTest::newRow("dated X, far beyond the scan's start") << "2026-12-08 10:00:02|2026-12-08 10:00:00|2026-12-08 10:00:01"
                                                          << "1|2|3" << 1 << t10 << t10 + 2 << 1.0 << 3.0 << "0 1 2";
    QTest::newRow("empty X rows are not drawn, nor ranged") << "2026-12-08 10:00:00| |2026-12-08 10:00:02"
                                                             << "1|100|3" << 1 << t10 << t10 + 2 << 1.0 << 3.0 << "0 2";
    QTest::newRow("zones to UTC") << "2026-12-08T10:00:00+01:00|2026-12-08T10:00:00Z" << "1|2" << 1 << t10 - Hour << t10
                                  << 1.0 << 2.0 << "0 1";
    QTest::newRow("times of day") << "10:00:00|10:00:01" << "1|2" << 1 << 36000.0 << 36001.0 << 1.0 << 2.0 << "0 1";
    QTest::newRow("date only") << "2026-12-08|2026-12-10" << "1|2" << 1 << Dec8 << Dec8 + 2 * Day << 1.0 << 2.0 << "0 1";
    QTest::newRow("time Y widened in mode 2") << "1|2|3" << "10:00:00|11:00:00| " << 2 << 1.0 << 3.0
                                              << 36000.0 - 1800 << 39600.0 + 1800 << "0 1";
}

void TestTimeAxis::loadTimeAxis()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(int, mode);
    QFETCH(double, xLower);
    QFETCH(double, xUpper);
    QFETCH(double, yLower);
    QFETCH(double, yUpper);
    QFETCH(QString, rows);
    ColumnStore store;
    fill(store, {QStringList{"t", "s"} + split(x), QStringList{"v", "u"} + split(y)});
    Tkfdline screen, printed;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.scaleMode = mode;
    const lineload::Result result = lineload::loadLineData(store, request, {&screen, &printed});
    for (const Tkfdline *chart : {&screen, &printed}) {
        QCOMPARE(chart->xAxis.lower, xLower);
        QCOMPARE(chart->xAxis.upper, xUpper);
        QCOMPARE(chart->curves[0].lower, yLower);
        QCOMPARE(chart->curves[0].upper, yUpper);
        QCOMPARE(bool(chart->xAxis.text), result.xTime);
        QCOMPARE(bool(chart->curves[0].text), result.yTime[0]);
    }
    QStringList drawn;
    for (int row : result.pointRows[0])
        drawn << QString::number(row);
    QCOMPARE(drawn.join(' '), rows);
    QCOMPARE(screen.pointCount[0], int(result.pointRows[0].size()));
    const columnvalues::Column xs = columnvalues::read(store, 1, 2, store.count(1) - 1);
    const columnvalues::Column ys = columnvalues::read(store, 2, 2, store.count(1) - 1);
    for (int k = 0; k < screen.pointCount[0]; ++k) {
        const size_t row = size_t(result.pointRows[0][size_t(k)]);
        QCOMPARE(screen.xData[0][k + 1], xs.values[row]);
        QCOMPARE(screen.yData[0][k + 1], ys.values[row]);
    }
}

void TestTimeAxis::numbersAfterTimes()
{
    // A chart loaded with times and then with numbers draws plain numbers again.
    ColumnStore store;
    Tkfdline chart;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    fill(store, {{"t", "s", "10:00:00", "10:00:01"}, {"v", "u", "10:00:00", "1"}});
    request.lastRow = store.count(1);
    lineload::Result result = lineload::loadLineData(store, request, {&chart});
    QVERIFY(chart.xAxis.text);
    QCOMPARE(result.yNotNumbers[0], 1);
    QCOMPARE(result.valueNotes, QStringList{"第2列有1个值不是数字，不绘制"});
    fill(store, {{"t", "s", "1", "2"}, {"v", "u", "3", "4"}});
    result = lineload::loadLineData(store, request, {&chart});
    QVERIFY(!chart.xAxis.text);
    QVERIFY(!chart.curves[0].text);
    QVERIFY(result.valueNotes.isEmpty());
    QCOMPARE(kfdline::scaleLabel(chart.xAxis, 1.5), QStringLiteral("1.50"));
}

void TestTimeAxis::readoutShowsTime()
{
    ColumnStore store;
    fill(store, {{"时间", "s", "2026-12-08 10:00:00.125", "2026-12-08 10:00:00.135"}, {"压力", "kPa", "1", "2"}});
    Tkfdline chart;
    chart.Width = 817;
    chart.Height = 529;
    chart.setPictureSize(817, 529);
    chart.marginTop = 120;
    lineload::Request request;
    request.xCol = 1;
    request.yCols = {2};
    request.lastRow = store.count(1);
    request.scaleMode = 1;
    const lineload::Result result = lineload::loadLineData(store, request, {&chart});
    chart.Redraw();
    const readout::Readout r = readout::readAt(chart, QPoint(chart.Width - chart.marginRight, chart.marginTop), result.pointRows);
    QVERIFY(r.visible);
    QCOMPARE(r.lines.size(), 2);
    QCOMPARE(r.lines[0].text, QStringLiteral("时间: 2026-12-8 10:00:00.135 s"));
    QCOMPARE(r.lines[1].text, QStringLiteral("压力: 2.00 kPa"));
}

QTEST_MAIN(TestTimeAxis)
#include "tst_timeaxis.moc"
