// A table that grows below its last row (a followed log): the chart's converted values, its
// view index and its block totals are extended from the rows they had, and must come out as
// if the whole grown table had been loaded afresh.
#include <QtTest>

#include "chart/kfdline.h"
#include "chartwin/blocksums.h"
#include "chartwin/chartdocument.h"
#include "chartwin/columnvalues.h"
#include "chartwin/extremaindex.h"
#include "chartwin/rangestats.h"
#include "import/columnstore.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

class TestGrownTable : public QObject
{
    Q_OBJECT
private slots:
    void keptItems_data();
    void keptItems();
    void columnGrowsAsReadWhole_data();
    void columnGrowsAsReadWhole();
    void indexesGrowAsBuiltWhole_data();
    void indexesGrowAsBuiltWhole();
    void documentGrowsAsLoadedWhole_data();
    void documentGrowsAsLoadedWhole();
    void borrowedAsRead_data();
    void borrowedAsRead();
    void borrowedFollowsTheStore_data();
    void borrowedFollowsTheStore();
};

namespace {

struct Shape {
    int textEvery = 0; // a "NAN" text in list 3 every this many rows (0: none)
    bool falling = false; // X goes back now and then
    bool asTexts = false; // numbers held as their texts, so the chart converts a copy
};

void appendValue(ColumnStore &store, int list, double v, bool asText)
{
    if (asText)
        store.append(list, QString::number(v, 'g', 17));
    else
        store.appendNumber(list, v);
}

// Row `row` (0-based) of lists 1 (X) to 4; `partial`: the row as read from a line not yet
// complete, with other values.
void appendRow(ColumnStore &store, int row, const Shape &shape, bool partial = false)
{
    const double x = shape.falling ? (row % 50) * 0.5 + row / 50 : row * 0.5;
    appendValue(store, 1, x, shape.asTexts);
    appendValue(store, 2, partial ? 1e6 : double((row * 37) % 101 - 50), shape.asTexts);
    if (shape.textEvery > 0 && row % shape.textEvery == 3)
        store.append(3, QStringLiteral("NAN"));
    else if (shape.textEvery > 0 && row % shape.textEvery == 5)
        store.append(3, QStringView());
    else
        appendValue(store, 3, (row * row) % 17 * 0.25, shape.asTexts);
    appendValue(store, 4, partial ? -1e6 : std::sin(row * 0.01) * 100, shape.asTexts);
}

void fill(ColumnStore &store, int rows, const Shape &shape)
{
    ColumnStore::Batch batch(store);
    store.clear();
    for (int list = 1; list <= 4; ++list) {
        store.append(list, QStringLiteral("c%1").arg(list));
        store.append(list, QStringLiteral("u"));
    }
    for (int row = 0; row < rows; ++row)
        appendRow(store, row, shape);
}

lineload::Request request(int rows)
{
    lineload::Request r;
    r.xCol = 1;
    r.yCols = {2, 3, 4};
    r.lastRow = rows + 2;
    r.scaleMode = 2;
    return r;
}

void compareColumns(const columnvalues::Column &grown, const columnvalues::Column &whole, const char *what)
{
    // Bit for bit: a borrowed value is the store's item as it is.
    QCOMPARE(grown.values.size(), whole.values.size());
    QVERIFY2(grown.values.empty() || std::memcmp(grown.values.data(), whole.values.data(),
                                                 grown.values.size() * sizeof(double)) == 0, what);
    QVERIFY2(grown.gapRows == whole.gapRows, what);
    QCOMPARE(grown.times, whole.times);
    QCOMPARE(grown.dated, whole.dated);
    QCOMPARE(grown.notNumbers, whole.notNumbers);
    QCOMPARE(grown.emptyTimes, whole.emptyTimes);
    QCOMPARE(grown.notTimes, whole.notTimes);
    QCOMPARE(grown.backSteps, whole.backSteps);
    QCOMPARE(grown.mixedDates, whole.mixedDates);
    QCOMPARE(grown.dateOrder, whole.dateOrder);
}

// What the charts show of a document: every curve's limits and points.
void compareCharts(const Tkfdline &grown, const Tkfdline &whole)
{
    QCOMPARE(grown.xAxis.lower, whole.xAxis.lower);
    QCOMPARE(grown.xAxis.upper, whole.xAxis.upper);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(grown.curves[k].lower, whole.curves[k].lower);
        QCOMPARE(grown.curves[k].upper, whole.curves[k].upper);
        QCOMPARE(grown.pointCount[k], whole.pointCount[k]);
        for (int p = 1; p <= grown.pointCount[k]; ++p) {
            QCOMPARE(grown.xData[k][p], whole.xData[k][p]);
            QCOMPARE(grown.yData[k][p], whole.yData[k][p]);
        }
    }
}

