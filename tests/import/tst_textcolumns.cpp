// Delimited text read as typed columns into the store against the same file read into a
// sheet of cells and copied cell by cell: every item, note, refusal and follow point alike.
#include "base/apperror.h"
#include "base/readprogress.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablefill.h"
#include "import/textfill.h"
#include "import/workbookread.h"
#include "workbook/csv/columnreader.h"
#include "workbook/csv/csvreader.h"
#include "workbook/csv/textcolumns.h"
#include "workbook/open.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace {

automation::Registry registryReading(workbook::TextAs textAs)
{
    automation::Registry registry;
    excelapp::registerApplication(registry, [textAs](const QString &path) {
        return workbook::openFile(path, {}, textAs);
    });
    return registry;
}

// All a read leaves that a user can see, as lines of text.
QStringList outcome(const QString &path, workbook::TextAs textAs)
{
    QStringList lines;
    ColumnStore store;
    try {
        const ReadResult r = readWorkbook(path, store, registryReading(textAs));
        lines << r.notes << QStringLiteral("complete %1 stop %2").arg(r.complete).arg(stopNotice(r));
        const workbook::TextTail &t = r.tail;
        lines << QStringLiteral("tail %1 %2 %3 %4 %5 %6").arg(t.known).arg(int(t.separator)).arg(t.decimalComma)
                     .arg(t.completeBytes).arg(t.partialLine).arg(t.fileBytes);
        QStringList columns;
        for (int c : r.listColumns)
            columns << QString::number(c);
        lines << QStringLiteral("lists ") + columns.join(u',');
    } catch (const AppError &e) {
        lines << QStringLiteral("error ") + e.message();
    }
    for (int list = 1; list <= ColumnStore::ListCount; ++list) {
        const int count = store.count(list);
        if (count == 0)
            continue;
        lines << QStringLiteral("list %1: %2 items").arg(list).arg(count);
        for (int i = 0; i < count; ++i) {
            const ColumnStore::Entry e = store.entry(list, i);
            quint64 bits = 0;
            std::memcpy(&bits, &e.number, sizeof bits);
            lines << (e.isNumber ? QStringLiteral("%1 n%2").arg(i).arg(bits, 16, 16)
                                 : QStringLiteral("%1 t").arg(i) + e.text.toString());
        }
    }
    return lines;
}

// The two reads' outcomes, told by their first difference.
void compareOutcomes(const QString &path)
{
    const QStringList fast = outcome(path, workbook::TextAs::Columns);
    const QStringList cells = outcome(path, workbook::TextAs::Sheet);
    for (int i = 0; i < std::min(fast.size(), cells.size()); ++i)
        if (fast[i] != cells[i])
            QFAIL(qPrintable(QStringLiteral("line %1: %2 against %3").arg(i).arg(fast[i].left(200), cells[i].left(200))));
    QCOMPARE(fast.size(), cells.size());
}

// Whether the store takes the file's columns without a sheet of cells; the stretches the
// text was read in.
bool takesColumns(const QString &path, int *stretches)
{
    const std::unique_ptr<workbook::Workbook> book = workbook::openFile(path, {}, workbook::TextAs::Columns);
    *stretches = book->textColumns ? int(book->textColumns->parts.size()) : 0;
    if (!book->textColumns)
        return false;
    ColumnStore store;
    ColumnStore::Batch batch(store);
    TableFill fill(store);
    return textfill::fill(*book->textColumns, store, fill);
}

QByteArray rows(int count, const std::function<QByteArray(int)> &row)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += row(i);
    return text;
}

// Each part knows, per column, its last item that is not a finite number.
void checkLastOther(const textcolumns::Table &table)
{
    for (const textcolumns::Part &part : table.parts) {
        QCOMPARE(part.lastOther.size(), part.columns.size());
        for (size_t c = 0; c < part.columns.size(); ++c) {
            qint64 last = part.rows - 1;
            while (last >= 0 && std::isfinite(textcolumns::numberOf(part.columns[c][size_t(last)])))
                --last;
            QCOMPARE(part.lastOther[c], last);
        }
    }
}

