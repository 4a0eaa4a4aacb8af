#include <QtTest>

#include "base/apperror.h"
#include "settings/gbtext.h"
#include "settings/inifile.h"
#include "settings/inilines.h"

#include <sys/stat.h>
#include <unistd.h>

// File bytes are written out in the tests: GBK for the Chinese names, so a wrong encoding,
// a lost line end or a moved line shows as a byte difference.
class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readDefaults_data();
    void readDefaults();
    void readString_data();
    void readString();
    void readInteger_data();
    void readInteger();
    void floatRoundTrip_data();
    void floatRoundTrip();
    void stringRoundTrip_data();
    void stringRoundTrip();
    void writeLayout_data();
    void writeLayout();
    void refusedWrite_data();
    void refusedWrite();
    void keepsPermissions();
    void firstChartSave();
    void seesChangesMadeByHand();
    void euroAsCodePage936_data();
    void euroAsCodePage936();
    void closingBracket_data();
    void closingBracket();
    void closingBracketMatchesDecode();
    void closingBracketInPieces();
    void largeFileReadOncePerKey_data();
    void largeFileReadOncePerKey();
    void refusedWriteReadBack_data();
    void refusedWriteReadBack();

private:
    QString path(const QString &name = QStringLiteral("option.ini")) const { return m_dir->filePath(name); }
    void put(const QByteArray &bytes, const QString &name = QStringLiteral("option.ini"));
    QByteArray get(const QString &name = QStringLiteral("option.ini")) const;
    QStringList folderEntries() const { return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

// GBK bytes of the names used below.
static const QByteArray gbCurve = QByteArray::fromHex("cafdbeddc7facfdf");      // 数据曲线
static const QByteArray gbColor0 = QByteArray::fromHex("d1d5c9ab30");           // 颜色0
static const QByteArray gbBack = QByteArray::fromHex("b1b3beb0d1d5c9ab");       // 背景颜色
static const QString curve = QStringLiteral("数据曲线");

void TestIniFile::put(const QByteArray &bytes, const QString &name)
{
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray TestIniFile::get(const QString &name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestIniFile::readDefaults_data()
{
    QTest::addColumn<QByteArray>("content");   // null: no file at all
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("no section") << QByteArray("[other]\r\nkey=5\r\n");
    QTest::newRow("no key") << QByteArray("[sec]\r\nkeys=5\r\nke=5\r\n");
    QTest::newRow("key in next section") << QByteArray("[sec]\r\n[other]\r\nkey=5\r\n");
    QTest::newRow("key before any section") << QByteArray("key=5\r\n[sec]\r\n");
    QTest::newRow("commented key") << QByteArray("[sec]\r\n;key=5\r\n");
    QTest::newRow("no equals sign") << QByteArray("[sec]\r\nkey 5\r\n");
}

void TestIniFile::readDefaults()
{
    QFETCH(QByteArray, content);
    if (!content.isNull())
        put(content);
    const IniFile ini(path());
    QCOMPARE(ini.readString("sec", "key", "dflt"), QString("dflt"));
    QCOMPARE(ini.readInteger("sec", "key", 65280), 65280);
    QCOMPARE(ini.readFloat("sec", "key", 1000), 1000.0);
    QCOMPARE(QFile::exists(path()), !content.isNull());
}

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray windows = "[" + gbCurve + "]\r\n " + gbColor0 + " = 255 \r\nBACKCOLOR=\t0x00FF00\r\n\r\n"
                               "[Other]\r\n" + gbColor0 + "=1\r\n";
    QTest::newRow("windows file, blanks around") << windows << curve << "颜色0" << "255";
    QTest::newRow("windows file, key case") << windows << curve << "BackColor" << "0x00FF00";
    QTest::newRow("windows file, section case") << windows << "oTHER" << "颜色0" << "1";
    QTest::newRow("LF only") << QByteArray("[a]\nk=v\n") << "A" << "K" << "v";
    QTest::newRow("no final line end") << QByteArray("[a]\r\nk=v") << "a" << "k" << "v";
    QTest::newRow("blanks in brackets") << QByteArray("  [ a ]  \r\nk=v\r\n") << "a" << "k" << "v";
    QTest::newRow("greek and cyrillic case") << QByteArray("[\xa6\xa1\xa7\xa5]\r\nk=v\r\n") << "αд" << "k" << "v";
    QTest::newRow("first of two") << QByteArray("[a]\r\nk=1\r\nk=2\r\n") << "a" << "k" << "1";
    QTest::newRow("second section of same name") << QByteArray("[a]\r\nx=1\r\n[b]\r\n[A]\r\nk=2\r\n") << "a" << "k" << "2";
    QTest::newRow("equals in value") << QByteArray("[a]\r\nk=x=y\r\n") << "a" << "k" << "x=y";
    QTest::newRow("empty value") << QByteArray("[a]\r\nk=\r\n") << "a" << "k" << "";
    QTest::newRow("double quotes") << QByteArray("[a]\r\nk= \" v \" \r\n") << "a" << "k" << " v ";
    QTest::newRow("single quotes") << QByteArray("[a]\r\nk='v'\r\n") << "a" << "k" << "v";
    QTest::newRow("mismatched quotes") << QByteArray("[a]\r\nk='v\"\r\n") << "a" << "k" << "'v\"";
    QTest::newRow("one quote") << QByteArray("[a]\r\nk=\"\r\n") << "a" << "k" << "\"";
    QTest::newRow("ideographic space kept") << QByteArray("[a]\r\nk=\xa1\xa1v\r\n") << "a" << "k" << "\u3000v";
    // C7 5D is 荾: its second byte is "]", which must not end the section name.
    QTest::newRow("bracket as second byte") << QByteArray("[\xc7\x5d\xc7\x5d]\r\nk=v\r\n") << "荾荾" << "k" << "v";
    QTest::newRow("euro byte from windows") << QByteArray("[a]\r\nk=\x80\x35\r\n") << "a" << "k" << "€5";
    const QByteArray ascii(3000, 'x');
    QTest::newRow("long value cut") << "[a]\r\nk=" + ascii + "\r\n" << "a" << "k" << QString(2047, 'x');
    QByteArray two;
    for (int i = 0; i < 1100; ++i)
        two += "\xca\xfd";   // 数
    QTest::newRow("cut before a two-byte character") << "[a]\r\nk=" + two + "\r\n" << "a" << "k" << QString(1023, QChar(0x6570));
    QTest::newRow("cut after one byte, two-byte characters")
        << "[a]\r\nk=x" + two + "\r\n" << "a" << "k" << "x" + QString(1023, QChar(0x6570));
    QByteArray four;
    for (int i = 0; i < 600; ++i)
        four += "\x94\x39\xfc\x36";   // U+1F600
    QString faces;
    for (int i = 0; i < 511; ++i)
        faces += QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("cut before a four-byte character") << "[a]\r\nk=" + four + "\r\n" << "a" << "k" << faces;
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    put(content);
    QCOMPARE(IniFile(path()).readString(section, key, "dflt"), expected);
}

void TestIniFile::readInteger_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << QByteArray("65280") << 65280;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("blanks") << QByteArray("  12  ") << 12;
    QTest::newRow("quoted") << QByteArray("'42'") << 42;
    QTest::newRow("hex") << QByteArray("0xFF") << 255;
    QTest::newRow("hex upper X, lower digits") << QByteArray("0Xff00") << 0xff00;
    QTest::newRow("hex 8 digits") << QByteArray("0x7FFFFFFF") << 0x7fffffff;
    QTest::newRow("hex all ones") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("hex leading zeros") << QByteArray("0x000000FF") << 255;
    QTest::newRow("hex 9 digits") << QByteArray("0x100000000") << 99;
    QTest::newRow("hex zeros beyond 8 digits") << QByteArray("0x0000000FF") << 255;
    QTest::newRow("hex many zeros, 8 digits") << QByteArray("0x00000000000000000000FFFFFFFF") << -1;
    QTest::newRow("hex zeros, then 9 digits") << QByteArray("0x00100000000") << 99;
    QTest::newRow("hex zeros only") << QByteArray("0x0000000000") << 0;
    QTest::newRow("hex bad digit") << QByteArray("0xFG") << 99;
    QTest::newRow("hex with sign") << QByteArray("0x-1") << 99;
    QTest::newRow("hex prefix twice") << QByteArray("0x0x1") << 99;
    QTest::newRow("prefix alone") << QByteArray("0x") << 99;
    QTest::newRow("letters") << QByteArray("abc") << 99;
    QTest::newRow("empty") << QByteArray("") << 99;
    QTest::newRow("fraction") << QByteArray("1.5") << 99;
    QTest::newRow("too big") << QByteArray("2147483648") << 99;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(0x80000000);
}

void TestIniFile::readInteger()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    put("[" + gbCurve + "]\r\n" + gbBack + "=" + stored + "\r\n");
    QCOMPARE(IniFile(path()).readInteger(curve, "背景颜色", 99), expected);
}

