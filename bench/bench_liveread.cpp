// Times the live reads on generated logs (written to a temporary folder at start):
//   - a 10,000,000 x 4 CSV read into the column lists, without and with progress reports
//     (best of two each; the reports may cost at most 3 %);
//   - the main window reading that file: a click on "取消" until the window answers again
//     (the click's handler and the next event processed), and until the read's thread is gone,
//     once while the text is checked before its rows are read and once a third of the way;
//   - following a 1,000,000-row CSV with the chart window shown: STEPS times 1,000 rows
//     appended, then one follow step (read, lists, chart redrawn): median and slowest;
//   - the same cancels on an .xlsx of a fifth of the rows (at most 2,000,000), while its shared
//     strings are unpacked and while its rows are read;
//   - following a 1,000,000-row CSV that is written 100 rows a second for 10 s: how far the
//     chart stays behind the file.
// Runs on Qt's offscreen platform. Usage: bench_liveread [ROWS [STEPS]] (10000000 and 25
// unless given; ROWS 0 leaves out the big read and its cancels).
#include "offscreendesktop.h"
#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "base/readprogress.h"
#include "benchservices.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/workbookread.h"
#include "widgets/services.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <zlib.h>

#include <algorithm>
#include <functional>
#include <vector>
#include <cstdio>

