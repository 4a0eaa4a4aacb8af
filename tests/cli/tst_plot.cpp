#include "cli/plotrun.h"
#include "support/appfixture.h"

#include "chart/kfdline.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/columnstore.h"
#include "settings/inifile.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/") + name;
}


// Reads `workbook` in the program's main window, as the user would at start.
Tmainform *readInWindow(AppFixture &f, const QString &workbook)
{
    f.copyIn(workbook, QStringLiteral("001.xls"));
    Tmainform *m = f.start();
    if (!QTest::qWaitFor([m] { return m->readCount() == 1; }, 3000))
        return nullptr;
    return m;
}

}

class TestPlot : public QObject
{
    Q_OBJECT
private slots:
    void tableMatchesWindow_data();
    void tableMatchesWindow();
    void chartMatchesWindow_data();
    void chartMatchesWindow();
    void page_data();
    void page();
    void failures_data();
    void failures();
    void endOfOptions_data();
    void endOfOptions();
    void outputWholeOrNone_data();
    void outputWholeOrNone();
    void outputByExtension_data();
    void outputByExtension();
    void longTable_data();
    void longTable();
    void wideTable_data();
    void wideTable();
    void tableSlice_data();
    void tableSlice();
};

void TestPlot::tableSlice_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("first"); // 0-based items expected
    QTest::addColumn<int>("last");
    QTest::newRow("name and unit") << "1:2" << 0 << 1;
    QTest::newRow("from the fifth on") << "5:" << 4 << INT_MAX;
    QTest::newRow("up to the third") << ":3" << 0 << 2;
    QTest::newRow("past the end") << "100000:100001" << 100000 << 100000;
}

// A slice is the same items as the whole table's, the log unchanged.
void TestPlot::tableSlice()
{
    QFETCH(QString, rows);
    QFETCH(int, first);
    QFETCH(int, last);
    const Result whole = plot({"table", sampleWorkbook()});
    const Result slice = plot({"table", sampleWorkbook(), "--rows", rows});
    QCOMPARE(slice.exitCode, 0);
    QCOMPARE(slice.json["log"], whole.json["log"]);
    const QJsonArray all = whole.json["columns"].toArray(), part = slice.json["columns"].toArray();
    QCOMPARE(part.size(), all.size());
    for (int k = 0; k < all.size(); ++k) {
        const QJsonArray items = all[k].toArray();
        QJsonArray expected;
        for (int i = first; i < items.size() && i <= last; ++i)
            expected.append(items[i]);
        QCOMPARE(part[k].toArray(), expected);
    }
}

void TestPlot::tableMatchesWindow_data()
{
    QTest::addColumn<QString>("workbook");
    QTest::newRow("sample") << sampleWorkbook();
    QTest::newRow("gap in a row") << fixture("gaprow.xls");
    QTest::newRow("data from C40") << fixture("offset_c40.xls");
    QTest::newRow("one column") << fixture("onecol.xls");
    QTest::newRow("empty") << fixture("empty.xls");
    QTest::newRow("40 columns") << fixture("wide40.xls");
    // Written as it is made: the same bytes as QJsonDocument writes for texts with escapes,
    // control characters, four-byte characters, a lone surrogate and quotes.
    QTest::newRow("escapes and long texts") << fixture("formats/fidelity.xlsx");
    QTest::newRow("quotes and line breaks") << fixture("formats/semicolon.csv");
    QTest::newRow("Chinese texts, dates") << fixture("formats/types.xlsx");
}

