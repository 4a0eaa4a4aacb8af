#include <QtTest>

#include "base/apperror.h"
#include "workbook/open.h"
#include "workbook/xls/xlsreader.h"
#include "workbook/xls/xlstext.h"
#include "xlsbytes.h"

#include <cmath>
#include <limits>

using namespace xls;
using namespace workbook;
using namespace xlsbytes;

Q_DECLARE_METATYPE(workbook::CellType)

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/") + name;
}

QString corpusDir()
{
    return QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xls");
}

QString readError(const std::function<void()> &read)
{
    try {
        read();
    } catch (const AppError &e) {
        return e.message();
    }
    return QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

}

class TestXlsReader : public QObject
{
    Q_OBJECT
private slots:
    void fixtureCells_data();
    void fixtureCells();
    void fixtureLayout_data();
    void fixtureLayout();
    void refused_data();
    void refused();
    void fileErrors_data();
    void fileErrors();
    void records_data();
    void records();
    void codepages_data();
    void codepages();
    void corpus();
    void mappedAsInMemory_data();
    void mappedAsInMemory();
};

// ---- committed fixtures ---------------------------------------------------------------------

void TestXlsReader::fixtureCells_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<CellType>("type");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    const CellType N = CellType::Number, D = CellType::DateTime, T = CellType::Text,
                   B = CellType::Boolean, E = CellType::Error, X = CellType::Empty;
    auto row = [](const char *name, const char *file, int r, int c, CellType t, double n,
                  const QString &s = QString()) {
        QTest::newRow(name) << QString::fromLatin1(file) << r << c << t << n << s;
    };
    row("integer", "numbers.xls", 1, 1, N, 1);
    row("0.1+0.2 kept exactly", "numbers.xls", 2, 1, N, 0.1 + 0.2);
    row("1E20", "numbers.xls", 3, 1, N, 1e20);
    row("1E-7", "numbers.xls", 4, 1, N, 1e-7);
    row("negative zero", "numbers.xls", 5, 1, N, 0);
    row("big integer", "numbers.xls", 6, 1, N, 123456789012345.0);
    row("negative integer", "numbers.xls", 7, 1, N, -42);
    row("2^29", "numbers.xls", 8, 1, N, 536870912);
    row("tiny negative", "numbers.xls", 10, 1, N, -1.5e-300);
    row("below the data", "numbers.xls", 11, 1, X, 0);
    row("right of the data", "numbers.xls", 1, 2, X, 0);

    row("Chinese", "text.xls", 1, 1, T, 0, QStringLiteral("中文测试"));
    row("Cyrillic", "text.xls", 2, 1, T, 0, QStringLiteral("Привет, мир"));
    row("Greek", "text.xls", 3, 1, T, 0, QStringLiteral("Ελληνικά"));
    row("Japanese", "text.xls", 4, 1, T, 0, QStringLiteral("日本語テキスト"));
    row("Latin-1 compressed", "text.xls", 6, 1, T, 0, QStringLiteral("Café ü"));
    row("unit symbol", "text.xls", 2, 2, T, 0, QStringLiteral("℃"));
    row("string table spilling into CONTINUE", "longtext.xls", 300, 1, T, 0,
        QStringLiteral("row 299 xxxxxxxxxxxxxxxxxxxx"));
    row("6000 UTF-16 characters across records", "longtext.xls", 1, 2, T, 0,
        QString(6000, QChar(0x957F)));
    row("string after the long one", "longtext.xls", 2, 2, T, 0, QStringLiteral("end of table"));

    row("true", "bools_errors.xls", 1, 1, B, 1);
    row("false", "bools_errors.xls", 2, 1, B, 0);
    row("#DIV/0!", "bools_errors.xls", 3, 1, E, 0x07);
    row("#N/A", "bools_errors.xls", 4, 1, E, 0x2A);
    row("#VALUE!", "bools_errors.xls", 5, 1, E, 0x0F);
    row("number 1 is no boolean", "bools_errors.xls", 6, 1, N, 1);
    row("error in the middle", "error_middle.xls", 3, 2, E, 0x17);
    row("number after the error", "error_middle.xls", 3, 3, N, 22);

    row("date", "dates1900.xls", 1, 1, D, 45366);
    row("date and time", "dates1900.xls", 2, 1, D, 36526 + 12.5 / 24);
    row("time only", "dates1900.xls", 3, 1, D, 0.75);
    row("elapsed hours", "dates1900.xls", 4, 1, D, 1.5);
    row("colour bracket is no date", "dates1900.xls", 5, 1, N, 45000.5);
    row("quoted letters are no date", "dates1900.xls", 6, 1, N, 2.5);
    row("escaped letter is no date", "dates1900.xls", 7, 1, N, 7);
    row("general format", "dates1900.xls", 8, 1, N, 45000);
    row("1904 date moved to 1900 days", "dates1904.xls", 1, 1, D, 45366);
    row("1904 date and time", "dates1904.xls", 2, 1, D, 36526 + 12.5 / 24);
    row("1904 time of day 0", "dates1904.xls", 3, 1, D, 1462.75);
    row("1904 plain number untouched", "dates1904.xls", 8, 1, N, 45000);

    row("first cell at C40", "offset_c40.xls", 40, 3, T, 0, QStringLiteral("name"));
    row("nothing in A40", "offset_c40.xls", 40, 1, X, 0);
    row("last cell", "offset_c40.xls", 50, 4, N, 100);
    row("column 40", "wide40.xls", 2, 40, N, 40);
    row("column 33", "wide40.xls", 1, 33, T, 0, QStringLiteral("c33"));
    row("gap in a row", "gaprow.xls", 2, 2, X, 0);
    row("after the gap", "gaprow.xls", 2, 3, N, 3);
    row("one column", "onecol.xls", 6, 1, N, 5.5);
    row("empty first sheet", "empty.xls", 1, 1, X, 0);

    row("BIFF5 GBK label", "biff5_gbk.xls", 1, 1, T, 0, QStringLiteral("温度"));
    row("BIFF5 GBK unit", "biff5_gbk.xls", 2, 1, T, 0, QStringLiteral("℃"));
    row("BIFF5 RK integer", "biff5_gbk.xls", 3, 1, N, 25);
    row("BIFF5 RK divided by 100", "biff5_gbk.xls", 3, 2, N, 101.25);
    row("BIFF5 1904 built-in date", "biff5_gbk.xls", 3, 3, D, 36160 + 1462);
    row("MULRK negative", "biff5_gbk.xls", 4, 1, N, -7);
    row("MULRK custom GBK date format", "biff5_gbk.xls", 4, 2, D, 36526 + 1462);
    row("formula string in code page", "biff5_gbk.xls", 5, 1, T, 0, QStringLiteral("合计"));
    row("formula boolean", "biff5_gbk.xls", 5, 2, B, 1);
    row("formula error", "biff5_gbk.xls", 5, 3, E, 0x07);
    row("formula empty result", "biff5_gbk.xls", 6, 1, X, 0);
    row("formula number", "biff5_gbk.xls", 6, 2, N, 2.5);
    row("BOOLERR false", "biff5_gbk.xls", 6, 3, B, 0);

    row("SST plain", "biff8_hand.xls", 1, 1, T, 0, QStringLiteral("alpha"));
    row("SST split, UTF-16 then compressed", "biff8_hand.xls", 2, 1, T, 0, QStringLiteral("长文ABCD"));
    row("SST rich runs across records", "biff8_hand.xls", 3, 1, T, 0, QStringLiteral("rich"));
    row("SST phonetic data across records", "biff8_hand.xls", 4, 1, T, 0, QStringLiteral("phonetic"));
    row("SST string after the split ones", "biff8_hand.xls", 5, 1, T, 0, QStringLiteral("after"));
    row("SST index out of range skipped", "biff8_hand.xls", 6, 1, X, 0);
    row("elapsed time format", "biff8_hand.xls", 1, 2, D, 1.25 + 1462);
    row("colours and sections only", "biff8_hand.xls", 2, 2, N, 1234.5);
    row("Chinese date format, day 0 of 1904", "biff8_hand.xls", 3, 2, D, 1462);
    row("built-in 22", "biff8_hand.xls", 4, 2, D, 1.5 + 1462);
    row("string result after SHRFMLA", "biff8_hand.xls", 1, 3, T, 0, QStringLiteral("Σύνολο"));
    row("boolean result false", "biff8_hand.xls", 2, 3, B, 0);
    row("error result #N/A", "biff8_hand.xls", 3, 3, E, 0x2A);
    row("empty result", "biff8_hand.xls", 4, 3, X, 0);
    row("numeric result with date format", "biff8_hand.xls", 5, 3, D, 366 + 1462);
    row("LABEL", "biff8_hand.xls", 7, 1, T, 0, QStringLiteral("label ünïcode"));
    row("RSTRING", "biff8_hand.xls", 8, 1, T, 0, QStringLiteral("rich label"));
    row("BLANK", "biff8_hand.xls", 10, 2, X, 0);

    row("BIFF2 label", "biff2_raw.xls", 1, 2, T, 0, QStringLiteral("Café"));
    row("BIFF2 INTEGER", "biff2_raw.xls", 2, 1, N, 65535);
    row("BIFF2 NUMBER", "biff2_raw.xls", 2, 2, N, -2.75);
    row("BIFF2 date by format index", "biff2_raw.xls", 2, 3, D, 36526);
    row("BIFF2 boolean", "biff2_raw.xls", 3, 1, B, 1);
    row("BIFF2 error", "biff2_raw.xls", 3, 2, E, 0x17);
    row("BIFF2 formula string", "biff2_raw.xls", 4, 1, T, 0, QStringLiteral("ok"));
    row("BIFF2 formula number", "biff2_raw.xls", 4, 2, N, 8);
    row("BIFF2 row past the limit ignored", "biff2_raw.xls", 20001, 1, X, 0);
}

