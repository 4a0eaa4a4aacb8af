#include <QtTest>

#include "base/apperror.h"
#include "import/columnstore.h"

#include <cmath>
#include <functional>

class TestColumnStore : public QObject
{
    Q_OBJECT
private slots:
    void itemAccess_data();
    void itemAccess();
    void listsStayApart();
    void modelsFollowResets_data();
    void modelsFollowResets();
    void repeatedTexts_data();
    void repeatedTexts();
    void textLimit();
    void numbers_data();
    void numbers();
    void numbersInPlace_data();
    void numbersInPlace();
    void knownNumbersFollowChanges_data();
    void knownNumbersFollowChanges();
    void contentsTakenOut();
};

void TestColumnStore::itemAccess_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("result"); // the item, or the error message
    QTest::newRow("first") << 2 << 0 << "名称";
    QTest::newRow("empty text kept in place") << 2 << 1 << "";
    QTest::newRow("last") << 2 << 2 << "-1.5E-7";
    QTest::newRow("one past the end") << 2 << 3 << "List index out of bounds (3)";
    QTest::newRow("negative") << 2 << -1 << "List index out of bounds (-1)";
    QTest::newRow("empty list") << 32 << 0 << "List index out of bounds (0)";
    QTest::newRow("list 0") << 0 << 0 << "Column list number out of range (0)";
    QTest::newRow("empty list 33") << 33 << 0 << "List index out of bounds (0)";
    QTest::newRow("empty last list") << 256 << 0 << "List index out of bounds (0)";
    QTest::newRow("list 257") << 257 << 0 << "Column list number out of range (257)";
}

// Positions outside a list raise the error the chart loading expects.
void TestColumnStore::itemAccess()
{
    QFETCH(int, list);
    QFETCH(int, index);
    QFETCH(QString, result);
    ColumnStore store;
    store.append(1, u"x");
    store.append(2, u"名称");
    store.append(2, u"");
    store.append(2, u"-1.5E-7");
    try {
        QCOMPARE(store.item(list, index), result);
        QCOMPARE(store.entry(list, index).text, QStringView(result));
    } catch (const AppError &e) {
        QCOMPARE(e.message(), result);
    }
}

// Items of different lists never mix, whatever order they are appended in, and clearing
// empties every list.
void TestColumnStore::listsStayApart()
{
    ColumnStore store;
    for (int r = 0; r < 1000; ++r)
        for (int list = 1; list <= 32; list += (r % 3) + 1)
            store.append(list, QStringLiteral("%1/%2").arg(list).arg(r));
    const auto counts = store.counts();
    int filled = 0;
    for (int list = 1; list <= 32; ++list) {
        QCOMPARE(store.count(list), counts[size_t(list - 1)]);
        if (store.count(list) > 0)
            ++filled;
        int previous = -1;
        for (int i = 0; i < store.count(list); ++i) {
            const QStringList parts = store.item(list, i).split('/');
            QCOMPARE(parts[0].toInt(), list);
            QVERIFY(parts[1].toInt() > previous);
            previous = parts[1].toInt();
        }
    }
    QCOMPARE(store.filledLists(), filled);
    QCOMPARE(store.count(1), 1000);
    store.clear();
    QCOMPARE(store.filledLists(), 0);
    QCOMPARE(store.count(1), 0);
}

void TestColumnStore::modelsFollowResets_data()
{
    QTest::addColumn<bool>("batched");
    QTest::addColumn<int>("resets");
    QTest::newRow("one reset for a batch") << true << 1;
    QTest::newRow("one reset per change outside a batch") << false << 4;
}