void compareStats(const ChartDocument &grown, const ChartDocument &whole, double a, double b)
{
    const rangestats::Result g = rangestats::compute(grown, a, b);
    const rangestats::Result w = rangestats::compute(whole, a, b);
    QCOMPARE(g.xRows, w.xRows);
    QCOMPARE(g.curves.size(), w.curves.size());
    for (size_t k = 0; k < g.curves.size(); ++k) {
        QCOMPARE(g.curves[k].rows, w.curves[k].rows);
        // Both NaN (nothing between the limits) or the same figures, bit for bit.
        for (auto [x, y] : {std::pair{g.curves[k].min, w.curves[k].min}, {g.curves[k].max, w.curves[k].max},
                            {g.curves[k].mean, w.curves[k].mean}, {g.curves[k].rms, w.curves[k].rms}})
            QVERIFY((std::isnan(x) && std::isnan(y)) || x == y);
    }
}

}

void TestGrownTable::keptItems_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("kept1"); // of list 1 (5 items before) and list 2 (2 items before)
    QTest::addColumn<int>("kept2");
    QTest::newRow("rows appended") << "append" << 5 << 2;
    QTest::newRow("a row taken back, then appended") << "truncate" << 4 << 2;
    QTest::newRow("cleared and filled") << "clear" << 0 << 0;
    QTest::newRow("another table swapped in") << "swap" << 0 << 0;
    QTest::newRow("a list removed") << "remove" << 0 << 0;
}

void TestGrownTable::keptItems()
{
    QFETCH(QString, change);
    QFETCH(int, kept1);
    QFETCH(int, kept2);
    ColumnStore store, other;
    for (int i = 0; i < 5; ++i)
        store.appendNumber(1, i);
    store.appendNumber(2, 1);
    store.appendNumber(2, 2);
    other.appendNumber(1, 9);
    QVector<int> seen;
    connect(&store, &ColumnStore::resetFinished, this, [&] { seen = {store.keptItems(1), store.keptItems(2)}; });
    {
        ColumnStore::Batch batch(store);
        if (change == QLatin1String("truncate"))
            store.truncate(4);
        else if (change == QLatin1String("clear"))
            store.clear();
        else if (change == QLatin1String("swap"))
            store.swapContents(other);
        else if (change == QLatin1String("remove"))
            store.removeList(3);
        store.appendNumber(1, 7);
        store.appendNumber(2, 7);
    }
    QCOMPARE(seen, (QVector<int>{kept1, kept2}));
}

void TestGrownTable::columnGrowsAsReadWhole_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<int>("takenBack"); // items of `before` dropped before `added` came
    QTest::addColumn<bool>("grows");    // false: the column must be read whole again
    const QStringList numbers{"n", "u", "1", "2.5", "-3"};
    QTest::newRow("numbers") << numbers << QStringList{"4", "5"} << 0 << true;
    QTest::newRow("texts and blanks among numbers") << numbers << QStringList{"NAN", "", " ", "6"} << 0 << true;
    QTest::newRow("a row taken back") << numbers << QStringList{"9", "10"} << 1 << true;
    QTest::newRow("numbers after texts only") << QStringList{"n", "u", "a", "b"} << QStringList{"1"} << 0 << false;
    const QStringList times{"t", "u", "10:00:00", "", "10:00:01"};
    QTest::newRow("times of day") << times << QStringList{"10:00:02", "09:00:00", "", "x"} << 0 << true;
    QTest::newRow("a number among times") << times << QStringList{"10:00:02", "5"} << 0 << false;
    QTest::newRow("a date among times of day") << times << QStringList{"2024-01-02 10:00:00"} << 0 << false;
    QTest::newRow("dated times") << QStringList{"t", "u", "2024-01-02 10:00:00"}
                                 << QStringList{"2024-01-02 10:00:01", "---"} << 0 << true;
    QTest::newRow("too many marks among times") << times << QStringList{"NAN", "NAN", "NAN"} << 0 << false;
    QTest::newRow("dates whose order was chosen") << QStringList{"t", "u", "1/2/2024 10:00", "1/3/2024 10:00"}
                                                  << QStringList{"13/3/2024 10:00"} << 0 << false;
    QTest::newRow("times with a row taken back") << times << QStringList{"10:00:05"} << 1 << false;
}