// Long enough to be read in two stretches side by side.
constexpr int LongRows = 150000;

}

class TestTextColumns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsCells_data();
    void sameAsCells();
    void generated_data();
    void generated();
    void decimalComma_data();
    void decimalComma();
    void stretchesJoinInOrder_data();
    void stretchesJoinInOrder();
    void piecesMatchOneThread_data();
    void piecesMatchOneThread();
    void longLogsFillAlike_data();
    void longLogsFillAlike();
    void sheetFromColumns_data();
    void sheetFromColumns();
    void cancelStopsBothStretches_data();
    void cancelStopsBothStretches();
    void storeTakesColumnTexts();

private:
    QTemporaryDir m_dir;
};

void TestTextColumns::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestTextColumns::sameAsCells_data()
{
    QTest::addColumn<QString>("path");
    QStringList folders = {QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures"),
                           QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats")};
    const QString corpus = QStringLiteral(TABROVEX_SHARED_DIR "/corpus");
    if (QDir(corpus).exists())
        for (const QFileInfo &f : QDir(corpus).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            folders << f.filePath();
    for (const QString &folder : folders)
        for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            QFile file(f.filePath());
            if (f.size() > (qint64(64) << 20) || !file.open(QIODevice::ReadOnly))
                continue;
            if (workbook::sniffKind(file.read(1 << 16)) != workbook::Kind::DelimitedText)
                continue;
            QTest::newRow(qPrintable(QDir(TABROVEX_SOURCE_DIR).relativeFilePath(f.filePath()))) << f.filePath();
        }
    if (!QDir(corpus).exists())
        QTest::newRow("no shared corpus") << QString();
}

void TestTextColumns::sameAsCells()
{
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("the shared corpus is not beside the checkout: its text files are not compared");
    compareOutcomes(path);
}

void TestTextColumns::generated_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("columns"); // the store takes the columns as they are
    QTest::addColumn<int>("stretches"); // read side by side (-1: either way)
    const auto numbers = [](int i) {
        return QByteArray::number(i) + ',' + QByteArray::number(i * 0.25) + ',' + QByteArray::number(-i % 97) + '\n';
    };
    QTest::newRow("long plain") << "t,a,b\ns,V,A\n" + rows(LongRows, numbers) << true << 2;
    QTest::newRow("CRLF") << "t,a\r\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + ",1.5\r\n"; }) << true << 2;
    QTest::newRow("bare CR") << "t,a\r" + rows(LongRows, [](int i) { return QByteArray::number(i) + ",2\r"; }) << true << 1;
    QTest::newRow("quoted line breaks everywhere")
        << "t,note,v\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + ",\"a\nb\"\"c\"," + QByteArray::number(i % 7) + '\n'; })
        << true << -1;
    QTest::newRow("one quoted field over the middle")
        << "t,v\n" + rows(LongRows / 2, numbers) + "1,\"" + QByteArray(300000, 'x').replace(299000, 1, "\n") + "\"\n"
               + rows(LongRows / 2, numbers)
        << true << 1;
    QTest::newRow("blank lines around the middle")
        << "t,v\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + (i % 3 ? ",1\n" : ",2\n\n\r\n"); }) << true << 2;
    QTest::newRow("NAN, empty fields and texts")
        << "t,a,b\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + (i % 5 ? ",NAN," : ",,") + (i % 3 ? "x\n" : "\n"); })
        << true << 2;
    QTest::newRow("ragged rows, one past the grid")
        << "a,b,c\n" + rows(LongRows, [](int i) { return QByteArray("1,2").repeated(1 + i % 4) + (i == 777 ? QByteArray(",7").repeated(300) : "") + '\n'; })
        << true << 2;
    QTest::newRow("sep line") << "sep=;\nt;v\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + ";3,5\n"; }) << true << 2;
    QTest::newRow("decimal commas") << "t;v;w\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + ";" + QByteArray::number(i % 100) + ",25;-0,5E2\n"; })
                                    << true << 2;
    QTest::newRow("seventeen digits and minus zero")
        << "t,v\n" + rows(LongRows, [](int i) { return QByteArray::number(i) + (i % 2 ? ",0.12345678901234567\n" : ",-0\n"); }) << true << 2;
    QTest::newRow("second table below")
        << "t,v\n" + rows(LongRows, numbers) + "name,kind\nx,y\nz,w\n" << true << 2;
    QTest::newRow("long lines, then short ones") // the first stretch's room guessed from the long lines
        << "t,note,v\n" + rows(2000, [](int i) { return QByteArray::number(i) + ',' + QByteArray(200, 'n') + ",1\n"; })
               + rows(LongRows * 2, numbers)
        << true << 2;
    QTest::newRow("no texts at all") << rows(LongRows, numbers) << true << 2;
    // Records that the quick reading of number-only lines takes or leaves: every shape of
    // field near its limits, one field more or less, long lines, CR LF, a line at the end.
    const auto shapes = [](char separator, const QList<QByteArray> &marks) {
        return [separator, marks](int i) {
            static const QList<QByteArray> fields = {
                "0", "-3", "+7", "5", "-0", "+0", "00", "1234567890", "123456789012345", "1234567890123456",
                "-123456789012345", "1e3", "2E-2", " 4", "4 ", "", "x", "\"5\"", "-", "+", "12345678", "123456789"};
            QByteArray line;
            const int width = 3 + (i % 211 == 0) - (i % 223 == 0);
            for (int c = 0; c < width; ++c) {
                QByteArray field = fields[(i * 7 + c * 13 + i / 5) % fields.size()];
                if ((i + c) % 3 == 0 && !field.isEmpty() && field.size() < 12)
                    field.insert((i + c) % field.size() + (field.front() == '-'), marks[(i + c) % marks.size()]);
                if (c > 0)
                    line += separator;
                line += (i % 17 == 0 && c == 1) ? QByteArray(30, '7') : field; // a record past 32 bytes
            }
            return line + (i % 5 == 0 ? "\r\n" : "\n");
        };
    };
    QTest::newRow("plain numbers near their limits") << "a,b,c\n" + rows(LongRows, shapes(',', {".", ".."})) + "1,2,3.5" << true << 2;
    QTest::newRow("decimal commas near their limits")
        << "a;b;c\n" + rows(LongRows, shapes(';', {",", "."})) + "1;2,5;3.5" << true << 2;
    QTest::newRow("header lines and units") << "Instrument X\nRun 4\n\nTime,U\ns,V\n" + rows(LongRows, numbers) << true << 2;
    QTest::newRow("long texts") << "t,v\n" + rows(50, [](int i) { return QByteArray::number(i) + ',' + QByteArray(5000 + i, 'q') + '\n'; }) << true << 1;
    QTest::newRow("joined lines with marks and NULs")
        << "t,v\n" + rows(LongRows, [](int i) { return (i % 1000 == 5 ? QByteArray("\xEF\xBB\xBF") : i % 1000 == 9 ? QByteArray(1, '\0') : QByteArray()) + QByteArray::number(i) + ",1\n"; })
        << true << 2;
    QTest::newRow("fields of blanks") << "t,v\n" + rows(2000, [](int i) { return QByteArray::number(i) + (i % 9 ? ",1\n" : ",  \n"); }) << false << 1;
    QTest::newRow("date and time columns")
        << "Date,Time,U\n" + rows(3000, [](int i) { return "2024-05-01," + QByteArray::number(10 + i / 3600 % 10) + ":00:00," + QByteArray::number(i) + '\n'; })
        << false << 1;
    QTest::newRow("table below 40 blank lines") << QByteArray(40, '\n') + "t,v\n1,2\n3,4\n" << false << 1;
    QTest::newRow("empty") << QByteArray() << false << 1;
    QByteArray utf16 = "\xFF\xFE";
    const QString chinese = QStringLiteral("时间,电压\n秒,伏\n") + QString::fromLatin1(rows(LongRows, numbers));
    utf16 += QByteArray(reinterpret_cast<const char *>(chinese.utf16()), chinese.size() * 2);
    QTest::newRow("UTF-16") << utf16 << true << 2;
    QStringEncoder gb18030("GB18030");
    QTest::newRow("GB18030") << QByteArray(gb18030(QStringLiteral("时间,温度\n秒,摄氏度\n") + QString::fromLatin1(rows(LongRows, numbers)))) << true << 2;
}