void TestColumnStore::modelsFollowResets()
{
    QFETCH(bool, batched);
    QFETCH(int, resets);
    ColumnStore store;
    store.append(3, u"before");
    ColumnListModel model(&store, 3);
    ColumnListModel other(&store, 4);
    QCOMPARE(model.rowCount(), 1);
    QSignalSpy about(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy done(&model, &QAbstractItemModel::modelReset);
    {
        std::optional<ColumnStore::Batch> batch;
        if (batched)
            batch.emplace(store);
        store.clear();
        store.append(3, u"a");
        store.append(3, u"b");
        store.append(4, u"c");
        // Inside a batch the model has not been told yet.
        QCOMPARE(done.size(), batched ? 0 : 4);
    }
    QCOMPARE(about.size(), resets);
    QCOMPARE(done.size(), resets);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(1)).toString(), QStringLiteral("b"));
    QCOMPARE(other.data(other.index(0)).toString(), QStringLiteral("c"));
    QVERIFY(!model.data(model.index(1), Qt::DecorationRole).isValid());
    QCOMPARE(model.rowCount(model.index(0)), 0); // a list has no children
}

// Repeated texts are kept once, whichever way they come, and every item still reads back
// as it was appended; `kept` is the characters the store holds afterwards.
void TestColumnStore::repeatedTexts_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("sameObject"); // append the same QString every time
    QTest::addColumn<qint64>("kept");

    const QString longText(65535, QLatin1Char('L'));
    const QString medium = QStringLiteral("Temperature (K)");
    QTest::newRow("long text shared by 1000 cells") << QStringList(1000, longText) << true << qint64(65535);
    QTest::newRow("equal long texts, separate buffers") << QStringList(3, longText) << false << qint64(3 * 65535);
    QTest::newRow("medium text repeated") << QStringList(1000, medium) << false << qint64(medium.size());
    QTest::newRow("medium texts alternating")
        << QStringList{medium, QStringLiteral("Pressure (kPa)"), medium, QStringLiteral("Pressure (kPa)")}
        << false << qint64(medium.size() + 14);
    QTest::newRow("short texts copied") << QStringList{"1", "1", "2.5"} << false << qint64(5);
    QTest::newRow("distinct long texts")
        << QStringList{QString(100, 'a'), QString(100, 'b'), QString(101, 'a')} << true << qint64(301);
}

void TestColumnStore::repeatedTexts()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, sameObject);
    QFETCH(qint64, kept);
    ColumnStore store;
    {
        ColumnStore::Batch batch(store);
        for (int i = 0; i < texts.size(); ++i) {
            if (sameObject)
                store.append(1 + i % 3, texts[i]);
            else
                store.append(1 + i % 3, QString(texts[i].constData(), texts[i].size()));
        }
    }
    QCOMPARE(store.textChars(), kept);
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(store.entry(1 + i % 3, i / 3).text, QStringView(texts[i]));
    store.clear();
    QCOMPARE(store.textChars(), qint64(0));
}

// The append that would pass the cap is refused and changes nothing; a shared text counts
// once, so the same long text may fill any number of cells.
void TestColumnStore::textLimit()
{
    ColumnStore store;
    const QString big(qsizetype(ColumnStore::MaxTextChars / 2), QLatin1Char('x'));
    store.append(1, big);
    store.append(2, big);
    QCOMPARE(store.textChars(), qint64(big.size()));
    const QString other(qsizetype(ColumnStore::MaxTextChars / 2) + 1, QLatin1Char('y'));
    try {
        store.append(3, other);
        QFAIL("no refusal");
    } catch (const TextLimitError &e) {
        QCOMPARE(e.message(), QStringLiteral("表格文字太多（超过 256 MB）"));
    }
    QCOMPARE(store.count(3), 0);
    QCOMPARE(store.textChars(), qint64(big.size()));
    store.append(3, QStringView(u"still fits"));
    QCOMPARE(store.item(3, 0), QStringLiteral("still fits"));
}

void TestColumnStore::numbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::newRow("decimal") << 20.5 << "20.5" << true;
    QTest::newRow("zero") << 0.0 << "0" << true;
    QTest::newRow("large") << 1e20 << "1E20" << true;
    QTest::newRow("small") << -1.5e-7 << "-1.5E-7" << true;
    QTest::newRow("largest double") << 1.7976931348623157e308 << "1.79769313486232E308" << true;
    QTest::newRow("infinity kept as its text") << HUGE_VAL << "INF" << false;
    QTest::newRow("NaN kept as its text") << std::nan("") << "NAN" << false;
}

