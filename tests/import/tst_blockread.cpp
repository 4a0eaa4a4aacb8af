// The read in blocks of rows against the read one cell at a time, and the rows each format
// can hold.
#include "base/apperror.h"
#include "base/numtext.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/workbookread.h"
#include "workbook/open.h"
#include "workbook/workbook.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using automation::Args;
using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

namespace {

// Passes every call on to the application but knows no CellBlock, so the read asks for
// one cell at a time, as it does of any other server.
class OneByOne : public automation::Object {
public:
    explicit OneByOne(ObjectRef inner) : m_inner(std::move(inner)) {}
    int memberId(QStringView name) const override
    {
        return name.compare(u"CellBlock", Qt::CaseInsensitive) == 0 ? -1 : m_inner->memberId(name);
    }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        Variant v = m_inner->invoke(member, kind, args);
        if (v.type() == Variant::Type::Object && v.object())
            return Variant::fromObject(automation::makeObject<OneByOne>(v.object()));
        return v;
    }

private:
    ObjectRef m_inner;
};

automation::Registry registry(bool blocks)
{
    automation::Registry r;
    excelapp::registerApplication(r);
    if (!blocks) {
        automation::Registry outer;
        outer.add(QStringLiteral("Excel.Application"), [r] {
            return ObjectRef(automation::makeObject<OneByOne>(r.create(QStringLiteral("Excel.Application"))));
        });
        return outer;
    }
    return r;
}

// What a read leaves: the store, the result, or the error raised.
struct Read {
    QString error;
    ReadResult result;
};

Read read(const QString &path, ColumnStore &store, bool blocks)
{
    Read r;
    try {
        r.result = readWorkbook(path, store, registry(blocks));
    } catch (const AppError &e) {
        r.error = e.message();
    }
    return r;
}

QStringList fixtureFiles()
{
    QStringList files;
    for (const QString &folder : {QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures"),
                                  QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats"),
                                  QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xls"),
                                  QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xlsx")})
        for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
            if (f.suffix() != QLatin1String("png") && f.size() < (qint64(4) << 20))
                files << f.filePath();
    return files;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// A copy of a fixture package with one part replaced, written by python3's zipfile.
void writePackage(const QString &path, const QString &fixture, const QString &part, const QByteArray &content,
                  const QTemporaryDir &dir)
{
    const QString partFile = dir.filePath(QStringLiteral("part"));
    writeFile(partFile, content);
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile\n"
                                 "src, out = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED)\n"
                                 "for i in src.infolist():\n"
                                 "    out.writestr(i.filename, open(sys.argv[4], 'rb').read() if i.filename == sys.argv[3] else src.read(i))\n"
                                 "out.close()\n"),
                  QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/") + fixture, path, part, partFile});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
}

// Rows of two numbers at the given row numbers.
void writeXlsx(const QString &path, const QList<int> &rows, const QTemporaryDir &dir)
{
    QByteArray xml = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
                     "spreadsheetml/2006/main\"><sheetData>";
    for (int r : rows)
        xml += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) + "\"><v>"
               + QByteArray::number(r) + "</v></c><c r=\"B" + QByteArray::number(r) + "\"><v>1.5</v></c></row>";
    writePackage(path, QStringLiteral("types.xlsx"), QStringLiteral("xl/worksheets/sheet1.xml"),
                 xml + "</sheetData></worksheet>", dir);
}

// A sheet of one row of two numbers, `emptyRows` empty rows, then a row of `width` numbers
// repeated `filledRows` times.
void writeOds(const QString &path, int emptyRows, int filledRows, const QTemporaryDir &dir, int width = 2)
{
    const QByteArray cell = "<table:table-cell office:value-type=\"float\" office:value=\"2\"/>";
    const QByteArray content =
        "<?xml version=\"1.0\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"R\"><table:table-row><table:table-cell office:value-type=\"float\" "
        "office:value=\"1\"/>" + cell + "</table:table-row>"
        "<table:table-row table:number-rows-repeated=\"" + QByteArray::number(emptyRows) + "\"><table:table-cell/>"
        "</table:table-row><table:table-row table:number-rows-repeated=\"" + QByteArray::number(filledRows) + "\">"
        + cell.repeated(width) + "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
    writePackage(path, QStringLiteral("types.ods"), QStringLiteral("content.xml"), content, dir);
}

}

