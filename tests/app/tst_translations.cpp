// The programs in the chosen language: our catalogue and Qt's put in place for Chinese and
// English, found beside the executable or in the installed data folder, and both programs
// choosing by the locale or --lang; what scripts read stays the same in every language.
#include "app/appstate.h"
#include "app/commandline.h"
#include "app/translations.h"
#include "cli/plotoptions.h"

#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// One of the built programs with `environment` (NAME=VALUE) over a locale-free one.
Run runProgram(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
        env.remove(QString::fromLatin1(name));
    for (const QString &assignment : environment)
        env.insert(assignment.section(QLatin1Char('='), 0, 0), assignment.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TABROVEX_BINARY_DIR "/") + program, arguments);
    Run run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

bool qtChineseInstalled()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    return QFileInfo::exists(folder + "/qt_zh_CN.qm") || QFileInfo::exists(folder + "/qtbase_zh_CN.qm");
}

}

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void catalogueFoundWhereInstalled_data();
    void catalogueFoundWhereInstalled();
    void programsChooseByLocaleAndOption_data();
    void programsChooseByLocaleAndOption();
    void keptContextsStayChinese_data();
    void keptContextsStayChinese();
    void plotOutputIsTheSameInEveryLanguage_data();
    void plotOutputIsTheSameInEveryLanguage();
};

void TestTranslations::cleanup()
{
    resetAppState();
    app().executableFolder.clear();
    app().dataFolders.clear();
    app().dataFoldersSet = false;
    installTranslations();
}

void TestTranslations::textsFollowTheLanguage_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("usage");     // how the usage texts begin
    QTest::addColumn<QString>("plotUsage");
    QTest::addColumn<QString>("ok");        // Qt's own standard buttons
    QTest::addColumn<QString>("cancel");
    QTest::newRow("English") << true << "Usage: tabrovex " << "Usage: tabrovex-plot " << "&OK" << "&Cancel";
    QTest::newRow("Chinese") << false << "用法：tabrovex " << "用法：tabrovex-plot " << "确定" << "取消";
    QTest::newRow("English again") << true << "Usage: tabrovex " << "Usage: tabrovex-plot " << "&OK" << "&Cancel";
}

void TestTranslations::textsFollowTheLanguage()
{
    QFETCH(bool, english);
    QFETCH(QString, usage);
    QFETCH(QString, plotUsage);
    QFETCH(QString, ok);
    QFETCH(QString, cancel);
    // The build's catalogue, beside the executables; no installed one.
    app().executableFolder = QStringLiteral(TABROVEX_BINARY_DIR "/");
    app().dataFoldersSet = true;
    app().language = english ? language::Language::English : language::Language::Chinese;
    const catalogues::Installed installed = installTranslations();
    QVERIFY(installed.ours);
    QVERIFY(commandline::usage().startsWith(usage));
    QVERIFY(::plotUsage().startsWith(plotUsage));
    QVERIFY(commandline::parse({"--no-such"}).message.contains(english ? "unknown option" : "未知的选项"));

    if (!english && !qtChineseInstalled())
        QSKIP("Qt's Chinese catalogue (qt6-translations-l10n) is not installed");
    QCOMPARE(installed.qt, true);
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text().remove(QLatin1Char('&')), ok.remove(QLatin1Char('&')));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), cancel.remove(QLatin1Char('&')));
}

void TestTranslations::catalogueFoundWhereInstalled_data()
{
    QTest::addColumn<QString>("placed"); // where the catalogue is put below the temporary folder, "" nowhere
    QTest::addColumn<bool>("found");
    QTest::newRow("beside the executable") << "bin/translations" << true;
    QTest::newRow("installed data folder") << "share/tabrovex/translations" << true;
    QTest::newRow("nowhere: the texts stay Chinese") << "" << false;
    QTest::newRow("not in the folder itself") << "share/tabrovex" << false;
}

void TestTranslations::catalogueFoundWhereInstalled()
{
    QFETCH(QString, placed);
    QFETCH(bool, found);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("share/tabrovex"));
    if (!placed.isEmpty()) {
        QVERIFY(QDir(dir.path()).mkpath(placed));
        QVERIFY(QFile::copy(TABROVEX_BINARY_DIR "/translations/tabrovex_en.qm", dir.filePath(placed + "/tabrovex_en.qm")));
    }
    app().executableFolder = dir.filePath("bin/");
    app().dataFolders = {dir.filePath("share/tabrovex/")};
    app().dataFoldersSet = true;
    app().language = language::Language::English;
    const catalogues::Installed installed = installTranslations();
    QCOMPARE(installed.ours, found);
    if (found)
        QCOMPARE(installed.oursFrom, dir.filePath(placed + "/tabrovex_en.qm"));
    QCOMPARE(commandline::usage().startsWith("Usage:"), found);
    QCOMPARE(commandline::usage().startsWith("用法："), !found);
}

