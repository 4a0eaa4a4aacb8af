#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

// Hostile workbooks, written at run time by scripts/make_hostile_workbooks.py (.xls) and
// scripts/make_hostile_packages.py (.xlsx), each read by hostile_probe in a child process
// under an address-space limit: the outcome must be the expected table or refusal, and the
// child's peak memory at most three times the file's size plus 100 MB. A blow-up fails the
// row instead of taking the machine with it.

namespace {

// Size of the flood kinds; TABROVEX_HOSTILE_MB=200 runs them at the size of the report.
qint64 floodBytes()
{
    const int mb = qEnvironmentVariableIntValue("TABROVEX_HOSTILE_MB");
    return qint64(mb > 0 ? mb : 32) << 20;
}

struct ChildRun {
    bool exited = false;
    int status = -1;
    QByteArray output;
    qint64 peakBytes = 0;
    double seconds = 0;
};

// Runs `program` with `arguments` with its address space limited to `limitBytes`, a minute
// at most; its standard output (with `errors`, its standard error too) is collected.
ChildRun runChild(const QByteArray &program, const QList<QByteArray> &arguments, qint64 limitBytes,
                  bool errors = false)
{
    ChildRun run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return run;
    std::vector<char *> argv{const_cast<char *>(program.constData())};
    for (const QByteArray &a : arguments)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        if (errors)
            dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
        setrlimit(RLIMIT_AS, &limit);
        alarm(60); // a hang ends the child, and the row fails
        execv(program.constData(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, got);
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = timer.elapsed() / 1000.0;
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    run.peakBytes = qint64(usage.ru_maxrss) * 1024;
    return run;
}

// The probe on `path`; with `change`, the probe changes the file during the read.
ChildRun runProbe(const QString &path, qint64 limitBytes, const QByteArray &change = QByteArray())
{
    QList<QByteArray> arguments{QFile::encodeName(path)};
    if (!change.isEmpty())
        arguments << change;
    return runChild(QByteArrayLiteral(TABROVEX_BINARY_DIR "/hostile_probe"), arguments, limitBytes);
}

}

class TestHostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hostile_data();
    void hostile();
    void changedDuringRead_data();
    void changedDuringRead();
    void chartOutOfMemory();
    void cleanupTestCase();

private:
    QTemporaryDir m_dir;
};

void TestHostile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is not installed: the hostile workbooks cannot be written");
}

void TestHostile::cleanupTestCase()
{
    // The sparse 1 GiB file and the floods go now, not at the end of the process.
    m_dir.remove();
}

