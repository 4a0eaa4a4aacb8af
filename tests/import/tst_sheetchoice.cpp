#include <QtTest>

#include "../workbook/xlsbytes.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

// Workbooks whose first sheet is an information block: the later sheet with the longest table
// is read, and the log says so; a first sheet with a table is always the one read.
namespace {

struct Sheet {
    QString name;
    QList<QStringList> rows; // a cell that reads as a number is written as one
};

}

Q_DECLARE_METATYPE(QList<Sheet>)

namespace {

const char *const Formats[] = {"xlsx", "xls", "ods"};

bool number(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Zips the files under `root` into `path` with python3's zipfile.
bool zipFolder(const QString &root, const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import os, sys, zipfile\n"
                                 "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                                 "for d, _, files in sorted(os.walk(sys.argv[2])):\n"
                                 "    for f in sorted(files):\n"
                                 "        z.write(os.path.join(d, f), os.path.relpath(os.path.join(d, f), sys.argv[2]))\n"),
                  path, root});
    return python.waitForFinished(60000) && python.exitCode() == 0;
}

QByteArray xmlText(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

bool writeXlsx(const QString &path, const QList<Sheet> &sheets, const QString &root)
{
    const QByteArray ns = "http://schemas.openxmlformats.org/";
    QByteArray types = "<?xml version=\"1.0\"?><Types xmlns=\"" + ns + "package/2006/content-types\">"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "</Types>";
    QByteArray book = "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "spreadsheetml/2006/main\" xmlns:r=\"" + ns
                      + "officeDocument/2006/relationships\"><sheets>";
    QByteArray rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns + "package/2006/relationships\">";
    bool ok = true;
    for (int i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        book += "<sheet name=\"" + xmlText(sheets[i].name) + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + ns + "officeDocument/2006/relationships/worksheet\" "
                "Target=\"worksheets/sheet" + n + ".xml\"/>";
        QByteArray xml = "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns + "spreadsheetml/2006/main\"><sheetData>";
        for (int r = 0; r < sheets[i].rows.size(); ++r) {
            xml += "<row r=\"" + QByteArray::number(r + 1) + "\">";
            for (int c = 0; c < sheets[i].rows[r].size(); ++c) {
                const QString &text = sheets[i].rows[r][c];
                const QByteArray ref = QByteArray(1, char('A' + c)) + QByteArray::number(r + 1);
                double value = 0;
                if (number(text, &value))
                    xml += "<c r=\"" + ref + "\"><v>" + text.toUtf8() + "</v></c>";
                else if (!text.isEmpty())
                    xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + xmlText(text) + "</t></is></c>";
            }
            xml += "</row>";
        }
        ok = ok && writeFile(root + "/xl/worksheets/sheet" + n + ".xml", xml + "</sheetData></worksheet>");
    }
    return ok && writeFile(root + "/[Content_Types].xml", types)
           && writeFile(root + "/_rels/.rels",
                        "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns + "package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" + ns + "officeDocument/2006/relationships/officeDocument\" "
                        "Target=\"xl/workbook.xml\"/></Relationships>")
           && writeFile(root + "/xl/workbook.xml", book + "</sheets></workbook>")
           && writeFile(root + "/xl/_rels/workbook.xml.rels", rels + "</Relationships>") && zipFolder(root, path);
}

bool writeOds(const QString &path, const QList<Sheet> &sheets, const QString &root)
{
    QByteArray xml = "<?xml version=\"1.0\"?><office:document-content "
                     "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                     "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                     "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>";
    for (const Sheet &sheet : sheets) {
        xml += "<table:table table:name=\"" + xmlText(sheet.name) + "\">";
        for (const QStringList &row : sheet.rows) {
            xml += "<table:table-row>";
            for (const QString &text : row) {
                double value = 0;
                if (number(text, &value))
                    xml += "<table:table-cell office:value-type=\"float\" office:value=\"" + text.toUtf8() + "\"/>";
                else if (text.isEmpty())
                    xml += "<table:table-cell/>";
                else
                    xml += "<table:table-cell office:value-type=\"string\"><text:p>" + xmlText(text)
                           + "</text:p></table:table-cell>";
            }
            xml += "</table:table-row>";
        }
        xml += "</table:table>";
    }
    return writeFile(root + "/mimetype", "application/vnd.oasis.opendocument.spreadsheet")
           && writeFile(root + "/content.xml", xml + "</office:spreadsheet></office:body></office:document-content>")
           && zipFolder(root, path);
}

// A bare BIFF8 stream: the globals with the sheet list, then the sheets.
bool writeXls(const QString &path, const QList<Sheet> &sheets)
{
    using namespace xlsbytes;
    QList<QByteArray> bodies;
    for (const Sheet &sheet : sheets) {
        QByteArray records;
        for (int r = 0; r < sheet.rows.size(); ++r)
            for (int c = 0; c < sheet.rows[r].size(); ++c) {
                const QString &text = sheet.rows[r][c];
                double value = 0;
                if (number(text, &value))
                    records += rec(0x0203, cellHeader(quint16(r), quint16(c)) + f64(value));
                else if (!text.isEmpty())
                    records += rec(0x0204, cellHeader(quint16(r), quint16(c)) + u16(quint16(text.size())) + '\0'
                                               + text.toLatin1());
            }
        bodies << sheet8(records);
    }
    const auto entry = [](quint32 position, const QString &name) {
        return rec(0x0085, u32(position) + '\0' + '\0' + char(name.size()) + '\0' + name.toLatin1());
    };
    int globals = bof8(0x0005).size() + eof().size();
    for (const Sheet &sheet : sheets)
        globals += entry(0, sheet.name).size();
    QByteArray list, body;
    for (int i = 0; i < sheets.size(); ++i) {
        list += entry(quint32(globals + body.size()), sheets[i].name);
        body += bodies[i];
    }
    return writeFile(path, bof8(0x0005) + list + eof() + body);
}

struct Read {
    QStringList names, log;
    int items = 0;
};

Read readSheets(const QString &format, const QList<Sheet> &sheets)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.") + format);
    const QString root = dir.filePath(QStringLiteral("parts"));
    const bool written = format == QLatin1String("xlsx") ? writeXlsx(path, sheets, root)
                       : format == QLatin1String("ods")  ? writeOds(path, sheets, root)
                                                         : writeXls(path, sheets);
    if (!written)
        return {{QStringLiteral("<not written>")}, {}, 0};
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult result = readWorkbook(path, store, registry);
    Read r;
    for (int k = 1; k <= ColumnStore::ListCount && store.count(k) > 0; ++k)
        r.names << store.item(k, 0);
    r.items = store.count(1);
    r.log = reportTable(store, result.notes).log;
    return r;
}

