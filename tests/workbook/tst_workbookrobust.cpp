#include <QtTest>

#include "base/apperror.h"
#include "workbook/open.h"

#include <QElapsedTimer>

#include <map>
#include <random>

// Built with AddressSanitizer and UndefinedBehaviorSanitizer: every workbook kind's reader
// on the real-world .xlsx files and on damaged copies of the fixtures. Every input must give
// either a workbook or the common refusal; anything else ends the run.

namespace {

QString corpusDir() { return QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xlsx"); }
QString fixtureDir() { return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats"); }

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The refusal's reason, or an empty text when the bytes gave a workbook.
QString readOnce(const QByteArray &bytes)
{
    const QString prefix = QStringLiteral("无法打开工作簿 x：");
    try {
        const auto book = workbook::openBytes(bytes, QStringLiteral("x"));
        const workbook::Worksheet &ws = book->firstSheet;
        // What the walk touches: rows 1 to N + 30, 32 columns.
        volatile double sink = 0;
        const int last = std::min(ws.usedRowCount() + 30, 2000);
        for (int r = 1; r <= last; ++r)
            for (int c = 1; c <= 32; ++c) {
                const workbook::Cell cell = ws.cell(r, c);
                sink = sink + cell.number + double(cell.text.size());
            }
        return QString();
    } catch (const AppError &e) {
        if (!e.message().startsWith(prefix))
            throw;
        // Part names and line numbers differ from file to file; the kind of reason does not.
        return e.message().mid(prefix.size()).section(QChar(0xFF08), 0, 0).left(40);
    }
}

}

class TestWorkbookRobust : public QObject
{
    Q_OBJECT
private slots:
    void corpus();
    void damaged_data();
    void damaged();
};

void TestWorkbookRobust::corpus()
{
    const QStringList files = QDir(corpusDir()).entryList(QDir::Files, QDir::Name);
    if (files.isEmpty())
        QSKIP("corpus/xlsx not present beside the checkout");
    int read = 0;
    std::map<QString, int> reasons;
    QElapsedTimer slowest;
    qint64 worstMs = 0;
    QString worst;
    for (const QString &name : files) {
        slowest.start();
        const QString reason = readOnce(fileBytes(corpusDir() + '/' + name));
        if (slowest.elapsed() > worstMs) {
            worstMs = slowest.elapsed();
            worst = name;
        }
        if (reason.isEmpty())
            ++read;
        else
            ++reasons[reason];
    }
    qInfo("%d of %d read; slowest %s, %lld ms", read, int(files.size()), qPrintable(worst), worstMs);
    for (const auto &r : reasons)
        qInfo("  refused %d: %s", r.second, qPrintable(r.first));
    QVERIFY(read > files.size() * 3 / 4);
}

void TestWorkbookRobust::damaged_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"types.xlsx", "handmade.xlsx", "strict.xlsx", "types.ods",
                             "semicolon.csv", "gbk.csv"})
        QTest::newRow(name) << fixtureDir() + '/' + name;
}

void TestWorkbookRobust::damaged()
{
    QFETCH(QString, file);
    const QByteArray bytes = fileBytes(file);
    QVERIFY(!bytes.isEmpty());
    for (qsizetype cut = 0; cut < bytes.size(); cut += std::max<qsizetype>(1, bytes.size() / 40))
        readOnce(bytes.left(cut));
    // Flipped bits, from a fixed seed so a failure can be repeated.
    std::mt19937 random(20240601u);
    for (int copy = 0; copy < 300; ++copy) {
        QByteArray damaged = bytes;
        for (int i = 0; i <= copy % 6; ++i) {
            const std::size_t at = random() % std::size_t(damaged.size());
            damaged[qsizetype(at)] = char(damaged[qsizetype(at)] ^ (1 << (random() % 8)));
        }
        readOnce(damaged);
    }
}

QTEST_GUILESS_MAIN(TestWorkbookRobust)
#include "tst_workbookrobust.moc"