void TestHostile::hostile_data()
{
    QTest::addColumn<QString>("kind");   // generator kind, or a path to read as it is
    QTest::addColumn<QString>("option"); // extra generator argument ("--ole"); "package":
                                         // a kind of make_hostile_packages.py ("package:N" of
                                         // N bytes); "size:N" a workbook kind of N bytes
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("tight");     // address space of the file's size plus 100 MB

    // Tables of texts have an empty unit item below their names; tables of numbers without a
    // name row get the names "第1列" ... (three characters each) and an empty unit item.
    const QString table = QStringLiteral("数据行数：%1 ,  列数：%2\nlast=%3\nchars=%4");
    const QString noNameRow = QStringLiteral("数据行数：%1 ,  列数：%2\n文件没有列名行，各列按第N列命名\nlast=%3\nchars=%4");
    QTest::newRow("FIFO") << "fifo" << "" << "error: 无法打开工作簿 %1：不是普通文件" << false;
    QTest::newRow("/dev/zero") << "/dev/zero" << "" << "error: 无法打开工作簿 %1：不是普通文件" << false;
    QTest::newRow("file above 1 GiB") << "too-large" << ""
                                      << "error: 无法打开工作簿 %1：文件太大（超过 1024 MB）" << false;
    // 10 value rows of two columns under a name row; texts over texts are no unit row, so
    // the unit item is empty.
    const QString sstTable = table.arg(13).arg(2).arg(QStringLiteral("W")).arg(6 + 20);
    QTest::newRow("one-character shared strings") << "sst-flood" << "" << sstTable << false;
    QTest::newRow("one-character shared strings, compound file") << "sst-flood" << "--ole" << sstTable << false;
    // Numbers are kept as values: only texts count as characters, here the names "第1列"
    // and "第2列" of a table without a name row.
    QTest::newRow("empty FORMAT records")
        << "format-flood" << "" << noNameRow.arg(12).arg(2).arg(QStringLiteral("90")).arg(6) << false;
    QTest::newRow("LABEL records rewriting two cells")
        << "label-rewrite" << "" << table.arg(4).arg(2).arg(QStringLiteral("last")).arg(6 + 7) << false;
    // One 65,535-character text in 64,000 cells is kept once.
    QTest::newRow("one long shared string in every cell")
        << "shared-long" << "" << table.arg(2001).arg(32).arg(QString(20, 'L')).arg(65535) << false;
    QTest::newRow("XF records between RK cells") << "xf-rk" << "" << QString() << false;
    QTest::newRow("sheet position 0")
        << "boundsheet-zero" << "" << table.arg(7).arg(3).arg(QStringLiteral("60")).arg(9) << false;
    QTest::newRow("wrong FAT sector count in the header")
        << "fat-count" << "" << table.arg(3).arg(2).arg(QStringLiteral("1")).arg(6) << false;

    // Delimited text, as loggers write it under a workbook's name. The fields of an overlong
    // line past the sheet's 256 columns are counted, not kept; the store keeps all 256.
    QTest::newRow("one line of eight-byte fields")
        << "long-line" << "" << QStringLiteral("数据行数：3 ,  列数：256\n表格有%2列，第257列起的%1列未读入\n"
                                               "1行超过256列，其右的%1个单元格未读入\n文件没有列名行，各列按第N列命名\n"
                                               "last=1234567\nchars=1172")
                                   .arg(floodBytes() / 8 - 256).arg(floodBytes() / 8)
        << false;
    QTest::newRow("bare CR") << "bare-cr" << "" << "没有数据！\nchars=0" << false;
    QTest::newRow("bare LF") << "bare-lf" << "" << "没有数据！\nchars=0" << false;
    // Refused before a byte past the first 64 KB is read: 100 MB of address space do.
    QTest::newRow("1 GiB of NULs after a table")
        << "nul-text" << "size:1073741824"
        << "error: 无法打开工作簿 %1：含有二进制数据（第131073字节），不是文本文件" << true;
    QTest::newRow("1 GiB of UTF-16 NULs") << "utf16-nul" << "size:1073741824"
                                          << "error: 无法打开工作簿 %1：含有二进制数据（第23字节），不是文本文件" << true;
    QTest::newRow("random bytes after a table") << "binary-text" << "" << "error: 无法打开工作簿 %1：不是Excel工作簿" << true;
    // A STRING record followed by empty CONTINUE records filling the stream: its text "end"
    // stands in a third column the names do not reach ("第3列").
    QTest::newRow("empty CONTINUE records")
        << "continue-flood" << "" << table.arg(3).arg(3).arg(QStringLiteral("1")).arg(6 + 3 + 3) << false;

    // Packages. A long shared string is held once from the string table to the store.
    const QString oneColumn = QStringLiteral("数据行数：%1 ,  列数：1\n数据仅一列，条件不满足。\nlast=%2\nchars=%3");
    const QString oneColumnNoName =
        QStringLiteral("数据行数：%1 ,  列数：1\n数据仅一列，条件不满足。\n文件没有列名行，各列按第N列命名\nlast=%2\nchars=%3");
    const QString longText(20, 'L');
    QTest::newRow("1 MB shared string in 12,000 cells")
        << "shared-text-cells" << "package" << table.arg(4001).arg(3).arg(longText).arg(1 << 20) << false;
    // Past the store's 128 Mi characters (the report's 200 MB) the table is refused.
    QTest::newRow("shared string of the flood's size in 100 cells")
        << "long-shared" << "package"
        << (floodBytes() > (qint64(1) << 27) ? QStringLiteral("error: 无法打开工作簿 %1：表格文字太多（超过 256 MB）")
                                              : oneColumn.arg(101).arg(longText).arg(floodBytes()))
        << false;
    QTest::newRow("shared string longer than the store can keep")
        << "long-shared" << "package:140000000" << "error: 无法打开工作簿 %1：表格文字太多（超过 256 MB）" << false;
    QTest::newRow("the same with too little memory")
        << "long-shared" << "package" << "error: 无法打开工作簿 %1：内存不足" << true;
    QTest::newRow("sheet part inflating to 500 MB from 0.6 MB")
        << "deflate-bomb" << "package"
        << "error: 无法打开工作簿 %1：部件 xl/worksheets/sheet1.xml 压缩比异常（超过 200:1）" << false;
    // 11 "s" and "end"; the numbers 1 to 12 are values.
    QTest::newRow("stored string table of one-character strings")
        << "stored-strings" << "package" << noNameRow.arg(14).arg(2).arg(QStringLiteral("end")).arg(11 + 3 + 6) << false;
    QTest::newRow("60,000 folder entries") << "folder-flood" << "package" << oneColumnNoName.arg(5).arg(3).arg(3) << false;
    // Texts a cell no longer shows are freed.
    QTest::newRow("one cell written over with its own texts")
        << "cell-overwrite" << "package" << table.arg(3).arg(2).arg(QStringLiteral("last")).arg(8) << false;
    // Rows of three distinct strings of 52 Chinese characters, the last one "end", under the
    // names "1", "2", "3" and an empty unit item; each text shown once. The table and the store keep their characters, not a QString each.
    const qint64 distinct = floodBytes() / 106 / 3 * 3;
    QTest::newRow("distinct shared strings")
        << "distinct-strings" << "package"
        << table.arg(distinct / 3 + 3).arg(3).arg(QStringLiteral("end")).arg(52 * (distinct - 1) + 3 + 3) << false;
    QTest::newRow("2 KB .ods of a repeated row of 32 numbers")
        << "ods-repeat" << "package" << "error: 无法打开工作簿 %1：重复的行太多（超过2097152个单元格）" << false;
    const QString poc = QStringLiteral(TABROVEX_SHARED_DIR "/corpus/xlsx/poi__test-data_spreadsheet_poc-shared-strings.xlsx");
    if (QFileInfo::exists(poc))
        QTest::newRow("corpus: 1 MB shared string in 12,000 cells")
            << poc << "" << table.arg(4000).arg(3).arg(QString(20, 'f')).arg(1 << 20) << false;
}

