#include <QFileInfo>
#include <QtTest>

#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "workbook/xls/xlsreader.h"

using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

Q_DECLARE_METATYPE(automation::Variant)

namespace {

// A workbook in memory: row 1 holds one cell of every type, rows 2..4 a small table, and
// the used range covers rows 1..4.
std::unique_ptr<workbook::Workbook> memoryWorkbook(const QString &path)
{
    if (path != "mem.xls")
        throw AppError("无法打开工作簿 " + path + "：文件不存在");
    auto book = std::make_unique<workbook::Workbook>();
    workbook::Worksheet &s = book->firstSheet;
    auto put = [&s](int r, int c, workbook::CellType t, double n, const QString &text = {}, int err = 0) {
        workbook::Cell cell;
        cell.type = t;
        cell.number = n;
        cell.text = text;
        cell.errorCode = err;
        s.setCell(r, c, cell);
    };
    put(1, 1, workbook::CellType::Number, 2.5);
    put(1, 2, workbook::CellType::DateTime, 45000.25);
    put(1, 3, workbook::CellType::Text, 0, "压力");
    put(1, 4, workbook::CellType::Boolean, 1);
    put(1, 5, workbook::CellType::Error, 0, {}, 7);
    put(1, 256, workbook::CellType::Number, 9);
    for (int r = 2; r <= 4; ++r)
        for (int c = 1; c <= 2; ++c)
            put(r, c, workbook::CellType::Number, r * 10 + c);
    s.setUsedRows(1, 4);
    return book;
}

ObjectRef openMemoryWorkbook(ObjectRef &app)
{
    app = excelapp::createApplication(memoryWorkbook);
    ObjectRef books = automation::toObject(automation::dispatch(*app, u"Workbooks", Invoke::MethodOrGet));
    automation::dispatch(*books, u"Open", Invoke::Method, {Variant::fromText("mem.xls")});
    ObjectRef book = automation::toObject(
        automation::dispatch(*app, u"workbooks", Invoke::PropertyGet, {Variant::fromInt(1)}));
    return automation::toObject(
        automation::dispatch(*book, u"WORKSHEETS", Invoke::PropertyGet, {Variant::fromInt(1)}));
}

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/") + name;
}

QString corpus(const QString &name)
{
    return QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xls/") + name;
}

}

class TestExcelApp : public QObject
{
    Q_OBJECT
private slots:
    void cellValues_data();
    void cellValues();
    void refusedCalls_data();
    void refusedCalls();
    void closeAndQuit();
    void readFiles_data();
    void readFiles();
    void missingFileRaises();
};

void TestExcelApp::cellValues_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("text"); // "!" when the conversion must fail
    QTest::newRow("number") << 1 << 1 << Variant::fromDouble(2.5) << "2.5";
    QTest::newRow("date keeps its serial") << 1 << 2 << Variant::fromDate(45000.25) << "2023/3/15 6:00:00";
    QTest::newRow("text") << 1 << 3 << Variant::fromText("压力") << "压力";
    QTest::newRow("boolean") << 1 << 4 << Variant::fromBool(true) << "True";
    QTest::newRow("error #DIV/0!") << 1 << 5 << Variant::fromError(automation::sheetErrorCode(7)) << "!";
    QTest::newRow("empty") << 1 << 6 << Variant() << "";
    QTest::newRow("last column") << 1 << 256 << Variant::fromDouble(9) << "9";
    QTest::newRow("outside the used range") << 60000 << 1 << Variant() << "";
}

void TestExcelApp::cellValues()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(Variant, value);
    QFETCH(QString, text);
    ObjectRef app;
    ObjectRef sheet = openMemoryWorkbook(app);
    const Variant cell = automation::dispatch(*sheet, u"Cells", Invoke::PropertyGet,
                                              {Variant::fromInt(row), Variant::fromInt(column)});
    QCOMPARE(automation::dispatch(*automation::toObject(cell), u"value", Invoke::PropertyGet), value);
    if (text == "!")
        QVERIFY_THROWS_EXCEPTION(AppError, automation::toText(cell));
    else
        QCOMPARE(automation::toText(cell), text);
}