void TestGrownTable::columnGrowsAsReadWhole()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, added);
    QFETCH(int, takenBack);
    QFETCH(bool, grows);
    ColumnStore store;
    for (const QString &item : before)
        store.append(1, item);
    const int first = 2;
    columnvalues::Column column = columnvalues::read(store, 1, first, int(before.size()) - 1);
    store.truncate(int(before.size()) - takenBack);
    for (const QString &item : added)
        store.append(1, item);
    const int last = store.count(1) - 1;
    const int kept = int(before.size()) - takenBack - first;
    QCOMPARE(columnvalues::extend(column, store, 1, first, kept, last), grows);
    if (grows)
        compareColumns(column, columnvalues::read(store, 1, first, last), "values");
}

void TestGrownTable::indexesGrowAsBuiltWhole_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("after");
    QTest::newRow("one row") << 1000 << 1000 << 1001;
    QTest::newRow("within a block") << 10 << 10 << 40;
    QTest::newRow("onto a block border") << 40 << 40 << 64;
    QTest::newRow("across a block border") << 60 << 60 << 70;
    QTest::newRow("across a block of totals") << 1020 << 1020 << 1030;
    QTest::newRow("from a border of both") << 2048 << 2048 << 3100;
    QTest::newRow("many blocks at once") << 100 << 100 << 5000;
    QTest::newRow("last row taken back") << 1025 << 1024 << 1090;
    QTest::newRow("from nothing") << 0 << 0 << 300;
}

void TestGrownTable::indexesGrowAsBuiltWhole()
{
    QFETCH(int, before);
    QFETCH(int, kept);
    QFETCH(int, after);
    std::mt19937 random{static_cast<unsigned>(after)};
    std::uniform_real_distribution<double> value(-100, 100);
    std::vector<double> old(static_cast<size_t>(before));
    std::vector<double> grown(static_cast<size_t>(after));
    for (double &v : old)
        v = value(random);
    std::copy(old.begin(), old.begin() + kept, grown.begin());
    for (size_t i = size_t(kept); i < grown.size(); ++i)
        grown[i] = value(random);
    // Gaps every 7th row, and among the rows from `kept` on a run of them.
    std::vector<int> oldGaps, gaps, newGaps;
    for (int r = 0; r < after; ++r) {
        const bool gap = r % 7 == 2 || (r >= kept && r < kept + 9 && r % 2 == 0);
        if (r < before && r % 7 == 2)
            oldGaps.push_back(r);
        if (gap)
            gaps.push_back(r);
        if (gap && r >= kept)
            newGaps.push_back(r);
    }
    extremaindex::Index extremes(old.data(), before, oldGaps);
    extremes.extend(grown.data(), kept, after, newGaps);
    const extremaindex::Index wholeExtremes(grown.data(), after, gaps);
    QCOMPARE(extremes.gaps(), wholeExtremes.gaps());
    QCOMPARE(extremes.rows(), after);
    std::vector<int> oldSumGaps = oldGaps;
    blocksums::Index sums(old.data(), before, &oldSumGaps);
    oldSumGaps = gaps; // the list the totals look at is brought up to date by its keeper
    sums.extend(grown.data(), kept, after);
    const blocksums::Index wholeSums(grown.data(), after, &gaps);
    for (int first = 0; first < after; first += 61)
        for (int last = first; last < after; last += 173) {
            const extremaindex::Extremes e = extremes.over(first, last), w = wholeExtremes.over(first, last);
            QCOMPARE(e.low, w.low);
            QCOMPARE(e.high, w.high);
            const blocksums::Totals t = sums.over(first, last), v = wholeSums.over(first, last);
            QCOMPARE(t.rows, v.rows);
            QVERIFY(t.sum == v.sum && t.squares == v.squares && t.min == v.min && t.max == v.max);
        }
}

void TestGrownTable::documentGrowsAsLoadedWhole_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QVector<int>>("appends");
    QTest::addColumn<int>("textEvery");
    QTest::addColumn<bool>("falling");
    QTest::addColumn<bool>("zoomed");
    QTest::addColumn<bool>("partialLast"); // the last row first read from an unfinished line
    QTest::addColumn<bool>("wholeAsTexts"); // the whole table's numbers as texts: copied, not borrowed
    for (bool texts : {false, true}) {
        const char *whole = texts ? ", whole copied" : "";
        QTest::addRow("one row%s", whole) << 1500 << QVector<int>{1} << 0 << false << false << false << texts;
        QTest::addRow("across index and totals borders%s", whole)
            << 1000 << QVector<int>{20, 10, 63, 64, 1025} << 0 << false << false << false << texts;
        QTest::addRow("texts and blanks appended%s", whole)
            << 700 << QVector<int>{5, 40, 333} << 9 << false << false << false << texts;
        QTest::addRow("X that goes back%s", whole) << 900 << QVector<int>{70, 1100} << 0 << true << false << false << texts;
        QTest::addRow("zoomed view%s", whole) << 3000 << QVector<int>{100, 1000} << 11 << false << true << false << texts;
        QTest::addRow("unfinished last row%s", whole) << 1024 << QVector<int>{1, 200} << 0 << false << false << true << texts;
    }
}

