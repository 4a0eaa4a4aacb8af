// Following a file a logger appends to: the appended lines alone are read into the lists,
// an unfinished last line waits for its end, and a file that was replaced, shrank or grew
// in a way the first read's columns cannot hold asks for a whole read.
#include "base/readprogress.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/followread.h"
#include "import/workbookread.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using followread::Change;

class TestFollowRead : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void appended_data();
    void appended();
    void longLogGrows();
    void workbookReadAgain();
    void cancelledRead_data();
    void cancelledRead();
    void reportsOften_data();
    void reportsOften();
};

namespace {

automation::Registry registry;

void writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    QVERIFY(file.open(mode));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The lists as text, one line a row: "name|unit" then "v|v|...".
QStringList rowsOf(const ColumnStore &store)
{
    QStringList rows;
    const int lists = store.filledLists();
    for (int i = 0; i < store.count(1); ++i) {
        QStringList cells;
        for (int k = 1; k <= lists; ++k)
            cells << (i < store.count(k) ? store.item(k, i) : QStringLiteral("<missing>"));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

}

void TestFollowRead::initTestCase()
{
    excelapp::registerApplication(registry);
}

void TestFollowRead::appended_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("added");   // appended, or with "REPLACE:" the new file
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("lastRows"); // the lists' last rows afterwards

    const QByteArray head = "t,a,b\ns,V,A\n1,10,100\n2,20,200\n";
    QTest::newRow("complete rows") << head << QByteArray("3,30,300\n4,40,400\n") << int(Change::Appended) << 2
                                   << QStringList{"2|20|200", "3|30|300", "4|40|400"};
    QTest::newRow("CR LF lines") << QByteArray("t,a\r\ns,V\r\n1,10\r\n") << QByteArray("2,20\r\n3,30\r\n")
                                 << int(Change::Appended) << 2 << QStringList{"1|10", "2|20", "3|30"};
    QTest::newRow("partial line held") << head << QByteArray("3,30,3") << int(Change::None) << 0
                                       << QStringList{"1|10|100", "2|20|200"};
    QTest::newRow("partial line after a whole one") << head << QByteArray("3,30,300\n4,4") << int(Change::Appended) << 1
                                                    << QStringList{"2|20|200", "3|30|300"};
    QTest::newRow("unfinished line of the first read taken back")
        << QByteArray("t,a,b\ns,V,A\n1,10,100\n2,20,2") << QByteArray("00\n3,30,300\n") << int(Change::Appended) << 1
        << QStringList{"1|10|100", "2|20|200", "3|30|300"};
    QTest::newRow("blank and empty cells") << head << QByteArray("\n3,,300\n , ,\n") << int(Change::Appended) << 1
                                           << QStringList{"2|20|200", "3||300"};
    QTest::newRow("text cells") << head << QByteArray("3,n/a,300\n") << int(Change::Appended) << 1
                                << QStringList{"2|20|200", "3|n/a|300"};
    QTest::newRow("decimal comma") << QByteArray("t;a\ns;V\n1;0,5\n") << QByteArray("2;1,25\n")
                                   << int(Change::Appended) << 1 << QStringList{"1|0.5", "2|1.25"};
    QTest::newRow("nothing added") << head << QByteArray() << int(Change::None) << 0
                                   << QStringList{"1|10|100", "2|20|200"};
    QTest::newRow("cell in a new column") << head << QByteArray("3,30,300,7\n") << int(Change::ReadAgain) << 0
                                          << QStringList{"1|10|100", "2|20|200"};
    QTest::newRow("replaced") << head << QByteArray("REPLACE:t,a,b\ns,V,A\n9,90,900\n9,90,900\n9,90,900\n")
                              << int(Change::ReadAgain) << 0 << QStringList{"1|10|100", "2|20|200"};
    QTest::newRow("shrunk") << head << QByteArray("TRUNCATE") << int(Change::ReadAgain) << 0
                            << QStringList{"1|10|100", "2|20|200"};
    QTest::newRow("removed") << head << QByteArray("REMOVE") << int(Change::Gone) << 0
                             << QStringList{"1|10|100", "2|20|200"};
}

void TestFollowRead::appended()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, added);
    QFETCH(int, change);
    QFETCH(int, rows);
    QFETCH(QStringList, lastRows);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    writeFile(path, first);
    ColumnStore store;
    const ReadResult read = readWorkbook(path, store, registry);
    QVERIFY(read.tail.known);
    followread::Source source = followread::sourceOf(path, read);
    const QStringList before = rowsOf(store);

    if (added.startsWith("REPLACE:")) {
        const QString other = dir.filePath(QStringLiteral("new.csv"));
        writeFile(other, added.mid(8));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(other, path));
    } else if (added == "TRUNCATE") {
        QVERIFY(QFile::resize(path, first.size() - 4));
    } else if (added == "REMOVE") {
        QVERIFY(QFile::remove(path));
    } else {
        writeFile(path, added, QIODevice::Append);
    }
    const followread::Step step = followread::readAppended(source, store);
    QCOMPARE(int(step.change), change);
    QCOMPARE(step.rows, rows);
    const QStringList after = rowsOf(store);
    QCOMPARE(after.mid(after.size() - lastRows.size()), lastRows);
    if (change != int(Change::Appended))
        QCOMPARE(after, before); // nothing changed in the lists
    // Every list keeps one item a row.
    for (int k = 2; k <= store.filledLists(); ++k)
        QCOMPARE(store.count(k), store.count(1));
    // A second look with nothing new adds nothing.
    if (change == int(Change::Appended) || change == int(Change::None))
        QCOMPARE(int(followread::readAppended(source, store).change), int(Change::None));
}