void TestExcelApp::refusedCalls_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<QString>("named"); // what the message must name
    QTest::newRow("unknown application member") << 0 << "Visible2";
    QTest::newRow("unknown worksheet member") << 1 << "Range";
    QTest::newRow("row 0") << 2 << "Cells(0, 1)";
    QTest::newRow("row past the format") << 3 << "Cells(65537, 1)";
    QTest::newRow("column past the format") << 4 << "Cells(1, 257)";
    QTest::newRow("second workbook") << 5 << "Workbooks(2)";
    QTest::newRow("second worksheet") << 6 << "Worksheets";
    QTest::newRow("cells without a column") << 7 << "Cells";
    QTest::newRow("put on a method") << 8 << "Quit";
}

// Calls the spreadsheet would refuse raise an error naming the member.
void TestExcelApp::refusedCalls()
{
    QFETCH(int, call);
    QFETCH(QString, named);
    ObjectRef app;
    ObjectRef sheet = openMemoryWorkbook(app);
    ObjectRef book = automation::toObject(
        automation::dispatch(*app, u"Workbooks", Invoke::PropertyGet, {Variant::fromInt(1)}));
    auto cells = [&](int r, int c) {
        automation::dispatch(*sheet, u"Cells", Invoke::PropertyGet, {Variant::fromInt(r), Variant::fromInt(c)});
    };
    try {
        switch (call) {
        case 0: automation::dispatch(*app, u"Visible2", Invoke::PropertyPut, {Variant::fromBool(true)}); break;
        case 1: automation::dispatch(*sheet, u"Range", Invoke::MethodOrGet); break;
        case 2: cells(0, 1); break;
        case 3: cells(65537, 1); break;
        case 4: cells(1, 257); break;
        case 5: automation::dispatch(*app, u"Workbooks", Invoke::PropertyGet, {Variant::fromInt(2)}); break;
        case 6: automation::dispatch(*book, u"Worksheets", Invoke::PropertyGet, {Variant::fromInt(2)}); break;
        case 7: automation::dispatch(*sheet, u"Cells", Invoke::PropertyGet, {Variant::fromInt(1)}); break;
        case 8: automation::dispatch(*app, u"quit", Invoke::PropertyPut, {Variant::fromBool(true)}); break;
        }
        QFAIL("the call was accepted");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains(named), qPrintable(e.message()));
    }
}

// Save writes nothing, close takes the workbook out of the collection (so a second close
// through Workbooks(1) fails), and after quit nothing answers.
void TestExcelApp::closeAndQuit()
{
    ObjectRef app;
    ObjectRef sheet = openMemoryWorkbook(app);
    ObjectRef books = automation::toObject(automation::dispatch(*app, u"Workbooks", Invoke::MethodOrGet));
    QCOMPARE(automation::dispatch(*books, u"Count", Invoke::MethodOrGet), Variant::fromInt(1));
    ObjectRef book = automation::toObject(
        automation::dispatch(*app, u"Workbooks", Invoke::PropertyGet, {Variant::fromInt(1)}));
    automation::dispatch(*book, u"save", Invoke::Method);
    automation::dispatch(*book, u"Saved", Invoke::PropertyPut, {Variant::fromBool(true)});
    QCOMPARE(automation::dispatch(*book, u"saved", Invoke::PropertyGet), Variant::fromBool(true));
    automation::dispatch(*book, u"close", Invoke::Method);
    QCOMPARE(automation::dispatch(*books, u"Count", Invoke::MethodOrGet), Variant::fromInt(0));
    QVERIFY_THROWS_EXCEPTION(AppError, automation::dispatch(*book, u"close", Invoke::Method));
    QVERIFY_THROWS_EXCEPTION(AppError, automation::dispatch(*app, u"workbooks", Invoke::PropertyGet,
                                                            {Variant::fromInt(1)}));
    automation::dispatch(*app, u"quit", Invoke::Method);
    QVERIFY_THROWS_EXCEPTION(AppError, automation::dispatch(*app, u"Workbooks", Invoke::MethodOrGet));
    QVERIFY_THROWS_EXCEPTION(AppError, automation::dispatch(*sheet, u"usedRange", Invoke::MethodOrGet));
}