void TestXlsReader::fixtureCells()
{
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(CellType, type);
    QFETCH(double, number);
    QFETCH(QString, text);

    const auto book = readWorkbookFile(fixture(file));
    const Cell cell = book->firstSheet.cell(row, column);
    QCOMPARE(int(cell.type), int(type));
    switch (type) {
    case CellType::Text:
        QCOMPARE(cell.text, text);
        break;
    case CellType::Error:
        QCOMPARE(cell.errorCode, int(number));
        break;
    case CellType::Empty:
        break;
    default:
        QCOMPARE(cell.number, number);
        break;
    }
}

void TestXlsReader::fixtureLayout_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("biff");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<int>("codepage");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<int>("cells"); // non-empty cells

    QTest::newRow("numbers") << "numbers.xls" << 8 << false << 1200 << "Numbers" << 1 << 10 << 10;
    QTest::newRow("text") << "text.xls" << 8 << false << 1200 << "文字" << 1 << 7 << 8;
    QTest::newRow("long text") << "longtext.xls" << 8 << false << 1200 << "Long" << 1 << 300 << 302;
    QTest::newRow("1904") << "dates1904.xls" << 8 << true << 1200 << "Dates" << 1 << 8 << 8;
    QTest::newRow("starts at row 40") << "offset_c40.xls" << 8 << false << 1200 << "Offset" << 40 << 50 << 22;
    QTest::newRow("40 columns") << "wide40.xls" << 8 << false << 1200 << "Wide" << 1 << 2 << 80;
    QTest::newRow("empty first sheet") << "empty.xls" << 8 << false << 1200 << "Empty" << 1 << 0 << 0;
    QTest::newRow("chart listed first") << "biff5_gbk.xls" << 5 << true << 936 << "数据表" << 1 << 6 << 15;
    // DIMENSIONS claims 4 billion rows: ignored, the cells (BLANK in row 10 too) decide.
    QTest::newRow("absurd dimensions") << "biff8_hand.xls" << 8 << true << 1200 << "Hand" << 1 << 10 << 15;
    QTest::newRow("BIFF2 without container") << "biff2_raw.xls" << 2 << false << 0 << "" << 1 << 4 << 9;
}

