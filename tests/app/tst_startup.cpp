// Program start as a Linux program: the settings in the user's folder, the command line,
// Qt's own texts in Chinese, the typefaces and the choice boxes' colours.
#include "app/appstate.h"
#include "app/commandline.h"
#include "app/mainunit.h"
#include "app/translations.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/columnstore.h"
#include "settings/inifile.h"
#include "widgets/widgetstyle.h"
#include "support/appfixture.h"
#include "support/filesnapshot.h"
#include "support/sheetserver.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QTableView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

using filesnapshot::snapshot;

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void installedProgramKeepsSettingsInUserFolder();
    void sampleWorkbookFallback_data();
    void sampleWorkbookFallback();
    void commandLine_data();
    void commandLine();
    void workbookNamedOnCommandLine_data();
    void workbookNamedOnCommandLine();
    void qtDialogsSpeakChinese();
    void windowsTypefacesMapToCjkFaces_data();
    void windowsTypefacesMapToCjkFaces();
    void columnListsShowValuesWhole();
    void choiceAndRadioBoxesColouredOverTheirWholeArea();
};

void TestStartup::installedProgramKeepsSettingsInUserFolder()
{
    AppFixture f(false, true);
    f.copyIn(QStringLiteral(TABROVEX_SOURCE_DIR "/data/option.ini"), QStringLiteral("starter.ini"));
    QDir().mkpath(f.path("share"));
    QVERIFY(QFile::rename(f.path("starter.ini"), f.path("share/option.ini")));
    app().dataFolders = {f.path("share/")};
    const QMap<QString, QByteArray> before = snapshot(f.dir.path());

    Tmainform *m = f.start();
    QCOMPARE(app().iniFile->fileName(), f.configPath("option.ini"));
    f.services.openAnswers.push_back(f.path("chosen.xls"));
    m->openBtn->click();
    QVERIFY(f.services.errors.isEmpty());

    const IniFile ini(f.configPath("option.ini"));
    QCOMPARE(ini.readString(QStringLiteral("数据文件"), QStringLiteral("前次打开的数据文件"), QString()), f.path("chosen.xls"));
    // The starter's four colours came along; every curve is no longer green.
    QSet<int> colours;
    for (int i = 0; i < 4; ++i)
        colours.insert(ini.readInteger(QStringLiteral("数据曲线"), QStringLiteral("颜色%1").arg(i), 65280));
    QCOMPARE(colours.size(), 4);
    QMap<QString, QByteArray> after = snapshot(f.dir.path());
    after.remove(QStringLiteral("config/tabrovex/option.ini"));
    QCOMPARE(after, before);
}

void TestStartup::sampleWorkbookFallback_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("opened"); // relative to the fixture's folder, "" for none
    QTest::newRow("beside the executable first") << true << true << "001.xls";
    QTest::newRow("installed data folder") << false << true << "share/001.xls";
    QTest::newRow("neither") << false << false << "";
}

void TestStartup::sampleWorkbookFallback()
{
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, opened);
    AppFixture f;
    const QString sample = QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls");
    if (beside)
        f.copyIn(sample, "001.xls");
    QDir().mkpath(f.path("share"));
    if (installed)
        f.copyIn(sample, "share/001.xls");
    app().dataFolders = {f.path("share")};
    Tmainform *m = f.start();
    QCOMPARE(m->Edit1->text(), opened.isEmpty() ? QString() : f.path(opened));
    QCOMPARE(m->Timer1->isActive(), !opened.isEmpty());
    if (!opened.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(m->drawBtn->isEnabled(), 3000);
}

void TestStartup::commandLine_data()
{
    using Action = commandline::Parsed::Action;
    QTest::addColumn<QStringList>("arguments"); // as typed, Qt's options among them
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("workbook");
    const QString cwd = QDir::currentPath();
    QTest::newRow("nothing") << QStringList{} << int(Action::Run) << QString();
    QTest::newRow("absolute file") << QStringList{"/data/泵 试验.xls"} << int(Action::Run) << QString("/data/泵 试验.xls");
    QTest::newRow("relative file") << QStringList{"a/b.xls"} << int(Action::Run) << QString(cwd + "/a/b.xls");
    QTest::newRow("file after --") << QStringList{"--", "-x.xls"} << int(Action::Run) << QString(cwd + "/-x.xls");
    QTest::newRow("Qt's options around a file") << QStringList{"-platform", "offscreen", "b.xls", "--style=Fusion", "-reverse"}
                                                 << int(Action::Run) << QString(cwd + "/b.xls");
    QTest::newRow("a Qt option's value is no file") << QStringList{"-style", "Fusion"} << int(Action::Run) << QString();
    QTest::newRow("--help") << QStringList{"--help"} << int(Action::Help) << QString();
    QTest::newRow("-h after a file") << QStringList{"b.xls", "-h"} << int(Action::Help) << QString();
    QTest::newRow("--version") << QStringList{"--version"} << int(Action::Version) << QString();
    QTest::newRow("--help after -- is a file") << QStringList{"--", "--help"} << int(Action::Run) << QString(cwd + "/--help");
    QTest::newRow("unknown option") << QStringList{"--open"} << int(Action::Refused) << QString();
    QTest::newRow("two files") << QStringList{"a.xls", "b.xls"} << int(Action::Refused) << QString();
    QTest::newRow("empty name") << QStringList{""} << int(Action::Refused) << QString();
}

void TestStartup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, workbook);
    const commandline::Parsed parsed = commandline::parse(commandline::withoutQtOptions(arguments));
    QCOMPARE(int(parsed.action), action);
    QCOMPARE(parsed.workbook, workbook);
    QCOMPARE(parsed.message.isEmpty(), action != int(commandline::Parsed::Action::Refused));
}

