#include <QtTest>

#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "workbook/csv/csvreader.h"
#include "workbook/csv/records.h"
#include "workbook/csv/textsurvey.h"
#include "workbook/open.h"
#include "workbook/sheetbuilder.h"

#include <QStringDecoder>
#include <QTemporaryDir>

#include <random>
#include <vector>

using namespace workbook;

Q_DECLARE_METATYPE(workbook::CellType)

// The delimited-text reader on logger files: decimal commas, lines above the table, the
// separator line, empty files and long files.
class TestDelimitedText : public QObject
{
    Q_OBJECT
private slots:
    void decimalComma_data();
    void decimalComma();
    void preamble_data();
    void preamble();
    void emptyFiles_data();
    void emptyFiles();
    void reportLines_data();
    void reportLines();
    void millionRows();
    void wideLines_data();
    void wideLines();
    void binaryText_data();
    void binaryText();
    void blankLines_data();
    void blankLines();
    void fieldsAtEveryOffset_data();
    void fieldsAtEveryOffset();
    void utf8CheckAsDecoder_data();
    void surveyAcrossTheSplit_data();
    void surveyAcrossTheSplit();
    void utf8CheckAsDecoder();
};

namespace {

std::unique_ptr<Workbook> read(const QByteArray &text, int rowLimit = TextRows)
{
    return csv::readDelimitedText(text, rowLimit);
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

}

void TestDelimitedText::decimalComma_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<CellType>("type");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("shown");
    const auto N = CellType::Number, T = CellType::Text;
    const QByteArray semi = "t;a;b\n1;20,5;-0,125\n2;1,5E3;7\n3;1.234,5;2,5,1\n4; 3,5 ;\"4,5\"\n5;,5;6,\n";
    QTest::newRow("; comma") << semi << 2 << 2 << N << 20.5 << "";
    QTest::newRow("; negative") << semi << 2 << 3 << N << -0.125 << "";
    QTest::newRow("; exponent") << semi << 3 << 2 << N << 1500.0 << "";
    QTest::newRow("; point still a number") << QByteArray("a;b\n1;2.5\n2;3,5\n") << 2 << 2 << N << 2.5 << "";
    QTest::newRow("; mixed file: comma row") << QByteArray("a;b\n1;2.5\n2;3,5\n") << 3 << 2 << N << 3.5 << "";
    QTest::newRow("; thousands dot stays text") << semi << 4 << 2 << T << 0.0 << "1.234,5";
    QTest::newRow("; two commas stay text") << semi << 4 << 3 << T << 0.0 << "2,5,1";
    QTest::newRow("; blanks around") << semi << 5 << 2 << N << 3.5 << "";
    QTest::newRow("; quoted") << semi << 5 << 3 << N << 4.5 << "";
    QTest::newRow("; leading comma") << semi << 6 << 2 << N << 0.5 << "";
    QTest::newRow("; trailing comma") << semi << 6 << 3 << N << 6.0 << "";
    const QByteArray tab = "t\tv\n1\t20,5\n2\t1e2\n";
    QTest::newRow("tab comma") << tab << 2 << 2 << N << 20.5 << "";
    QTest::newRow("tab exponent") << tab << 3 << 2 << N << 100.0 << "";
    QTest::newRow(", file: quoted comma stays text") << QByteArray("t,v\n1,\"20,5\"\n2,3\n") << 2 << 2 << T << 0.0 << "20,5";
    QTest::newRow(", file: comma separates") << QByteArray("t,v,w\n1,20,5\n2,3,4\n") << 2 << 3 << N << 5.0 << "";
    const QByteArray joined = "a;b;c;d\n\"1\"\"\";\"2\"x;\"3\"\"3\";\"4,5\"\"\"\n";
    QTest::newRow("quoted fields put together: first") << joined << 2 << 1 << T << 0.0 << "1\"";
    QTest::newRow("quoted fields put together: text after quote") << joined << 2 << 2 << T << 0.0 << "2x";
    QTest::newRow("quoted fields put together: third") << joined << 2 << 3 << T << 0.0 << "3\"3";
    QTest::newRow("quoted fields put together: fourth") << joined << 2 << 4 << T << 0.0 << "4,5\"";
    QTest::newRow("; inf stays text") << QByteArray("a;b\n1;inf\n2;1\n") << 2 << 2 << T << 0.0 << "inf";
}

