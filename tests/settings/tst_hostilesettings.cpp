#include <QtTest>

#include "settings/gbtext.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

// The hostile settings files of scripts/make_hostile_settings.py, each read and written by
// tests/support/iniprobe.cpp in a process of its own: under a memory limit, as an ordinary
// user (root would ignore the read-only folder), and killed if it does not finish.
class TestHostileSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hostileFile_data();
    void hostileFile();

private:
    QProcess *process(const QString &workingDir, qint64 memoryLimit, qint64 fileLimit);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_cases;
    bool m_asNobody = false;
};

namespace {

constexpr uid_t Nobody = 65534;
constexpr qint64 MiB = qint64(1) << 20;
// Large enough for the reads to take time, small enough to build on every test run; the
// benchmark takes 100 MB.
constexpr int BigFileMiB = 24;

const QString Curve = QStringLiteral("数据曲线");
const QString Title = QStringLiteral("曲线标题");

QString chartLine(const QString &title, int back, const QString &limit1)
{
    QStringList parts{"title=" + title};
    for (int i = 0; i < 8; ++i)
        parts << QStringLiteral("c%1=65280").arg(i);
    parts << QStringLiteral("back=%1").arg(back) << "grid=32768" << "l1=" + limit1;
    for (int n = 2; n <= 4; ++n)
        parts << QStringLiteral("l%1=0..1000").arg(n);
    return parts.join(' ');
}

const QString defaults = chartLine(QStringLiteral("Excel数据曲线图"), 0, "0..1000");
const QString plain = chartLine(QStringLiteral("泵试验"), 255, "-5..50");
const QString refused = QStringLiteral("Unable to write to @/ini/option.ini");

QString hex(const QString &text)
{
    return QString::fromLatin1(gbtext::encode(text).toHex());
}

}

