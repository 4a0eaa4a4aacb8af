#include <QtTest>

#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "workbook/csv/csvreader.h"
#include "workbook/open.h"
#include "workbook/package/zippackage.h"
#include "workbook/sheetbuilder.h"
#include "workbook/xlsx/xlsxcells.h"
#include "workbook/xlsx/xlsxreader.h"
#include "workbook/xlsx/xlsxsheetscan.h"
#include "workbook/xlsx/xlsxstrings.h"

#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>

using namespace workbook;

Q_DECLARE_METATYPE(workbook::CellType)
Q_DECLARE_METATYPE(workbook::Kind)

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/") + name;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString refusal(const QByteArray &bytes, const QString &name)
{
    try {
        openBytes(bytes, name);
    } catch (const AppError &e) {
        return e.message();
    }
    return QString();
}

// An encrypted Office Open XML workbook as Office writes it: an OLE2 file with the
// encryption header and the encrypted package.
QByteArray encryptedOoxml()
{
    GsfOutput *memory = gsf_output_memory_new();
    GsfOutfile *ole = gsf_outfile_msole_new(memory);
    for (const char *name : {"EncryptionInfo", "EncryptedPackage"}) {
        GsfOutput *stream = gsf_outfile_new_child(ole, name, FALSE);
        const QByteArray junk(5000, 'x');
        gsf_output_write(stream, size_t(junk.size()), reinterpret_cast<const guint8 *>(junk.constData()));
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const QByteArray bytes(reinterpret_cast<const char *>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
                           qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
}

const double may1 = 45413; // 2024-05-01 in the 1900 system

// The long shared string of fidelity.xlsx: 50 times references, a CR LF, characters of two
// to four UTF-8 bytes and an escape.
QString longPieces()
{
    return QString::fromUtf8("a&b\n\u00e9\u4e2d\U0001F600A;\u5b57").repeated(50);
}

}

class TestWorkbookFormats : public QObject
{
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void layout_data();
    void layout();
    void refused_data();
    void refused();
    void separators_data();
    void separators();
    void wholeRead_data();
    void wholeRead();
    void scannerAgrees_data();
    void scannerAgrees();
    void scannerWindows_data();
    void scannerWindows();
    void escapes_data();
    void escapes();
};

void TestWorkbookFormats::cells_data()
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
    // Office Open XML, as openpyxl writes it (1900 dates)
    row("xlsx Chinese shared string", "types.xlsx", 1, 1, T, 0, QStringLiteral("时间"));
    row("xlsx unit symbol", "types.xlsx", 2, 2, T, 0, QStringLiteral("℃"));
    row("xlsx number", "types.xlsx", 3, 2, N, 21.25);
    row("xlsx true", "types.xlsx", 3, 3, B, 1);
    row("xlsx false", "types.xlsx", 4, 3, B, 0);
    row("xlsx date", "types.xlsx", 3, 4, D, may1);
    row("xlsx date and time", "types.xlsx", 4, 4, D, may1 + 0.5625);
    row("xlsx 1E20", "types.xlsx", 4, 1, N, 1e20);
    row("xlsx small negative", "types.xlsx", 4, 2, N, -1.5e-7);
    row("xlsx 0.00 is no date", "types.xlsx", 5, 1, N, 12345);
    row("xlsx custom date code", "types.xlsx", 5, 2, D, may1);
    row("xlsx time of day", "types.xlsx", 5, 3, D, 6.25 / 24);
    row("xlsx elapsed hours", "types.xlsx", 5, 4, D, 0.75);
    row("xlsx percent is no date", "types.xlsx", 6, 1, N, 0.25);
    row("xlsx colour is no date", "types.xlsx", 6, 2, N, 3);
    // Part by part: formulas, inline and rich strings, 1904 dates, own part names
    row("formula number", "handmade.xlsx", 1, 1, N, 2);
    row("formula text", "handmade.xlsx", 1, 2, T, 0, QStringLiteral("ab"));
    row("formula boolean", "handmade.xlsx", 1, 3, B, 1);
    row("formula error", "handmade.xlsx", 1, 4, E, 0x07);
    row("formula without cached result", "handmade.xlsx", 1, 5, X, 0);
    row("inline string", "handmade.xlsx", 1, 6, T, 0, QStringLiteral("内联"));
    row("shared string", "handmade.xlsx", 2, 1, T, 0, QStringLiteral("共享"));
    row("rich runs joined, phonetic left out", "handmade.xlsx", 2, 2, T, 0, QStringLiteral("rich text"));
    row("1904 date moved to 1900", "handmade.xlsx", 2, 3, D, 1462);
    row("style without date format", "handmade.xlsx", 2, 4, N, 1.5);
    row("inline rich runs", "handmade.xlsx", 2, 5, T, 0, QStringLiteral("inline runs"));
    row("missing shared string", "handmade.xlsx", 2, 6, X, 0);
    row("row without reference", "handmade.xlsx", 3, 1, N, 7);
    row("cell without reference", "handmade.xlsx", 3, 2, B, 0);
    row("after a referenced cell", "handmade.xlsx", 3, 6, N, 9);
    row("strict shared string", "strict.xlsx", 2, 2, T, 0, QStringLiteral("严格"));
    row("strict number", "strict.xlsx", 2, 3, N, 2.5);
    row("strict ISO date cell", "strict.xlsx", 3, 2, D, may1 + 0.5);
    // What other writers put in a package
    row("1904 workbook with Excel 2010's workbookPr", "fidelity.xlsx", 1, 1, D, 1462);
    row("escaped CR before a LF", "fidelity.xlsx", 1, 2, T, 0, QStringLiteral("a\r\nb"));
    row("escaped underscore keeps the escape", "fidelity.xlsx", 1, 3, T, 0, QStringLiteral("_x000D_"));
    row("escapes in runs, hex of either case", "fidelity.xlsx", 1, 4, T, 0, QStringLiteral("\u00e9\u00e9 _x12_"));
    row("escape in a formula's text", "fidelity.xlsx", 1, 5, T, 0, QStringLiteral("x\ty"));
    row("escape in an inline string", "fidelity.xlsx", 1, 6, T, 0, QStringLiteral("in\nline"));
    row("long shared string", "fidelity.xlsx", 1, 7, T, 0, longPieces());
    row("time of day in a date cell", "fidelity.xlsx", 2, 1, D, (13 * 60 + 2) / 1440.0);
    row("time of day without a style", "fidelity.xlsx", 2, 2, D, (6 * 3600 + 15 * 60 + 30) / 86400.0);
    row("date cell that is no date stays text", "fidelity.xlsx", 2, 3, T, 0, QStringLiteral("not a time"));
    row("Office 2007 beta string items", "beta.xlsx", 1, 1, T, 0, QStringLiteral("测试版"));
    row("relationships with an unescaped &, one without Id", "lenientrels.xlsx", 1, 1, N, 41);
    row("package relationships not XML", "brokenrels.xlsx", 1, 1, N, 42);
    row("strict built-in date format", "strict.xlsx", 3, 3, D, may1);
    row("xlsx at C40", "offset_c40.xlsx", 40, 3, T, 0, QStringLiteral("name"));
    row("xlsx last of C40 table", "offset_c40.xlsx", 50, 4, N, 100);
    row("prefixed elements, references", "unusual.xlsx", 1, 1, T, 0, QStringLiteral("a&b 中文"));
    row("blanks around a stored number", "unusual.xlsx", 1, 2, N, 2.5);
    row("CDATA value", "unusual.xlsx", 2, 1, T, 0, QStringLiteral("<raw>"));
    row("xlsx error in the middle", "error_middle.xlsx", 3, 2, E, 0x17);
    row("xlsx number after the error", "error_middle.xlsx", 3, 3, N, 22);
    // OpenDocument
    row("ods Chinese", "types.ods", 1, 1, T, 0, QStringLiteral("名称"));
    row("ods float", "types.ods", 2, 1, N, 0.5);
    row("ods percentage", "types.ods", 2, 2, N, 0.25);
    row("ods currency", "types.ods", 2, 3, N, 12.5);
    row("ods boolean", "types.ods", 2, 4, B, 1);
    row("ods date", "types.ods", 3, 1, D, may1);
    row("ods date-time", "types.ods", 3, 2, D, may1 + 0.5625);
    row("ods time", "types.ods", 3, 3, D, 6.25 / 24);
    row("ods time over a day", "types.ods", 3, 4, D, 1.5);
    row("ods paragraphs and spaces, no note", "types.ods", 4, 1, T, 0, QStringLiteral("a   b\n中文"));
    row("ods covered cell", "types.ods", 4, 2, X, 0);
    row("ods string value over shown text", "types.ods", 4, 3, T, 0, QStringLiteral("value attr"));
    row("ods error result", "types.ods", 4, 4, E, 0x07);
    row("ods repeated column", "types.ods", 5, 3, N, 7);
    row("ods empty repeat", "types.ods", 5, 5, X, 0);
    row("ods after repeats", "types.ods", 5, 6, N, 9);
    row("ods repeated row", "types.ods", 8, 1, N, 1.25);
    row("ods after empty rows", "types.ods", 11, 1, N, 42);
    row("ods at C40", "offset_c40.ods", 40, 3, T, 0, QStringLiteral("name"));
    row("ods last of C40 table", "offset_c40.ods", 50, 4, N, 100);
    // Delimited text
    row("csv Chinese", "utf8.csv", 1, 1, T, 0, QStringLiteral("名称"));
    row("csv empty field", "utf8.csv", 2, 3, X, 0);
    row("csv number", "utf8.csv", 3, 2, N, 21.5);
    row("csv blanks and exponent", "utf8.csv", 4, 2, N, 1000);
    row("csv plus sign", "utf8.csv", 4, 3, N, 3);
    row("csv inf stays text", "utf8.csv", 5, 3, T, 0, QStringLiteral("inf"));
    row("csv hex stays text", "utf8.csv", 6, 3, T, 0, QStringLiteral("0x10"));
    row("csv byte-order mark", "bom.csv", 1, 1, T, 0, QStringLiteral("a"));
    row("csv GBK", "gbk.csv", 2, 2, T, 0, QStringLiteral("伏"));
    row("csv GBK number", "gbk.csv", 4, 2, N, 3.4);
    row("quoted separator", "semicolon.csv", 1, 2, T, 0, QStringLiteral("note; with separator"));
    row("doubled quotes", "semicolon.csv", 2, 2, T, 0, QStringLiteral("say \"hi\""));
    row("decimal comma in a ';' file", "semicolon.csv", 2, 3, N, 1.5);
    row("line break in quotes", "semicolon.csv", 3, 2, T, 0, QStringLiteral("two\nlines"));
    row("quoted number", "semicolon.csv", 3, 3, N, 2.5);
    row("record after the quoted break", "semicolon.csv", 4, 3, N, 3);
    row("tab separated", "tabs.txt", 3, 2, N, 4);
    row("text under a .xls name", "logger.xls", 2, 2, N, 1.5);
    row("UTF-16 text", "utf16.txt", 2, 2, N, 2);
}