namespace {

QByteArray logLines(qint64 first, qint64 count)
{
    QByteArray text;
    text.reserve(count * 32);
    for (qint64 i = first; i < first + count; ++i) {
        text += QByteArray::number(double(i) * 0.01, 'f', 2) + ',' + QByteArray::number(i % 1000 * 0.5) + ','
                + QByteArray::number((i * 7) % 997) + ',' + QByteArray::number(i % 13) + '\n';
    }
    return text;
}

void writeLog(const QString &path, qint64 rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("t,a,b,c\ns,V,A,C\n");
    for (qint64 done = 0; done < rows; done += 100000)
        file.write(logLines(done, std::min<qint64>(100000, rows - done)));
}

// A zip of deflated parts, as an .xlsx is packed.
class ZipWriter
{
public:
    explicit ZipWriter(const QString &path) : m_file(path) { m_file.open(QIODevice::WriteOnly); }
    void add(const QByteArray &name, const QByteArray &data)
    {
        QByteArray packed(qsizetype(compressBound(uLong(data.size()))) + 64, '\0');
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
        z.avail_in = uInt(data.size());
        z.next_out = reinterpret_cast<Bytef *>(packed.data());
        z.avail_out = uInt(packed.size());
        deflate(&z, Z_FINISH);
        packed.resize(qsizetype(z.total_out));
        deflateEnd(&z);
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
        const quint32 offset = quint32(m_file.pos());
        QByteArray head = header(0x04034b50, name, crc, quint32(packed.size()), quint32(data.size()), 0, false);
        m_file.write(head);
        m_file.write(packed);
        m_directory += header(0x02014b50, name, crc, quint32(packed.size()), quint32(data.size()), offset, true);
        ++m_entries;
    }
    ~ZipWriter()
    {
        const quint32 at = quint32(m_file.pos());
        m_file.write(m_directory);
        QByteArray end;
        put32(end, 0x06054b50);
        put16(end, 0);
        put16(end, 0);
        put16(end, m_entries);
        put16(end, m_entries);
        put32(end, quint32(m_directory.size()));
        put32(end, at);
        put16(end, 0);
        m_file.write(end);
    }

private:
    static void put16(QByteArray &out, quint32 v) { out += char(v & 0xFF), out += char((v >> 8) & 0xFF); }
    static void put32(QByteArray &out, quint32 v) { put16(out, v & 0xFFFF), put16(out, v >> 16); }
    static QByteArray header(quint32 signature, const QByteArray &name, quint32 crc, quint32 packed, quint32 size,
                             quint32 offset, bool central)
    {
        QByteArray out;
        put32(out, signature);
        if (central)
            put16(out, 20);
        put16(out, 20);
        put16(out, 0);
        put16(out, 8);
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        put32(out, packed);
        put32(out, size);
        put16(out, quint32(name.size()));
        put16(out, 0);
        if (central) {
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put32(out, 0);
            put32(out, offset);
        }
        return out + name;
    }
    QFile m_file;
    QByteArray m_directory;
    quint32 m_entries = 0;
};

// A workbook of `rows` rows: a time, two numbers and a text of its own each (shared strings,
// which are unpacked whole before the first row).
void writeWorkbook(const QString &path, int rows)
{
    ZipWriter zip(path);
    zip.add("[Content_Types].xml",
            "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
            "spreadsheetml.sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\""
            "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/><Override PartName=\""
            "/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
            "sharedStrings+xml\"/></Types>");
    zip.add("_rels/.rels",
            "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
            "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
            "2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    zip.add("xl/workbook.xml",
            "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
            "<sheet name=\"log\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    zip.add("xl/_rels/workbook.xml.rels",
            "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
            "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
            "2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\""
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\""
            "sharedStrings.xml\"/></Relationships>");
    QByteArray strings = "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                         "2006/main\">";
    QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                       "2006/main\"><sheetData>";
    for (int i = 0; i < rows; ++i) {
        const QByteArray r = QByteArray::number(i + 1);
        strings += "<si><t>note " + QByteArray::number(i) + " of the run</t></si>";
        sheet += "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + QByteArray::number(i * 0.01, 'f', 2)
                 + "</v></c><c r=\"B" + r + "\"><v>" + QByteArray::number(i % 1000) + "</v></c><c r=\"C" + r
                 + "\"><v>" + QByteArray::number((i * 7) % 997) + "</v></c><c r=\"D" + r + "\" t=\"s\"><v>" + r
                 + "</v></c></row>";
    }
    strings += "</sst>";
    sheet += "</sheetData></worksheet>";
    zip.add("xl/sharedStrings.xml", strings);
    zip.add("xl/worksheets/sheet1.xml", sheet);
}

double readSeconds(const QString &path, bool withProgress)
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    readprogress::Progress progress(QFile(path).size());
    qint64 reports = 0;
    progress.onReport = [&reports](const readprogress::Progress &) { ++reports; };
    ColumnStore store;
    QElapsedTimer timer;
    timer.start();
    {
        const readprogress::Scope scope(withProgress ? &progress : nullptr);
        readWorkbook(path, store, registry);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("  %s: %.2f s, %d rows%s\n", withProgress ? "with progress" : "without progress", seconds,
                store.count(1), withProgress ? qPrintable(QStringLiteral(", %1 reports").arg(reports)) : "");
    return seconds;
}

void waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void paint(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    widget->render(&image);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Opens `path` in the main window and clicks "取消" once `ready` says so.
void cancelWhen(Tmainform *main, const QString &path, const char *when, const std::function<bool()> &ready)
{
    const int reads = main->readCount();
    main->openWorkbook(path);
    // A small file may be read before then: there is nothing to cancel.
    waitFor([main, reads, &ready] { return (main->reading() && ready()) || main->readCount() > reads; }, 600000);
    if (!main->reading()) {
        std::printf("cancel (%s): the file was read before; no cancel timed\n", when);
        return;
    }
    QElapsedTimer click;
    click.start();
    main->cancelBtn->click();
    bool answered = false;
    QTimer::singleShot(0, main, [&answered] { answered = true; });
    waitFor([&answered] { return answered; }, 10000);
    paint(main);
    const double responsive = click.nsecsElapsed() / 1e6;
    waitFor([main] { return !main->Timer1->isActive() && !main->readThreadRunning(); }, 60000);
    std::printf("cancel (%s): window answering %.1f ms after the click, read's thread gone after %.1f ms\n", when,
                responsive, click.nsecsElapsed() / 1e6);
}

void readAndCancel(Tmainform *main, const QString &big, qint64 rows)
{
    writeLog(big, rows);
    std::printf("%lld x 4 CSV, %.1f MB\n", rows, QFile(big).size() / 1048576.0);
    double plain = 1e9, reported = 1e9;
    for (int run = 0; run < 2; ++run) {
        plain = std::min(plain, readSeconds(big, false));
        reported = std::min(reported, readSeconds(big, true));
    }
    std::printf("read, best of 2: %.2f s without progress, %.2f s with (%+.1f %%)\n", plain, reported,
                (reported / plain - 1) * 100);
    // While the text is checked, before a row is read; and a third of the way through.
    cancelWhen(main, big, "checking the text", [main] { return main->readThreadRunning(); });
    cancelWhen(main, big, "a third read", [main] { return main->readBar->value() > 250; });
}

// A workbook whose shared strings take a while to unpack: cancelled while they are, and
// once its rows are being read.
void cancelWorkbook(Tmainform *main, const QString &path, int rows)
{
    writeWorkbook(path, rows);
    std::printf("%d x 4 .xlsx, %.1f MB\n", rows, QFile(path).size() / 1048576.0);
    cancelWhen(main, path, "unpacking the workbook", [main] { return main->readThreadRunning(); });
    cancelWhen(main, path, "reading its rows", [main] { return main->readBar->value() > 100; });
}

TdataLineForm *openFollowed(Tmainform *main, const QString &log, qint64 rows)
{
    writeLog(log, rows);
    const int before = main->readCount();
    main->openWorkbook(log);
    waitFor([main, before] { return main->readCount() > before; }, 600000);
    main->loadLineData();
    TdataLineForm *chart = app().dataLineForm;
    chart->firstActivation = true;
    chart->show();
    QCoreApplication::processEvents();
    main->followAction->setChecked(true);
    return chart;
}

void append(const QString &path, qint64 first, qint64 count)
{
    QFile file(path);
    if (file.open(QIODevice::Append))
        file.write(logLines(first, count));
}

// Follow steps on a million rows with the chart shown: 1,000 rows appended before each.
void followSteps(Tmainform *main, const QString &log, int steps)
{
    const qint64 rows = 1000000;
    TdataLineForm *chart = openFollowed(main, log, rows);
    std::vector<double> ms;
    for (int i = 0; i < steps; ++i) {
        append(log, rows + i * 1000, 1000);
        QElapsedTimer step;
        step.start();
        main->followStep();
        paint(chart);
        ms.push_back(step.nsecsElapsed() / 1e6);
    }
    std::printf("follow step, 1,000 rows appended to 1,000,000 (4 curves), read, lists and chart redrawn:"
                " median %.1f ms, slowest %.1f ms of %d (lists now %d rows)\n",
                median(ms), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()), steps, main->lastRow());
    main->followAction->setChecked(false);
    chart->hide();
}

// A logger writing 100 rows a second (10 every 100 ms) to a followed file for `seconds`:
// how long after each write the chart showed its rows.
void followLag(Tmainform *main, const QString &log, int seconds)
{
    const qint64 rows = 1000000;
    TdataLineForm *chart = openFollowed(main, log, rows);
    struct Write {
        qint64 rowsThen;
        qint64 atNs;
    };
    std::vector<Write> writes;
    std::vector<double> lags;
    QElapsedTimer clock;
    clock.start();
    qint64 written = rows;
    QObject context;
    QObject::connect(&main->chartDocument(), &ChartDocument::changed, &context, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 shown = main->chartDocument().loaded().dataRows;
        while (!writes.empty() && shown >= writes.front().rowsThen) {
            lags.push_back((now - writes.front().atNs) / 1e6);
            writes.erase(writes.begin());
        }
    });
    QTimer writer;
    writer.setInterval(100);
    QObject::connect(&writer, &QTimer::timeout, &context, [&] {
        append(log, written, 10);
        written += 10;
        writes.push_back({written, clock.nsecsElapsed()});
    });
    writer.start();
    waitFor([&] { return clock.elapsed() > seconds * 1000; }, seconds * 1000 + 1000);
    writer.stop();
    waitFor([&] { return writes.empty(); }, 5000);
    std::printf("following a file written 100 rows a second for %d s: the chart behind the file by median %.0f ms,"
                " at most %.0f ms (%zu writes shown, %zu not shown)\n",
                seconds, median(lags), lags.empty() ? 0.0 : *std::max_element(lags.begin(), lags.end()), lags.size(),
                writes.size());
    main->followAction->setChecked(false);
    chart->hide();
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication application(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10000000;
    const int steps = argc > 2 ? QByteArray(argv[2]).toInt() : 25;
    QTemporaryDir dir;
    app().executableFolder = dir.path() + QLatin1Char('/');
    BenchServices services;
    setServices(&services);
    Tmainform *main = createApplicationWindows();
    main->show();
    if (rows > 0) {
        readAndCancel(main, dir.filePath(QStringLiteral("log.csv")), rows);
        cancelWorkbook(main, dir.filePath(QStringLiteral("log.xlsx")), int(std::min<qint64>(rows / 5, 2000000)));
    }
    followSteps(main, dir.filePath(QStringLiteral("follow.csv")), steps);
    followLag(main, dir.filePath(QStringLiteral("lag.csv")), 10);
    destroyApplicationWindows();
    setServices(nullptr);
    return 0;
}