void TestHostile::hostile()
{
    QFETCH(QString, kind);
    QFETCH(QString, option);
    QFETCH(QString, expected);
    QFETCH(bool, tight);

    QString path = kind;
    if (!kind.startsWith(QLatin1Char('/'))) {
        const bool package = option.startsWith(QLatin1String("package"));
        const QString size = option.section(QLatin1Char(':'), 1);
        if (option.startsWith(QLatin1String("size:")))
            option.clear();
        path = m_dir.filePath(kind + option.section(QLatin1Char(':'), 0, 0) + size
                              + QLatin1String(package ? ".xlsx" : ".xls"));
        QStringList args{QStringLiteral(TABROVEX_SOURCE_DIR "/scripts/") +
                             QLatin1String(package ? "make_hostile_packages.py" : "make_hostile_workbooks.py"),
                         kind, size.isEmpty() ? QString::number(floodBytes()) : size, path};
        if (!option.isEmpty() && !package)
            args << option;
        QProcess generator;
        generator.start(QStringLiteral("python3"), args);
        QVERIFY(generator.waitForFinished(300000));
        QCOMPARE(generator.exitCode(), 0);
    }
    const QFileInfo info(path);
    const qint64 size = info.isFile() && info.size() <= (qint64(1) << 30) ? info.size() : 0;
    const qint64 bound = 3 * size + (qint64(100) << 20);
    // The address space also holds the libraries and reserved but unused memory; a tight
    // one leaves too little for the read itself.
    const ChildRun run = runProbe(path, tight ? size + (qint64(100) << 20) : bound + (qint64(400) << 20));
    qInfo().noquote() << QTest::currentDataTag() << "file" << size / 1024 << "KiB,"
                      << run.seconds << "s, peak" << run.peakBytes / (1024 * 1024) << "MiB";
    QVERIFY2(run.exited && run.status == 0,
             qPrintable(QStringLiteral("probe ended by %1 %2").arg(run.exited ? "exit" : "signal").arg(run.status)));
    const QString output = QString::fromUtf8(run.output).trimmed();
    if (expected.isEmpty()) {
        // The XF flood: rows 3..202 rewritten over and over, under a name and unit row.
        QVERIFY2(output.startsWith(QStringLiteral("数据行数：202 ,  列数：2\n")), qPrintable(output));
    } else {
        QCOMPARE(output, expected.contains(QLatin1String("%1")) ? expected.arg(path) : expected);
    }
    QVERIFY2(run.peakBytes <= bound,
             qPrintable(QStringLiteral("peak %1 MiB above %2 MiB").arg(run.peakBytes >> 20).arg(bound >> 20)));
}