void TestDelimitedText::decimalComma()
{
    QFETCH(QByteArray, text);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(CellType, type);
    QFETCH(double, number);
    QFETCH(QString, shown);
    const Cell cell = read(text)->firstSheet.cell(row, column);
    QCOMPARE(cell.type, type);
    if (type == CellType::Number)
        QCOMPARE(cell.number, number);
    else
        QCOMPARE(cell.text, shown);
}

void TestDelimitedText::preamble_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QString>("firstCell"); // row 1, column 1 after the skip
    QTest::addColumn<int>("rows");
    QTest::addColumn<double>("lastValue"); // last row, column 2
    QTest::newRow("none") << QByteArray("t;v\n1;2\n3;4\n") << 0 << "t" << 3 << 4.0;
    QTest::newRow("one line") << QByteArray("Logger X200 serial 4711\nt;v\n1;2\n3;4\n") << 1 << "t" << 3 << 4.0;
    QTest::newRow("several with a blank line")
        << QByteArray("Logger X200\nserial 4711\n\nt;v;w\n1;2;3\n3;4;5\n") << 3 << "t" << 3 << 4.0;
    QTest::newRow("separator inside")
        << QByteArray("Device;X200\nInterval;1 s\nt;v;w\n1;2;3\n2;3;4\n3;4;5\n") << 2 << "t" << 4 << 4.0;
    QTest::newRow("sep= line")
        << QByteArray("sep=;\nt;v\n1;2,5\n2;3,5\n") << 0 << "t" << 3 << 3.5;
    QTest::newRow("sep= line over a comma-looking file")
        << QByteArray("sep=;\r\nt;v,w\r\n1;2\r\n") << 0 << "t" << 2 << 2.0;
    QTest::newRow("sep=\\t") << QByteArray("sep=\\t\nt\tv\n1\t2\n") << 0 << "t" << 2 << 2.0;
    QTest::newRow("sep= then preamble")
        << QByteArray("sep=,\nLogger\nt,v\n1,2\n5,6\n") << 1 << "t" << 3 << 6.0;
    QTest::newRow("first data row short stays")
        << QByteArray("t;v;w\n1;2\n2;3;4\n3;5;6\n") << 0 << "t" << 4 << 5.0;
    QTest::newRow("trailing separators do not widen")
        << QByteArray("t;v\n1;2;\n3;4;\n") << 0 << "t" << 3 << 4.0;
    QTest::newRow("one column") << QByteArray("a\n1\n2\n") << 0 << "a" << 3 << 0.0;
}

// Lines above the table stay rows of the sheet; the read of the table skips and counts them.
void TestDelimitedText::preamble()
{
    QFETCH(QByteArray, text);
    QFETCH(int, skipped);
    QFETCH(QString, firstCell);
    QFETCH(int, rows);
    QFETCH(double, lastValue);
    QCOMPARE(read(text)->skippedLeadingLines, 0);
    QTemporaryDir dir;
    const QString path = writeFile(dir, text, QStringLiteral("log.csv"));
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(path, store, registry);
    QCOMPARE(store.item(1, 0), firstCell);
    // The name, a unit item (empty: none of these has a unit row), the readings.
    QCOMPARE(store.count(1), rows + 1);
    const QStringList log = reportTable(store, result.notes).log;
    QCOMPARE(log.contains(QStringLiteral("跳过了开头的%1行说明文字").arg(skipped)), skipped > 0);
    if (store.count(2) > 0) {
        double value = 0;
        QVERIFY(store.numberAt(2, store.count(2) - 1, &value));
        QCOMPARE(value, lastValue);
    }
}

void TestDelimitedText::emptyFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("0 bytes") << QByteArray();
    QTest::newRow("one line break") << QByteArray("\n");
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n\n");
    QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("separator line only") << QByteArray("sep=;\n");
    QTest::newRow("separators only") << QByteArray(";;;\n;;\n");
}