void TestPlot::tableMatchesWindow()
{
    QFETCH(QString, workbook);
    const Result r = plot({"table", workbook});
    QCOMPARE(r.exitCode, 0);

    AppFixture f;
    Tmainform *m = readInWindow(f, workbook);
    QVERIFY(m);
    const QString log = m->Memo1->toPlainText();
    QCOMPARE(lines(r.json["log"]), log.isEmpty() ? QStringList() : log.split('\n'));
    const QJsonArray columns = r.json["columns"].toArray();
    const ColumnStore &store = m->store();
    QCOMPARE(columns.size(), store.filledLists());
    for (int k = 1; k <= columns.size(); ++k) {
        const QJsonArray items = columns[k - 1].toArray();
        QCOMPARE(items.size(), store.count(k));
        for (int i = 0; i < items.size(); ++i)
            QCOMPARE(items[i].toString(), store.item(k, i));
    }
    QJsonArray lists;
    for (int k = 1; k <= store.filledLists(); ++k) {
        QJsonArray items;
        for (int i = 0; i < store.count(k); ++i)
            items.append(store.item(k, i));
        lists.append(items);
    }
    const QJsonObject expected{{"columns", lists}, {"log", QJsonArray::fromStringList(log.isEmpty() ? QStringList() : log.split('\n'))}};
    QCOMPARE(r.out.toUtf8(), QJsonDocument(expected).toJson(QJsonDocument::Compact) + '\n');
}

void TestPlot::chartMatchesWindow_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("radio"); // the chart window's mode button, "" for none
    QTest::newRow("default") << QStringList{} << "";
    QTest::newRow("mode 1") << QStringList{"--mode", "1"} << "box1";
    QTest::newRow("mode 3") << QStringList{"--mode", "3"} << "box3";
    QTest::newRow("manual") << QStringList{"--mode", "manual"} << "box4";
}

void TestPlot::chartMatchesWindow()
{
    QFETCH(QStringList, options);
    QFETCH(QString, radio);

    AppFixture f;
    IniFile ini(f.iniPath());
    ini.writeInteger(QStringLiteral("数据曲线"), QStringLiteral("颜色1"), 0xFF0000);
    ini.writeString(QStringLiteral("数据曲线"), QStringLiteral("曲线标题"), QStringLiteral("泵试验"));
    ini.writeFloat(QStringLiteral("曲线设置"), QStringLiteral("曲线1下限"), 1.25);
    ini.writeFloat(QStringLiteral("曲线设置"), QStringLiteral("曲线1上限"), 4.5);

    const QString png = f.path(QStringLiteral("chart.png"));
    const Result r = plot(QStringList{"chart", sampleWorkbook(), "--settings", f.iniPath(), "-o", png} + options);
    QCOMPARE(r.exitCode, 0);

    Tmainform *m = readInWindow(f, sampleWorkbook());
    QVERIFY(m);
    QImage windowPicture;
    Tkfdline shown;
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        if (radio == "box1") w->box1->click();
        if (radio == "box3") w->box3->click();
        if (radio == "box4") w->box4->click();
        windowPicture = w->kfdline1->picture();
        shown.xAxis = w->kfdline1->xAxis;
        for (int k = 0; k < 8; ++k) {
            shown.curves[k] = w->kfdline1->curves[k];
            shown.pointCount[k] = w->kfdline1->pointCount[k];
        }
    };
    m->drawBtn->click();

    const QJsonObject x = r.json["x"].toObject();
    QCOMPARE(x["name"].toString(), shown.xAxis.name);
    QCOMPARE(x["unit"].toString(), shown.xAxis.unit);
    QCOMPARE(x["lower"].toDouble(), shown.xAxis.lower);
    QCOMPARE(x["upper"].toDouble(), shown.xAxis.upper);
    QCOMPARE(x["decimals"].toInt(), shown.xAxis.decimals);
    const QJsonArray curves = r.json["curves"].toArray();
    QCOMPARE(curves.size(), 4);
    for (int k = 0; k < curves.size(); ++k) {
        const QJsonObject c = curves[k].toObject();
        QCOMPARE(c["column"].toInt(), k + 2);
        QCOMPARE(c["name"].toString(), shown.curves[k].name);
        QCOMPARE(c["lower"].toDouble(), shown.curves[k].lower);
        QCOMPARE(c["upper"].toDouble(), shown.curves[k].upper);
        QCOMPARE(c["decimals"].toInt(), shown.curves[k].decimals);
        QCOMPARE(c["points"].toInt(), shown.pointCount[k]);
    }
    if (radio == "box4")
        QCOMPARE(curves[0].toObject()["lower"].toDouble(), 1.25);
    // Same library, same settings: the very same picture.
    const QImage tool(png);
    QCOMPARE(tool.size(), QSize(817, 529));
    QCOMPARE(tool.convertToFormat(QImage::Format_RGB32), windowPicture.convertToFormat(QImage::Format_RGB32));
}