// A number is kept as its value and shown as its general format; between texts, each item
// stays what it was.
void TestColumnStore::numbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    ColumnStore store;
    store.append(1, u"name");
    store.appendNumber(1, value);
    store.append(1, QStringLiteral("a text that is long enough to be kept shared, once, for all")
                    + QString(10, QLatin1Char('x')));
    QCOMPARE(store.count(1), 3);
    QCOMPARE(store.item(1, 1), text);
    QCOMPARE(store.entry(1, 1).isNumber, isNumber);
    double v = 0;
    QCOMPARE(store.numberAt(1, 1, &v), isNumber);
    if (isNumber)
        QCOMPARE(v, value);
    QVERIFY(!store.numberAt(1, 0, &v) && !store.numberAt(1, 3, &v) && !store.numberAt(257, 0, &v));
    QCOMPARE(store.item(1, 0), QStringLiteral("name"));
    QVERIFY(store.item(1, 2).endsWith(QLatin1String("xxxxxxxxxx")));
}

void TestColumnStore::numbersInPlace_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("textAt"); // -1: none
    QTest::addColumn<bool>("infinite"); // an infinite number there instead of a text
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const int many = 700000; // looked through on two threads
    QTest::newRow("short, numbers") << 1000 << -1 << false << 0 << 999;
    QTest::newRow("short, a text") << 1000 << 500 << false << 0 << 999;
    QTest::newRow("long, numbers") << many << -1 << false << 0 << many - 1;
    QTest::newRow("long, text first") << many << 0 << false << 0 << many - 1;
    QTest::newRow("long, text at the end of the head") << many << 4095 << false << 0 << many - 1;
    QTest::newRow("long, text after the head") << many << 4096 << false << 0 << many - 1;
    QTest::newRow("long, text in the first half") << many << 200000 << false << 0 << many - 1;
    // The second half starts at 4,096 + (700,000 - 4,096) / 2.
    QTest::newRow("long, text last of the first half") << many << 352047 << false << 0 << many - 1;
    QTest::newRow("long, text first of the second half") << many << 352048 << false << 0 << many - 1;
    QTest::newRow("long, text last") << many << many - 1 << false << 0 << many - 1;
    QTest::newRow("long, infinity in the second half") << many << 600000 << true << 0 << many - 1;
    QTest::newRow("long, text outside the rows asked") << many << 2 << false << 3 << many - 1;
    QTest::newRow("long, text right after them") << many << many - 1 << false << 0 << many - 2;
    QTest::newRow("past the end") << many << -1 << false << 0 << many;
}

// Rows of finite numbers are read in place; one text or infinity anywhere among them, on
// whichever thread's half it lies, refuses them.
void TestColumnStore::numbersInPlace()
{
    QFETCH(int, items);
    QFETCH(int, textAt);
    QFETCH(bool, infinite);
    QFETCH(int, first);
    QFETCH(int, last);
    ColumnStore store;
    {
        ColumnStore::Batch batch(store);
        for (int i = 0; i < items; ++i) {
            if (i == textAt && infinite)
                store.appendNumber(1, HUGE_VAL);
            else if (i == textAt)
                store.append(1, u"x");
            else
                store.appendNumber(1, i * 0.5);
        }
    }
    const bool fits = last < items && !(textAt >= first && textAt <= last);
    const double *numbers = store.numbersInPlace(1, first, last);
    QCOMPARE(numbers != nullptr, fits);
    if (fits) {
        QCOMPARE(numbers[0], first * 0.5);
        QCOMPARE(numbers[last - first], last * 0.5);
    }
}

