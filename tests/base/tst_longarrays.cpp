// Long arrays joined by moving their pages, and work shared by two threads.
#include "base/pageahead.h"
#include "base/pagealloc.h"
#include "base/twothreads.h"

#include <QtTest>

#include <stdexcept>

namespace {

using Items = std::vector<quint64, FilledPageAllocator<quint64>>;

// Items that tell where they came from: array `tag`, index i.
Items numbered(quint64 tag, size_t count, size_t room)
{
    Items items;
    items.reserve(room);
    for (size_t i = 0; i < count; ++i)
        items.push_back(tag << 40 | i);
    return items;
}

}

class TestLongArrays : public QObject
{
    Q_OBJECT
private slots:
    void appendMoving_data();
    void appendMoving();
    void bothHalvesRun_data();
    void bothHalvesRun();
    void preparedPagesKeepTheirItems_data();
    void preparedPagesKeepTheirItems();
    void moveDownAsMemmove_data();
    void moveDownAsMemmove();
};

void TestLongArrays::appendMoving_data()
{
    QTest::addColumn<int>("toCount");
    QTest::addColumn<int>("toRoom");
    QTest::addColumn<int>("fromCount");
    QTest::addColumn<int>("fromRoom");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    // Mapped arrays start at 4 MB (524,288 items).
    QTest::newRow("mapped, room, middle of a page") << 1000003 << 2000000 << 700001 << 1000000 << 0 << 700001;
    QTest::newRow("items from inside the array") << 1000003 << 2000000 << 700001 << 1000000 << 37 << 699000;
    QTest::newRow("ends on a page boundary") << 512 * 1200 << 2000000 << 600000 << 600000 << 0 << 600000;
    QTest::newRow("starts on a page boundary") << 1000003 << 2000000 << 700000 << 1000000 << 512 << 600001;
    QTest::newRow("into an empty mapped array") << 0 << 1000000 << 900000 << 900000 << 5 << 899990;
    QTest::newRow("no room: copied") << 1000003 << 1000003 << 700001 << 1000000 << 0 << 700001;
    QTest::newRow("room short by a page: copied") << 1000000 << 1000000 + 600000 << 600000 << 600000 << 0 << 600000;
    QTest::newRow("small source: copied") << 1000003 << 2000000 << 1000 << 1000 << 10 << 900;
    QTest::newRow("small target: copied") << 1000 << 1000 << 700001 << 1000000 << 0 << 700001;
    QTest::newRow("nothing to append") << 1000003 << 2000000 << 700001 << 1000000 << 700001 << 0;
}

// Whichever way the items travel, the target holds its own and then the source's stretch, in
// order, and keeps growing as any array; the source is freed.
void TestLongArrays::appendMoving()
{
    QFETCH(int, toCount);
    QFETCH(int, toRoom);
    QFETCH(int, fromCount);
    QFETCH(int, fromRoom);
    QFETCH(int, first);
    QFETCH(int, count);
    Items to = numbered(1, size_t(toCount), size_t(toRoom));
    Items from = numbered(2, size_t(fromCount), size_t(fromRoom));
    pagealloc::appendMoving(to, from, size_t(first), size_t(count));
    QCOMPARE(from.capacity(), size_t(0));
    QCOMPARE(to.size(), size_t(toCount + count));
    for (size_t i = 0; i < to.size(); ++i) {
        const quint64 want = i < size_t(toCount) ? (quint64(1) << 40 | i) : (quint64(2) << 40 | (i - toCount + first));
        if (to[i] != want)
            QFAIL(qPrintable(QStringLiteral("item %1: %2 instead of %3").arg(i).arg(to[i], 0, 16).arg(want, 0, 16)));
    }
    // Items added later land after the appended ones, also past the room.
    const size_t before = to.size();
    to.insert(to.end(), size_t(toRoom) + 10, quint64(7));
    QCOMPARE(to[before - 1], count > 0 ? (quint64(2) << 40 | quint64(first + count - 1)) : (quint64(1) << 40 | quint64(toCount - 1)));
    QCOMPARE(to.back(), quint64(7));
}

void TestLongArrays::bothHalvesRun_data()
{
    QTest::addColumn<bool>("firstThrows");
    QTest::addColumn<bool>("secondThrows");
    QTest::addColumn<QString>("raised");
    QTest::newRow("neither") << false << false << QString();
    QTest::newRow("first") << true << false << "first";
    QTest::newRow("second") << false << true << "second";
    QTest::newRow("both: the first's") << true << true << "first";
}

// Both halves always run to their end before the call returns or raises, so neither is left
// working on memory its caller frees.
void TestLongArrays::bothHalvesRun()
{
    QFETCH(bool, firstThrows);
    QFETCH(bool, secondThrows);
    QFETCH(QString, raised);
    std::vector<int> halves(2, 0);
    QString caught;
    try {
        twothreads::both(
            [&] {
                QThread::msleep(20); // ends after the other half
                halves[0] = 1;
                if (firstThrows)
                    throw std::runtime_error("first");
            },
            [&] {
                halves[1] = 1;
                if (secondThrows)
                    throw std::runtime_error("second");
            });
    } catch (const std::runtime_error &e) {
        caught = QString::fromLatin1(e.what());
    }
    QCOMPARE(caught, raised);
    QCOMPARE(halves, std::vector<int>({1, 1}));
}

// Pages mapped ahead of the writes: the items written before stay, the room after them is
// written as usual, whatever part of a page the range starts and ends in.
void TestLongArrays::preparedPagesKeepTheirItems_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("ahead");
    QTest::newRow("mid-page to mid-page") << 700 << 3000;
    QTest::newRow("page start, whole pages") << 512 << 1024;
    QTest::newRow("less than a page") << 100 << 20;
    QTest::newRow("to the end of the room") << 5000 << (1 << 20);
}

void TestLongArrays::preparedPagesKeepTheirItems()
{
    QFETCH(int, written);
    QFETCH(int, ahead);
    const size_t room = 1 << 20; // mapped, not from the heap
    Items items = numbered(7, size_t(written), room);
    const size_t until = std::min(room, size_t(written + ahead));
    pageahead::prepare(items.data() + items.size(), items.data() + until);
    for (size_t i = size_t(written); i < until; ++i)
        items.push_back(7ull << 40 | i);
    QCOMPARE(items, numbered(7, until, room));
}

// Items moved down on both cores end as one memmove leaves them, whatever the distance.
void TestLongArrays::moveDownAsMemmove_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shift");
    const int halves = (1 << 18) + 3; // long enough for two halves
    for (int shift : {0, 1, 7, 511})
        QTest::newRow(qPrintable(QStringLiteral("two halves, %1 down").arg(shift))) << halves << shift;
    QTest::newRow("one run, short") << 1000 << 3;
    QTest::newRow("one run, far down") << halves << (1 << 17);
}

void TestLongArrays::moveDownAsMemmove()
{
    QFETCH(int, count);
    QFETCH(int, shift);
    std::vector<quint64> moved(size_t(count) + size_t(shift));
    for (size_t i = 0; i < moved.size(); ++i)
        moved[i] = quint64(i) * 2654435761u;
    std::vector<quint64> expected = moved;
    std::memmove(expected.data(), expected.data() + shift, size_t(count) * sizeof(quint64));
    pagealloc::moveDown(moved.data(), moved.data() + shift, size_t(count));
    QVERIFY(moved == expected);
}

QTEST_GUILESS_MAIN(TestLongArrays)
#include "tst_longarrays.moc"
