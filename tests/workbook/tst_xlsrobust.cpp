#include <QtTest>

#include "base/apperror.h"
#include "workbook/xls/xlsreader.h"

#include <random>

// Built with AddressSanitizer and UndefinedBehaviorSanitizer: any read past a buffer, any
// overflow or misaligned access in the reader ends the run. Every input must give either a
// workbook or an AppError.

namespace {

QString corpusDir() { return QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xls"); }

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads the bytes; returns 1 for a workbook, 0 for a refusal. Anything else thrown fails.
int readOnce(const QByteArray &bytes)
{
    try {
        const auto book = xls::readWorkbookBytes(bytes, QStringLiteral("x.xls"));
        const workbook::Worksheet &ws = book->firstSheet;
        // Touch what a caller touches: the used range and 32 columns of it.
        volatile double sink = 0;
        for (int r = ws.firstRow(); r <= std::min(ws.lastRow(), ws.firstRow() + 200); ++r)
            for (int c = 1; c <= 32; ++c)
                sink = sink + ws.cell(r, c).number + ws.cell(r, c).text.size();
        return 1;
    } catch (const AppError &e) {
        if (!e.message().startsWith(QStringLiteral("无法打开工作簿 ")))
            throw;
        return 0;
    }
}

}

class TestXlsRobust : public QObject
{
    Q_OBJECT
private slots:
    void corpus();
    void damaged_data();
    void damaged();
};

void TestXlsRobust::corpus()
{
    const QStringList files = QDir(corpusDir()).entryList({"*.xls"}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        QSKIP("corpus not present");
    int read = 0;
    for (const QString &name : files)
        read += readOnce(fileBytes(corpusDir() + '/' + name));
    qInfo() << read << "of" << files.size() << "read";
    QVERIFY(read > files.size() / 2);
}

void TestXlsRobust::damaged_data()
{
    QTest::addColumn<QString>("file");
    // BIFF8 with an SST and CONTINUE records, BIFF5, BIFF2-4 without a container, a
    // formula-heavy sheet, and this project's hand-made fixtures.
    const char *corpus[] = {
        "poi__test-data_spreadsheet_StringContinueRecords.xls",
        "poi__test-data_spreadsheet_FormulaEvalTestData.xls",
        "exceldatareader__src_TestData_Test_git_issue_368_label_xf.xls",
        "poi__test-data_spreadsheet_testEXCEL_5.xls",
        "poi__test-data_spreadsheet_testEXCEL_4.xls",
    };
    for (const char *name : corpus) {
        if (QFile::exists(corpusDir() + '/' + name))
            QTest::newRow(name) << corpusDir() + '/' + name;
    }
    for (const char *name : {"biff8_hand.xls", "biff5_gbk.xls", "biff2_raw.xls", "longtext.xls"})
        QTest::newRow(name) << QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/") + name;
}

void TestXlsRobust::damaged()
{
    QFETCH(QString, file);
    const QByteArray bytes = fileBytes(file);
    QVERIFY(!bytes.isEmpty());

    // Cut at several lengths, including inside the header and near the end.
    const qsizetype cuts[] = {0, 7, 100, 511, 512, 1030, bytes.size() / 3, bytes.size() / 2,
                              bytes.size() - 513, bytes.size() - 1};
    for (qsizetype cut : cuts)
        if (cut >= 0 && cut < bytes.size())
            readOnce(bytes.left(cut));

    // Flipped bits, from a fixed seed so a failure can be repeated.
    std::mt19937 random(20240601u);
    for (int copy = 0; copy < 300; ++copy) {
        QByteArray damaged = bytes;
        const int flips = 1 + copy % 8;
        for (int i = 0; i < flips; ++i) {
            // Half of the copies are hit in the container, half anywhere.
            const std::size_t range = copy % 2 ? std::size_t(damaged.size())
                                               : std::min<std::size_t>(1536, std::size_t(damaged.size()));
            const std::size_t at = random() % range;
            damaged[qsizetype(at)] = char(damaged[qsizetype(at)] ^ (1 << (random() % 8)));
        }
        readOnce(damaged);
    }
    // Overwritten record lengths: every 97th byte of the stream area set to 0xFF.
    QByteArray wide = bytes;
    for (qsizetype i = std::min<qsizetype>(1536, wide.size()); i < wide.size(); i += 97)
        wide[i] = char(0xFF);
    readOnce(wide);
}

QTEST_GUILESS_MAIN(TestXlsRobust)
#include "tst_xlsrobust.moc"