void TestIniFile::floatRoundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("integer") << 1000.0 << QByteArray("1000");
    QTest::newRow("half") << 0.5 << QByteArray("0.5");
    QTest::newRow("big") << 1e20 << QByteArray("1E20");
    QTest::newRow("small") << 1e-7 << QByteArray("1E-7");
    QTest::newRow("negative") << -2.5 << QByteArray("-2.5");
    QTest::newRow("rounded to 15 digits") << 0.1 + 0.2 << QByteArray("0.3");
}

void TestIniFile::floatRoundTrip()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    IniFile ini(path());
    ini.writeFloat("s", "k", value);
    QCOMPARE(get(), "[s]\r\nk=" + text + "\r\n");
    QCOMPARE(ini.readFloat("s", "k", 7), text == "0.3" ? 0.3 : value);
    put("[s]\r\nk=" + text + "x\r\n");
    QCOMPARE(ini.readFloat("s", "k", 7), 7.0);
}

void TestIniFile::stringRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("plain") << "C:\\data\\001.xls" << "C:\\data\\001.xls";
    QTest::newRow("chinese") << "Excel数据曲线图" << "Excel数据曲线图";
    QTest::newRow("outside GBK") << "温度 😀 ∮ ﷺ" << "温度 😀 ∮ ﷺ";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks around") << "  title  " << "  title  ";
    QTest::newRow("in quotes") << "\"x\"" << "\"x\"";
    QTest::newRow("single quotes") << "'" << "'";
    QTest::newRow("line breaks") << "a\r\nb\nc" << "a  b c";
}