void TestWorkbookFormats::cells()
{
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(CellType, type);
    QFETCH(double, number);
    QFETCH(QString, text);
    const auto book = openFile(fixture(file));
    const Cell cell = book->firstSheet.cell(row, column);
    QCOMPARE(cell.type, type);
    if (type == CellType::Text)
        QCOMPARE(cell.text, text);
    else if (type == CellType::Error)
        QCOMPARE(cell.errorCode, int(number));
    else if (type != CellType::Empty)
        QVERIFY2(qAbs(cell.number - number) < 1e-9 * qMax(1.0, qAbs(number)),
                 qPrintable(QString::number(cell.number, 'g', 17)));
}

void TestWorkbookFormats::layout_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<QString>("sheetName");
    QTest::addColumn<bool>("date1904");
    const auto X = Kind::OfficeOpenXml, O = Kind::OpenDocument,
               T = Kind::DelimitedText;
    QTest::newRow("first of two sheets") << "types.xlsx" << X << 1 << 6 << "数据" << false;
    QTest::newRow("chart sheet skipped") << "handmade.xlsx" << X << 1 << 3 << "第一" << true;
    QTest::newRow("1904 beside Excel 2010's workbookPr") << "fidelity.xlsx" << X << 1 << 2 << "F" << true;
    QTest::newRow("dimension beyond the cells") << "strict.xlsx" << X << 2 << 4 << "Strict" << false;
    QTest::newRow("xlsx from row 40") << "offset_c40.xlsx" << X << 40 << 50 << "Offset" << false;
    QTest::newRow("ods first table, trailing blank rows") << "types.ods" << O << 1 << 11 << "测量" << false;
    QTest::newRow("ods from row 40") << "offset_c40.ods" << O << 40 << 50 << "Offset" << false;
    QTest::newRow("csv") << "utf8.csv" << T << 1 << 6 << "" << false;
    QTest::newRow("csv quoted line break is one record") << "semicolon.csv" << T << 1 << 4 << "" << false;
    QTest::newRow("csv under .xls name") << "logger.xls" << T << 1 << 3 << "" << false;
}