// Read from a file through the program's application: "没有数据！", as an empty sheet gives.
void TestDelimitedText::emptyFiles()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = writeFile(dir, bytes, QStringLiteral("log.csv"));
    QVERIFY(!path.isEmpty());
    QVERIFY(openFile(path)->firstSheet.empty());
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult read = readWorkbook(path, store, registry);
    QCOMPARE(reportTable(store, read.notes).log, QStringList{QStringLiteral("没有数据！")});
}

void TestDelimitedText::reportLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("no preamble") << QByteArray("t;v\n1;2\n")
                                 << QStringList{QStringLiteral("数据行数：3 ,  列数：2")};
    QTest::newRow("two lines skipped")
        << QByteArray("Logger X200 serial 4711\nstart 2024-05-01\nt;v\n1;2,5\n")
        << QStringList{QStringLiteral("数据行数：3 ,  列数：2"), QStringLiteral("跳过了开头的2行说明文字")};
}

// The lines the main window and tabrovex-plot log after a read.
void TestDelimitedText::reportLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, log);
    QTemporaryDir dir;
    const QString path = writeFile(dir, bytes, QStringLiteral("log.txt"));
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult read = readWorkbook(path, store, registry);
    QCOMPARE(reportTable(store, read.notes).log, log);
}

// A long log generated here: every row is read when the bound allows, and the rows past the
// bound are counted when it does not.
void TestDelimitedText::millionRows()
{
    const int rows = 1000000;
    QByteArray text = "time;value\n";
    text.reserve(rows * 16);
    for (int i = 0; i < rows; ++i)
        text += QByteArray::number(i) + ';' + QByteArray::number(i % 1000) + ",5\n";
    // Text has no grid: every row of the file is kept.
    const auto book = read(text);
    const int kept = rows + 1;
    QCOMPARE(book->firstSheet.usedRowCount(), kept);
    QCOMPARE(book->cutRows, 0);
    QCOMPARE(book->firstSheet.countOf(CellType::Number), 2 * (kept - 1));
    QCOMPARE(book->firstSheet.cell(kept, 1).number, double(kept - 2));
    QCOMPARE(book->firstSheet.cell(kept, 2).number, (kept - 2) % 1000 + 0.5);
    const auto bounded = read(text, 1000);
    QCOMPARE(bounded->firstSheet.usedRowCount(), 1000);
    QCOMPARE(bounded->cutRows, rows + 1 - 1000);
}

// Fields past the ones a record keeps are counted, whatever they hold: the next record starts
// where it should, and the filled cells right of the grid are told.
void TestDelimitedText::wideLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("lastKept"); // row 1, column 256
    QTest::addColumn<qint64>("cutCells");
    QTest::addColumn<QString>("next");     // row 2, column 1

    auto numbers = [](int count) {
        QByteArrayList fields;
        for (int i = 1; i <= count; ++i)
            fields << QByteArray::number(i);
        return fields;
    };
    QTest::newRow("5,000 numbers") << numbers(5000).join(',') + "\nx,y\n" << "256" << qint64(5000 - 256) << "x";
    QByteArrayList quoted = numbers(300);
    for (int i = 0; i < 900; ++i)
        quoted << "\"a\"\"b\"" << "\"c\"tail";
    QTest::newRow("doubled quotes and text after a quote past the kept fields")
        << quoted.join(',') + "\nz\n" << "256" << qint64(300 + 1800 - 256) << "z";
    QByteArrayList broken = numbers(1100);
    broken[1050] = "\"p\nq\"";
    QTest::newRow("a quoted line break past the kept fields")
        << broken.join(',') + "\nz\n" << "256" << qint64(1100 - 256) << "z";
    QByteArrayList sparse = numbers(10);
    for (int i = 10; i < 2999; ++i)
        sparse << QByteArray();
    sparse << "X";
    QTest::newRow("empty fields are no cells") << sparse.join(',') + "\nz\n" << "" << qint64(1) << "z";
}