void TestIniFile::stringRoundTrip()
{
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    IniFile ini(path());
    ini.writeString("s", "k", value);
    ini.writeString("s", "after", "1");
    QCOMPARE(ini.readString("s", "k", "dflt"), readBack);
    QCOMPARE(ini.readString("s", "after", "dflt"), QString("1"));
}

void TestIniFile::writeLayout_data()
{
    QTest::addColumn<QByteArray>("before");   // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    const QByteArray two = "[a]\nx=1\r\n\r\n[b]\r\ny=2\n\n";
    QTest::newRow("new file") << QByteArray() << "a" << "k" << QByteArray("[a]\r\nk=V\r\n");
    QTest::newRow("empty file") << QByteArray("") << "a" << "k" << QByteArray("[a]\r\nk=V\r\n");
    QTest::newRow("replace in place") << two << "A" << "X" << QByteArray("[a]\nx=V\r\n\r\n[b]\r\ny=2\n\n");
    QTest::newRow("replace keeps odd spacing elsewhere")
        << QByteArray("[a]\r\n k = 1 \r\n  j=2  \r\n") << "a" << "k" << QByteArray("[a]\r\nk=V\r\n  j=2  \r\n");
    QTest::newRow("replace last line without line end") << QByteArray("[a]\r\nk=1") << "a" << "k" << QByteArray("[a]\r\nk=V\r\n");
    QTest::newRow("append before blank lines") << two << "a" << "k" << QByteArray("[a]\nx=1\r\nk=V\r\n\r\n[b]\r\ny=2\n\n");
    QTest::newRow("append after comment") << QByteArray("[a]\r\nx=1\r\n;note\r\n\r\n[b]\r\n") << "a" << "k"
                                           << QByteArray("[a]\r\nx=1\r\n;note\r\nk=V\r\n\r\n[b]\r\n");
    QTest::newRow("append to last section") << two << "b" << "k" << QByteArray("[a]\nx=1\r\n\r\n[b]\r\ny=2\nk=V\r\n\n");
    QTest::newRow("append to empty section") << QByteArray("[a]\r\n[b]\r\n") << "a" << "k" << QByteArray("[a]\r\nk=V\r\n[b]\r\n");
    QTest::newRow("append without final line end") << QByteArray("[a]\r\nx=1") << "a" << "k" << QByteArray("[a]\r\nx=1\r\nk=V\r\n");
    QTest::newRow("append to first of two sections") << QByteArray("[a]\r\n[b]\r\n[a]\r\n") << "a" << "k"
                                                    << QByteArray("[a]\r\nk=V\r\n[b]\r\n[a]\r\n");
    QTest::newRow("new section at end") << two << "c" << "k" << QByteArray("[a]\nx=1\r\n\r\n[b]\r\ny=2\n\n[c]\r\nk=V\r\n");
    QTest::newRow("new section without final line end") << QByteArray("[a]\r\nx=1") << "c" << "k"
                                                        << QByteArray("[a]\r\nx=1\r\n[c]\r\nk=V\r\n");
    QTest::newRow("chinese names as GBK")
        << QByteArray() << "数据文件" << "前次打开的数据文件"
        << QByteArray::fromHex("5bcafdbeddcec4bcfe5d0d0ac7b0b4ceb4f2bfaab5c4cafdbeddcec4bcfe3d560d0a");
    QTest::newRow("chinese key replaced, case kept")
        << "[" + gbCurve + "]\r\n" + gbColor0 + "=1\r\nBackColor=2\r\n" << curve << "BACKCOLOR"
        << "[" + gbCurve + "]\r\n" + gbColor0 + "=1\r\nBackColor=V\r\n";
}