void TestWorkbookFormats::layout()
{
    QFETCH(QString, file);
    QFETCH(Kind, kind);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(QString, sheetName);
    QFETCH(bool, date1904);
    QCOMPARE(sniffKind(fileBytes(fixture(file))), kind);
    const auto book = openFile(fixture(file));
    QCOMPARE(book->firstSheet.firstRow(), firstRow);
    QCOMPARE(book->firstSheet.lastRow(), lastRow);
    QCOMPARE(book->sheetName, sheetName);
    QCOMPARE(book->date1904, date1904);
}

void TestWorkbookFormats::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray good = fileBytes(fixture("handmade.xlsx"));
    QTest::newRow("entity declarations") << fileBytes(fixture("entities.xlsx")) << "含有实体声明";
    QTest::newRow("XML not well formed") << fileBytes(fixture("malformed.xlsx")) << "XML格式不正确";
    QTest::newRow("part claiming 3 GiB") << fileBytes(fixture("bomb.xlsx")) << "压缩比异常";
    QTest::newRow("zip encryption") << fileBytes(fixture("zipcrypto.xlsx")) << "工作簿已加密";
    QTest::newRow("encrypted OOXML in OLE2") << encryptedOoxml() << "工作簿已加密";
    QTest::newRow("word document") << fileBytes(fixture("document.docx")) << "不是Excel工作簿";
    QTest::newRow("OpenDocument text") << fileBytes(fixture("notes.odt")) << "不是Excel工作簿";
    QTest::newRow("only a chart sheet") << fileBytes(fixture("chartonly.xlsx")) << "没有工作表";
    QTest::newRow("encrypted OpenDocument") << fileBytes(fixture("encrypted.ods")) << "工作簿已加密";
    QTest::newRow("sheet part deflated 1000 to 1")
        << fileBytes(fixture("ratio.xlsx")) << "部件 xl/worksheets/sheet1.xml 压缩比异常（超过 200:1）";
    // 32 million cells from 837 bytes: more copies than a legacy sheet holds.
    QTest::newRow("ods row repeated a million times")
        << fileBytes(fixture("repeat_million.ods")) << "重复的行太多（超过2097152个单元格）";
    // A row of 1,001 numbers repeated 65,536 times: every column up to the grid's 256 is
    // read, so the copies are more than a legacy sheet's worth of a 32-column table.
    QTest::newRow("ods wide row repeated 65,536 times")
        << fileBytes(fixture("repeat_rows.ods")) << "重复的行太多（超过2097152个单元格）";
    QTest::newRow("zip cut in half") << good.left(good.size() / 2) << "文件已损坏";
    QTest::newRow("zip without its directory") << good.left(good.size() - 30) << "文件已损坏";
    QTest::newRow("empty zip") << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0') << "不是Excel工作簿";
    QTest::newRow("binary") << QByteArray("\x01\x02\x00\x00\xff", 5) << "不是Excel工作簿";
    QTest::newRow("web page under a spreadsheet name")
        << QByteArray("\xEF\xBB\xBF  <html><body><table><tr><td>1</td></tr></table></body></html>") << "不是Excel工作簿";
    QTest::newRow("XML text") << QByteArray("<?xml version=\"1.0\"?>\n<a/>") << "不是Excel工作簿";
    QTest::newRow("binary workbook") << fileBytes(fixture("binary.xlsb")) << "不支持二进制格式";
}