void TestExcelApp::readFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sizeLine");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("probes"); // "list:index=text"

    QTest::newRow("sample workbook") << QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls")
                                     << "数据行数：122 ,  列数：5" << true
                                     << QStringList{"1:0=时间", "2:1=MPa", "5:1=r/min", "1:2=0", "1:121=59.5"};
    QTest::newRow("chess board keeps its columns") << corpus("exceldatareader__src_TestData_TestChess.xls")
                                            << "数据行数：5 ,  列数：6" << true
                                            << QStringList{"1:0=col1", "2:0=第2列", "1:2=", "1:3=1", "2:2=1", "6:4=1"};
    QTest::newRow("dates, times and gaps") << corpus("exceldatareader__src_TestData_Test_Encoding_Formula_Date_1520.xls")
                                           << "数据行数：10 ,  列数：6" << true
                                           << QStringList{"2:2=2009/5/1", "2:3=1999/2/1", "5:3=11:00:00",
                                                          "3:4=8", "2:4=", "5:4=12:00:00", "6:4=11:01:02",
                                                          "3:2=1881.99", "1:6=Изображение дня",
                                                          "5:7=11:59:59", "5:8=14:00:01"};
    QTest::newRow("precision") << corpus("exceldatareader__src_TestData_TestDoublePrecision.xls")
                               << "数据行数：10 ,  列数：2" << true
                               << QStringList{"1:2=pi", "2:2=3.14159265358979", "2:3=-3.14159265358979",
                                              "2:4=3.14159265358979E-300"};
    // The fixtures of the file reader's tests.
    QTest::newRow("used range from row 40: only rows 40 and 41 are reached")
        << fixture("offset_c40.xls") << "数据行数：3 ,  列数：2" << true
        << QStringList{"1:0=name", "2:0=value", "1:2=1", "2:2=1"};
    QTest::newRow("40 columns keep all 40") << fixture("wide40.xls") << "数据行数：3 ,  列数：40" << true
                                            << QStringList{"1:0=c1", "32:0=c32", "32:2=32", "40:0=c40", "40:2=40"};
    QTest::newRow("gap keeps its column") << fixture("gaprow.xls") << "数据行数：4 ,  列数：3" << true
                                     << QStringList{"2:2=", "3:0=z", "3:2=3", "3:3=6", "2:3=5"};
    QTest::newRow("error value ends the read") << fixture("error_middle.xls") << "数据行数：5 ,  列数：3"
                                               << false << QStringList{"1:4=20", "2:3=11", "3:3=12", "2:4="};
    QTest::newRow("booleans then an error") << fixture("bools_errors.xls") << "数据行数：3 ,  列数：1"
                                            << false << QStringList{"1:0=True", "1:2=False"};
    QTest::newRow("one column") << fixture("onecol.xls") << "数据行数：8 ,  列数：1" << true
                                << QStringList{"1:0=第1列", "1:2=0.5", "1:7=5.5"};
    QTest::newRow("empty first sheet") << fixture("empty.xls") << "没有数据！" << true << QStringList{};
    // A used range of one row at the very bottom: only rows 1..31 are looked at, so
    // nothing is found.
    QTest::newRow("used range at the last row") << corpus("libxls__fuzz_corpus_65536-rows-xls.xls")
                                                << "没有数据！" << true << QStringList{};
}

// Whole reads through the registered application and the real file reader.
void TestExcelApp::readFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, sizeLine);
    QFETCH(bool, complete);
    QFETCH(QStringList, probes);
    // The shared corpus sits beside the project's own checkout; a user's clone has none.
    if (path.startsWith(QStringLiteral(TABROVEX_SHARED_DIR)) && !QFileInfo::exists(path))
        QSKIP(qPrintable(QStringLiteral("the shared workbook corpus is not here: %1").arg(path)));

    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(path, store, registry);
    QVERIFY(result.connected);
    QCOMPARE(result.complete, complete);
    const TableReport report = reportTable(store);
    QCOMPARE(report.log.value(0), sizeLine);
    // The widest row sets how many lists were filled.
    if (sizeLine.contains("列数：")) {
        const int columns = sizeLine.mid(sizeLine.lastIndexOf("：") + 1).toInt();
        QCOMPARE(store.filledLists(), columns);
    }
    for (const QString &probe : probes) {
        const int colon = probe.indexOf(':'), eq = probe.indexOf('=');
        QCOMPARE(store.item(probe.left(colon).toInt(), probe.mid(colon + 1, eq - colon - 1).toInt()),
                 probe.mid(eq + 1));
    }
}

// The reader's error reaches the caller with its text; the store keeps its data.
void TestExcelApp::missingFileRaises()
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    store.append(1, u"kept");
    const QString path = QStringLiteral(TABROVEX_BINARY_DIR "/no such workbook.xls");
    try {
        readWorkbook(path, store, registry);
        QFAIL("a missing workbook was read");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
    QCOMPARE(store.count(1), 1);
    QCOMPARE(store.item(1, 0), QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(TestExcelApp)
#include "tst_excelapp.moc"