void TestPlot::page_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("pdf") << "page.pdf";
    QTest::newRow("png") << "page.png";
}

void TestPlot::page()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString out = dir.filePath(name);
    // An empty settings file: the defaults (a missing one is refused).
    QVERIFY(QFile(dir.filePath("none.ini")).open(QIODevice::WriteOnly));
    const Result r = plot({"chart", sampleWorkbook(), "--page", "-o", out, "--settings", dir.filePath("none.ini")});
    QCOMPARE(r.exitCode, 0);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (name.endsWith(".pdf")) {
        QVERIFY(file.read(5) == "%PDF-");
        return;
    }
    const QImage image(out);
    // A4 landscape at 96 dpi, white paper with the chart's grid in dark green.
    QCOMPARE(image.width(), 1123);
    QCOMPARE(image.height(), 794);
    int green = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            green += (image.pixel(x, y) & 0xFFFFFF) == 0x008000;
    QVERIFY(green > 100);
}

void TestPlot::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error"); // part of standard error
    QTest::newRow("no arguments") << QStringList{} << 1 << "Usage:";
    QTest::newRow("unknown option") << QStringList{"table", sampleWorkbook(), "--fast"} << 1 << "unknown option --fast";
    QTest::newRow("chart without output") << QStringList{"chart", sampleWorkbook()} << 1 << "chart needs -o OUT";
    QTest::newRow("bad mode") << QStringList{"chart", sampleWorkbook(), "--mode", "4", "-o", "x.png"} << 1 << "--mode";
    QTest::newRow("missing file") << QStringList{"table", "/nonexistent/a.xls"} << 2 << "/nonexistent/a.xls";
    QTest::newRow("rows backwards") << QStringList{"table", sampleWorkbook(), "--rows", "5:3"} << 1 << "--rows is FIRST:LAST";
    QTest::newRow("rows from 0") << QStringList{"table", sampleWorkbook(), "--rows", "0:3"} << 1 << "--rows is FIRST:LAST";
    QTest::newRow("rows of a chart") << QStringList{"chart", sampleWorkbook(), "--rows", "1:3", "-o", "/tmp/x.png"} << 1
                                     << "--rows goes with table";
    // Plain text is read as delimited text now; an image is no workbook of any kind.
    QTest::newRow("corrupt file") << QStringList{"table", QStringLiteral(TABROVEX_SOURCE_DIR "/docs/chart-window.png")} << 2 << "chart-window.png";
    QTest::newRow("five Y columns") << QStringList{"chart", fixture("wide40.xls"), "-y", "2,3,4,5,6", "-o", "/tmp/x.png"}
                                    << 3 << "At most 4 Y columns can be chosen";
    QTest::newRow("unwritable output") << QStringList{"chart", sampleWorkbook(), "-o", "/nonexistent/x.png"} << 4
                                       << "Unable to write to /nonexistent/x.png";
    QTest::newRow("one column") << QStringList{"chart", fixture("onecol.xls"), "-o", "/tmp/x.png"} << 3 << "No Y column chosen";
    // The sample has 5 columns.
    QTest::newRow("X beyond the table") << QStringList{"chart", sampleWorkbook(), "-x", "9", "-o", "/tmp/x.png"} << 1
                                        << "-x: column 9 is beyond the table; the table has 5 columns";
    QTest::newRow("Y beyond the table") << QStringList{"chart", sampleWorkbook(), "-y", "2,9", "-o", "/tmp/x.png"} << 1
                                        << "-y: column 9 is beyond the table; the table has 5 columns";
    QTest::newRow("last column is fine, next is not") << QStringList{"chart", sampleWorkbook(), "-x", "5", "-y", "6", "-o", "/tmp/x.png"}
                                                      << 1 << "-y: column 6 is beyond";
    QTest::newRow("column of an empty table") << QStringList{"chart", fixture("empty.xls"), "-x", "1", "-o", "/tmp/x.png"} << 1
                                              << "-x: column 1 is beyond the table; the table is empty";
    QTest::newRow("missing settings file") << QStringList{"chart", sampleWorkbook(), "--settings", "/nonexistent/my.ini", "-o", "/tmp/x.png"}
                                           << 1 << "--settings /nonexistent/my.ini: no such file";
    QTest::newRow("settings file is a folder") << QStringList{"chart", sampleWorkbook(), "--settings", "/tmp", "-o", "/tmp/x.png"}
                                               << 1 << "--settings /tmp: not a regular file";
    QTest::newRow("PDF to a full device") << QStringList{"chart", sampleWorkbook(), "--page", "-o", "/dev/full"} << 4
                                          << "Unable to write to /dev/full";
    QTest::newRow("PNG to a full device") << QStringList{"chart", sampleWorkbook(), "-o", "/dev/full"} << 4
                                          << "Unable to write to /dev/full";
    // A folder whose name passes the extension rule.
    const QString folder = QDir::tempPath() + "/tabrovex-plot-folder.png";
    QDir().mkpath(folder);
    QTest::newRow("output is a folder") << QStringList{"chart", sampleWorkbook(), "-o", folder} << 4 << "Unable to write to " + folder;
    QTest::newRow("output of another kind") << QStringList{"chart", sampleWorkbook(), "-o", "/tmp/x.jpg"} << 1
                                            << "-o OUT must end in .png or .pdf, not '/tmp/x.jpg'";
    QTest::newRow("output without extension") << QStringList{"chart", sampleWorkbook(), "--page", "-o", "/tmp/png"} << 1
                                              << "must end in .png or .pdf";
    QTest::newRow("size of the page") << QStringList{"chart", sampleWorkbook(), "--page", "--size", "900x600", "-o", "/tmp/x.png"}
                                      << 1 << "--size sets the screen chart's size";
    QTest::newRow("size with a PDF") << QStringList{"chart", sampleWorkbook(), "--size", "900x600", "-o", "/tmp/x.pdf"}
                                     << 1 << "--size sets the screen chart's size";
    QTest::newRow("size too small") << QStringList{"chart", sampleWorkbook(), "--size", "319x240", "-o", "/tmp/x.png"}
                                    << 1 << "--size is WIDTHxHEIGHT from 320x240 to 8192x8192, not '319x240'";
    QTest::newRow("size too large") << QStringList{"chart", sampleWorkbook(), "--size", "800x8193", "-o", "/tmp/x.png"}
                                    << 1 << "not '800x8193'";
    QTest::newRow("size not WxH") << QStringList{"chart", sampleWorkbook(), "--size", "800", "-o", "/tmp/x.png"} << 1
                                  << "not '800'";
    QTest::newRow("rows option for a table") << QStringList{"table", sampleWorkbook(), "--first-rows"} << 1
                                             << "table takes no chart options";
}