void TestWorkbookFormats::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString message = refusal(bytes, QStringLiteral("/d/book.xlsx"));
    QVERIFY2(message.startsWith(QStringLiteral("无法打开工作簿 /d/book.xlsx：")), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
}

void TestWorkbookFormats::separators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::newRow("comma") << "a,b,c\n1,2,3\n" << ",";
    QTest::newRow("semicolon with decimal commas") << "a;b\n1,5;2,5\n3,5;4\n" << ";";
    QTest::newRow("tab") << "a\tb, c\n1\t2\n" << "\t";
    QTest::newRow("separators inside quotes do not count") << "\"a;b;c\",d\n\"x;y\",z\n" << ",";
    QTest::newRow("one column") << "a\nb\n" << ",";
}

void TestWorkbookFormats::separators()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QCOMPARE(QString(csv::sniffSeparator(text)), separator);
}

// The whole read over the in-process application: the size line of the table report.
void TestWorkbookFormats::wholeRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sizeLine");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("firstOfList1");
    QTest::newRow("xlsx") << "types.xlsx" << "数据行数：6 ,  列数：4" << true << "时间";
    // N + 30 = 41: of the table at rows 40 to 50 only two rows are reached (names and a
    // reading; the unit item is empty).
    QTest::newRow("xlsx from C40") << "offset_c40.xlsx" << "数据行数：3 ,  列数：2" << true << "name";
    // Readings without names: the columns are named by their numbers.
    QTest::newRow("xlsx error ends the walk") << "error_middle.xlsx" << "数据行数：5 ,  列数：3" << false << "第1列";
    QTest::newRow("ods error ends the walk") << "types.ods" << "数据行数：5 ,  列数：4" << false << "名称";
    QTest::newRow("csv") << "utf8.csv" << "数据行数：6 ,  列数：3" << true << "名称";
    QTest::newRow("GBK csv") << "gbk.csv" << "数据行数：4 ,  列数：2" << true << "时间";
}