void TestXlsReader::fixtureLayout()
{
    QFETCH(QString, file);
    QFETCH(int, biff);
    QFETCH(bool, date1904);
    QFETCH(int, codepage);
    QFETCH(QString, sheet);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(int, cells);

    const auto book = readWorkbookFile(fixture(file));
    QCOMPARE(book->biffVersion, biff);
    QCOMPARE(book->date1904, date1904);
    QCOMPARE(book->codepage, codepage);
    QCOMPARE(book->sheetName, sheet);
    const Worksheet &ws = book->firstSheet;
    QCOMPARE(ws.firstRow(), firstRow);
    QCOMPARE(ws.lastRow(), lastRow);
    QCOMPARE(ws.usedRowCount(), std::max(0, lastRow - firstRow + 1));
    int stored = 0;
    for (CellType t : {CellType::Number, CellType::DateTime, CellType::Text, CellType::Boolean,
                       CellType::Error})
        stored += ws.countOf(t);
    QCOMPARE(stored, cells);
}

// ---- refusals ------------------------------------------------------------------------------

void TestXlsReader::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray gbk = fileBytes(fixture("biff5_gbk.xls"));
    QVERIFY(!gbk.isEmpty());
    QByteArray noStream = gbk;
    // Rename the "Book" stream in the directory sector (sector 1, entry 1).
    const int nameAt = 512 + 512 + 128;
    QCOMPARE(noStream.mid(nameAt, 8), QByteArray("B\0o\0o\0k\0", 8));
    noStream[nameAt] = 'X';
    QByteArray notBof = gbk;
    notBof[512 * 3] = 0x00; // the stream's first record id
    notBof[512 * 3 + 1] = 0x00;

    QTest::newRow("empty file") << QByteArray() << "不是Excel工作簿";
    QTest::newRow("text file") << QByteArray("a,b,c\n1,2,3\n") << "不是Excel工作簿";
    QTest::newRow("zip (xlsx)") << QByteArray("PK\x03\x04\x14\0\x06\0", 8) + QByteArray(100, 'x')
                               << "不是Excel工作簿";
    QTest::newRow("OLE2 without workbook stream") << noStream << "不是Excel工作簿";
    QTest::newRow("OLE2 header only") << gbk.left(512) << "文件已损坏";
    QTest::newRow("OLE2 cut in the stream") << gbk.left(512 * 4) << "文件已损坏";
    QTest::newRow("stream not starting with BOF") << notBof << "文件已损坏";
    QTest::newRow("encrypted") << fileBytes(fixture("encrypted.xls")) << "工作簿已加密";
    QTest::newRow("FILEPASS in a single-sheet file")
        << sheet8(rec(0x002F, u16(0) + u16(1) + u16(2)) + rec(0x0203, cellHeader(0, 0) + f64(1)))
        << "工作簿已加密";
    const QByteArray chartOnly = bof8(0x0005)
        + rec(0x0085, u32(0) + QByteArray("\0\x02", 2) + QByteArray("\x01\0C", 3)) + eof();
    QTest::newRow("only a chart sheet") << chartOnly << "没有工作表";
    QTest::newRow("globals without sheets") << bof8(0x0005) + eof() << "没有工作表";
    QTest::newRow("chart file") << bof8(0x0020) + eof() << "没有工作表";
    const QByteArray badPos = bof8(0x0005)
        + rec(0x0085, u32(5000) + QByteArray("\0\0", 2) + QByteArray("\x01\0S", 3)) + eof();
    QTest::newRow("sheet position past the end, no sheet follows") << badPos << "文件已损坏";
    QTest::newRow("globals cut before the sheet list") << bof8(0x0005) + rec(0x0042, u16(1252))
                                                       << "文件已损坏";
}

