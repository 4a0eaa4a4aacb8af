// The language choice both programs share: the locale's name, the environment's order of
// precedence, and --lang taken out of a command line.
#include "base/language.h"

#include <QtTest>

using language::Language;

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void localeName_data();
    void localeName();
    void environmentPrecedence_data();
    void environmentPrecedence();
    void languageOption_data();
    void languageOption();
};

void TestLanguage::localeName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("zh_CN.UTF-8") << "zh_CN.UTF-8" << true;
    QTest::newRow("zh_TW.Big5") << "zh_TW.Big5" << true;
    QTest::newRow("zh_SG") << "zh_SG" << true;
    QTest::newRow("zh alone") << "zh" << true;
    QTest::newRow("en_US.UTF-8") << "en_US.UTF-8" << false;
    QTest::newRow("de_DE") << "de_DE.UTF-8" << false;
    QTest::newRow("C") << "C" << false;
    QTest::newRow("C.UTF-8") << "C.UTF-8" << false;
    QTest::newRow("POSIX") << "POSIX" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("zh inside, not first") << "en_ZH" << false;
}

void TestLanguage::localeName()
{
    QFETCH(QString, name);
    QFETCH(bool, chinese);
    QCOMPARE(language::ofLocaleName(name) == Language::Chinese, chinese);
}

void TestLanguage::environmentPrecedence_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("LANG alone") << "" << "" << "zh_CN.UTF-8" << "zh_CN.UTF-8";
    QTest::newRow("LC_MESSAGES before LANG") << "" << "en_GB.UTF-8" << "zh_CN.UTF-8" << "en_GB.UTF-8";
    QTest::newRow("LC_ALL before both") << "zh_CN.UTF-8" << "en_GB.UTF-8" << "en_US.UTF-8" << "zh_CN.UTF-8";
    QTest::newRow("LC_ALL English over Chinese") << "C" << "zh_CN.UTF-8" << "zh_CN.UTF-8" << "C";
    QTest::newRow("none set") << "" << "" << "" << "";
}

void TestLanguage::environmentPrecedence()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, chosen);
    const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const QString values[] = {lcAll, lcMessages, lang};
    for (int i = 0; i < 3; ++i) {
        // An empty variable counts as not set, as the C library takes it.
        if (values[i].isEmpty() && i == 1)
            qputenv(names[i], QByteArray());
        else if (values[i].isEmpty())
            qunsetenv(names[i]);
        else
            qputenv(names[i], values[i].toUtf8());
    }
    const QString name = language::messagesLocaleName();
    const Language chosenLanguage = language::ofEnvironment();
    for (int i = 0; i < 3; ++i)
        saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    QCOMPARE(name, chosen);
    QCOMPARE(chosenLanguage, language::ofLocaleName(chosen));
}

void TestLanguage::languageOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("code");     // the language given
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("left"); // the arguments afterwards
    QTest::newRow("none") << QStringList{"a.xls"} << false << "" << false << QStringList{"a.xls"};
    QTest::newRow("--lang en") << QStringList{"--lang", "en", "a.xls"} << true << "en" << false << QStringList{"a.xls"};
    QTest::newRow("--lang=zh after a file") << QStringList{"a.xls", "--lang=zh"} << true << "zh" << false << QStringList{"a.xls"};
    QTest::newRow("between options") << QStringList{"chart", "-x", "1", "--lang", "zh", "-o", "c.png"} << true << "zh"
                                     << false << QStringList{"chart", "-x", "1", "-o", "c.png"};
    QTest::newRow("the last counts") << QStringList{"--lang", "zh", "--lang=en"} << true << "en" << false << QStringList{};
    QTest::newRow("after -- a file") << QStringList{"--", "--lang", "en"} << false << "" << false
                                     << QStringList{"--", "--lang", "en"};
    QTest::newRow("before --") << QStringList{"--lang", "en", "--", "-a.xls"} << true << "en" << false
                               << QStringList{"--", "-a.xls"};
    QTest::newRow("no value") << QStringList{"a.xls", "--lang"} << false << "" << true << QStringList{"a.xls", "--lang"};
    QTest::newRow("unknown value") << QStringList{"--lang", "fr", "a.xls"} << false << "" << true
                                   << QStringList{"--lang", "fr", "a.xls"};
    QTest::newRow("empty value") << QStringList{"--lang="} << false << "" << true << QStringList{"--lang="};
    QTest::newRow("a refusal after a good one") << QStringList{"--lang", "en", "--lang", "EN"} << false << "" << true
                                                << QStringList{"--lang", "en", "--lang", "EN"};
    QTest::newRow("a look-alike is kept") << QStringList{"--language", "en"} << false << "" << false
                                          << QStringList{"--language", "en"};
}

void TestLanguage::languageOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, given);
    QFETCH(QString, code);
    QFETCH(bool, refused);
    QFETCH(QStringList, left);
    const language::Choice choice = language::takeLanguageOption(&arguments);
    QCOMPARE(choice.given, given);
    if (given)
        QCOMPARE(language::code(choice.language), code);
    QCOMPARE(choice.refused, refused);
    QCOMPARE(arguments, left);
    // A refusal names what was wrong: the value given, or that none was.
    if (refused)
        QVERIFY(language::refusal(choice).contains(choice.badValue.isEmpty() ? QStringLiteral("zh") : choice.badValue));
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