QProcess *TestHostileSettings::process(const QString &workingDir, qint64 memoryLimit, qint64 fileLimit)
{
    auto *p = new QProcess(this);
    p->setWorkingDirectory(workingDir);
    const bool asNobody = m_asNobody;
    p->setChildProcessModifier([=] {
        if (memoryLimit > 0) {
            const rlimit as{rlim_t(memoryLimit), rlim_t(memoryLimit)};
            setrlimit(RLIMIT_AS, &as);
        }
        if (fileLimit > 0) {
            // A file that may grow no further stands for a full disk; the signal would kill.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit fsize{rlim_t(fileLimit), rlim_t(fileLimit)};
            setrlimit(RLIMIT_FSIZE, &fsize);
        }
        if (asNobody && (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(99);
    });
    return p;
}

void TestHostileSettings::initTestCase()
{
    if (!QFile::exists("/usr/bin/python3"))
        QSKIP("/usr/bin/python3 builds the hostile files; scripts/install-deps.sh installs it");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_asNobody = geteuid() == 0;
    if (m_asNobody)
        QCOMPARE(chown(QFile::encodeName(m_dir->path()).constData(), Nobody, Nobody), 0);
    m_cases = m_dir->filePath("cases");
    QProcess *make = process(m_dir->path(), 0, 0);
    make->start("/usr/bin/python3", {TABROVEX_SOURCE_DIR "/scripts/make_hostile_settings.py", m_cases,
                                     "--big-mb", QString::number(BigFileMiB)});
    QVERIFY(make->waitForFinished(120000));
    QVERIFY2(make->exitCode() == 0, make->readAllStandardError().constData());
    qInfo("probes run as %s", m_asNobody ? "nobody" : "the current user");
}

void TestHostileSettings::hostileFile_data()
{
    QTest::addColumn<QStringList>("ops");
    QTest::addColumn<QStringList>("expected");   // "@" stands for the case's folder
    QTest::addColumn<qint64>("fileLimit");        // bytes a file may reach; 0: no limit

    const QStringList refusedWrite{"write", Curve, Title, "x"};
    QTest::newRow("fifo") << (QStringList{"chart"} + refusedWrite + QStringList{"file", "ini/option.ini"})
                          << QStringList{defaults, refused, "fifo"} << qint64(0);
    QTest::newRow("device") << (QStringList{"chart"} + refusedWrite) << QStringList{defaults, refused} << qint64(0);
    QTest::newRow("folder") << (QStringList{"chart"} + refusedWrite + QStringList{"file", "ini/option.ini"})
                            << QStringList{defaults, refused, "folder"} << qint64(0);
    QTest::newRow("link loop") << (QStringList{"chart"} + refusedWrite) << QStringList{defaults, refused} << qint64(0);
    QTest::newRow("unreadable") << (QStringList{"chart"} + refusedWrite) << QStringList{defaults, refused} << qint64(0);
    QTest::newRow("too large") << (QStringList{"chart"} + refusedWrite) << QStringList{defaults, refused} << qint64(0);

    const QStringList newTitle{"write", Curve, Title, "新", "read", Curve, Title};
    QTest::newRow("chain")
        << (QStringList{"chart"} + newTitle + QStringList{"file", "ini/option.ini", "file", "ini/sub/a"})
        << QStringList{plain, "written", "新", "link", "link"} << qint64(0);
    QTest::newRow("dangling")
        << (newTitle + QStringList{"file", "ini/a", "file", "ini/new.ini"})
        << QStringList{"written", "新", "link", hex("[数据曲线]\r\n曲线标题=新\r\n")} << qint64(0);
    QTest::newRow("readonly folder")
        << (QStringList{"chart"} + newTitle + QStringList{"list", "ini"})
        << QStringList{plain, "written", "新", "option.ini"} << qint64(0);
    // The new title makes the file outgrow the limit: the old bytes must come back.
    const QString longTitle(200, QChar(u'长'));
    QTest::newRow("readonly folder, disk full")
        << QStringList{"write", Curve, Title, longTitle, "fresh", "chart", "list", "ini"}
        << QStringList{refused, plain, "option.ini"} << qint64(120);

    QTest::newRow("euro from windows")
        << QStringList{"read", Curve, Title, "write", Curve, Title, "€9", "file", "ini/option.ini"}
        << QStringList{"€ 5", "written", hex("[数据曲线]\r\n曲线标题=") + "80390d0a"} << qint64(0);
    QTest::newRow("euro from gb18030")
        << QStringList{"read", Curve, Title} << QStringList{"€ 5"} << qint64(0);
    QTest::newRow("hex with leading zeros")
        << QStringList{"int", Curve, "背景颜色", "int", Curve, "网格颜色"} << QStringList{"255", "65280"} << qint64(0);
    QTest::newRow("garbage before the sections")
        << (QStringList{"chart"} + newTitle) << QStringList{plain, "written", "新"} << qint64(0);

    QTest::newRow("big, many lines")
        << (QStringList{"chart"} + newTitle) << QStringList{plain, "written", "新"} << qint64(0);
    QTest::newRow("big, one value")
        << QStringList{"read", Curve, Title, "int", Curve, "背景颜色", "write", Curve, "背景颜色", "0", "int", Curve, "背景颜色"}
        << QStringList{QString(1023, QChar(u'Ｘ')), "255", "written", "0"} << qint64(0);
    QTest::newRow("big, one section line") << QStringList{"chart"} << QStringList{plain} << qint64(0);
    QTest::newRow("big, no line end") << QStringList{"chart"} << QStringList{defaults} << qint64(0);
    QTest::newRow("sparse, just below the limit") << QStringList{"chart"} << QStringList{defaults} << qint64(0);
}

void TestHostileSettings::hostileFile()
{
    QFETCH(QStringList, ops);
    QFETCH(QStringList, expected);
    QFETCH(qint64, fileLimit);
    static const QHash<QString, QString> folders{
        {"link loop", "loop"}, {"readonly folder", "readonly-folder"}, {"readonly folder, disk full", "readonly-folder-full"},
        {"euro from windows", "euro-cp936"}, {"euro from gb18030", "euro-gb18030"}, {"hex with leading zeros", "hex-zeros"},
        {"garbage before the sections", "garbage"}, {"big, many lines", "big-lines"}, {"big, one value", "big-value"},
        {"big, one section line", "big-section"}, {"too large", "too-large"}, {"big, no line end", "one-line"},
        {"sparse, just below the limit", "sparse"}};
    const QString row = QTest::currentDataTag();
    const QString folder = m_cases + '/' + folders.value(row, row);
    QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
    if (row == "unreadable" && !m_asNobody && geteuid() == 0)
        QSKIP("root reads any file");

    const QFileInfo file(folder + "/ini/option.ini");
    const qint64 size = file.isFile() ? file.size() : 0;
    const qint64 bound = 3 * size + 100 * MiB;
    QProcess *probe = process(folder, bound + 512 * MiB, fileLimit);
    probe->start(TABROVEX_BINARY_DIR "/ini_probe", QStringList{"ini/option.ini"} + ops);
    if (!probe->waitForFinished(60000)) {
        probe->kill();
        QFAIL("the probe hangs");
    }
    QCOMPARE(probe->exitStatus(), QProcess::NormalExit);
    QStringList lines = QString::fromUtf8(probe->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() == expected.size() + 2, qPrintable(lines.join('\n')));
    const qint64 ms = lines.takeLast().section(' ', 1).toLongLong();
    const qint64 peak = lines.takeLast().section(' ', 1).toLongLong() * 1024;
    qInfo("%s: %lld bytes, peak %lld MB, %lld ms", qPrintable(row), size, peak / MiB, ms);
    for (QString &line : expected)
        line.replace('@', folder);
    QCOMPARE(lines, expected);
    QVERIFY2(peak <= bound, qPrintable(QString("peak %1 MB above %2 MB").arg(peak / MiB).arg(bound / MiB)));
}

QTEST_GUILESS_MAIN(TestHostileSettings)
#include "tst_hostilesettings.moc"