void TestXlsReader::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString message = readError([&] { readWorkbookBytes(bytes, QStringLiteral("/d/x.xls")); });
    QCOMPARE(message, QStringLiteral("无法打开工作簿 /d/x.xls：") + reason);
}

void TestXlsReader::fileErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QDir::tempPath() + "/no-such-workbook-4711.xls" << "文件不存在";
    QTest::newRow("folder") << QDir::tempPath() << "无法读取文件";
    QTest::newRow("empty name") << QString() << "文件不存在";
    QTest::newRow("encrypted file") << fixture("encrypted.xls") << "工作簿已加密";
    // A device never ends and would be read until memory runs out.
    QTest::newRow("device") << "/dev/zero" << "不是普通文件";
}

void TestXlsReader::fileErrors()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    const QString message = readError([&] { readWorkbookFile(path); });
    QCOMPARE(message, QStringLiteral("无法打开工作簿 ") + path + QStringLiteral("：") + reason);
}

// ---- records built in the test -----------------------------------------------------------

struct Expect {
    int row, column;
    CellType type;
    double number;
    QString text;
};
Q_DECLARE_METATYPE(QList<Expect>)

void TestXlsReader::records_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<QList<Expect>>("cells");

    const CellType N = CellType::Number, T = CellType::Text, E = CellType::Error,
                   X = CellType::Empty;
    const QByteArray one = rec(0x0203, cellHeader(0, 0) + f64(1));

    QTest::newRow("dimensions used when wider than the cells")
        << sheet8(rec(0x0200, u32(2) + u32(30) + u16(0) + u16(3) + u16(0)) + rec(0x0203, cellHeader(4, 0) + f64(7)))
        << 3 << 30 << QList<Expect>{{5, 1, N, 7, {}}};
    QTest::newRow("cells outside the dimensions widen them")
        << sheet8(rec(0x0200, u32(2) + u32(5) + u16(0) + u16(3) + u16(0)) + one
                  + rec(0x0203, cellHeader(9, 1) + f64(2)))
        << 1 << 10 << QList<Expect>{{1, 1, N, 1, {}}, {10, 2, N, 2, {}}};
    QTest::newRow("dimensions past 65536 rows ignored")
        << sheet8(rec(0x0200, u32(0) + u32(0x80000000u) + u16(0) + u16(3) + u16(0)) + one)
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}};
    QTest::newRow("no dimensions")
        << sheet8(rec(0x0203, cellHeader(65535, 255) + f64(3)))
        << 65536 << 65536 << QList<Expect>{{65536, 256, N, 3, {}}};
    QTest::newRow("column past 256 ignored")
        << sheet8(one + rec(0x0203, cellHeader(3, 256) + f64(2)))
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}, {4, 257, X, 0, {}}};
    QTest::newRow("later record for the same cell wins")
        << sheet8(one + rec(0x0203, cellHeader(0, 0) + f64(9)))
        << 1 << 1 << QList<Expect>{{1, 1, N, 9, {}}};
    QTest::newRow("cells out of column order")
        << sheet8(rec(0x0203, cellHeader(0, 5) + f64(6)) + rec(0x0203, cellHeader(0, 1) + f64(2))
                  + rec(0x0203, cellHeader(0, 3) + f64(4)))
        << 1 << 1 << QList<Expect>{{1, 2, N, 2, {}}, {1, 4, N, 4, {}}, {1, 6, N, 6, {}}, {1, 5, X, 0, {}}};
    QTest::newRow("NaN stored as #NUM!")
        << sheet8(rec(0x0203, cellHeader(0, 0) + f64(std::numeric_limits<double>::quiet_NaN())))
        << 1 << 1 << QList<Expect>{{1, 1, E, 0x24, {}}};
    QTest::newRow("short record skipped, next one read")
        << sheet8(rec(0x0203, cellHeader(0, 0) + QByteArray(3, 0)) + rec(0x0203, cellHeader(1, 0) + f64(5)))
        << 2 << 2 << QList<Expect>{{1, 1, X, 0, {}}, {2, 1, N, 5, {}}};
    QTest::newRow("stream cut inside a record keeps earlier cells")
        << (bof8(0x0010) + one + rec(0x0203, cellHeader(1, 0) + f64(5))).chopped(3)
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}, {2, 1, X, 0, {}}};
    QTest::newRow("no EOF")
        << bof8(0x0010) + one
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}};
    QTest::newRow("embedded chart substream skipped")
        << sheet8(one + bof8(0x0020) + rec(0x0203, cellHeader(5, 0) + f64(99)) + eof()
                  + rec(0x0203, cellHeader(1, 0) + f64(2)))
        << 1 << 2 << QList<Expect>{{2, 1, N, 2, {}}, {6, 1, X, 0, {}}};
    QTest::newRow("MULRK cut short and past column 256")
        << sheet8(rec(0x00BD, u16(0) + u16(254) + u16(0) + u32((3u << 2) | 2) + u16(0)
                               + u32((4u << 2) | 2) + u16(0) + u32((5u << 2) | 2) + u16(256)))
        << 1 << 1 << QList<Expect>{{1, 255, N, 3, {}}, {1, 256, N, 4, {}}};
    QTest::newRow("RK negative and hundredths")
        << sheet8(rec(0x027E, cellHeader(0, 0) + u32(quint32(-5 * 4) | 3))
                  + rec(0x027E, cellHeader(0, 1) + u32(0x3FF00000u)))
        << 1 << 1 << QList<Expect>{{1, 1, N, -0.05, {}}, {1, 2, N, 1, {}}};
    QTest::newRow("label count longer than the record")
        << sheet8(rec(0x0204, cellHeader(0, 0) + u16(500) + QByteArray("\0abc", 4)))
        << 1 << 1 << QList<Expect>{{1, 1, T, 0, QStringLiteral("abc")}};
    QTest::newRow("string table inside a lone sheet")
        << sheet8(rec(0x00FC, u32(1) + u32(1) + u16(2) + QByteArray("\0ok", 3))
                  + rec(0x00FD, cellHeader(0, 0) + u32(0)) + rec(0x00FD, cellHeader(0, 1) + u32(1)))
        << 1 << 1 << QList<Expect>{{1, 1, T, 0, QStringLiteral("ok")}, {1, 2, X, 0, {}}};
    QTest::newRow("STRING without a pending formula ignored")
        << sheet8(rec(0x0207, u16(2) + QByteArray("\0hi", 3)) + one)
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}};
    QTest::newRow("sheet position 0 is the globals' own BOF")
        << bof8(0x0005) + rec(0x0085, u32(0) + QByteArray("\0\0", 2) + QByteArray("\x01\0S", 3)) + eof()
               + sheet8(one)
        << 1 << 1 << QList<Expect>{{1, 1, N, 1, {}}};
    QByteArray rewrites;
    for (int i = 0; i < 70000; ++i)
        rewrites += rec(0x0204, cellHeader(0, 0) + u16(6) + QByteArray(1, 0) + QByteArray::number(100000 + i))
            + rec(0x0204, cellHeader(1, i % 2) + u16(1) + QByteArray(1, 0) + QByteArray(1, char('a' + i % 26)));
    QTest::newRow("cells rewritten 70,000 times keep their last text")
        << sheet8(rec(0x0204, cellHeader(2, 0) + u16(4) + QByteArray(1, 0) + "kept") + rewrites)
        << 1 << 3 << QList<Expect>{{1, 1, T, 0, QStringLiteral("169999")},
                                   {2, 1, T, 0, QStringLiteral("g")},
                                   {2, 2, T, 0, QStringLiteral("h")},
                                   {3, 1, T, 0, QStringLiteral("kept")}};
    // The sheet reserves room for the cells its DIMENSIONS declare, as far as the records
    // left can fill: a claim of the whole grid in a tiny stream reads as before.
    QTest::newRow("dimensions of the whole grid over three cells")
        << sheet8(rec(0x0200, u32(0) + u32(65536) + u16(0) + u16(256) + u16(0)) + one
                  + rec(0x0203, cellHeader(65535, 255) + f64(2)) + rec(0x0203, cellHeader(7, 3) + f64(3)))
        << 1 << 65536 << QList<Expect>{{1, 1, N, 1, {}}, {65536, 256, N, 2, {}}, {8, 4, N, 3, {}}};
    QByteArray declared = rec(0x0200, u32(0) + u32(3000) + u16(0) + u16(3) + u16(0));
    for (int row = 0; row < 3000; ++row)
        declared += rec(0x00BD, u16(quint16(row)) + u16(0) + u16(0) + u32(quint32(row * 4) << 2 | 2) + u16(0)
                                    + u32(quint32(row * 4 + 1) << 2 | 2) + u16(0) + u32(quint32(row * 4 + 2) << 2 | 2)
                                    + u16(2));
    QTest::newRow("3,000 declared rows, then a cell above them")
        << sheet8(declared + rec(0x0203, cellHeader(5, 1) + f64(-1)))
        << 1 << 3000
        << QList<Expect>{{1, 1, N, 0, {}}, {6, 2, N, -1, {}}, {6, 3, N, 22, {}}, {3000, 3, N, 11998, {}}};
    // 70,000 one-character strings, past the string table's blocks of 65,536, then a text of
    // the sheet's own appended after them.
    QByteArray strings;
    for (int i = 0; i < 70000; ++i)
        strings += u16(1) + QByteArray(1, 0) + QByteArray(1, char('A' + i % 26));
    QByteArray sst = rec(0x00FC, u32(70000) + u32(70000) + strings.left(8216));
    for (qsizetype at = 8216; at < strings.size(); at += 8224)
        sst += rec(0x003C, strings.mid(at, 8224));
    QTest::newRow("70,000 shared strings and an own text")
        << sheet8(sst + rec(0x00FD, cellHeader(0, 0) + u32(65535)) + rec(0x00FD, cellHeader(0, 1) + u32(65536))
                  + rec(0x00FD, cellHeader(1, 0) + u32(69999)) + rec(0x00FD, cellHeader(1, 1) + u32(70000))
                  + rec(0x0204, cellHeader(2, 0) + u16(3) + QByteArray(1, 0) + "own")
                  + rec(0x00FD, cellHeader(2, 1) + u32(0)))
        << 1 << 3
        << QList<Expect>{{1, 1, T, 0, QStringLiteral("P")}, {1, 2, T, 0, QStringLiteral("Q")},
                         {2, 1, T, 0, QStringLiteral("H")}, {2, 2, X, 0, {}},
                         {3, 1, T, 0, QStringLiteral("own")}, {3, 2, T, 0, QStringLiteral("A")}};
    // The first sheet holds no table: each later sheet reads the string table again, and the
    // longest table, the third sheet's, is read with its texts.
    const QByteArray oneChar = u16(1) + QByteArray(1, 0);
    const QByteArray sstRecord = rec(0x00FC, u32(3) + u32(3) + oneChar + "t" + oneChar + "v" + oneChar + "x");
    const auto shared = [](quint16 row, quint16 col, quint32 index) { return rec(0x00FD, cellHeader(row, col) + u32(index)); };
    const auto number = [](quint16 row, quint16 col, double v) { return rec(0x0203, cellHeader(row, col) + f64(v)); };
    QByteArray third = shared(0, 0, 1) + shared(0, 1, 2);
    for (quint16 row = 1; row <= 4; ++row)
        third += number(row, 0, row) + number(row, 1, 10 * row);
    const QByteArray sheets[3] = {
        sheet8(shared(0, 0, 2)),
        sheet8(shared(0, 0, 0) + shared(0, 1, 1) + number(1, 0, 1) + number(1, 1, 2) + number(2, 0, 2) + number(2, 1, 4)),
        sheet8(third)};
    const auto boundsheet = [](qsizetype position, char name) {
        return rec(0x0085, u32(quint32(position)) + QByteArray(2, 0) + QByteArray(1, 1) + QByteArray(1, 0) + QByteArray(1, name));
    };
    QByteArray workbook = bof8(0x0005) + sstRecord;
    qsizetype position = workbook.size() + 3 * boundsheet(0, 'S').size() + eof().size();
    for (int i = 0; i < 3; ++i) {
        workbook += boundsheet(position, char('1' + i));
        position += sheets[i].size();
    }
    workbook += eof() + sheets[0] + sheets[1] + sheets[2];
    QTest::newRow("later sheets read the shared strings again")
        << workbook << 1 << 5
        << QList<Expect>{{1, 1, T, 0, QStringLiteral("v")}, {1, 2, T, 0, QStringLiteral("x")}, {5, 2, N, 40, {}}};
    QTest::newRow("formula string whose STRING never comes")
        << sheet8(rec(0x0006, cellHeader(0, 0) + QByteArray("\0\0\0\0\0\0\xff\xff", 8) + QByteArray(8, 0)) + eof())
        << 1 << 1 << QList<Expect>{{1, 1, X, 0, {}}};
}