void TestWorkbookFormats::wholeRead()
{
    QFETCH(QString, file);
    QFETCH(QString, sizeLine);
    QFETCH(bool, complete);
    QFETCH(QString, firstOfList1);
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(fixture(file), store, registry);
    QVERIFY(result.connected);
    QCOMPARE(result.complete, complete);
    QCOMPARE(reportTable(store).log.value(0), sizeLine);
    QCOMPARE(store.item(1, 0), firstOfList1);
}

// The byte scanner and the XML reader give the same worksheet.
void TestWorkbookFormats::scannerAgrees_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sheetPart"); // the scanner must read it itself (empty: not checked)
    const QString sheet1 = QStringLiteral("xl/worksheets/sheet1.xml");
    QTest::newRow("openpyxl") << fixture("types.xlsx") << sheet1;
    QTest::newRow("formulas, inline strings") << fixture("handmade.xlsx") << "book/s/first.xml";
    QTest::newRow("strict") << fixture("strict.xlsx") << sheet1;
    QTest::newRow("from row 40") << fixture("offset_c40.xlsx") << sheet1;
    QTest::newRow("error cell") << fixture("error_middle.xlsx") << sheet1;
    QTest::newRow("CDATA, left to the XML reader") << fixture("unusual.xlsx") << QString();
    const QString corpus = QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xlsx");
    for (const QString &name : QDir(corpus).entryList({"*.xlsx", "*.xlsm"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("corpus " + name)) << corpus + '/' + name << QString();
}

void TestWorkbookFormats::scannerAgrees()
{
    QFETCH(QString, path);
    QFETCH(QString, sheetPart);
    const QByteArray bytes = fileBytes(path);
    auto read = [&](bool scan, QString *refused) -> std::unique_ptr<Workbook> {
        try {
            const package::ZipPackage package(bytes);
            return xlsx::readXlsxPackage(package, scan);
        } catch (const FormatRefused &r) {
            *refused = r.reason;
        }
        return nullptr;
    };
    QString scanRefused, parseRefused;
    const auto scanned = read(true, &scanRefused);
    const auto parsed = read(false, &parseRefused);
    QCOMPARE(scanRefused, parseRefused);
    if (!scanned)
        return;
    if (!sheetPart.isEmpty()) {
        const package::ZipPackage package(bytes);
        Workbook scratch;
        SheetBuilder builder(scratch.firstSheet, false);
        const std::vector<bool> dates;
        const auto part = package.open(sheetPart);
        QVERIFY(part);
        QVERIFY(xlsx::scanSheet(*part, xlsx::CellStore{builder, 0, dates}));
    }
    const Worksheet &a = scanned->firstSheet, &b = parsed->firstSheet;
    QCOMPARE(a.firstRow(), b.firstRow());
    QCOMPARE(a.lastRow(), b.lastRow());
    for (CellType t : {CellType::Number, CellType::DateTime, CellType::Text, CellType::Boolean, CellType::Error})
        QCOMPARE(a.countOf(t), b.countOf(t));
    for (int r = 1; r <= std::min(a.lastRow(), 3000); ++r) {
        for (int c = 1; c <= 64; ++c) {
            const Cell x = a.cell(r, c), y = b.cell(r, c);
            QCOMPARE(x.type, y.type);
            QCOMPARE(x.text, y.text);
            QCOMPARE(x.number, y.number);
            QCOMPARE(x.errorCode, y.errorCode);
        }
    }
}

// The scanners read a window of the part at a time: whatever the window, the same cells and
// strings, and a text longer than the window whole.
void TestWorkbookFormats::scannerWindows_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("strings");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("window");
    const QString xl = QStringLiteral("xl/sharedStrings.xml"), sheet1 = QStringLiteral("xl/worksheets/sheet1.xml");
    for (int window : {16, 17, 23, 64, 1000}) {
        auto row = [&](const char *file, const QString &strings, const QString &sheet) {
            QTest::newRow(qPrintable(QStringLiteral("%1, %2 bytes").arg(file).arg(window)))
                << file << strings << sheet << window;
        };
        row("beta.xlsx", xl, sheet1);
        row("handmade.xlsx", "book/text/strings.xml", "book/s/first.xml");
        row("strict.xlsx", xl, sheet1);
        row("fidelity.xlsx", xl, sheet1);
    }
}

