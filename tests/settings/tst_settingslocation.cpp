// Where the settings file lives: ini/ beside a portable copy, else the user's configuration
// folder seeded from the starter; and the same file found for reading without any write.
#include "settings/settingslocation.h"

#include "support/filesnapshot.h"

#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using filesnapshot::readBytes;
using filesnapshot::snapshot;
using filesnapshot::writeBytes;

namespace {

const QByteArray StarterBytes = "[\xca\xfd\xbe\xdd\xc7\xfa\xcf\xdf]\r\n\xd1\xd5\xc9\xab" "0=255\r\n";
const QByteArray BesideBytes = "[x]\r\nbeside=1\r\n";
const QByteArray OwnBytes = "[x]\r\nown=1\r\n";

// Makes a folder unwritable for this process: mode bits for a user, the immutable flag for
// root (who writes through mode bits). False when neither is possible here.
bool makeReadOnly(const QString &folder, bool readOnly)
{
    if (geteuid() != 0)
        return QFile::setPermissions(folder, readOnly ? QFile::ReadOwner | QFile::ExeOwner
                                                      : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = readOnly ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestSettingsLocation : public QObject
{
    Q_OBJECT
private slots:
    void settingsLocation_data();
    void settingsLocation();
};

void TestSettingsLocation::settingsLocation_data()
{
    QTest::addColumn<QString>("iniFolder");  // "", "writable", "read-only"
    QTest::addColumn<bool>("besideFile");    // ini/option.ini holds settings of its own
    QTest::addColumn<bool>("starter");       // an installed starter settings file
    QTest::addColumn<QString>("config");     // "", "own" (has option.ini), "blocked"
    QTest::addColumn<QString>("chosen");     // "beside" or "config"
    QTest::addColumn<QByteArray>("content"); // the chosen file's bytes afterwards
    QTest::addColumn<QString>("read");       // found for reading first: "beside", "config", "starter"

    QTest::newRow("writable ini beside") << "writable" << false << true << "" << "beside" << QByteArray() << "beside";
    QTest::newRow("writable ini with settings") << "writable" << true << true << "" << "beside" << BesideBytes << "beside";
    QTest::newRow("no ini: seeded from starter") << "" << false << true << "" << "config" << StarterBytes << "starter";
    QTest::newRow("no ini, no starter") << "" << false << false << "" << "config" << QByteArray() << "config";
    QTest::newRow("no ini, user has settings") << "" << false << true << "own" << "config" << OwnBytes << "config";
    QTest::newRow("read-only ini: seeded from starter") << "read-only" << false << true << "" << "config" << StarterBytes << "starter";
    QTest::newRow("read-only ini: its settings carried over") << "read-only" << true << true << "" << "config" << BesideBytes << "beside";
    QTest::newRow("no folder usable") << "" << false << true << "blocked" << "beside" << QByteArray() << "beside";
}

void TestSettingsLocation::settingsLocation()
{
    QFETCH(QString, iniFolder);
    QFETCH(bool, besideFile);
    QFETCH(bool, starter);
    QFETCH(QString, config);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, content);
    QFETCH(QString, read);

    QTemporaryDir root;
    const QString exe = root.filePath(QStringLiteral("bin/"));
    const QString data = root.filePath(QStringLiteral("share/tabrovex/"));
    const QString userFolder = root.filePath(QStringLiteral("home/.config/tabrovex/"));
    QDir().mkpath(exe);
    if (!iniFolder.isEmpty())
        QDir().mkpath(exe + "ini");
    if (besideFile)
        writeBytes(exe + "ini/option.ini", BesideBytes);
    if (starter)
        writeBytes(data + "option.ini", StarterBytes);
    if (config == "own")
        writeBytes(userFolder + "option.ini", OwnBytes);
    if (config == "blocked")
        writeBytes(root.filePath(QStringLiteral("home/.config")), "a file, not a folder");
    if (iniFolder == "read-only" && !makeReadOnly(exe + "ini", true))
        QSKIP("this file system cannot make a folder read-only for this user");

    const QMap<QString, QByteArray> before = snapshot(root.path());
    // Reading first: it finds the settings the program would use and writes nothing.
    const QString toRead = settingslocation::settingsFileToRead(exe, userFolder, {data});
    QCOMPARE(snapshot(root.path()), before);
    QVERIFY2(!QFileInfo::exists(userFolder) || config == "own", "the user's folder was made");
    const QString path = settingslocation::chooseSettingsFile(exe, userFolder, {data});
    const QMap<QString, QByteArray> after = snapshot(root.path());
    if (iniFolder == "read-only")
        QVERIFY(makeReadOnly(exe + "ini", false));

    const QString expected = chosen == "beside" ? exe + "ini/option.ini" : userFolder + "option.ini";
    QCOMPARE(path, expected);
    QCOMPARE(readBytes(path), content);
    const QString expectedRead = read == "beside" ? exe + "ini/option.ini"
                                 : read == "config" ? userFolder + "option.ini" : data + "option.ini";
    QCOMPARE(toRead, expectedRead);
    QCOMPARE(readBytes(toRead), content);
    // Nothing is written but the chosen file, and nothing of the seeding is left behind.
    QMap<QString, QByteArray> expectedAfter = before;
    if (!content.isEmpty() || QFileInfo::exists(path))
        expectedAfter.insert(QDir(root.path()).relativeFilePath(path), content);
    QCOMPARE(after, expectedAfter);
    // The seeded copy is the user's to change.
    if (chosen == "config" && QFileInfo::exists(path))
        QVERIFY(settingslocation::isWritableFolder(userFolder) && QFileInfo(path).isWritable());
}

QTEST_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
