// A read cancelled before its first row: the checks of a text file's bytes and the
// unpacking of a zip package stop at the cancel too, not only the loops over rows.
#include <QtTest>

#include "base/readprogress.h"
#include "workbook/open.h"
#include "workbook/workbook.h"

#include <QTemporaryDir>

class TestReadCancel : public QObject
{
    Q_OBJECT
private slots:
    void stopsBeforeAnyRow_data();
    void stopsBeforeAnyRow();
};

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/") + name;
}

// Eight thousand rows of three numbers: more than one report's worth.
QString rowsText()
{
    QString text = QStringLiteral("t,a,b\n");
    for (int row = 0; row < 8000; ++row)
        text += QStringLiteral("%1,%2,%3\n").arg(row).arg(row % 97).arg(row * 3);
    return text;
}

}

void TestReadCancel::stopsBeforeAnyRow_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or a text written here
    QTest::addColumn<QByteArray>("bytes");
    const QString text = rowsText();
    QByteArray utf16("\xFF\xFE", 2);
    utf16 += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QTest::newRow("UTF-8 text") << QString() << text.toUtf8();
    QTest::newRow("UTF-8 text after a byte-order mark") << QString() << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("UTF-16 text") << QString() << utf16;
    // Long enough for its binary and UTF-8 checks to be split over two threads.
    QTest::newRow("long UTF-8 text") << QString() << text.toUtf8().repeated(16);
    QTest::newRow("text in another encoding") << QString() << text.toUtf8() + "\xB2\xE2\xCA\xD4,1,2\n";
    QTest::newRow("xlsx") << QStringLiteral("types.xlsx") << QByteArray();
    QTest::newRow("xlsx with stored parts") << QStringLiteral("handmade.xlsx") << QByteArray();
    QTest::newRow("ods") << QStringLiteral("types.ods") << QByteArray();
}

void TestReadCancel::stopsBeforeAnyRow()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QString path = fixture(file);
    if (file.isEmpty()) {
        path = dir.filePath(QStringLiteral("log.csv"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(bytes), bytes.size());
    }
    // Read whole first: the file is one that gives rows.
    QVERIFY(workbook::openFile(path)->firstSheet.usedRowCount() > 0);

    readprogress::Progress progress(QFileInfo(path).size());
    int reports = 0;
    progress.onReport = [&reports](const readprogress::Progress &) { ++reports; };
    progress.cancel();
    const readprogress::Scope scope(&progress);
    QVERIFY_THROWS_EXCEPTION(readprogress::Cancelled, workbook::openFile(path));
    QCOMPARE(reports, 0);
}

QTEST_GUILESS_MAIN(TestReadCancel)
#include "tst_readcancel.moc"