void TestTextColumns::generated()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, columns);
    QFETCH(int, stretches);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + QStringLiteral(".csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();
    int read = 0;
    QCOMPARE(takesColumns(path, &read), columns);
    if (stretches >= 0)
        QCOMPARE(read, stretches);
    compareOutcomes(path);
}

void TestTextColumns::decimalComma_data()
{
    QTest::addColumn<QByteArray>("field");
    for (const char *field : {"20,5", "-0,125", "1,5E3", "1.234,5", "1,2,3", ",5", "5,", "  7,25 ", "1e5", "-3",
                              "abc", "1,5x", ",", "", "0,0000000000000000000000000000000000000000000000000000000001",
                              "12345678901234567890123456789012345678901234567890123456789012345,5", "+1,5", "1,5e+0"})
        QTest::newRow(field) << QByteArray(field);
}

// The decimal comma looked for once takes what the reader's rule takes, to the bit.
void TestTextColumns::decimalComma()
{
    QFETCH(QByteArray, field);
    for (bool comma : {false, true}) {
        const records::Field f{field.constData(), field.constData() + field.size()};
        double a = -1, b = -1;
        const bool ruled = csv::fieldNumber(f, comma, &a);
        QCOMPARE(csv::fieldReading(f.begin, f.end, comma, &b).number, ruled);
        if (ruled)
            QCOMPARE(std::memcmp(&a, &b, sizeof a), 0);
    }
}