void TestPlot::wideTable_data()
{
    QTest::addColumn<int>("columns"); // of the file
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // a log line (exit 0) or part of standard error
    QTest::newRow("33, column 33") << 33 << "33" << 0 << "数据行数：7 ,  列数：33";
    QTest::newRow("67, column 67") << 67 << "67" << 0 << "数据行数：7 ,  列数：67";
    QTest::newRow("256, columns 67 and 256") << 256 << "67,256" << 0 << "数据行数：7 ,  列数：256";
    QTest::newRow("300, column 256") << 300 << "256" << 0 << "表格有300列，第257列起的44列未读入";
    QTest::newRow("300, column 257 was left out") << 300 << "257" << 1
                                                  << "-y needs distinct column numbers from 1 to 256, not '257'";
    QTest::newRow("67, column 68") << 67 << "68" << 1 << "-y: column 68 is beyond the table; the table has 67 columns";
}

// Every column up to the 256th can be drawn; a number past the table or the 256th is refused.
void TestPlot::wideTable()
{
    QFETCH(int, columns);
    QFETCH(QString, y);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QByteArray text;
    for (int r = 0; r <= 5; ++r) { // names, then five rows of readings r * c
        for (int c = 1; c <= columns; ++c)
            text += (c > 1 ? "," : "") + (r == 0 ? "c" + QByteArray::number(c) : QByteArray::number(r * c));
        text += '\n';
    }
    const QString csv = dir.filePath("wide.csv");
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    QVERIFY(QFile(dir.filePath("none.ini")).open(QIODevice::WriteOnly));
    const Result r = plot({"chart", csv, "--mode", "1", "-y", y, "-o", dir.filePath("c.png"),
                           "--settings", dir.filePath("none.ini")});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        return;
    }
    QVERIFY2(lines(r.json["log"]).contains(message), qPrintable(r.out));
    const QStringList ys = y.split(',');
    const QJsonArray curves = r.json["curves"].toArray();
    QCOMPARE(curves.size(), ys.size());
    for (int k = 0; k < ys.size(); ++k) {
        const int column = ys[k].toInt();
        const QJsonObject c = curves[k].toObject();
        QCOMPARE(c["column"].toInt(), column);
        QCOMPARE(c["name"].toString(), QStringLiteral("c%1").arg(column));
        QCOMPARE(c["upper"].toDouble(), 5.0 * column);
        QCOMPARE(c["points"].toInt(), 5);
    }
}