class TestBlockRead : public QObject
{
    Q_OBJECT
private slots:
    void sameAsOneByOne_data();
    void sameAsOneByOne();
    void rowBounds_data();
    void rowBounds();
    void repeatedRowsBound();
    void pastTheGrid_data();
    void pastTheGrid();
};

void TestBlockRead::sameAsOneByOne_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &file : fixtureFiles())
        QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
}

// Every item's text, every error and every stop are the same either way; a number kept as
// a value reads back as the text the cell gives.
void TestBlockRead::sameAsOneByOne()
{
    QFETCH(QString, path);
    ColumnStore inBlocks, oneByOne;
    const Read a = read(path, inBlocks, true);
    const Read b = read(path, oneByOne, false);
    QCOMPARE(a.error, b.error);
    QCOMPARE(a.result.complete, b.result.complete);
    QCOMPARE(stopNotice(a.result), stopNotice(b.result));
    QCOMPARE(inBlocks.counts(), oneByOne.counts());
    for (int k = 1; k <= ColumnStore::ListCount; ++k) {
        for (int i = 0; i < inBlocks.count(k); ++i) {
            const QString text = oneByOne.item(k, i);
            QCOMPARE(inBlocks.item(k, i), text);
            const ColumnStore::Entry e = inBlocks.entry(k, i);
            double v = 0;
            if (e.isNumber)
                QVERIFY2(numtext::toDouble(text, &v) && v == e.number, qPrintable(text));
        }
    }
}

void TestBlockRead::rowBounds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("lastFilled"); // the file's last row with content
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<int>("usedRows");
    QTest::addColumn<int>("cutRows");
    QTest::newRow("xlsx at its last row") << "xlsx" << 1048576 << 1048576 << 1048576 << 0;
    QTest::newRow("xlsx one past") << "xlsx" << 1048577 << 1048576 << 1048576 << 1;
    QTest::newRow("ods at its last row") << "ods" << 1048576 << 1048576 << 1048576 << 0;
    QTest::newRow("ods one past") << "ods" << 1048577 << 1048576 << 1048576 << 1;
    QTest::newRow("ods a thousand past") << "ods" << 1049576 << 1048576 << 1048576 << 1000;
    QTest::newRow("csv past the old 65,536") << "csv" << 70000 << workbook::TextRows << 70000 << 0;
}

// Cells up to a format's last row are kept and the rows past it counted for the log.
void TestBlockRead::rowBounds()
{
    QFETCH(QString, kind);
    QFETCH(int, lastFilled);
    QFETCH(int, maxRows);
    QFETCH(int, usedRows);
    QFETCH(int, cutRows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bound.") + kind);
    if (kind == QLatin1String("xlsx")) {
        QList<int> filled{1, 2, 1048575, 1048576};
        if (lastFilled > 1048576)
            filled << lastFilled;
        writeXlsx(path, filled, dir);
    } else if (kind == QLatin1String("ods")) {
        writeOds(path, 1048574, lastFilled - 1048575, dir);
    } else {
        QByteArray text;
        for (int r = 1; r <= lastFilled; ++r)
            text += QByteArray::number(r) + ",1.5\n";
        writeFile(path, text);
    }
    const auto book = workbook::openFile(path);
    QCOMPARE(book->maxRows, maxRows);
    QCOMPARE(book->firstSheet.usedRowCount(), usedRows);
    QCOMPARE(book->cutRows, cutRows);
    QCOMPARE(book->firstSheet.cell(usedRows, 2).number, kind == QLatin1String("ods") ? 2.0 : 1.5);
    QCOMPARE(book->firstSheet.cell(usedRows + 1, 1).type, workbook::CellType::Empty);
    const QStringList log = excelapp::readerNotes(*book);
    QCOMPARE(log.isEmpty(), cutRows == 0);
    if (cutRows > 0)
        QCOMPARE(log.first(), QStringLiteral("文件超过%1行，其后的%2行未读入").arg(maxRows).arg(cutRows));
}

// A few bytes repeating a wide row a million times are refused with a reason, not
// expanded into gigabytes; the same row repeated as often as the program reads is not.
void TestBlockRead::repeatedRowsBound()
{
    QTemporaryDir dir;
    const QString wide = dir.filePath(QStringLiteral("wide.ods")), narrow = dir.filePath(QStringLiteral("narrow.ods"));
    const QString million = dir.filePath(QStringLiteral("million.ods"));
    writeOds(wide, 0, 1048575, dir, 40);
    writeOds(million, 0, 1048575, dir, 32);
    // A legacy sheet's worth of copies is read; a million rows of them would be a gigabyte
    // from a few hundred bytes.
    writeOds(narrow, 0, 65534, dir, 32); // under a first row and an empty one
    for (const QString &path : {wide, million}) {
        try {
            workbook::openFile(path);
            QFAIL(qPrintable(QStringLiteral("a million repeated rows were read: ") + path));
        } catch (const AppError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("重复的行太多")), qPrintable(e.message()));
        }
    }
    const auto book = workbook::openFile(narrow);
    QCOMPARE(book->firstSheet.usedRowCount(), 65536);
    QCOMPARE(book->firstSheet.cell(65536, 32).number, 2.0);
}

