#include "support/appfixture.h"

#include "app/errorguard.h"

#include "chartwin/dataLineUnit.h"
#include "settings/inifile.h"
#include "settings/setcolorUnit.h"
#include "settings/setrulerUnit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QPushButton>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startupCreatesWindowsInOrder();
    void layout_data();
    void layout();
    void columnControls();
    void firstActivation_data();
    void firstActivation();
    void openDialog_data();
    void openDialog();
    void refusedWriteOfRememberedPath();
    void pendingRequestsGiveOneRead();
    void logEmptiedAt129thLine();
    void errorDisplayAddsFullStop_data();
    void errorDisplayAddsFullStop();
};

void TestMainWindow::startupCreatesWindowsInOrder()
{
    AppFixture f;
    Tmainform *main = f.start();
    QCOMPARE(app().mainform, main);
    QVERIFY(app().dataLineForm);
    QVERIFY(app().setLinecolorform);
    QVERIFY(app().setrulerForm);
    QCOMPARE(app().exePath, f.dir.path() + "/");
    QCOMPARE(app().scaleMode, 2);
    QCOMPARE(applicationTitle(), QStringLiteral("Excel数据曲线"));
    QCOMPARE(app().dataLineForm->windowTitle(), QStringLiteral("数据曲线窗口"));
    QVERIFY(!app().dataLineForm->isVisible());
    QVERIFY(!app().setLinecolorform->isVisible());
    QVERIFY(!app().setrulerForm->isVisible());
    // The chart window reloads at its first showing.
    QVERIFY(app().dataLineForm->firstActivation);
}

void TestMainWindow::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Edit1") << "Edit1" << QRect(80, 8, 345, 24) << "" << true << true;
    QTest::newRow("openBtn") << "openBtn" << QRect(432, 8, 89, 25) << "打开文件" << true << true;
    QTest::newRow("drawBtn") << "drawBtn" << QRect(560, 8, 89, 25) << "绘制曲线" << true << false;
    QTest::newRow("exitBtn") << "exitBtn" << QRect(560, 438, 89, 25) << "退出" << true << true;
    QTest::newRow("Memo1") << "Memo1" << QRect(4, 272, 333, 193) << "" << true << true;
    QTest::newRow("Panel1") << "Panel1" << QRect(256, 158, 248, 49) << "" << false << true;
    QTest::newRow("GroupBox1") << "GroupBox1" << QRect(344, 272, 161, 193) << "位置（在第几行）" << false << true;
}

void TestMainWindow::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, visible);
    QFETCH(bool, enabled);

    AppFixture f;
    Tmainform *m = f.start();
    QCOMPARE(m->windowTitle(), QStringLiteral("Excel曲线"));
    QCOMPARE(m->size(), QSize(660, 469));
    QCOMPARE(m->minimumSize(), m->maximumSize());

    QWidget *w = nullptr;
    QString shown;
    if (control == "Edit1") { w = m->Edit1; shown = m->Edit1->text(); }
    if (control == "openBtn") { w = m->openBtn; shown = m->openBtn->text(); }
    if (control == "drawBtn") { w = m->drawBtn; shown = m->drawBtn->text(); }
    if (control == "exitBtn") { w = m->exitBtn; shown = m->exitBtn->text(); }
    if (control == "Memo1") { w = m->Memo1; shown = m->Memo1->toPlainText(); }
    if (control == "Panel1") { w = m->Panel1; }
    if (control == "GroupBox1") { w = m->GroupBox1; shown = m->GroupBox1->title(); }
    QVERIFY(w);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(shown, text);
    QCOMPARE(w->isVisible(), visible);
    QCOMPARE(w->isEnabled(), enabled);
}

void TestMainWindow::columnControls()
{
    AppFixture f;
    Tmainform *m = f.start();
    for (int k = 1; k <= Tmainform::ColumnCount; ++k) {
        const int left = 8 + 65 * (k - 1);
        QCOMPARE(m->colList[k]->geometry(), QRect(left, 65, 60, 200));
        QCOMPARE(m->xBox[k]->pos(), QPoint(left, 45));
        QCOMPARE(m->yBox[k]->pos(), QPoint(38 + 65 * (k - 1), 45));
        QCOMPARE(m->xBox[k]->text(), QStringLiteral("x"));
        QCOMPARE(m->yBox[k]->text(), QStringLiteral("y"));
        QCOMPARE(m->colList[k]->isVisible(), k <= 10);
        QCOMPARE(m->xBox[k]->isVisible(), k <= 10);
        QVERIFY(!m->xBox[k]->isChecked() && !m->yBox[k]->isChecked());
    }
    // The reading indicator lies over the column band and must not be hidden by the lists.
    const QObjectList &children = m->children();
    QVERIFY(children.indexOf(m->Panel1) > children.indexOf(m->colList[32]));
    QCOMPARE(m->Label2->text(), QStringLiteral("正在读取数据..."));
    QCOMPARE(m->Edit5->text(), QStringLiteral("4"));
}

void TestMainWindow::firstActivation_data()
{
    QTest::addColumn<bool>("remember");     // settings name a workbook
    QTest::addColumn<bool>("rememberedExists");
    QTest::addColumn<bool>("withSample");   // 001.xls beside the executable
    QTest::addColumn<QString>("expected");  // which file is read: "", "remembered", "sample"
    QTest::newRow("nothing at all") << false << false << false << "";
    QTest::newRow("sample only") << false << false << true << "sample";
    QTest::newRow("remembered") << true << true << true << "remembered";
    QTest::newRow("remembered gone, sample") << true << false << true << "sample";
    QTest::newRow("remembered gone, no sample") << true << false << false << "";
}