void TestGrownTable::documentGrowsAsLoadedWhole()
{
    QFETCH(int, start);
    QFETCH(QVector<int>, appends);
    QFETCH(int, textEvery);
    QFETCH(bool, falling);
    QFETCH(bool, zoomed);
    QFETCH(bool, partialLast);
    QFETCH(bool, wholeAsTexts);
    const Shape shape{textEvery, falling};
    const Shape wholeShape{textEvery, falling, wholeAsTexts};
    ColumnStore store;
    fill(store, start, shape);
    if (partialLast) {
        ColumnStore::Batch batch(store);
        store.truncate(store.count(1) - 1);
        appendRow(store, start - 1, shape, true);
    }
    auto chart = std::make_unique<Tkfdline>();
    ChartDocument document(store);
    document.setCharts({chart.get()});
    document.load(request(start));
    rangestats::compute(document, 0, start); // the block totals are made
    if (zoomed)
        document.zoomX(start * 0.1, start * 0.4);
    int rows = start;
    for (int added : appends) {
        {
            ColumnStore::Batch batch(store);
            if (partialLast) {
                store.truncate(store.count(1) - 1);
                appendRow(store, rows - 1, shape);
                partialLast = false;
            }
            for (int i = 0; i < added; ++i)
                appendRow(store, rows + i, shape);
        }
        rows += added;
        document.reloadKeepingView(rows + 2);
        rangestats::compute(document, 0, rows);
    }

    ColumnStore wholeStore;
    fill(wholeStore, rows, wholeShape);
    auto wholeChart = std::make_unique<Tkfdline>();
    ChartDocument whole(wholeStore);
    whole.setCharts({wholeChart.get()});
    whole.load(request(rows));
    if (zoomed)
        whole.setView(document.view());
    for (int list = 1; list <= 4; ++list) {
        compareColumns(*document.values(list), *whole.values(list), qPrintable(QString::number(list)));
        // Columns of nothing but numbers are drawn from the store's items.
        QCOMPARE(document.values(list)->values.borrowed(), list != 3 || textEvery == 0);
        QCOMPARE(whole.values(list)->values.borrowed(), !wholeAsTexts && (list != 3 || textEvery == 0));
    }
    QVERIFY(document.viewRange() == whole.viewRange());
    compareCharts(*chart, *wholeChart);
    for (const auto &[a, b] : {std::pair{0.0, rows * 0.5}, {rows * 0.2, rows * 0.45}, {3.0, 700.25}})
        compareStats(document, whole, a, b);
    // A view over the grown rows comes from the extended index as from a whole one.
    document.zoomX(rows * 0.3, rows * 0.49);
    whole.zoomX(rows * 0.3, rows * 0.49);
    QVERIFY(document.viewRange() == whole.viewRange());
    compareCharts(*chart, *wholeChart);

    // A table replaced after growing is loaded anew, from its own values.
    fill(store, rows / 2, Shape{0, !falling});
    fill(wholeStore, rows / 2, Shape{0, !falling, wholeAsTexts});
    document.load(request(rows / 2));
    whole.load(request(rows / 2));
    for (int list = 1; list <= 4; ++list)
        compareColumns(*document.values(list), *whole.values(list), qPrintable(QString::number(list)));
    compareCharts(*chart, *wholeChart);
    compareStats(document, whole, 0, rows);
}

namespace {

// A column's items: "#v" a number item of value v, else a text item ("" an empty one).
void appendItems(ColumnStore &store, int list, const QStringList &items)
{
    for (const QString &item : items) {
        if (item.startsWith(u'#'))
            store.appendNumber(list, item.mid(1).toDouble());
        else
            store.append(list, item);
    }
}

// Numbers 0.25 apart from `start` on, `count` of them, as items.
QStringList numbers(int start, int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QStringLiteral("#%1").arg((start + i) * 0.25 - 1000);
    return items;
}

}