void TestTextColumns::stretchesJoinInOrder_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("expectedParts");
    QTest::newRow("one thread") << 1 << 1;
    QTest::newRow("two threads") << 2 << 2;
}

// Read in two stretches, records keep their order, numbers and line numbers, and texts
// from the second stretch find their characters.
void TestTextColumns::stretchesJoinInOrder()
{
    QFETCH(int, threads);
    QFETCH(int, expectedParts);
    const QByteArray bytes = "name,v\n\n" + rows(5000, [](int i) {
        return (i % 2 ? QByteArray::number(i) : "r" + QByteArray::number(i)) + ',' + QByteArray::number(i) + (i % 100 ? "\n" : "\n\n");
    });
    csv::ColumnReading how;
    how.threads = threads;
    how.splitFrom = 1000;
    const std::unique_ptr<workbook::Workbook> book = csv::readTextColumns(bytes, how);
    QVERIFY(book->textColumns);
    const textcolumns::Table &table = *book->textColumns;
    QCOMPARE(int(table.parts.size()), expectedParts);
    QCOMPARE(table.rows, qint64(5001));
    QCOMPARE(table.recordOf(0), qint64(1));
    qint64 record = 3;
    for (int i = 0; i < 5000; ++i) {
        QCOMPARE(table.recordOf(i + 1), record);
        record += i % 100 ? 1 : 2;
        const textcolumns::Item first = table.item(i + 1, 1);
        if (i % 2) {
            QCOMPARE(textcolumns::numberOf(first), double(i));
        } else {
            QVERIFY(textcolumns::isText(first));
            QCOMPARE(table.text(first).toString(), QStringLiteral("r%1").arg(i));
        }
        QCOMPARE(textcolumns::numberOf(table.item(i + 1, 2)), double(i));
    }
}