void TestXlsReader::records()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(QList<Expect>, cells);

    const auto book = readWorkbookBytes(stream, QStringLiteral("mem"));
    const Worksheet &ws = book->firstSheet;
    // Replaced texts are dropped as the sheet is read: never more than the cells' own
    // texts and as much garbage again.
    QVERIFY2(ws.stringCount() <= std::max(2 * 65536u, 4u * std::uint32_t(cells.size())),
             qPrintable(QString::number(ws.stringCount())));
    QCOMPARE(ws.firstRow(), firstRow);
    QCOMPARE(ws.lastRow(), lastRow);
    for (const Expect &e : cells) {
        const Cell c = ws.cell(e.row, e.column);
        QCOMPARE(int(c.type), int(e.type));
        if (e.type == CellType::Number)
            QCOMPARE(c.number, e.number);
        else if (e.type == CellType::Error)
            QCOMPARE(c.errorCode, int(e.number));
        else if (e.type == CellType::Text)
            QCOMPARE(c.text, e.text);
    }
}

// ---- code pages ----------------------------------------------------------------------------

void TestXlsReader::codepages_data()
{
    QTest::addColumn<int>("codepage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("GBK") << 936 << QByteArray("\xce\xc2\xb6\xc8") << QStringLiteral("温度");
    QTest::newRow("GB18030 four bytes") << 936 << QByteArray("\x81\x30\x81\x30") << QStringLiteral("\u0080");
    QTest::newRow("1252 euro") << 1252 << QByteArray("\x80 5") << QStringLiteral("€ 5");
    QTest::newRow("unknown falls back to 1252") << 4242 << QByteArray("\x80") << QStringLiteral("€");
    QTest::newRow("1251") << 1251 << QByteArray("\xcf\xf0\xe8") << QStringLiteral("При");
    QTest::newRow("Shift-JIS") << 932 << QByteArray("\x93\xfa\x96\x7b") << QStringLiteral("日本");
    QTest::newRow("Mac Roman") << 10000 << QByteArray("\x8e") << QStringLiteral("é");
    QTest::newRow("1200 marker is Latin-1") << 1200 << QByteArray("\xe9") << QStringLiteral("é");
    QTest::newRow("cut GBK pair") << 936 << QByteArray("a\xce") << QStringLiteral("a\uFFFD");
    QTest::newRow("invalid GBK byte") << 936 << QByteArray("\xff" "b") << QStringLiteral("\uFFFDb");
}

void TestXlsReader::codepages()
{
    QFETCH(int, codepage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    CodepageDecoder decoder;
    decoder.setCodepage(codepage);
    QCOMPARE(decoder.decode(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                            std::size_t(bytes.size())),
             text);
}

// ---- the corpus -----------------------------------------------------------------------------

void TestXlsReader::corpus()
{
    // What another reader found in each file: status, encryption, first sheet's counts.
    QFile inventory(QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xls-inventory.tsv"));
    if (!inventory.open(QIODevice::ReadOnly))
        QSKIP("corpus not present");
    const QStringList header = QString::fromUtf8(inventory.readLine()).trimmed().split('\t');
    struct Row { QString status, error; QStringList fields; };
    QHash<QString, Row> rows;
    while (!inventory.atEnd()) {
        const QStringList f = QString::fromUtf8(inventory.readLine()).chopped(1).split('\t');
        rows.insert(f.value(0), Row{f.value(3), f.value(4), f});
    }
    auto field = [&](const Row &r, const char *name) {
        return r.fields.value(int(header.indexOf(QLatin1String(name)))).toInt();
    };

    // Known differences, each with its reason.
    struct Known { const char *file; const char *what; };
    const Known known[] = {
        // A formula whose cached result is an empty string: the other reader counts it as
        // text, here it is an empty cell (its text is "" either way).
        {"exceldatareader__src_TestData_Test_Issue_11642_ValuesNotLoaded.xls", "text"},
        {"exceldatareader__src_TestData_Test_git_issue_70_ExcelBinaryReader_tryConvertOADateTime__convert_dates.xls", "text"},
        {"poi__test-data_spreadsheet_FormulaEvalTestData.xls", "text"},
        {"poi__test-data_spreadsheet_StringContinueRecords.xls", "text"},
        {"poi__test-data_spreadsheet_ex42570-20305.xls", "text"},
        {"poi__test-data_spreadsheet_ex44921-21902.xls", "text"},
    };
    auto isKnown = [&](const QString &file, const char *what) {
        for (const Known &k : known)
            if (file == QLatin1String(k.file) && qstrcmp(k.what, what) == 0)
                return true;
        return false;
    };

    const QStringList files = QDir(corpusDir()).entryList({"*.xls"}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 200);
    int read = 0, refused = 0, compared = 0, passed = 0;
    QStringList problems;
    for (const QString &name : files) {
        const Row expected = rows.value(name);
        const bool encrypted = expected.error.contains(QLatin1String("encrypted"))
            || expected.fields.value(int(header.indexOf("encrypted"))) == QLatin1String("1");
        std::unique_ptr<Workbook> book;
        QString message;
        try {
            book = readWorkbookFile(corpusDir() + '/' + name);
        } catch (const AppError &e) {
            message = e.message();
        }
        if (!book) {
            ++refused;
            qInfo().noquote() << "refused" << name << message.section(QStringLiteral("："), -1);
            QVERIFY2(message.startsWith(QStringLiteral("无法打开工作簿 ")), qPrintable(message));
            if (encrypted && !message.endsWith(QStringLiteral("工作簿已加密")))
                problems << name + ": encrypted but " + message;
            if (expected.status == QLatin1String("ok") && !isKnown(name, "refused"))
                problems << name + ": the other reader opens it, refused: " + message;
            continue;
        }
        ++read;
        const Worksheet &ws = book->firstSheet;
        qInfo().noquote() << "read" << name << "biff" << book->biffVersion << "rows"
                          << ws.firstRow() << ws.lastRow();
        if (encrypted)
            problems << name + ": encrypted but read";
        if (expected.status != QLatin1String("ok"))
            continue;
        ++compared;
        const struct { const char *column; CellType type; const char *what; } counts[] = {
            {"s0_text", CellType::Text, "text"},
            {"s0_number", CellType::Number, "number"},
            {"s0_date", CellType::DateTime, "date"},
            {"s0_boolean", CellType::Boolean, "boolean"},
            {"s0_error", CellType::Error, "error"},
        };
        if (book->passedFirstSheet) {
            // The first sheet holds no table a chart can use, so a later one was read: the
            // first is the one the other reader lists first, and the sheet read holds no
            // more cells of a kind than the whole workbook.
            ++passed;
            qInfo().noquote() << "passed" << name << book->firstSheetName << "for" << book->sheetName;
            const QString first = expected.fields.value(int(header.indexOf("s0_name")));
            if (book->firstSheetName.trimmed() != first.trimmed())
                problems << QStringLiteral("%1: passed sheet %2, the first is %3").arg(name, book->firstSheetName, first);
            for (const auto &c : counts) {
                const int all = field(expected, QByteArray("all_" + QByteArray(c.column).mid(3)).constData());
                if (ws.countOf(c.type) > all)
                    problems << QStringLiteral("%1: %2 %3 in the sheet read, %4 in the workbook")
                                    .arg(name, c.what).arg(ws.countOf(c.type)).arg(all);
            }
            continue;
        }
        for (const auto &c : counts) {
            const int want = field(expected, c.column);
            const int got = ws.countOf(c.type);
            if (want != got && !isKnown(name, c.what))
                problems << QStringLiteral("%1: %2 %3 here, %4 there").arg(name, c.what).arg(got).arg(want);
        }
    }
    qInfo() << "corpus:" << read << "read," << refused << "refused," << compared << "compared," << passed
            << "read from a later sheet";
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

// ---- mapped files ---------------------------------------------------------------------------

// A workbook opened from its file (mapped, its pages handed back once the stream is copied
// out) reads as the same bytes read from memory: every cell, text and refusal. "corpus" reads
// every workbook of the corpus that way.
void TestXlsReader::mappedAsInMemory_data()
{
    QTest::addColumn<QString>("path");
    const QStringList fixtures = QDir(fixture(QString())).entryList({"*.xls"}, QDir::Files, QDir::Name);
    for (const QString &name : fixtures)
        QTest::newRow(qPrintable(name)) << fixture(name);
    QTest::newRow("corpus") << corpusDir();
}

void TestXlsReader::mappedAsInMemory()
{
    QFETCH(QString, path);
    QStringList files{path};
    if (QFileInfo(path).isDir() || path == corpusDir()) {
        if (!QFileInfo::exists(path))
            QSKIP("corpus not present");
        files.clear();
        for (const QString &name : QDir(path).entryList({"*.xls"}, QDir::Files, QDir::Name))
            files << path + '/' + name;
    }
    auto read = [](const std::function<std::unique_ptr<Workbook>()> &open, QString *message) {
        try {
            return open();
        } catch (const AppError &e) {
            *message = e.message();
        }
        return std::unique_ptr<Workbook>();
    };
    int cells = 0;
    for (const QString &file : files) {
        QString mappedMessage, memoryMessage;
        const auto mapped = read([&] { return openFile(file); }, &mappedMessage);
        const QByteArray bytes = fileBytes(file);
        const auto memory = read([&] { return readWorkbookBytes(bytes, file); }, &memoryMessage);
        QVERIFY2(bool(mapped) == bool(memory), qPrintable(file + ": " + mappedMessage + memoryMessage));
        QCOMPARE(mappedMessage, memoryMessage);
        if (!mapped)
            continue;
        const Worksheet &a = mapped->firstSheet, &b = memory->firstSheet;
        QCOMPARE(mapped->sheetName, memory->sheetName);
        QCOMPARE(a.firstRow(), b.firstRow());
        QCOMPARE(a.lastRow(), b.lastRow());
        for (int row = a.firstRow(); row <= a.lastRow(); ++row) {
            QCOMPARE(a.lastColumnOf(row), b.lastColumnOf(row));
            for (int column = 1; column <= a.lastColumnOf(row); ++column) {
                const Cell x = a.cell(row, column), y = b.cell(row, column);
                const QString where = QStringLiteral("%1 R%2C%3").arg(file).arg(row).arg(column);
                QVERIFY2(x.type == y.type && x.errorCode == y.errorCode && x.text == y.text
                             && (x.number == y.number || (std::isnan(x.number) && std::isnan(y.number))),
                         qPrintable(where));
                ++cells;
            }
        }
    }
    qInfo() << files.size() << "workbooks," << cells << "cells compared";
}

QTEST_GUILESS_MAIN(TestXlsReader)
#include "tst_xlsreader.moc"