// A long log: the appended rows, and only they, come below the rows read before, also when
// they come in pieces cut anywhere in a line.
void TestFollowRead::longLogGrows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QByteArray text = "time,v1,v2\ns,mV,mA\n";
    const int firstRows = 200000;
    for (int i = 0; i < firstRows; ++i)
        text += QByteArray::number(i) + ',' + QByteArray::number(i % 977) + ',' + QByteArray::number(i * 3) + '\n';
    writeFile(path, text);
    ColumnStore store;
    followread::Source source = followread::sourceOf(path, readWorkbook(path, store, registry));
    QCOMPARE(store.count(1), firstRows + 2);

    QByteArray more;
    for (int i = firstRows; i < firstRows + 1000; ++i)
        more += QByteArray::number(i) + ',' + QByteArray::number(i % 977) + ',' + QByteArray::number(i * 3) + '\n';
    int added = 0;
    for (qsizetype at = 0; at < more.size(); at += 997) {
        writeFile(path, more.mid(at, 997), QIODevice::Append);
        added += followread::readAppended(source, store).rows;
    }
    QCOMPARE(added, 1000);
    QCOMPARE(store.count(1), firstRows + 1002);
    for (int i = firstRows - 1; i < firstRows + 1000; ++i) {
        QCOMPARE(store.item(1, i + 2), QString::number(i));
        QCOMPARE(store.item(3, i + 2), QString::number(i * 3));
    }
}

// Workbooks are read again whole when they change; text the reader converted too.
void TestFollowRead::workbookReadAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("utf16.csv"));
    QByteArray text = "\xFF\xFE";
    for (QChar c : QStringLiteral("t,a\ns,V\n1,2\n"))
        text += char(c.unicode()) + QByteArray(1, '\0');
    writeFile(path, text);
    ColumnStore store;
    const ReadResult read = readWorkbook(path, store, registry);
    QVERIFY(!read.tail.known);
    followread::Source source = followread::sourceOf(path, read);
    QCOMPARE(int(followread::readAppended(source, store).change), int(Change::None));
    writeFile(path, QByteArray("3\0,\0" "4\0\n\0", 8), QIODevice::Append);
    QCOMPARE(int(followread::readAppended(source, store).change), int(Change::ReadAgain));
    QCOMPARE(store.count(1), 3);
}