void TestStartup::workbookNamedOnCommandLine_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("remembered") << true;
    QTest::newRow("refused write") << false;
}

void TestStartup::workbookNamedOnCommandLine()
{
    QFETCH(bool, writable);
    AppFixture f(writable);
    f.copyIn(QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls"), "001.xls");
    f.copyIn(QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls"), "named.xls");
    if (writable)
        f.writeIni(QByteArray("[\xca\xfd\xbe\xdd\xce\xc4\xbc\xfe]\r\n") + "\xc7\xb0\xb4\xce\xb4\xf2\xbf\xaa\xb5\xc4\xca\xfd\xbe\xdd\xce\xc4\xbc\xfe=" + QFile::encodeName(f.path("001.xls")) + "\r\n");
    app().startWorkbook = f.path("named.xls");
    // Shown as the program does, so that the activation runs inside the error guard.
    Tmainform *m = f.mainform = createApplicationWindows();
    m->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m->firstActivation(), 2000);
    QVERIFY(app().startWorkbook.isEmpty());
    if (writable) {
        QVERIFY(f.services.errors.isEmpty());
        QCOMPARE(m->Edit1->text(), f.path("named.xls"));
        QCOMPARE(IniFile(f.iniPath()).readString(QStringLiteral("数据文件"), QStringLiteral("前次打开的数据文件"), QString()), f.path("named.xls"));
        QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 3000);
        QCOMPARE(m->fileName(), f.path("named.xls"));
    } else {
        // The refusal is logged, and the named workbook is read all the same.
        QVERIFY(f.services.errors.isEmpty());
        QCOMPARE(m->Memo1->toPlainText().split('\n').value(0), "Unable to write to " + f.iniPath());
        QCOMPARE(m->Edit1->text(), f.path("named.xls"));
        QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 3000);
        QVERIFY(m->drawBtn->isEnabled());
    }
}

void TestStartup::qtDialogsSpeakChinese()
{
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
        QSKIP("Qt's Chinese catalogue (qt6-translations-l10n) is not installed");
    AppFixture f;
    f.start();
    QVERIFY(installQtTranslations());
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("查找范围："));
}

void TestStartup::windowsTypefacesMapToCjkFaces_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<bool>("serif");
    QTest::newRow("宋体") << "宋体" << true;
    QTest::newRow("黑体") << "黑体" << false;
    QTest::newRow("MS Sans Serif") << "MS Sans Serif" << false;
}

void TestStartup::windowsTypefacesMapToCjkFaces()
{
    QFETCH(QString, windows);
    QFETCH(bool, serif);
    const QStringList faces = widgetstyle::fontSubstitutes(windows);
    QVERIFY(!faces.isEmpty());
    QCOMPARE(faces.first().contains("Serif") || faces.first().contains("Ming"), serif);
    if (!QFontDatabase::families().contains(faces.first()))
        QSKIP("the CJK faces (fonts-noto-cjk) are not installed");
    widgetstyle::installFontSubstitutes();
    QFont font(windows);
    font.setPixelSize(16);
    QCOMPARE(QFontInfo(font).family(), faces.first());
    QVERIFY(QFontMetrics(font).inFont(QChar(0x6570))); // 数
}

void TestStartup::columnListsShowValuesWhole()
{
    if (!QFontDatabase::families().contains(widgetstyle::fontSubstitutes("宋体").first()))
        QSKIP("the CJK faces (fonts-noto-cjk) are not installed");
    AppFixture f;
    SheetServer server;
    server.rows = {{"时间", "压力", "温度"}, {"s", "MPa", "℃"}};
    const QStringList values[] = {{"0", "11.415", "1451.7"}, {"0.5", "-2.125", "100.25"}, {"10.5", "3.1416", "99.875"}};
    for (const QStringList &row : values)
        for (int i = 0; i < 40; ++i)
            server.rows.push_back(row);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    for (int k = 1; k <= 3; ++k) {
        QTableView *list = m->colList[k];
        // Long enough for a vertical scroll bar, which narrows the list's viewport.
        QTRY_VERIFY_WITH_TIMEOUT(list->verticalScrollBar()->isVisible(), 2000);
        // Nothing is cut: the list looks the same when it may not elide.
        const QImage elided = list->grab().toImage();
        list->setTextElideMode(Qt::ElideNone);
        const QImage whole = list->grab().toImage();
        list->setTextElideMode(Qt::ElideRight);
        QVERIFY2(elided == whole, qPrintable(QString::number(k)));
        QVERIFY(!list->horizontalScrollBar()->isVisible());
    }
}

void TestStartup::choiceAndRadioBoxesColouredOverTheirWholeArea()
{
    AppFixture f;
    SheetServer server;
    server.rows = {{"a", "b"}, {"u", "v"}, {"1", "2"}};
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    struct Case { QAbstractButton *box; QColor colour; };
    const TdataLineForm *chart = app().dataLineForm;
    const Case cases[] = {{m->xBox[1], widgetstyle::Aqua}, {m->yBox[1], widgetstyle::Silver},
                          {m->yBox[2], widgetstyle::Aqua}, {m->xBox[2], widgetstyle::Silver},
                          {chart->box1, widgetstyle::Silver}, {chart->box2, widgetstyle::Silver},
                          {chart->box4, widgetstyle::Silver}};
    for (const Case &c : cases) {
        const QImage shot = c.box->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int coloured = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                coloured += QColor(shot.pixel(x, y)) == c.colour;
        // The face, not only the tick square: well over half the box.
        QVERIFY2(coloured > shot.width() * shot.height() / 2, qPrintable(c.box->text()));
    }
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