void TestTextColumns::piecesMatchOneThread_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("expectedParts"); // -1: the pieces before a quote run on, and the one it opens in
    const auto numbers = [](int i) {
        return QByteArray::number(i) + ',' + QByteArray::number(i * 0.001, 'f', 3) + ',' + QByteArray::number(-i % 97) + '\n';
    };
    const QByteArray plain = "t,a,b\ns,V,A\n" + rows(40000, numbers);
    QTest::newRow("sixteen pieces, two threads") << plain << 2 << 16;
    QTest::newRow("sixteen pieces, three threads") << plain << 3 << 16;
    QTest::newRow("CR CR LF and blank lines") << "t,v\r\r\n" + rows(40000, [](int i) {
        return QByteArray::number(i) + (i % 7 ? ",1.25\r\r\n" : ",2\r\n\r\n\n");
    }) << 2 << 16;
    // A quoted field with line breaks across a piece's start in the middle of the text: the
    // piece before it reads on to the end.
    QByteArray quoted = "t,note\n" + rows(20000, numbers) + "7,\"" + QByteArray(60000, 'q') + "\n"
                        + QByteArray(60000, 'r') + "\"\n" + rows(20000, numbers);
    QTest::newRow("quoted field over a piece start") << quoted << 2 << -1;
    QTest::newRow("quote opened and never closed") << rows(20000, numbers) + "1,\"" + rows(20000, numbers) << 2 << -1;
    QTest::newRow("texts, NULs, marks and seventeen digits") << "t,v,w\n" + rows(40000, [](int i) {
        return (i % 999 == 5 ? QByteArray("\xEF\xBB\xBF") : i % 999 == 9 ? QByteArray(1, '\0') : QByteArray())
               + QByteArray::number(i) + (i % 3 ? ",0.12345678901234567," : ",-0,") + (i % 5 ? "x\xC3\xA9\n" : "\n");
    }) << 2 << 16;
    QTest::newRow("ragged rows past the grid") << rows(30000, [](int i) {
        return QByteArray("1,a").repeated(1 + i % 5) + (i % 5000 == 17 ? QByteArray(",9").repeated(300) : "") + '\n';
    }) << 2 << 16;
    QTest::newRow("empty fields between, NAN and texts") << "t,a,b\n" + rows(40000, [](int i) {
        return QByteArray::number(i) + (i % 5 ? ",NAN," : ",,") + (i % 3 ? "7\n" : "x\n");
    }) << 2 << 16;
    QTest::newRow("decimal commas") << "t;v\n" + rows(40000, [](int i) { return QByteArray::number(i) + ";" + QByteArray::number(i % 100) + ",5\n"; })
                                    << 2 << 16;
}

// Many small pieces read by several threads give the table one thread reads: every item,
// line number, raw number and note alike.
void TestTextColumns::piecesMatchOneThread()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, threads);
    QFETCH(int, expectedParts);
    csv::ColumnReading alone;
    alone.threads = 1;
    csv::ColumnReading pieces;
    pieces.threads = threads;
    pieces.splitFrom = 1000;
    pieces.pieceBytes = 1000;
    const std::unique_ptr<workbook::Workbook> a = csv::readTextColumns(bytes, alone);
    const std::unique_ptr<workbook::Workbook> b = csv::readTextColumns(bytes, pieces);
    QVERIFY(a->textColumns && b->textColumns);
    const textcolumns::Table &x = *a->textColumns, &y = *b->textColumns;
    QCOMPARE(x.parts.size(), size_t(1));
    checkLastOther(x);
    checkLastOther(y);
    if (expectedParts >= 0)
        QCOMPARE(int(y.parts.size()), expectedParts);
    else
        QVERIFY(y.parts.size() > 1 && y.parts.size() < size_t(csv::MaxPieces));
    QCOMPARE(y.rows, x.rows);
    QCOMPARE(y.width(), x.width());
    QCOMPARE(y.textChars, x.textChars);
    QCOMPARE(y.blankTexts, x.blankTexts);
    for (qint64 row = 0; row < x.rows; ++row) {
        QCOMPARE(y.recordOf(row), x.recordOf(row));
        for (int column = 1; column <= x.width(); ++column) {
            const textcolumns::Item i = x.item(row, column), j = y.item(row, column);
            if (textcolumns::isText(i))
                QCOMPARE(y.text(j).toString(), x.text(i).toString());
            else
                QCOMPARE(j, i);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(column)));
        }
    }
    std::vector<textcolumns::RawNumber> raws; // their rows count over the whole table
    for (const textcolumns::Part &part : y.parts)
        raws.insert(raws.end(), part.rawNumbers.begin(), part.rawNumbers.end());
    QCOMPARE(raws.size(), x.parts[0].rawNumbers.size());
    for (size_t i = 0; i < raws.size(); ++i) {
        QCOMPARE(raws[i].row, x.parts[0].rawNumbers[i].row);
        QCOMPARE(raws[i].column, x.parts[0].rawNumbers[i].column);
        QCOMPARE(std::memcmp(&raws[i].value, &x.parts[0].rawNumbers[i].value, sizeof(double)), 0);
    }
    QCOMPARE(b->cutCells, a->cutCells);
    QCOMPARE(b->cutCellRows, a->cutCellRows);
    QCOMPARE(b->cutWidth, a->cutWidth);
    QCOMPARE(b->strayNuls, a->strayNuls);
    QCOMPARE(b->textTail.completeBytes, a->textTail.completeBytes);
}