void TestIniFile::writeLayout()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    if (!before.isNull())
        put(before);
    IniFile(path()).writeString(section, key, "V");
    QCOMPARE(get(), after);
    QCOMPARE(folderEntries(), QStringList {"option.ini"});
}

void TestIniFile::refusedWrite_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("form");   // 0 text, 1 integer, 2 decimal
    QTest::newRow("missing folder") << "" << "ini/option.ini" << 0;
    QTest::newRow("folder is a file") << "ini" << "ini/option.ini" << 1;
    QTest::newRow("read-only file, text") << "read-only" << "option.ini" << 0;
    QTest::newRow("read-only file, integer") << "read-only" << "option.ini" << 1;
    QTest::newRow("read-only file, decimal") << "read-only" << "option.ini" << 2;
    QTest::newRow("file is a folder") << "folder" << "option.ini" << 0;
    QTest::newRow("read-only folder") << "read-only folder" << "ini/option.ini" << 2;
}

void TestIniFile::refusedWrite()
{
    QFETCH(QString, setup);
    QFETCH(QString, file);
    QFETCH(int, form);
    const QByteArray original = "[s]\r\nk=1\n";
    if (setup == "ini") {
        put(original, "ini");
    } else if (setup == "read-only") {
        put(original, file);
        QVERIFY(QFile::setPermissions(path(file), QFile::ReadOwner | QFile::ReadGroup));
    } else if (setup == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir(file));
    } else if (setup == "read-only folder") {
        if (geteuid() == 0)
            QSKIP("root may create files in any folder");
        QVERIFY(QDir(m_dir->path()).mkdir("ini"));
        QVERIFY(QFile::setPermissions(path("ini"), QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList entries = folderEntries();
    IniFile ini(path(file));
    QString message;
    try {
        if (form == 0)
            ini.writeString("s", "k", "2");
        else if (form == 1)
            ini.writeInteger("s", "k", 2);
        else
            ini.writeFloat("s", "k", 2);
    } catch (const AppError &e) {
        message = e.message();
    }
    QCOMPARE(message, "Unable to write to " + QFileInfo(path(file)).absoluteFilePath());
    QCOMPARE(folderEntries(), entries);
    if (setup == "read-only") {
        QCOMPARE(get(file), original);
        // The next run reads the file; this one goes on with the value it could not write.
        QCOMPARE(IniFile(path(file)).readInteger("s", "k", 0), 1);
        QCOMPARE(ini.readInteger("s", "k", 0), 2);
    }
    if (setup == "read-only folder")
        QVERIFY(QFile::setPermissions(path("ini"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestIniFile::keepsPermissions()
{
    put("[s]\r\n");
    QCOMPARE(::chmod(QFile::encodeName(path()).constData(), 0640), 0);
    QVERIFY(QFile::link(path(), path("link.ini")));
    IniFile(path("link.ini")).writeInteger("s", "k", 3);
    QCOMPARE(get(), QByteArray("[s]\r\nk=3\r\n"));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QVERIFY(QFileInfo(path("link.ini")).isSymLink());
}

void TestIniFile::firstChartSave()
{
    // The chart window's save writes these keys in this order; they must stand in that order.
    put("");
    IniFile ini(path());
    QByteArray expected = "[" + gbCurve + "]\r\n";
    for (int i = 0; i < 8; ++i) {
        ini.writeInteger(curve, "颜色" + QString::number(i), 0xff00 + i);
        expected += gbtext::encode("颜色" + QString::number(i)) + "=" + QByteArray::number(0xff00 + i) + "\r\n";
    }
    ini.writeInteger(curve, "背景颜色", 0);
    ini.writeInteger(curve, "网格颜色", 32768);
    ini.writeString(curve, "曲线标题", "Excel数据曲线图");
    expected += gbBack + "=0\r\n" + QByteArray::fromHex("cdf8b8f1d1d5c9ab") + "=32768\r\n"
                + QByteArray::fromHex("c7facfdfb1eacce2") + "=Excel" + QByteArray::fromHex("cafdbeddc7facfdfcdbc") + "\r\n";
    expected += "[" + QByteArray::fromHex("c7facfdfc9e8d6c3") + "]\r\n";   // 曲线设置
    for (int n = 1; n <= 4; ++n) {
        ini.writeFloat("曲线设置", QString("曲线%1下限").arg(n), -n * 0.5);
        ini.writeFloat("曲线设置", QString("曲线%1上限").arg(n), n * 1000.0);
        expected += gbtext::encode(QString("曲线%1下限").arg(n)) + "=" + QByteArray::number(-n * 0.5) + "\r\n"
                    + gbtext::encode(QString("曲线%1上限").arg(n)) + "=" + QByteArray::number(n * 1000) + "\r\n";
    }
    QCOMPARE(get(), expected);
}

void TestIniFile::seesChangesMadeByHand()
{
    const IniFile ini(path());
    QCOMPARE(ini.readInteger("s", "k", 5), 5);
    put("[s]\r\nk=6\r\n");
    QCOMPARE(ini.readInteger("s", "k", 5), 6);
    put("[s]\r\nk=7\r\n");
    QCOMPARE(ini.readInteger("s", "k", 5), 7);
    QVERIFY(QFile::remove(path()));
    QCOMPARE(ini.readInteger("s", "k", 5), 5);
}

void TestIniFile::euroAsCodePage936_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("alsoRead");   // another form that reads as the same text
    QTest::newRow("euro alone") << "€" << QByteArray("\x80") << QByteArray("\xa2\xe3");
    QTest::newRow("price") << "价格€5" << QByteArray("\xbc\xdb\xb8\xf1\x80" "5") << QByteArray("\xbc\xdb\xb8\xf1\xa2\xe3" "5");
    QTest::newRow("euro beside a four-byte character") << "€😀€" << QByteArray("\x80\x94\x39\xfc\x36\x80")
                                                       << QByteArray("\xa2\xe3\x94\x39\xfc\x36\xa2\xe3");
    QTest::newRow("no euro") << "数据" << QByteArray("\xca\xfd\xbe\xdd") << QByteArray("\xca\xfd\xbe\xdd");
}

void TestIniFile::euroAsCodePage936()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, alsoRead);
    QCOMPARE(gbtext::encode(text), written);
    QCOMPARE(gbtext::decode(written), text);
    QCOMPARE(gbtext::decode(alsoRead), text);
    IniFile ini(path());
    ini.writeString("s", "k", text);
    QCOMPARE(get(), "[s]\r\nk=" + written + "\r\n");
    put("[s]\r\nk=" + alsoRead + "\r\n");
    QCOMPARE(ini.readString("s", "k", "dflt"), text);
}

void TestIniFile::closingBracket_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QByteArray("[a]b]") << 4;
    QTest::newRow("none") << QByteArray("[ab") << -1;
    QTest::newRow("second byte only") << QByteArray("[\xc7\x5d") << -1;
    QTest::newRow("after a two-byte character") << QByteArray("[\xc7\x5d]") << 3;
    QTest::newRow("lead byte at the end") << QByteArray("[]\x81") << 1;
    QTest::newRow("lead byte before a control") << QByteArray("[\x81\x7f]") << 3;
    QTest::newRow("euro byte") << QByteArray("[\x80]") << 2;
    QTest::newRow("four-byte character") << QByteArray("[\x81\x30\x81\x30]") << 5;
    // 82 35 90 37 is no character: each byte starts over, and 90 37 5D is none either.
    QTest::newRow("refused four-byte form") << QByteArray("[\x82\x35\x90\x37]") << 5;
    QTest::newRow("cut four-byte form") << QByteArray("[\x81\x30]") << 3;
}

void TestIniFile::closingBracket()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    gbtext::Decoder decoder;
    QCOMPARE(decoder.lastIndexOf(']', bytes.constData(), bytes.size()), qsizetype(expected));
}

void TestIniFile::closingBracketMatchesDecode()
{
    // Whatever the bytes, the "]" found must be the one decoding shows last: the text splits
    // there into what comes before, the bracket and a rest without one.
    QRandomGenerator random(936);
    static const char alphabet[] = "]]\x5d\x30\x39\x40\x7f\x80\x81\x82\x84\x90\xa2\xc7\xe3\xfe\xff a";
    gbtext::Decoder decoder;
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int length = int(random.bounded(12));
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random.bounded(int(sizeof alphabet) - 1)];
        const qsizetype at = decoder.lastIndexOf(']', bytes.constData(), bytes.size());
        const QString whole = gbtext::decode(bytes);
        if (at < 0) {
            QVERIFY2(!whole.contains(']'), bytes.toHex().constData());
            continue;
        }
        const QString rest = gbtext::decode(bytes.mid(at + 1));
        QVERIFY2(gbtext::decode(bytes.left(at)) + ']' + rest == whole && !rest.contains(']'), bytes.toHex().constData());
    }
}