void TestWorkbookFormats::scannerWindows()
{
    QFETCH(QString, file);
    QFETCH(QString, strings);
    QFETCH(QString, sheet);
    QFETCH(int, window);
    const QByteArray bytes = fileBytes(fixture(file));
    const package::ZipPackage package(bytes);
    QVERIFY(package.contains(strings) && package.contains(sheet));
    // Read by the scanner itself, not left to the XML reader.
    TextTable all, pieces;
    QVERIFY(xlsx::scanSharedStrings(*package.open(strings), all));
    QVERIFY(xlsx::scanSharedStrings(*package.open(strings), pieces, window));
    QCOMPARE(pieces.size(), all.size());
    for (std::uint32_t i = 0; i < all.size(); ++i)
        QCOMPARE(pieces.text(i), all.text(i));
    Workbook scanned, plain;
    const std::uint32_t count = all.size();
    scanned.firstSheet.setStrings(std::move(pieces));
    plain.firstSheet.setStrings(std::move(all));
    SheetBuilder builder(scanned.firstSheet, false), plainBuilder(plain.firstSheet, false);
    const std::vector<bool> dates; // styles do not matter here: both sides go without
    const auto part = package.open(sheet), plainPart = package.open(sheet);
    QVERIFY(xlsx::scanSheet(*part, xlsx::CellStore{builder, count, dates}, window));
    QVERIFY(xlsx::scanSheet(*plainPart, xlsx::CellStore{plainBuilder, count, dates}));
    for (int r = 1; r <= 12; ++r) {
        for (int c = 1; c <= 8; ++c) {
            const Cell x = scanned.firstSheet.cell(r, c), y = plain.firstSheet.cell(r, c);
            QCOMPARE(x.type, y.type);
            QCOMPARE(x.text, y.text);
            QCOMPARE(x.number, y.number);
        }
    }
}

void TestWorkbookFormats::escapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("none") << "plain text_x" << "plain text_x";
    QTest::newRow("CR") << "a_x000D_b" << "a\rb";
    QTest::newRow("lower-case hex") << "_x000d__x000a_" << "\r\n";
    QTest::newRow("escaped underscore") << "_x005F_x000D_" << "_x000D_";
    QTest::newRow("underscore before an escape") << "__x0041_" << "_A";
    QTest::newRow("too few digits") << "_x41_ _x004_" << "_x41_ _x004_";
    QTest::newRow("not hex") << "_x00G1_" << "_x00G1_";
    QTest::newRow("unterminated") << "end_x0041" << "end_x0041";
    QTest::newRow("upper-case X is text") << "_X0041_" << "_X0041_";
    QTest::newRow("surrogate pair") << "_xD83D__xDE00_" << QString::fromUcs4(U"\U0001F600");
}

void TestWorkbookFormats::escapes()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    const QString out = xlsx::decodeEscapes(text);
    QCOMPARE(out, decoded);
    if (text == decoded) // nothing to decode: the text itself, not a copy
        QCOMPARE(out.constData(), text.constData());
}

QTEST_GUILESS_MAIN(TestWorkbookFormats)
#include "tst_workbookformats.moc"