void TestColumnStore::knownNumbersFollowChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("list");  // the list then asked for
    QTest::addColumn<int>("first"); // its items asked for: first .. the last
    QTest::addColumn<bool>("fits");
    QTest::newRow("as handed in") << "none" << 1 << 1 << true;
    QTest::newRow("the name before the numbers") << "none" << 1 << 0 << false;
    QTest::newRow("a text appended") << "append text" << 1 << 1 << false;
    QTest::newRow("a number appended") << "append number" << 1 << 1 << true;
    QTest::newRow("cut, then a text appended") << "truncate, append text" << 1 << 1 << false;
    QTest::newRow("taken and put back unmarked") << "take, text, put back" << 1 << 1 << false;
    QTest::newRow("list removed: the marks move along") << "remove list 1" << 1 << 1 << true;
    QTest::newRow("list removed: a text in the next") << "remove list 1" << 2 << 1 << false;
    QTest::newRow("swapped with a table of texts") << "swap" << 1 << 1 << false;
    QTest::newRow("cleared and read again") << "clear, refill" << 1 << 1 << false;
}

// Numbers known from replaceList spare the look through them only as long as they are the
// list's items: any change that puts a text among the rows asked for is found.
void TestColumnStore::knownNumbersFollowChanges()
{
    QFETCH(QString, change);
    QFETCH(int, list);
    QFETCH(int, first);
    QFETCH(bool, fits);
    constexpr int Items = 700000;
    ColumnStore store;
    const auto fillList = [&](ColumnStore &into, int number, int textAt) {
        ColumnStore::Batch batch(into);
        into.append(number, u"name");
        for (int i = 1; i < Items; ++i) {
            if (i == textAt)
                into.append(number, u"x");
            else
                into.appendNumber(number, i * 0.5);
        }
    };
    fillList(store, 1, -1);
    fillList(store, 2, -1);
    fillList(store, 3, 350000);
    {
        ColumnStore::Batch batch(store);
        store.replaceList(1, store.takeList(1), 1);
        store.replaceList(2, store.takeList(2), 1);
    }
    ColumnStore other;
    if (change == "append text") {
        store.append(1, u"y");
    } else if (change == "append number") {
        store.appendNumber(1, 3.0);
    } else if (change == "truncate, append text") {
        store.truncate(Items / 2);
        store.append(1, u"y");
    } else if (change == "take, text, put back") {
        auto items = store.takeList(1);
        items[Items / 2] = items[0]; // the name
        store.replaceList(1, std::move(items));
    } else if (change == "remove list 1") {
        store.removeList(1);
    } else if (change == "swap") {
        fillList(other, 1, 600000);
        store.swapContents(other);
    } else if (change == "clear, refill") {
        store.clear();
        fillList(store, 1, 123456);
    }
    const int last = store.count(list) - 1;
    const double *numbers = store.numbersInPlace(list, first, last);
    QCOMPARE(numbers != nullptr, fits);
    if (fits)
        QCOMPARE(numbers[Items - 1 - first], (Items - 1) * 0.5);
}

// The memory taken out holds the table as it was; the store is left empty in one reset and
// takes a new table, whose texts are its own, while the old one still exists elsewhere.
void TestColumnStore::contentsTakenOut()
{
    ColumnStore store;
    const QString longText(5000, QLatin1Char('L'));
    store.append(1, u"name");
    store.appendNumber(1, 2.5);
    store.append(3, longText);
    QSignalSpy resets(&store, &ColumnStore::resetFinished);
    std::unique_ptr<ColumnStore::Contents> taken = store.takeContents();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(store.keptItems(1), 0); // whoever kept values from the lists drops them
    QCOMPARE(store.filledLists(), 0);
    QCOMPARE(store.textChars(), qint64(0));
    QCOMPARE(taken->lists[0].size(), size_t(2));
    QCOMPARE(taken->lists[2].size(), size_t(1));
    QCOMPARE(taken->chars, QStringLiteral("name"));
    QCOMPARE(taken->shared.size(), size_t(1));
    QCOMPARE(taken->shared.front(), longText);
    store.append(1, u"other");
    QCOMPARE(store.item(1, 0), QStringLiteral("other"));
    QCOMPARE(taken->chars, QStringLiteral("name"));
}

QTEST_GUILESS_MAIN(TestColumnStore)
#include "tst_columnstore.moc"