void TestDelimitedText::wideLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, lastKept);
    QFETCH(qint64, cutCells);
    QFETCH(QString, next);
    const auto book = read(text);
    const Cell kept = book->firstSheet.cell(1, 256);
    QCOMPARE(kept.type == CellType::Number ? QString::number(kept.number) : kept.text, lastKept);
    QCOMPARE(book->firstSheet.cell(1, 257).type, CellType::Empty);
    QCOMPARE(book->cutCells, cutCells);
    QCOMPARE(book->cutCellRows, cutCells > 0 ? 1 : 0);
    QCOMPARE(book->firstSheet.cell(2, 1).text, next);
    QCOMPARE(book->firstSheet.lastRow(), 2);
}

// A NUL is no text: the file is refused before it is decoded, with where it is.
void TestDelimitedText::binaryText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // empty: read

    const QByteArray table = "a,b\n1,2\n";
    QTest::newRow("NUL after 100 KB of text")
        << table.repeated(12800) + "3" + QByteArray(1, '\0') + ",4\n" << "含有二进制数据（第102402字节），不是文本文件";
    QTest::newRow("a lone NUL at a line start after 100 KB")
        << table.repeated(12800) + QByteArray(1, '\0') + "3,4\n" << "";
    QTest::newRow("two NULs at a line start")
        << table + QByteArray(2, '\0') + "3,4\n" << "含有二进制数据（第9字节），不是文本文件";
    QTest::newRow("a NUL at the file's start")
        << QByteArray(1, '\0') + table << "含有二进制数据（第1字节），不是文本文件";
    QTest::newRow("UTF-16 NUL character")
        << QByteArray("\xFF\xFE") + QByteArray("a\0,\0b\0\0\0", 10) << "含有二进制数据（第9字节），不是文本文件";
    QTest::newRow("UTF-16 big-endian NUL character")
        << QByteArray("\xFE\xFF") + QByteArray("\0a\0\0", 4) << "含有二进制数据（第5字节），不是文本文件";
    QTest::newRow("UTF-16 zero bytes inside characters") << QByteArray("\xFF\xFE") + QByteArray("a\0,\0b\0", 6) << "";
    QTest::newRow("other control bytes are text") << QByteArray("a,b\n\x01,\x1A\n") << "";
}

void TestDelimitedText::binaryText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    try {
        const auto book = read(bytes);
        QVERIFY2(refusal.isEmpty(), "read");
        QCOMPARE(book->firstSheet.cell(1, 1).text, QStringLiteral("a"));
    } catch (const FormatRefused &e) {
        QCOMPARE(e.reason, refusal);
    }
}

// Blank lines are rows without cells, whichever line break they end with, also when they
// reach the last row a read keeps.
void TestDelimitedText::blankLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("rowLimit");
    QTest::addColumn<int>("lastRow"); // the last row with a cell
    QTest::addColumn<int>("cutRows");
    const QByteArray mixed = "a\n\r\n\r\rz\n";
    QTest::newRow("LF, CR LF, CR, CR") << mixed << TextRows << 5 << 0;
    QTest::newRow("the last row kept is the text's") << mixed << 5 << 5 << 0;
    QTest::newRow("blank lines up to the last row") << mixed << 4 << 1 << 1;
    QTest::newRow("blank lines past the last row") << QByteArray("a\n").append(QByteArray(100, '\n')) + "z\n" << 50 << 1 << 1;
    QTest::newRow("a million blank lines") << QByteArray("a\n").append(QByteArray(1000000, '\r')) + "z" << TextRows << 1000002 << 0;
    QTest::newRow("CR CR LF is one line end") << QByteArray("a\r\r\nb\r\r\nz\r\r\n") << TextRows << 3 << 0;
    QTest::newRow("CR CR LF after a quoted field") << QByteArray("\"a\"\r\r\n\"z\"") << TextRows << 2 << 0;
    QTest::newRow("a blank line ended by CR CR LF") << QByteArray("a\r\n\r\r\nz") << TextRows << 3 << 0;
    QTest::newRow("CR CR without LF are two line ends") << QByteArray("a\r\rz") << TextRows << 3 << 0;
    QTest::newRow("a million blank CR CR LF lines")
        << QByteArray("a\n") + QByteArray("\r\r\n").repeated(1000000) + "z" << TextRows << 1000002 << 0;
}