void TestPlot::outputByExtension_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("pngSize"); // empty: a PDF
    QTest::newRow("screen chart") << QStringList{} << "c.png" << QSize(817, 529);
    QTest::newRow("screen chart, upper case") << QStringList{} << "C.PNG" << QSize(817, 529);
    QTest::newRow("page as PNG") << QStringList{"--page"} << "p.png" << QSize(1123, 794);
    QTest::newRow("PDF is the page") << QStringList{} << "p.pdf" << QSize();
    QTest::newRow("PDF with --page") << QStringList{"--page"} << "p.PDF" << QSize();
    QTest::newRow("larger screen chart") << QStringList{"--size", "1600x900"} << "big.png" << QSize(1600, 900);
    QTest::newRow("smallest screen chart") << QStringList{"--size", "320x240"} << "small.png" << QSize(320, 240);
}

void TestPlot::outputByExtension()
{
    QFETCH(QStringList, options);
    QFETCH(QString, name);
    QFETCH(QSize, pngSize);
    QTemporaryDir dir;
    const QString out = dir.filePath(name);
    QTemporaryDir settingsDir;
    const QString ini = settingsDir.filePath("empty.ini");
    QVERIFY(QFile(ini).open(QIODevice::WriteOnly));
    const Result r = plot(QStringList{"chart", sampleWorkbook(), "-o", out, "--settings", ini} + options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (pngSize.isEmpty()) {
        QCOMPARE(file.read(5), QByteArray("%PDF-"));
        return;
    }
    const QImage image(out, "PNG");
    QCOMPARE(image.size(), pngSize);
    if (options.isEmpty() || options.first() != "--size")
        return;
    // The same layout rules at another size: the grid keeps its margins from the top and
    // the bottom edge (its last line is one pixel inside the plot).
    const QJsonArray curves = r.json["curves"].toArray();
    QCOMPARE(curves.size(), 4);
    const int bottom = pngSize.height() - 50 - 1;
    QCOMPARE(image.pixel(pngSize.width() / 2, 120) & 0xFFFFFF, 0x008000u);
    QCOMPARE(image.pixel(pngSize.width() / 2, bottom) & 0xFFFFFF, 0x008000u);
}

void TestPlot::longTable_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<double>("xUpper");
    QTest::addColumn<double>("pressureUpper");
    QTest::addColumn<double>("flowLower");
    QTest::addColumn<QString>("notice");
    // 1,500 rows every 0.1 s; pressure peaks at 25 in row 1234, flow dips to -3 in row 777.
    QTest::newRow("whole table") << QStringList{} << 149.9 << 25.0 << -3.0
                                 << "绘制了1500行中的1000行。";
    QTest::newRow("first rows") << QStringList{"--first-rows"} << 99.9 << 11.0 << -3.0
                                << "数据超过1000行，只绘制前1000行。";
}