void TestTranslations::programsChooseByLocaleAndOption_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text"); // found in the standard output or error
    const QString en = "Usage: tabrovex [--lang zh|en] [FILE]";
    const QString zh = "用法：tabrovex [--lang zh|en] [文件]";
    const QString plotEn = "Usage: tabrovex-plot table WORKBOOK";
    const QString plotZh = "用法：tabrovex-plot table 工作簿";
    QTest::newRow("English desktop") << "tabrovex" << QStringList{"LANG=en_US.UTF-8"} << QStringList{"--help"} << 0 << en;
    QTest::newRow("Chinese desktop") << "tabrovex" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--help"} << 0 << zh;
    QTest::newRow("no locale at all") << "tabrovex" << QStringList{} << QStringList{"--help"} << 0 << en;
    QTest::newRow("LC_ALL over LANG") << "tabrovex" << QStringList{"LANG=zh_CN.UTF-8", "LC_ALL=C"} << QStringList{"--help"} << 0 << en;
    QTest::newRow("LC_MESSAGES over LANG") << "tabrovex" << QStringList{"LANG=C.UTF-8", "LC_MESSAGES=zh_CN.UTF-8"}
                                           << QStringList{"--help"} << 0 << zh;
    QTest::newRow("--lang en on a Chinese desktop") << "tabrovex" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--lang", "en", "--help"} << 0 << en;
    QTest::newRow("--lang=zh on an English desktop") << "tabrovex" << QStringList{"LANG=en_US.UTF-8"} << QStringList{"--help", "--lang=zh"} << 0 << zh;
    QTest::newRow("a refusal in the chosen language") << "tabrovex" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--lang", "en", "-q"} << 1
                                                      << "tabrovex: unknown option '-q'";
    QTest::newRow("a wrong --lang, in the desktop's") << "tabrovex" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--lang", "fr"} << 1
                                                      << "tabrovex: --lang 只能是 zh 或 en，不能是“fr”";
    QTest::newRow("--lang without a value") << "tabrovex" << QStringList{"LANG=C"} << QStringList{"--lang"} << 1 << "tabrovex: --lang needs zh or en";
    QTest::newRow("plot, English desktop") << "tabrovex-plot" << QStringList{"LANG=en_US.UTF-8"} << QStringList{"--help"} << 0 << plotEn;
    QTest::newRow("plot, Chinese desktop") << "tabrovex-plot" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--help"} << 0 << plotZh;
    QTest::newRow("plot, --lang zh") << "tabrovex-plot" << QStringList{"LANG=C"} << QStringList{"--lang", "zh", "--help"} << 0 << plotZh;
    QTest::newRow("plot, --lang en") << "tabrovex-plot" << QStringList{"LC_ALL=zh_CN.UTF-8"} << QStringList{"--help", "--lang", "en"} << 0 << plotEn;
    QTest::newRow("plot, a wrong --lang") << "tabrovex-plot" << QStringList{"LANG=C"} << QStringList{"table", "--lang=de", "x.xls"} << 1
                                          << "tabrovex-plot: --lang is zh or en, not 'de'";
    QTest::newRow("plot, a refusal in English") << "tabrovex-plot" << QStringList{"LANG=en_US.UTF-8"} << QStringList{"table", "/nonexistent.xls"}
                                                << 2 << "Cannot open workbook /nonexistent.xls: no such file";
    QTest::newRow("plot, a refusal in Chinese") << "tabrovex-plot" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"table", "/nonexistent.xls"}
                                                << 2 << "无法打开工作簿 /nonexistent.xls：文件不存在";
    QTest::newRow("plot, an option error in Chinese") << "tabrovex-plot" << QStringList{"LANG=zh_CN.UTF-8"}
                                                      << QStringList{"table", "x.xls", "--mode", "7"} << 1
                                                      << "tabrovex-plot: --mode 只能是 1、2、3 或 manual，不能是“7”";
    QTest::newRow("plot, usage error in Chinese") << "tabrovex-plot" << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{} << 1 << plotZh;
}

void TestTranslations::programsChooseByLocaleAndOption()
{
    QFETCH(QString, program);
    QFETCH(QStringList, environment);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    const Run run = runProgram(program, arguments, environment);
    QCOMPARE(run.exitCode, exitCode);
    const QString said = exitCode == 0 ? run.out : run.err;
    if (!said.contains(text))
        QFAIL(qPrintable("not found: " + text + "\nin:\n" + said));
    // Nothing in the other language slipped in: no Chinese in English, and the reverse.
    const bool chinese = text.contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]"));
    QCOMPARE(said.contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]")), chinese);
}

void TestTranslations::keptContextsStayChinese_data()
{
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("the window: all in English") << QStringList{} << "No data!" << "No Y column chosen";
    QTest::newRow("tabrovex-plot: the log kept") << QStringList{catalogues::LogContext} << "没有数据！" << "No Y column chosen";
    QTest::newRow("another context kept") << QStringList{"columnchoice"} << "No data!" << "没有选择Y坐标数据";
}

void TestTranslations::keptContextsStayChinese()
{
    QFETCH(QStringList, kept);
    QFETCH(QString, logLine);
    QFETCH(QString, refusal);
    QVERIFY(catalogues::install(language::Language::English, {TABROVEX_BINARY_DIR "/"}, kept).ours);
    QCOMPARE(QCoreApplication::translate(catalogues::LogContext, "没有数据！"), logLine);
    QCOMPARE(QCoreApplication::translate("columnchoice", "没有选择Y坐标数据"), refusal);
}

void TestTranslations::plotOutputIsTheSameInEveryLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("table") << QStringList{"table", TABROVEX_SOURCE_DIR "/data/001.xls", "--rows", "1:5"};
    QTest::newRow("chart") << QStringList{"chart", TABROVEX_SOURCE_DIR "/data/001.xls", "-y", "2,3", "-o", "/dev/null"};
}

void TestTranslations::plotOutputIsTheSameInEveryLanguage()
{
    QFETCH(QStringList, arguments);
    // Scripts read the JSON's keys and log lines: the same bytes whatever the language.
    const Run zh = runProgram("tabrovex-plot", arguments + QStringList{"--lang", "zh"}, {"LANG=zh_CN.UTF-8"});
    const Run en = runProgram("tabrovex-plot", arguments + QStringList{"--lang", "en"}, {"LANG=en_US.UTF-8"});
    QCOMPARE(zh.exitCode, 0);
    QCOMPARE(en.exitCode, 0);
    QVERIFY(!zh.out.isEmpty());
    QCOMPARE(en.out, zh.out);
    QCOMPARE(en.err, zh.err);
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