void TestDelimitedText::blankLines()
{
    QFETCH(QByteArray, text);
    QFETCH(int, rowLimit);
    QFETCH(int, lastRow);
    QFETCH(int, cutRows);
    const auto book = read(text, rowLimit);
    QCOMPARE(book->firstSheet.lastRow(), lastRow);
    QCOMPARE(book->cutRows, cutRows);
    QCOMPARE(book->firstSheet.cell(lastRow, 1).text, QString(lastRow == 1 ? "a" : "z"));
}

void TestDelimitedText::fieldsAtEveryOffset_data()
{
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("comma LF") << ',' << QByteArray("\n");
    QTest::newRow("semicolon CR LF") << ';' << QByteArray("\r\n");
    QTest::newRow("tab CR") << '\t' << QByteArray("\r");
    QTest::newRow("comma CR CR LF") << ',' << QByteArray("\r\r\n");
}

// Unquoted fields of every length from 0 to 40, ending anywhere in the text, split where a
// byte-by-byte reading splits them: the scanner looks at several bytes at once.
void TestDelimitedText::fieldsAtEveryOffset()
{
    QFETCH(char, separator);
    QFETCH(QByteArray, lineEnd);
    std::mt19937 random(99);
    // Bytes a field may hold: the other separators, blanks, quotes inside, UTF-8 and 0x80+.
    const QByteArray alphabet = QByteArray("ab9.-+ \t,;\"") + "\xC3\xA9\xFF\x80";
    for (int round = 0; round < 3000; ++round) {
        QList<QList<QByteArray>> expected;
        QByteArray text;
        const int lines = 1 + int(random() % 4);
        for (int l = 0; l < lines; ++l) {
            QList<QByteArray> fields;
            const int count = 1 + int(random() % 5);
            for (int f = 0; f < count; ++f) {
                QByteArray field;
                for (int n = int(random() % 41); n > 0; --n) {
                    const char c = alphabet[int(random() % alphabet.size())];
                    if (c != separator && !(field.isEmpty() && c == '"'))
                        field += c;
                }
                fields << field;
                text += field;
                if (f + 1 < count)
                    text += separator;
            }
            expected << fields;
            // A last line of one empty field is only there with its line end.
            if (l + 1 < lines || random() % 2 || (count == 1 && fields[0].isEmpty()))
                text += lineEnd;
        }
        // A copy of exactly the text's size: reading past its end shows under a checker.
        const std::vector<char> exact(text.begin(), text.end());
        records::Scanner scanner(exact.data(), exact.data() + exact.size(), separator);
        std::vector<records::Field> got;
        for (const QList<QByteArray> &fields : expected) {
            QVERIFY(scanner.next(got));
            QCOMPARE(int(got.size()), int(fields.size()));
            for (size_t f = 0; f < got.size(); ++f)
                QCOMPARE(QByteArray(got[f].begin, int(got[f].end - got[f].begin)), fields[int(f)]);
        }
        QVERIFY(!scanner.next(got));
    }
}

void TestDelimitedText::utf8CheckAsDecoder_data()
{
    QTest::addColumn<QByteArray>("insert");
    for (const char *bytes : {"\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC3", "\xE4\xB8", "\xC0\xAF",
                              "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xFF"})
        QTest::newRow(QByteArray(bytes).toHex().constData()) << QByteArray(bytes);
}