void TestPlot::longTable()
{
    QFETCH(QStringList, options);
    QFETCH(double, xUpper);
    QFETCH(double, pressureUpper);
    QFETCH(double, flowLower);
    QFETCH(QString, notice);
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath("none.ini")).open(QIODevice::WriteOnly));
    const Result r = plot(QStringList{"chart", fixture("long1500.xls"), "--mode", "1", "-o", dir.filePath("c.png"),
                                      "--settings", dir.filePath("none.ini")} + options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(lines(r.json["log"]), (QStringList{"数据行数：1502 ,  列数：3", notice}));
    QCOMPARE(r.json["x"].toObject()["upper"].toDouble(), xUpper);
    const QJsonArray curves = r.json["curves"].toArray();
    QCOMPARE(curves.size(), 2);
    QVERIFY(qAbs(curves[0].toObject()["upper"].toDouble() - pressureUpper) < 0.001);
    QCOMPARE(curves[1].toObject()["lower"].toDouble(), flowLower);
    // Two rows a stretch; a stretch whose rows are all equal gives one.
    for (const QJsonValue &c : curves) {
        const int points = c.toObject()["points"].toInt();
        QVERIFY2(points <= 1000 && points > 990, qPrintable(QString::number(points)));
    }
}

void TestPlot::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const Result r = plot(arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestPlot::endOfOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");   // part of standard error; empty: none
    QTest::newRow("workbook after --") << QStringList{"table", "--", "-lead.xls"} << 0 << "";
    QTest::newRow("chart options before --") << QStringList{"chart", "-o", "out.png", "--", "-lead.xls"} << 0 << "";
    QTest::newRow("command after --") << QStringList{"--", "table", "-lead.xls"} << 0 << "";
    QTest::newRow("an option's name after -- is a file") << QStringList{"table", "--", "--help"} << 2 << "--help";
    QTest::newRow("options after -- are not options") << QStringList{"chart", "--", "-lead.xls", "-o", "out.png"} << 1
                                                      << "one workbook at a time";
    QTest::newRow("without --") << QStringList{"table", "-lead.xls"} << 1 << "unknown option -lead.xls";
}

void TestPlot::endOfOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(sampleWorkbook(), dir.filePath("-lead.xls")));
    const Result r = plot(arguments, {dir.path()});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(error.isEmpty() ? r.err.isEmpty() : r.err.contains(error), qPrintable(r.err));
    if (exitCode == 0)
        QVERIFY(!r.json.isEmpty());
}

void TestPlot::outputWholeOrNone_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("fileLimit");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("PNG, disk full") << QStringList{} << "out.png" << qint64(4096) << 4;
    QTest::newRow("page PDF, disk full") << QStringList{"--page"} << "out.pdf" << qint64(4096) << 4;
    QTest::newRow("page PNG, disk full") << QStringList{"--page"} << "out.png" << qint64(4096) << 4;
    QTest::newRow("PNG replaces the old file") << QStringList{} << "out.png" << qint64(0) << 0;
    QTest::newRow("page PDF replaces the old file") << QStringList{"--page"} << "out.pdf" << qint64(0) << 0;
    QTest::newRow("JSON to a full standard output") << QStringList{} << "out.png" << qint64(0) << 4;
}

void TestPlot::outputWholeOrNone()
{
    QFETCH(QStringList, options);
    QFETCH(QString, name);
    QFETCH(qint64, fileLimit);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString out = dir.filePath(name);
    const QByteArray old = "the chart drawn before";
    {
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    const bool toFullStdout = QByteArray(QTest::currentDataTag()).contains("standard output");
    Setup setup;
    setup.fileLimit = fileLimit;
    if (toFullStdout)
        setup.stdoutFile = "/dev/full";
    const Result r = plot(QStringList{"chart", sampleWorkbook(), "-o", out} + options, setup);
    QCOMPARE(r.exitCode, exitCode);
    // Never a temporary file left behind, whatever happened.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (toFullStdout) {
        QVERIFY2(r.err.contains("Unable to write to standard output"), qPrintable(r.err));
        return;
    }
    if (exitCode != 0) {
        QVERIFY2(r.err.contains("Unable to write to " + out), qPrintable(r.err));
        QCOMPARE(bytes, old);
        return;
    }
    QVERIFY(bytes.startsWith(name.endsWith(".pdf") ? QByteArray("%PDF-") : QByteArray("\x89PNG")));
    if (name.endsWith(".pdf"))
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    else
        QVERIFY(!QImage::fromData(bytes).isNull());
}

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