// A file that shrinks, is replaced or deleted while it is read (loggers rotate their files)
// ends the read with a message, never with SIGBUS; one that only grew reads as it was.
void TestHostile::changedDuringRead_data()
{
    QTest::addColumn<QString>("source"); // a fixture, or "" for a generated 8 MB log
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("expected");

    const QString changed = QStringLiteral("error: 无法打开工作簿 %1：文件在读取时被修改或删除");
    const QString xlsx = QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/types.xlsx");
    const QString xls = QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/long1500.xls");
    QTest::newRow("log truncated to half") << "" << "truncate" << changed;
    QTest::newRow("log truncated to nothing") << "" << "empty" << changed;
    QTest::newRow("log deleted") << "" << "delete" << changed;
    QTest::newRow("log replaced") << "" << "replace" << changed;
    QTest::newRow("log grown: read as it was") << "" << "append" << "rows=400001";
    QTest::newRow(".xlsx truncated") << xlsx << "truncate" << changed;
    QTest::newRow(".xlsx deleted") << xlsx << "delete" << changed;
    QTest::newRow(".xls truncated") << xls << "truncate" << changed;
    QTest::newRow(".xls replaced") << xls << "replace" << changed;
}

void TestHostile::changedDuringRead()
{
    QFETCH(QString, source);
    QFETCH(QString, change);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath(QStringLiteral("changing-") + QFileInfo(source.isEmpty() ? "log.csv" : source).fileName());
    QFile::remove(path);
    if (source.isEmpty()) {
        // Name and unit rows and 399,999 value rows: 8 MB, thousands of pages to lose.
        QByteArray log("t,v\ns,V\n");
        for (int i = 1; i < 400000; ++i)
            log += QByteArray::number(i) + ',' + QByteArray::number(i % 977 * 1.25, 'f', 2) + ".125\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(log), qint64(log.size()));
    } else {
        QVERIFY(QFile::copy(source, path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    }
    const ChildRun run = runProbe(path, qint64(2) << 30, change.toLatin1());
    QVERIFY2(run.exited && run.status == 0,
             qPrintable(QStringLiteral("probe ended by %1 %2").arg(run.exited ? "exit" : "signal").arg(run.status)));
    QCOMPARE(QString::fromUtf8(run.output).trimmed(), expected.contains(QLatin1String("%1")) ? expected.arg(path) : expected);
}

// Memory that runs out while an 8192 x 8192 chart is drawn is reported as such, with the
// read's exit status, never blamed on the file it could not write.
void TestHostile::chartOutOfMemory()
{
    const QString out = m_dir.filePath(QStringLiteral("huge.png"));
    QList<QByteArray> arguments{"chart", TABROVEX_SOURCE_DIR "/data/001.xls", "--size", "8192x8192",
                                "-o", QFile::encodeName(out), "--lang", "zh"};
    const QByteArray plot = QByteArrayLiteral(TABROVEX_BINARY_DIR "/tabrovex-plot");
    // The picture alone is 256 MB: 250 MB of address space hold the program and the read,
    // not it as well.
    const qint64 limit = qint64(250) << 20;
    const ChildRun huge = runChild(plot, arguments, limit, true);
    QVERIFY2(huge.exited && huge.status == 2, qPrintable(QString::fromUtf8(huge.output)));
    QVERIFY2(huge.output.contains("内存不足") && !huge.output.contains("Unable to write"),
             qPrintable(QString::fromUtf8(huge.output)));
    QVERIFY(!QFileInfo::exists(out));
    // In the same room the chart of the usual size is drawn.
    arguments.removeAt(2);
    arguments.removeAt(2);
    const ChildRun usual = runChild(plot, arguments, limit, true);
    QVERIFY2(usual.exited && usual.status == 0, qPrintable(QString::fromUtf8(usual.output)));
    QVERIFY(QFileInfo(out).size() > 0);
}

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