void TestBlockRead::pastTheGrid_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("width"); // the file's last filled column
    QTest::newRow("ods, 256") << "ods" << 256;
    QTest::newRow("ods, 300") << "ods" << 300;
    QTest::newRow("ods repeat, 300") << "ods repeat" << 300;
    QTest::newRow("xlsx, 256") << "xlsx" << 256;
    QTest::newRow("xlsx, 300") << "xlsx" << 300;
}

// Cells up to the 256th column are kept; how far a row reached past it is told.
void TestBlockRead::pastTheGrid()
{
    QFETCH(QString, kind);
    QFETCH(int, width);
    QTemporaryDir dir;
    const QString path = dir.filePath(kind.startsWith("ods") ? "wide.ods" : "wide.xlsx");
    if (kind == "ods") {
        writeOds(path, 0, 3, dir, width);
    } else if (kind == "ods repeat") {
        // One cell, then one number repeated up to the last column.
        writePackage(path, QStringLiteral("types.ods"), QStringLiteral("content.xml"),
                     "<?xml version=\"1.0\"?><office:document-content "
                     "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                     "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body><office:spreadsheet>"
                     "<table:table table:name=\"R\"><table:table-row><table:table-cell office:value-type=\"float\" "
                     "office:value=\"1\"/></table:table-row><table:table-row><table:table-cell office:value-type=\"float\" "
                     "office:value=\"2\" table:number-columns-repeated=\"" + QByteArray::number(width) + "\"/>"
                     "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>",
                     dir);
    } else {
        const auto letters = [](int column) {
            QByteArray name;
            for (; column > 0; column = (column - 1) / 26)
                name.prepend(char('A' + (column - 1) % 26));
            return name;
        };
        QByteArray row = "<row r=\"2\">";
        for (int c : {1, 255, 256, width})
            row += "<c r=\"" + letters(c) + "2\"><v>" + QByteArray::number(c) + "</v></c>";
        writePackage(path, QStringLiteral("types.xlsx"), QStringLiteral("xl/worksheets/sheet1.xml"),
                     "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
                     "spreadsheetml/2006/main\"><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                     + row + "</row></sheetData></worksheet>", dir);
    }
    const auto book = workbook::openFile(path);
    const int row = kind == "ods" ? 3 : 2; // writeOds puts an empty row above the wide ones
    QCOMPARE(book->firstSheet.cell(row, 256).type, workbook::CellType::Number);
    QCOMPARE(book->firstSheet.cell(row, 257).type, workbook::CellType::Empty);
    QCOMPARE(book->cutWidth, width > 256 ? width : 0);
    const QStringList notes = excelapp::readerNotes(*book).filter(QStringLiteral("列未读入"));
    QCOMPARE(notes, width > 256 ? QStringList{QStringLiteral("表格有%1列，第257列起的%2列未读入").arg(width).arg(width - 256)}
                                : QStringList());
}

QTEST_GUILESS_MAIN(TestBlockRead)
#include "tst_blockread.moc"