void TestTextColumns::longLogsFillAlike_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const auto shortRow = [](int i) { return QByteArray::number(i % 10) + ',' + QByteArray::number(i % 7) + '\n'; };
    // Three pieces, each knowing where its texts are.
    constexpr int Rows = 300000;
    const QByteArray head = "t,a\ns,V\n";
    const auto with = [&](int row, const QByteArray &line) {
        return head + rows(Rows, [&](int i) { return i == row ? line : shortRow(i); });
    };
    QTest::newRow("numbers only") << head + rows(Rows, shortRow);
    QTest::newRow("a text in the last piece") << with(280000, "5,x\n");
    QTest::newRow("an empty field in the second piece") << with(150000, "5,\n");
    QTest::newRow("a wider row in the last piece") << with(260000, "5,6,7\n");
    QTest::newRow("a text first in the last piece") << with(210000, "x,5\n");
    QTest::newRow("another table below") << head + rows(Rows, shortRow) + "name,kind\nx,y\n";
}

// A long log read in pieces fills the store as the same text read on one thread does: the
// same items, and the same answer where the lists are read in place.
void TestTextColumns::longLogsFillAlike()
{
    QFETCH(QByteArray, bytes);
    ColumnStore stores[2];
    for (int threads : {1, 2}) {
        csv::ColumnReading how;
        how.threads = threads;
        how.pieceBytes = bytes.size() / 3;
        const std::unique_ptr<workbook::Workbook> book = csv::readTextColumns(bytes, how);
        QVERIFY(book->textColumns);
        QCOMPARE(book->textColumns->parts.size(), size_t(threads == 2 ? 3 : 1));
        ColumnStore &store = stores[threads - 1];
        ColumnStore::Batch batch(store);
        TableFill fill(store);
        QVERIFY(textfill::fill(*book->textColumns, store, fill));
    }
    for (int list = 1; list <= 4; ++list) {
        const int count = stores[0].count(list);
        QCOMPARE(stores[1].count(list), count);
        const bool alone = count > 2 && stores[0].numbersInPlace(list, 2, count - 1);
        const bool joined = count > 2 && stores[1].numbersInPlace(list, 2, count - 1);
        QCOMPARE(joined, alone);
        QVERIFY(stores[1].takeList(list) == stores[0].takeList(list));
    }
}

void TestTextColumns::sheetFromColumns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("threads");
    const QByteArray mixed = "title\n\nname,v,w\n" + rows(3000, [](int i) {
        return QByteArray::number(i) + (i % 3 ? ",0.12345678901234567," : ",-0,") + (i % 5 ? "x y\n" : "  \n\n");
    });
    QTest::newRow("one stretch") << mixed << 1;
    QTest::newRow("two stretches") << mixed << 2;
    QTest::newRow("ragged and wide") << rows(500, [](int i) { return QByteArray("1,a").repeated(1 + i % 150) + '\n'; }) << 2;
    QTest::newRow("decimal commas") << "a;b\n" + rows(2000, [](int i) { return QByteArray::number(i) + ";1,5\n"; }) << 2;
}