void TestFollowRead::cancelledRead_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("atReport"); // the report that asks to stop, from 1
    QTest::newRow("first report of the file") << int(readprogress::Phase::Parse) << 1;
    QTest::newRow("midway through the file") << int(readprogress::Phase::Parse) << 20;
    QTest::newRow("first rows into the lists") << int(readprogress::Phase::Fill) << 1;
    QTest::newRow("midway into the lists") << int(readprogress::Phase::Fill) << 20;
}

// A read cancelled at any report stops there with Cancelled, and the store it read into is
// left for the caller to drop; the rows and bytes it told grow up to that point.
void TestFollowRead::cancelledRead()
{
    QFETCH(int, phase);
    QFETCH(int, atReport);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QByteArray text = "time,v\ns,V\n";
    for (int i = 0; i < 200000; ++i)
        text += QByteArray::number(i) + ',' + QByteArray::number(i % 13) + '\n';
    writeFile(path, text);

    readprogress::Progress progress(text.size());
    int reports = 0;
    qint64 lastRows = -1;
    bool grew = true;
    progress.onReport = [&](const readprogress::Progress &p) {
        if (p.phase() != readprogress::Phase(phase))
            return;
        const qint64 rows = p.phase() == readprogress::Phase::Parse ? p.rows() : p.filledRows();
        grew = grew && rows >= lastRows;
        lastRows = rows;
        if (++reports == atReport)
            progress.cancel();
    };
    ColumnStore store;
    bool cancelled = false;
    try {
        const readprogress::Scope scope(&progress);
        readWorkbook(path, store, registry);
    } catch (const readprogress::Cancelled &) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(reports, atReport);
    QVERIFY(grew);
    QVERIFY(progress.fraction() > 0 || atReport == 1);
    QVERIFY(progress.fraction() < 1);
    // Without a Progress the same file reads whole: the scope ended with the read.
    ColumnStore whole;
    readWorkbook(path, whole, registry);
    QCOMPARE(whole.count(1), 200002);
}

void TestFollowRead::reportsOften_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("fields"); // a line's fields
    QTest::newRow("short lines") << 100000 << 3;
    QTest::newRow("long lines") << 300 << 250;
}

// A read reports every few thousand rows or 64 KB of text, whichever comes first, with the
// bytes of the file read so far: a cancel is never far off, however long the lines.
void TestFollowRead::reportsOften()
{
    QFETCH(int, rows);
    QFETCH(int, fields);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    QByteArray text;
    for (int i = 0; i < rows; ++i) {
        QByteArray line = QByteArray::number(i);
        for (int f = 1; f < fields; ++f)
            line += ",1234567.125" + QByteArray::number(f);
        text += line + '\n';
    }
    writeFile(path, text);
    readprogress::Progress progress(text.size());
    int parseReports = 0;
    qint64 lastBytes = 0;
    bool ordered = true;
    progress.onReport = [&](const readprogress::Progress &p) {
        if (p.phase() != readprogress::Phase::Parse)
            return;
        ++parseReports;
        ordered = ordered && p.bytes() >= lastBytes && p.bytes() <= p.fileBytes();
        lastBytes = p.bytes();
    };
    ColumnStore store;
    {
        const readprogress::Scope scope(&progress);
        readWorkbook(path, store, registry);
    }
    QVERIFY(ordered);
    // A report comes after the line that passed 64 KB: a little less than one each 64 KB.
    const int expected = std::max<int>(rows / int(readprogress::ReportRows), int(text.size() >> 16) * 9 / 10);
    QVERIFY2(parseReports >= expected, qPrintable(QStringLiteral("%1 < %2").arg(parseReports).arg(expected)));
    // Parsed whole, then put into the lists.
    QCOMPARE(int(progress.phase()), int(readprogress::Phase::Fill));
    QCOMPARE(progress.bytes(), qint64(text.size()));
    QVERIFY(progress.fraction() >= 0.8);
}

QTEST_GUILESS_MAIN(TestFollowRead)
#include "tst_followread.moc"
