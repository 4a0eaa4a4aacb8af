#include <QtTest>

#include "base/apperror.h"
#include "report/chartexport.h"
#include "report/reportpage.h"

#include <QImage>

#include <sys/stat.h>

namespace {

enum class Kind { Picture, PagePdf, PagePng };
enum class Target { New, Existing, Link, DevNull, NoFolder, ReadOnly, FifoWithoutReader, Folder };

// An A4 landscape page with a coloured band; its PNG at 50 dpi is 585 x 413 pixels.
ReportPage page()
{
    ReportPage p;
    p.setup.orientation = QPageLayout::Landscape;
    p.summary.height = 1000;
    p.summary.color = Qt::yellow;
    return p;
}

void save(Kind kind, const QString &path)
{
    switch (kind) {
    case Kind::Picture: {
        QImage picture(120, 80, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        chartexport::savePicturePng(picture, path);
        break;
    }
    case Kind::PagePdf:
        chartexport::savePagePdf(page(), path);
        break;
    case Kind::PagePng:
        chartexport::savePagePng(page(), path, 50);
        break;
    }
}

// Regular files only: opening the FIFO to read it would wait for a writer.
QByteArray readAll(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return QByteArray();
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestChartExport : public QObject
{
    Q_OBJECT
private slots:
    void writes_data();
    void writes();
    void formatOfName_data();
    void formatOfName();
    void emptyPictureIsRefused();
};

void TestChartExport::writes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("written");
    const QList<std::pair<const char *, Kind>> kinds{
        {"picture PNG", Kind::Picture}, {"page PDF", Kind::PagePdf}, {"page PNG", Kind::PagePng}};
    const QList<std::tuple<const char *, Target, bool>> targets{
        {"new file", Target::New, true},
        {"existing file keeps its mode", Target::Existing, true},
        {"link stays a link", Target::Link, true},
        {"/dev/null", Target::DevNull, true},
        {"missing folder", Target::NoFolder, false},
        {"read-only file left alone", Target::ReadOnly, false},
        {"FIFO without a reader", Target::FifoWithoutReader, false},
        {"a folder", Target::Folder, false}};
    for (const auto &[kindName, kind] : kinds)
        for (const auto &[targetName, target, written] : targets)
            QTest::addRow("%s to %s", kindName, targetName) << int(kind) << int(target) << written;
}

void TestChartExport::writes()
{
    QFETCH(int, kind);
    QFETCH(int, target);
    QFETCH(bool, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray old("old bytes");
    const QString file = dir.filePath(QStringLiteral("chart.out"));
    QString path = file;
    const auto makeOld = [&](QFile::Permissions permissions) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        QVERIFY(f.setPermissions(permissions));
    };
    switch (Target(target)) {
    case Target::New:
        break;
    case Target::Existing:
        makeOld(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        break;
    case Target::Link:
        path = dir.filePath(QStringLiteral("link.out"));
        QVERIFY(QFile::link(file, path));
        break;
    case Target::DevNull:
        path = QStringLiteral("/dev/null");
        break;
    case Target::NoFolder:
        path = dir.filePath(QStringLiteral("none/chart.out"));
        break;
    case Target::ReadOnly:
        makeOld(QFile::ReadOwner);
        break;
    case Target::FifoWithoutReader:
        QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        break;
    case Target::Folder:
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("chart.out")));
        break;
    }

    QString error;
    try {
        save(Kind(kind), path);
    } catch (const AppError &e) {
        error = e.message();
    }
    QCOMPARE(error, written ? QString() : "Unable to write to " + path);

    // Only the target (and the link to it) remain: no temporary file is left behind.
    QStringList expected;
    if (Target(target) != Target::NoFolder && Target(target) != Target::DevNull)
        expected << QStringLiteral("chart.out");
    if (Target(target) == Target::Link)
        expected << QStringLiteral("link.out");
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), expected);

    const QByteArray bytes = readAll(file);
    if (Target(target) == Target::ReadOnly)
        QCOMPARE(bytes, old);
    if (!written || Target(target) == Target::DevNull)
        return;
    QVERIFY(bytes.startsWith(Kind(kind) == Kind::PagePdf ? QByteArray("%PDF-") : QByteArray("\x89PNG")));
    if (Kind(kind) != Kind::PagePdf) {
        const QSize expectedSize = Kind(kind) == Kind::Picture ? QSize(120, 80) : QSize(585, 413);
        QCOMPARE(QImage::fromData(bytes, "PNG").size(), expectedSize);
    }
    if (Target(target) == Target::Link)
        QVERIFY(QFileInfo(path).isSymLink());
    if (Target(target) == Target::Existing) {
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
    }
}

void TestChartExport::formatOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::newRow("png") << "a/chart.png" << int(chartexport::Format::Png);
    QTest::newRow("PDF in capitals") << "CHART.PDF" << int(chartexport::Format::Pdf);
    QTest::newRow("no extension") << "chart" << int(chartexport::Format::Unknown);
    QTest::newRow("other extension") << "chart.svg" << int(chartexport::Format::Unknown);
    QTest::newRow("extension only in the folder") << "x.png/chart" << int(chartexport::Format::Unknown);
}

void TestChartExport::formatOfName()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QCOMPARE(int(chartexport::formatOf(name)), format);
    if (format != int(chartexport::Format::Unknown))
        QCOMPARE(chartexport::formatOf("x" + chartexport::extensionOf(chartexport::Format(format))), chartexport::Format(format));
}

void TestChartExport::emptyPictureIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.png"));
    QVERIFY_THROWS_EXCEPTION(AppError, chartexport::savePicturePng(QImage(), path));
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_MAIN(TestChartExport)
#include "tst_chartexport.moc"