// A UTF-8 sequence, good or bad, at every place around the 8- and 64-byte steps over ASCII
// and the 64 KB windows between cancel checks: the survey says what Qt's decoder says.
void TestDelimitedText::utf8CheckAsDecoder()
{
    QFETCH(QByteArray, insert);
    const qsizetype block = 1 << 16;
    QList<qsizetype> places;
    for (qsizetype at = 0; at < 70; ++at)
        places << at;
    for (qsizetype at = block - 40; at < block + 40; ++at)
        places << at;
    for (const qsizetype at : places) {
        for (const qsizetype tail : {qsizetype(0), qsizetype(1), qsizetype(5), qsizetype(block)}) {
            QByteArray text = QByteArray(at, 'a') + insert + QByteArray(tail, 'b');
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            (void)QString(decoder(text));
            const bool valid = !decoder.hasError();
            const std::vector<char> exact(text.begin(), text.end());
            const QByteArray view = QByteArray::fromRawData(exact.data(), qsizetype(exact.size()));
            QVERIFY2(textsurvey::survey(view, true, view.size() + 1).utf8 == valid,
                     qPrintable(QStringLiteral("at %1, %2 after").arg(at).arg(tail)));
        }
    }
}

void TestDelimitedText::surveyAcrossTheSplit_data()
{
    QTest::addColumn<QByteArray>("insert");
    const QList<QPair<const char *, QByteArray>> inserts = {
        {"two-byte character", "\xC3\xA9"},
        {"three-byte character", "\xE4\xB8\xAD"},
        {"four-byte character", "\xF0\x9F\x98\x80"},
        {"byte-order mark", "\xEF\xBB\xBF"},
        {"cut three-byte character", "\xE4\xB8"},
        {"four continuation bytes", "\x80\x80\x80\x80"},
        {"surrogate", "\xED\xA0\x80"},
        {"NUL", QByteArray(1, '\0')},
        {"NUL after a line break", QByteArray("\n\0", 2)},
        {"two NULs after a line break", QByteArray("\n\0\0", 3)},
        {"bad byte, then a NUL", QByteArray("\xFFx\0", 3)},
        {"character, then a NUL", QByteArray("\xE4\xB8\xAD\0", 4)},
    };
    for (const auto &[name, bytes] : inserts)
        QTest::newRow(name) << bytes;
}

// The survey read in two halves says what one pass over the bytes says, wherever a
// character, a bad sequence or a NUL lies around the split, the 64 KB windows and the end.
void TestDelimitedText::surveyAcrossTheSplit()
{
    QFETCH(QByteArray, insert);
    const auto reference = [](const QByteArray &text) {
        textsurvey::Survey expected;
        for (qsizetype i = 0; i < text.size() && expected.binaryAt < 0; ++i) {
            const bool stray = i > 0 && text[i - 1] == '\n' && (i + 1 == text.size() || text[i + 1] != '\0');
            if (text[i] == '\0' && !stray)
                expected.binaryAt = i;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(decoder(text));
        expected.utf8 = !decoder.hasError();
        return expected;
    };
    for (const qsizetype size : {qsizetype(48), qsizetype(2 * 65536 + 100)}) {
        QByteArray base;
        while (base.size() < size)
            base += "12.5,-3\n";
        base.truncate(size);
        const qsizetype middle = size / 2;
        QList<qsizetype> places = {0, 65536 - 2, size - insert.size()};
        for (qsizetype at = middle - 6; at <= middle + 4; ++at)
            places << at;
        for (const qsizetype at : places) {
            for (const bool nulNearEnd : {false, true}) {
                QByteArray text = base;
                if (at < 0 || at + insert.size() > text.size())
                    continue;
                text.replace(at, insert.size(), insert);
                if (nulNearEnd && at + insert.size() < size - 2)
                    text[size - 2] = '\0';
                const textsurvey::Survey expected = reference(text);
                const QString where = QStringLiteral("size %1, at %2, NUL near the end %3").arg(size).arg(at).arg(nulNearEnd);
                for (const qsizetype splitFrom : {qsizetype(2), qsizetype(1) << 30}) {
                    const textsurvey::Survey got = textsurvey::survey(text, true, splitFrom);
                    QVERIFY2(got.binaryAt == expected.binaryAt, qPrintable(where + QStringLiteral(": binary at %1").arg(got.binaryAt)));
                    if (expected.binaryAt < 0)
                        QVERIFY2(got.utf8 == expected.utf8, qPrintable(where));
                    QCOMPARE(textsurvey::survey(text, false, splitFrom).binaryAt, expected.binaryAt);
                }
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestDelimitedText)
#include "tst_delimitedtext.moc"