const Sheet Info{QStringLiteral("Info"),
                 {{QStringLiteral("TEST REPORT")},
                  {QStringLiteral("Channel"), QStringLiteral("Serial Number")},
                  {QStringLiteral("11"), QStringLiteral("206951")}}};

Sheet data(const QString &name, int rows)
{
    Sheet sheet{name, {{QStringLiteral("Test_Time(s)"), QStringLiteral("Voltage(V)")}}};
    for (int i = 0; i < rows; ++i)
        sheet.rows << QStringList{QString::number(i), QString::number(2.5 + i)};
    return sheet;
}

}

class TestSheetChoice : public QObject
{
    Q_OBJECT
private slots:
    void sheets_data();
    void sheets();
};

void TestSheetChoice::sheets_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QList<Sheet>>("sheets");
    QTest::addColumn<QString>("names"); // '|' joined
    QTest::addColumn<int>("items");     // of list 1
    QTest::addColumn<QString>("logLine"); // the line about the sheet read; empty: none

    const QString passed = QStringLiteral("第一个工作表“Info”没有可绘制的数据表格，读入了工作表“%1”");
    for (const char *f : Formats) {
        const QString format = QString::fromLatin1(f);
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::newRow(qPrintable(format + u' ' + QLatin1String(what)));
        };
        row("information block first") << format << QList<Sheet>{Info, data("Channel_1", 300)}
                                       << "Test_Time|Voltage" << 302 << passed.arg("Channel_1");
        row("two blocks, then the data") << format << QList<Sheet>{Info, Info, data("Detail", 3)}
                                         << "Test_Time|Voltage" << 5 << passed.arg("Detail");
        row("the longest later table") << format
                                       << QList<Sheet>{Info, data("Cycle", 4), data("Statis", 2), data("Detail", 40)}
                                       << "Test_Time|Voltage" << 42 << passed.arg("Detail");
        row("a first sheet with a table stays") << format << QList<Sheet>{data("First", 2), data("Second", 9)}
                                                << "Test_Time|Voltage" << 4 << "";
        row("no sheet with a table: the first is read") << format << QList<Sheet>{Info, Info}
                                                        << "Channel|Serial Number" << 3 << "";
    }
}

void TestSheetChoice::sheets()
{
    QFETCH(QString, format);
    QFETCH(QList<Sheet>, sheets);
    QFETCH(QString, names);
    QFETCH(int, items);
    QFETCH(QString, logLine);
    const Read r = readSheets(format, sheets);
    QCOMPARE(r.names.join(u'|'), names);
    QCOMPARE(r.items, items);
    const bool told = std::any_of(r.log.begin(), r.log.end(),
                                  [](const QString &l) { return l.startsWith(QStringLiteral("第一个工作表")); });
    if (logLine.isEmpty())
        QVERIFY2(!told, qPrintable(r.log.join(u'/')));
    else
        QVERIFY2(r.log.contains(logLine), qPrintable(r.log.join(u'/')));
}

QTEST_GUILESS_MAIN(TestSheetChoice)
#include "tst_sheetchoice.moc"