void TestIniFile::closingBracketInPieces()
{
    // A long line reaches the scan in pieces: cut anywhere, even inside a character, the
    // bracket found is the one of the whole.
    QRandomGenerator random(1252);
    static const char alphabet[] = "]]\x30\x39\x40\x7f\x80\x81\x82\x84\x90\xa2\xc7\xe3\xfe\xff a";
    gbtext::Decoder decoder;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int length = int(random.bounded(14));
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random.bounded(int(sizeof alphabet) - 1)];
        const qsizetype whole = decoder.lastIndexOf(']', bytes.constData(), bytes.size());
        for (int cut1 = 0; cut1 <= length; ++cut1) {
            for (int cut2 = cut1; cut2 <= length; ++cut2) {
                gbtext::LastAscii finder(decoder, ']');
                finder.feed(bytes.constData(), cut1, 0);
                finder.feed(bytes.constData() + cut1, cut2 - cut1, cut1);
                finder.feed(bytes.constData() + cut2, length - cut2, cut2);
                finder.finish();
                QVERIFY2(finder.last() == whole, qPrintable(bytes.toHex() + ' ' + QString::number(cut1) + ' ' + QString::number(cut2)));
            }
        }
    }
}

void TestIniFile::largeFileReadOncePerKey_data()
{
    // Files of many pieces, built here: their long lines cross the borders of the pieces
    // the scan reads, in names, blanks and characters.
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("unit");   // repeated to about 12 MB
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("expected");
    const QByteArray x2 = QByteArray::fromHex("a3d8");   // Ｘ
    QTest::newRow("one line, no line end") << QByteArray("[s] ") << QByteArray("k=1 ") << QByteArray() << "dflt";
    QTest::newRow("value after long blanks") << QByteArray("[s]\r\nk=") << QByteArray(" \t") << QByteArray("v \r\n") << "v";
    QTest::newRow("long value cut") << QByteArray("[s]\r\nk=") << x2 << QByteArray("\r\n") << QString(1023, QChar(u'Ｘ'));
    QTest::newRow("long quoted value") << QByteArray("[s]\r\nk=\"") << QByteArray("ab") << QByteArray("\"\r\n")
                                       << QString("ab").repeated(1023) + 'a';
    QTest::newRow("long key before the key") << QByteArray("[s]\r\n") << QByteArray("kk") << QByteArray("=1\r\nk=2\r\n") << "2";
    QTest::newRow("long section line of half brackets") << QByteArray("[") << QByteArray("\xc7\x5d")
                                                        << QByteArray("\r\n[s]\r\nk=3\r\n") << "3";
    QTest::newRow("section name among long blanks") << QByteArray("[") << QByteArray(" ") << QByteArray("s ]\r\nk=4") << "4";
    QTest::newRow("long comment, then the key") << QByteArray("[s]\r\n;") << QByteArray("k=") << QByteArray("\nk=5") << "5";
    QTest::newRow("many short lines") << QByteArray("[t]\r\n") << QByteArray("k=0\r\n") << QByteArray("[s]\nk=6\n") << "6";
}