// The sheet made of the columns, as the cell-by-cell read asks for it, is the sheet the
// row-by-row reader fills: every cell's type, value as read and text, the used rows.
void TestTextColumns::sheetFromColumns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, threads);
    csv::ColumnReading how;
    how.threads = threads;
    how.splitFrom = 1000;
    const std::unique_ptr<workbook::Workbook> columns = csv::readTextColumns(bytes, how);
    const std::unique_ptr<workbook::Workbook> cells = csv::readDelimitedText(bytes);
    QVERIFY(columns->textColumns);
    textcolumns::fillSheet(*columns->textColumns, columns->firstSheet);
    const workbook::Worksheet &a = columns->firstSheet, &b = cells->firstSheet;
    QCOMPARE(a.firstRow(), b.firstRow());
    QCOMPARE(a.lastRow(), b.lastRow());
    for (int row = b.firstRow(); row <= b.lastRow(); ++row) {
        QCOMPARE(a.lastColumnOf(row), b.lastColumnOf(row));
        for (int column = 1; column <= b.lastColumnOf(row); ++column) {
            const workbook::Cell x = a.cell(row, column), y = b.cell(row, column);
            QCOMPARE(int(x.type), int(y.type));
            QCOMPARE(std::memcmp(&x.number, &y.number, sizeof x.number), 0);
            QCOMPARE(x.text, y.text);
        }
    }
    QCOMPARE(columns->cutCells, cells->cutCells);
    QCOMPARE(columns->strayNuls, cells->strayNuls);
}

void TestTextColumns::cancelStopsBothStretches_data()
{
    QTest::addColumn<int>("atReport");
    QTest::newRow("first report") << 1;
    QTest::newRow("tenth report") << 10;
    QTest::newRow("after the first stretch") << 40;
}

// A cancel while both stretches are read ends the read with Cancelled at that report; the
// second stretch's thread is stopped, and the reports before it only grew.
void TestTextColumns::cancelStopsBothStretches()
{
    QFETCH(int, atReport);
    const QByteArray bytes = "t,v\n" + rows(200000, [](int i) { return QByteArray::number(i) + ",2.5\n"; });
    readprogress::Progress progress(bytes.size());
    int reports = 0;
    qint64 lastBytes = 0;
    bool grew = true;
    progress.onReport = [&](const readprogress::Progress &p) {
        grew = grew && p.bytes() >= lastBytes;
        lastBytes = p.bytes();
        if (++reports == atReport)
            progress.cancel();
    };
    csv::ColumnReading how;
    how.splitFrom = 1000;
    bool cancelled = false;
    try {
        const readprogress::Scope scope(&progress);
        csv::readTextColumns(bytes, how);
    } catch (const readprogress::Cancelled &) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(reports, atReport);
    QVERIFY(grew);
}

// The store keeps the adopted texts as its own: items appended or taken over read back as
// they were read, a text appended afterwards does not disturb them, and texts cannot be
// adopted into a store that holds some.
void TestTextColumns::storeTakesColumnTexts()
{
    const QByteArray bytes = "a,b\n" + rows(100, [](int i) {
        return "x" + QByteArray::number(i) + ',' + (i == 7 ? QByteArray(5000, 'L') : QByteArray::number(i)) + '\n';
    });
    const std::unique_ptr<workbook::Workbook> book = csv::readTextColumns(bytes);
    textcolumns::Table &table = *book->textColumns;
    ColumnStore store;
    store.adoptTexts(table.chars, table.shared, table.textChars);
    textcolumns::Column first = table.parts[0].columns[0];
    store.appendItems(1, first.data(), first.size());
    store.replaceList(2, textcolumns::Column(table.parts[0].columns[1]));
    store.append(3, QStringLiteral("after"));
    QCOMPARE(store.count(1), 101);
    QCOMPARE(store.item(1, 0), QStringLiteral("a"));
    QCOMPARE(store.item(1, 100), QStringLiteral("x99"));
    QCOMPARE(store.item(2, 8), QString(5000, u'L'));
    QCOMPARE(store.item(2, 9), QStringLiteral("8"));
    QVERIFY(store.entry(2, 9).isNumber);
    QCOMPARE(store.item(3, 0), QStringLiteral("after"));
    QCOMPARE(store.takeList(1).size(), size_t(101));
    QCOMPARE(store.count(1), 0);
    QVERIFY_THROWS_EXCEPTION(AppError, store.adoptTexts(table.chars, table.shared, table.textChars));
}

QTEST_GUILESS_MAIN(TestTextColumns)
#include "tst_textcolumns.moc"