void TestGrownTable::borrowedAsRead_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("extra"); // rows asked for past the list's end
    QTest::addColumn<bool>("borrowed");
    QTest::newRow("numbers") << QStringList{"#1", "#2.5", "#-3", "#0", "#-0", "#1e300"} << 0 << true;
    QTest::newRow("a long column") << numbers(0, 200000) << 0 << true;
    QTest::newRow("a text among numbers") << QStringList{"#1", "abc", "#3"} << 0 << false;
    QTest::newRow("a text that reads as a number") << QStringList{"#1", " 5 ", "#3"} << 0 << false;
    QTest::newRow("a NaN text") << QStringList{"#1", "NaN", "#3"} << 0 << false;
    QTest::newRow("an infinite number") << QStringList{"#1", "#inf", "#3"} << 0 << false;
    QTest::newRow("an empty item") << QStringList{"#1", "", "#3"} << 0 << false;
    QTest::newRow("rows past the end") << QStringList{"#1", "#2"} << 2 << false;
    QTest::newRow("texts only") << QStringList{"a", "b"} << 0 << false;
    QTest::newRow("times") << QStringList{"10:00:00", "10:00:01"} << 0 << false;
}

void TestGrownTable::borrowedAsRead()
{
    QFETCH(QStringList, items);
    QFETCH(int, extra);
    QFETCH(bool, borrowed);
    ColumnStore store;
    store.append(1, QStringLiteral("name"));
    store.append(1, QStringLiteral("unit"));
    appendItems(store, 1, items);
    const int last = store.count(1) - 1 + extra;
    lineload::ValueCache cache;
    const columnvalues::Column &column = cache.column(store, 1, 2, last);
    QCOMPARE(column.values.borrowed(), borrowed);
    compareColumns(column, columnvalues::read(store, 1, 2, last), "values");
}

void TestGrownTable::borrowedFollowsTheStore_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<bool>("borrowed"); // after the change
    QTest::newRow("numbers appended") << "append" << numbers(5000, 30000) << true;
    QTest::newRow("a text appended") << "append" << QStringList{"#7", "x", "#8"} << false;
    QTest::newRow("an empty item appended") << "append" << QStringList{""} << false;
    QTest::newRow("last row taken back, numbers appended") << "truncate" << numbers(9000, 70000) << true;
    QTest::newRow("another table swapped in") << "swap" << numbers(3, 500) << true;
    QTest::newRow("a table of texts swapped in") << "swap" << QStringList{"#1", "NAN", "#2"} << false;
}

void TestGrownTable::borrowedFollowsTheStore()
{
    QFETCH(QString, change);
    QFETCH(QStringList, added);
    QFETCH(bool, borrowed);
    ColumnStore store, other;
    for (ColumnStore *s : {&store, &other}) {
        s->append(1, QStringLiteral("name"));
        s->append(1, QStringLiteral("unit"));
    }
    appendItems(store, 1, numbers(0, 1000));
    lineload::ValueCache cache;
    connect(&store, &ColumnStore::resetFinished, this, [&] { cache.keepItems(store); });
    const int before = store.count(1) - 1;
    QVERIFY(cache.column(store, 1, 2, before).values.borrowed());
    const quint64 version = cache.version(1);
    {
        ColumnStore::Batch batch(store);
        if (change == QLatin1String("truncate"))
            store.truncate(store.count(1) - 1);
        if (change == QLatin1String("swap")) {
            appendItems(other, 1, added);
            store.swapContents(other);
        } else {
            appendItems(store, 1, added);
        }
    }
    // Between the change and the next load the kept values already point where the store
    // keeps its items now.
    if (const columnvalues::Column *kept = cache.find(1))
        compareColumns(*kept, columnvalues::read(store, 1, 2, 2 + int(kept->values.size()) - 1), "kept");
    const int last = store.count(1) - 1;
    const columnvalues::Column &column = cache.column(store, 1, 2, last);
    QCOMPARE(column.values.borrowed(), borrowed);
    compareColumns(column, columnvalues::read(store, 1, 2, last), "values");
    // Grown, not replaced: what was built over the first version grows by the new rows.
    if (change != QLatin1String("swap")) {
        QCOMPARE(cache.previousVersion(1), version);
        QCOMPARE(cache.keptRows(1), before - 2 + (change == QLatin1String("truncate") ? 0 : 1));
    } else {
        QCOMPARE(cache.previousVersion(1), quint64(0));
    }
}

QTEST_GUILESS_MAIN(TestGrownTable)
#include "tst_growntable.moc"