void TestIniFile::largeFileReadOncePerKey()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, tail);
    QFETCH(QString, expected);
    QByteArray content = head + unit.repeated((12 << 20) / unit.size()) + tail;
    put(content);
    const qint64 size = content.size();
    content.clear();
    const IniFile ini(path());
    for (int round = 0; round < 2; ++round) {
        const qint64 before = inilines::bytesReadSoFar();
        QCOMPARE(ini.readString("S", "K", "dflt"), expected);
        // One pass over the file, and at most the key and the start of its value again.
        const qint64 read = inilines::bytesReadSoFar() - before;
        QVERIFY2(read >= size && read <= size + 4096, qPrintable(QString("%1 bytes read of %2").arg(read).arg(size)));
    }
    // Never more of the file at once than one piece, however long its lines.
    QVERIFY2(inilines::largestPieceSoFar() <= 2 * inilines::Scanner::PieceBytes,
             qPrintable(QString("%1 bytes held").arg(inilines::largestPieceSoFar())));
}

void TestIniFile::refusedWriteReadBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("plain") << "泵试验" << "泵试验";
    QTest::newRow("blanks around") << " a b " << " a b ";
    QTest::newRow("line break") << "a\nb" << "a b";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("longer than a read") << QString(1500, QChar(u'长')) << QString(1023, QChar(u'长'));
}

void TestIniFile::refusedWriteReadBack()
{
    // A value the file refused reads back as it would from the file, until a write of the
    // key succeeds; the file itself stays as it was.
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    const QByteArray old = "[" + gbCurve + "]\r\nTitle=old\r\nkey=1\r\n";
    put(old);
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup));
    IniFile ini(path());
    QVERIFY_THROWS_EXCEPTION(AppError, ini.writeString(curve, "TITLE", value));
    QCOMPARE(ini.readString(curve, "title", "dflt"), readBack);
    QCOMPARE(ini.readString(curve, "key", "dflt"), QString("1"));
    QCOMPARE(IniFile(path()).readString(curve, "title", "dflt"), QString("old"));
    QCOMPARE(get(), old);

    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    ini.writeString(curve, "Title", "new");
    put("[" + gbCurve + "]\r\nTitle=by hand\r\n");
    QCOMPARE(ini.readString(curve, "title", "dflt"), QString("by hand"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