void TestMainWindow::firstActivation()
{
    QFETCH(bool, remember);
    QFETCH(bool, rememberedExists);
    QFETCH(bool, withSample);
    QFETCH(QString, expected);

    AppFixture f;
    const QString remembered = f.path("测量 数据.xls");
    if (rememberedExists)
        f.copyIn(sampleWorkbook(), "测量 数据.xls");
    if (withSample)
        f.copyIn(sampleWorkbook(), "001.xls");
    if (remember)
        IniFile(f.iniPath()).writeString(QStringLiteral("数据文件"), QStringLiteral("前次打开的数据文件"), remembered);

    Tmainform *m = f.start();
    QString path;
    if (expected == "remembered")
        path = remembered;
    else if (expected == "sample")
        path = f.path("001.xls");

    QCOMPARE(m->Edit1->text(), path);
    QCOMPARE(m->fileName(), path);
    QVERIFY(f.services.messages.isEmpty());
    QVERIFY(f.services.errors.isEmpty());
    if (path.isEmpty()) {
        QVERIFY(!m->Panel1->isVisible());
        QVERIFY(!m->Timer1->isActive());
        QVERIFY(!m->drawBtn->isEnabled());
        QVERIFY(m->Memo1->toPlainText().isEmpty());
        return;
    }
    // The indicator paints first; the read follows about 200 ms later, once.
    QVERIFY(m->Panel1->isVisible());
    QVERIFY(m->Timer1->isActive());
    QCOMPARE(m->Timer1->interval(), 200);
    QCOMPARE(m->readCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 2000);
    QVERIFY(!m->Panel1->isVisible());
    QVERIFY(!m->Timer1->isActive());
    // Later activations (as when the chart window closes) do not read again.
    m->FormActivate();
    QTest::qWait(300);
    QCOMPARE(m->readCount(), 1);
}

void TestMainWindow::openDialog_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("cancelled") << "";
    QTest::newRow("chosen") << "chosen.xls";
}

void TestMainWindow::openDialog()
{
    QFETCH(QString, answer);
    AppFixture f;
    Tmainform *m = f.start();
    const QString chosen = answer.isEmpty() ? QString() : f.path(answer);
    f.services.openAnswers.push_back(chosen);
    m->openBtn->click();

    QCOMPARE(f.services.openFilters, QStringList{QStringLiteral("电子表格文 (*.xls)")});
    QVERIFY(f.services.errors.isEmpty());
    if (chosen.isEmpty()) {
        QCOMPARE(m->Edit1->text(), QString());
        QVERIFY(!QFile::exists(f.iniPath()));
        QVERIFY(!m->Timer1->isActive());
        return;
    }
    // Remembered before the read, even though this file does not exist and will fail.
    QCOMPARE(IniFile(f.iniPath()).readString(QStringLiteral("数据文件"), QStringLiteral("前次打开的数据文件"), QString()), chosen);
    QCOMPARE(m->Edit1->text(), chosen);
    QVERIFY(m->Panel1->isVisible());
    QVERIFY(!m->drawBtn->isEnabled());
    QVERIFY(m->Timer1->isActive());
}

void TestMainWindow::refusedWriteOfRememberedPath()
{
    AppFixture f(false); // no ini folder beside the executable
    f.copyIn(sampleWorkbook(), "001.xls");
    Tmainform *m = f.start();
    QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 2000);
    const QString before = m->Edit1->text();

    f.services.openAnswers.push_back(f.path("other.xls"));
    m->openBtn->click();
    QCOMPARE(f.services.errors, QStringList{"Unable to write to " + f.iniPath() + "."});
    QCOMPARE(m->Edit1->text(), before);
    QVERIFY(!m->Panel1->isVisible());
    QVERIFY(!m->Timer1->isActive());
    QVERIFY(!QDir(f.path("ini")).exists());
}

void TestMainWindow::pendingRequestsGiveOneRead()
{
    AppFixture f;
    Tmainform *m = f.start();
    f.services.openAnswers = {f.path("a.xls"), f.path("b.xls")};
    m->openBtn->click();
    QTest::qWait(120);
    m->openBtn->click();
    // The second request does not restart the 200 ms: the read follows the first request.
    QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 150);
    QCOMPARE(m->fileName(), f.path("b.xls"));
    QTest::qWait(300);
    QCOMPARE(m->readCount(), 1);
}

void TestMainWindow::logEmptiedAt129thLine()
{
    AppFixture f;
    Tmainform *m = f.start();
    for (int i = 1; i <= 128; ++i)
        m->appendLog(QStringLiteral("第%1行").arg(i));
    QCOMPARE(m->Memo1->document()->blockCount(), 128);
    QCOMPARE(m->Memo1->document()->lastBlock().text(), QStringLiteral("第128行"));
    m->appendLog(QStringLiteral("第129行"));
    QVERIFY(m->Memo1->toPlainText().isEmpty());
    m->appendLog(QStringLiteral("again"));
    QCOMPARE(m->Memo1->toPlainText(), QStringLiteral("again"));
}

void TestMainWindow::errorDisplayAddsFullStop_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Unable to write to /x/ini/option.ini" << "Unable to write to /x/ini/option.ini.";
    QTest::newRow("chinese") << "无法打开工作簿 a.xls：文件已损坏" << "无法打开工作簿 a.xls：文件已损坏.";
    QTest::newRow("full stop") << "Done." << "Done.";
    QTest::newRow("bang") << "Stop!" << "Stop!";
    QTest::newRow("closing bracket") << "List index out of bounds (1)" << "List index out of bounds (1)";
    QTest::newRow("empty") << "" << "";
}

void TestMainWindow::errorDisplayAddsFullStop()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(withFullStop(message), shown);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
