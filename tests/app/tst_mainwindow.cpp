#include "support/appfixture.h"
#include "import/columnstore.h"
#include "support/sheetserver.h"
#include "app/boxticks.h"

#include "widgets/errorguard.h"

#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/inifile.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startupCreatesWindowsInOrder();
    void firstActivation_data();
    void firstActivation();
    void openDialog_data();
    void openDialog();
    void openDialogStartsInLastFolder();
    void refusedWriteOfRememberedPath();
    void pendingRequestsGiveOneRead();
    void logEmptiedAt129thLine();
    void errorDisplayAddsFullStop_data();
    void errorDisplayAddsFullStop();
    void tableReport_data();
    void tableReport();
    void ticksSurviveSecondRead();
    void narrowThenWideRead();
    void boxesBeforeFirstRead();
    void exclusionAndColours();
    void choiceCheck_data();
    void choiceCheck();
    void unequalLengthsKeepDrawingOff();
    void wideTableDraws_data();
    void wideTableDraws();
    void noSpreadsheetApplication();
    void openFailureKeepsIndicator();
};

namespace {

QStringList logLines(Tmainform *m)
{
    const QString text = m->Memo1->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

int visibleBoxColumns(Tmainform *m)
{
    int n = 0;
    for (int k = 1; k <= m->madeColumns(); ++k)
        if (m->xBox[k]->isVisible() && m->yBox[k]->isVisible())
            ++n;
    return n;
}

QColor boxColour(QCheckBox *box)
{
    return box->palette().color(QPalette::Window);
}

void tick(QCheckBox *box, bool on)
{
    if (box->isChecked() != on)
        box->click();
}

}

void TestMainWindow::tableReport_data()
{
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<int>("visibleColumns");
    QTest::addColumn<bool>("drawEnabled");
    QTest::addColumn<QStringList>("list2");

    QVector<QStringList> a1c10;
    for (int r = 1; r <= 10; ++r)
        a1c10 << QStringList{QString::number(r), QString::number(r * 2), QString::number(r * 3)};
    QTest::newRow("A1:C10") << a1c10 << 1 << QStringList{"数据行数：12 ,  列数：3", "文件没有列名行，各列按第N列命名"} << "x1 y2 y3" << 3 << true
                            << QStringList{"第2列", "", "2", "4", "6", "8", "10", "12", "14", "16", "18", "20"};

    QVector<QStringList> fromC;
    for (const QStringList &row : a1c10)
        fromC << (QStringList{"", ""} + row);
    QTest::newRow("data from column C, row 25") << fromC << 25 << QStringList{"数据行数：12 ,  列数：3", "文件没有列名行，各列按第N列命名"} << "x1 y2 y3" << 3
                                                << true << QStringList{"第2列", "", "2", "4", "6", "8", "10", "12", "14", "16", "18", "20"};
    // Rows are read up to the used range's row count + 30: from row 40 on, 9 rows are lost.
    QTest::newRow("used range from row 40") << fromC << 40 << QStringList{"数据行数：3 ,  列数：3", "文件没有列名行，各列按第N列命名"} << "x1 y2 y3" << 3
                                            << true << QStringList{"第2列", "", "2"};

    QTest::newRow("8 columns") << measuredTable(8, 4) << 1 << QStringList{"数据行数：6 ,  列数：8"} << "x1 y2 y3 y4 y5" << 8
                               << true << QStringList{"量2", "u2", "2", "4", "6", "8"};

    QVector<QStringList> gap = measuredTable(3, 2);
    gap << QStringList{"7", "", "9"};
    QTest::newRow("gap keeps its column") << gap << 1 << QStringList{"数据行数：5 ,  列数：3"} << "x1 y2 y3" << 3 << true
                                     << QStringList{"量2", "u2", "2", "4", ""};

    QVector<QStringList> single;
    for (int r = 1; r <= 5; ++r)
        single << QStringList{QString::number(r)};
    QTest::newRow("single column") << single << 1
                                   << QStringList{"数据行数：7 ,  列数：1", "数据仅一列，条件不满足。", "文件没有列名行，各列按第N列命名"} << "" << 1 << false
                                   << QStringList{};

    QTest::newRow("no data") << QVector<QStringList>{} << 1 << QStringList{"没有数据！"} << "" << 10 << false
                             << QStringList{};

    QVector<QStringList> errorInMiddle = measuredTable(3, 3);
    errorInMiddle[3][1] = "#ERR";
    // The log says where the read stopped: nothing is left out without a word.
    QTest::newRow("error cell ends the read")
        << errorInMiddle << 1
        << QStringList{"数据行数：4 ,  列数：3", "读取在第4行第2列停止（错误值无法转换为文本（-2146826281）），其后的数据未读入"}
        << "x1 y2 y3"
                                              << 3 << true << QStringList{"量2", "u2", "2", ""};
}

void TestMainWindow::tableReport()
{
    QFETCH(QVector<QStringList>, rows);
    QFETCH(int, firstRow);
    QFETCH(QStringList, log);
    QFETCH(QString, ticked);
    QFETCH(int, visibleColumns);
    QFETCH(bool, drawEnabled);
    QFETCH(QStringList, list2);

    SheetServer server;
    server.rows = rows;
    server.firstRow = firstRow;
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());

    QCOMPARE(logLines(m), log);
    QCOMPARE(ticks(m), ticked);
    QCOMPARE(visibleBoxColumns(m), visibleColumns);
    QCOMPARE(m->drawBtn->isEnabled(), drawEnabled);
    QCOMPARE(m->useBtn->isEnabled(), drawEnabled);
    QVERIFY(!m->Panel1->isVisible());
    QVERIFY(f.services.messages.isEmpty());
    QStringList shown;
    QAbstractItemModel *model = m->colList[2]->model();
    for (int i = 0; i < model->rowCount(); ++i)
        shown << model->index(i, 0).data().toString();
    QCOMPARE(shown, list2);
    if (drawEnabled) {
        QCOMPARE(m->colCount(), visibleColumns);
        QCOMPARE(m->lastRow(), m->colList[1]->model()->rowCount());
        QCOMPARE(m->Edit5->text(), QString::number(m->lastRow()));
        QCOMPARE(boxColour(m->xBox[1]), QColor(0, 255, 255));
        QCOMPARE(boxColour(m->yBox[1]), QColor(192, 192, 192));
        QCOMPARE(boxColour(m->yBox[2]), QColor(0, 255, 255));
    } else {
        QCOMPARE(m->colCount(), 0);
        QCOMPARE(m->lastRow(), 4);
    }
}

void TestMainWindow::ticksSurviveSecondRead()
{
    SheetServer server;
    server.rows = measuredTable(6, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    QCOMPARE(ticks(m), QStringLiteral("x1 y2 y3 y4 y5"));
    tick(m->xBox[1], false);
    tick(m->xBox[6], true);
    QCOMPARE(ticks(m), QStringLiteral("y2 y3 y4 y5 x6"));
    QVERIFY(f.openAndRead());
    // A read never unticks: the default ticks come on top, adding a second X column.
    QCOMPARE(ticks(m), QStringLiteral("x1 y2 y3 y4 y5 x6"));
    m->drawBtn->click();
    QCOMPARE(f.services.messages, QStringList{"X指标个数不能超过1个"});
}

void TestMainWindow::narrowThenWideRead()
{
    SheetServer server;
    server.rows = measuredTable(2, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    QCOMPARE(visibleBoxColumns(m), 2);
    server.rows = measuredTable(6, 3);
    QVERIFY(f.openAndRead());
    QCOMPARE(visibleBoxColumns(m), 6);
    QCOMPARE(ticks(m), QStringLiteral("x1 y2 y3 y4 y5"));
}

void TestMainWindow::boxesBeforeFirstRead()
{
    AppFixture f;
    Tmainform *m = f.start();
    tick(m->xBox[2], true);
    tick(m->yBox[2], true);
    // No exclusion and no colour before a read found two columns.
    QCOMPARE(ticks(m), QStringLiteral("x2 y2"));
    QCOMPARE(boxColour(m->xBox[2]), QColor(192, 192, 192));
}

void TestMainWindow::exclusionAndColours()
{
    SheetServer server;
    server.rows = measuredTable(3, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    tick(m->xBox[2], true);
    QCOMPARE(ticks(m), QStringLiteral("x1 x2 y3"));
    QCOMPARE(boxColour(m->xBox[2]), QColor(0, 255, 255));
    QCOMPARE(boxColour(m->yBox[2]), QColor(192, 192, 192));
    tick(m->xBox[2], false);
    QCOMPARE(ticks(m), QStringLiteral("x1 y3"));
    QCOMPARE(boxColour(m->xBox[2]), QColor(192, 192, 192));
}

void TestMainWindow::choiceCheck_data()
{
    QTest::addColumn<QString>("choice"); // boxes ticked after clearing all
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing ticked") << "" << "没有选择Y坐标数据";
    QTest::newRow("only y") << "y2" << "没有选择X坐标数据";
    QTest::newRow("only x") << "x1" << "没有选择Y坐标数据";
    QTest::newRow("two x") << "x1 y2 x3" << "X指标个数不能超过1个";
    QTest::newRow("five y, no x") << "y2 y3 y4 y5 y6" << "Y指标个数不能超过4个";
    QTest::newRow("two x, five y") << "x1 y2 y3 y4 y5 y6 x7" << "Y指标个数不能超过4个";
    QTest::newRow("passes") << "x1 y2 y3 y4 y5" << "";
}

void TestMainWindow::choiceCheck()
{
    QFETCH(QString, choice);
    QFETCH(QString, message);
    SheetServer server;
    server.rows = measuredTable(8, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    for (int k = 1; k <= m->madeColumns(); ++k) {
        tick(m->xBox[k], false);
        tick(m->yBox[k], false);
    }
    for (const QString &box : choice.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        tick((box[0] == QLatin1Char('x') ? m->xBox : m->yBox)[box.mid(1).toInt()], true);
    QCOMPARE(ticks(m), choice);

    m->drawBtn->click();
    if (message.isEmpty()) {
        QVERIFY(f.services.messages.isEmpty());
        QVERIFY(m->choiceOK());
        QCOMPARE(f.services.modalCount, 1);
        return;
    }
    QCOMPARE(f.services.messages, QStringList{message});
    QCOMPARE(logLines(m).last(), message);
    QVERIFY(!m->choiceOK());
    QVERIFY(m->drawBtn->isEnabled());
    QCOMPARE(f.services.modalCount, 0);
}

void TestMainWindow::unequalLengthsKeepDrawingOff()
{
    SheetServer server;
    server.rows = measuredTable(3, 4);
    server.rows[5][2] = ""; // column 3 one reading short
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    // The empty cell is an empty item of its own column: the lists stay as long as the
    // table, so the choice is not refused and the chart opens.
    QCOMPARE(m->store().count(3), m->store().count(1));
    QCOMPARE(m->store().item(3, 5), QString());
    m->drawBtn->click();
    QVERIFY(f.services.messages.isEmpty());
    QVERIFY(m->drawBtn->isEnabled());
}

void TestMainWindow::wideTableDraws_data()
{
    QTest::addColumn<int>("columns"); // of the sheet
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("message"); // "" when the chart opens
    QTest::newRow("33, y33") << 33 << "x1 y33" << "";
    QTest::newRow("67, y67") << 67 << "x1 y67" << "";
    QTest::newRow("67, x67 y2") << 67 << "y2 x67" << "";
    QTest::newRow("256, y67 y256") << 256 << "x1 y67 y256" << "";
    QTest::newRow("300, y67 y256") << 300 << "x1 y67 y256" << "";
    QTest::newRow("256, five y") << 256 << "x1 y40 y67 y100 y200 y256" << "Y指标个数不能超过4个";
}

// A column past the 32nd is chosen and drawn like the first ones: its own values reach the
// chart, and the choice rules count it.
void TestMainWindow::wideTableDraws()
{
    QFETCH(int, columns);
    QFETCH(QString, choice);
    QFETCH(QString, message);
    SheetServer server;
    server.rows = measuredTable(columns, 4);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    QCOMPARE(m->madeColumns(), std::min(columns, 256));
    QCOMPARE(visibleBoxColumns(m), std::min(columns, 256));
    for (int k = 1; k <= m->madeColumns(); ++k) {
        tick(m->xBox[k], false);
        tick(m->yBox[k], false);
    }
    QVector<int> ys;
    for (const QString &box : choice.split(QLatin1Char(' '))) {
        const int k = box.mid(1).toInt();
        tick((box[0] == QLatin1Char('x') ? m->xBox : m->yBox)[k], true);
        if (box[0] == QLatin1Char('y'))
            ys << k;
    }
    QCOMPARE(ticks(m), choice);
    m->drawBtn->click();
    if (!message.isEmpty()) {
        QCOMPARE(f.services.messages, QStringList{message});
        QVERIFY(!m->choiceOK());
        return;
    }
    QVERIFY2(f.services.messages.isEmpty(), qPrintable(f.services.messages.join('/')));
    QVERIFY(m->choiceOK());
    QCOMPARE(f.services.modalCount, 1);
    const lineload::Result &loaded = m->chartDocument().loaded();
    QCOMPARE(loaded.yCount, int(ys.size()));
    QCOMPARE(loaded.dataRows, 4);
    for (int i = 0; i < ys.size(); ++i) {
        QCOMPARE(loaded.yCol[i], ys[i]);
        // Row r of column c holds r * c: the chosen list's own readings are on the chart.
        const Tkfdline *chart = app().dataLineForm->kfdline1;
        QCOMPARE(int(chart->pointCount[i]), 4);
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(chart->yData[i][r], double(r * ys[i]));
    }
}

void TestMainWindow::noSpreadsheetApplication()
{
    SheetServer server;
    server.rows = measuredTable(3, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    automation::Registry::global().remove(QStringLiteral("Excel.Application"));
    QVERIFY(f.openAndRead(QStringLiteral("other.xls")));
    QCOMPARE(f.services.messages, QStringList{"连接Excel失败"});
    // The report runs on the unchanged store: the earlier size again, drawing enabled.
    QCOMPARE(logLines(m), (QStringList{"数据行数：5 ,  列数：3", "数据行数：5 ,  列数：3"}));
    QVERIFY(m->drawBtn->isEnabled());
    QCOMPARE(m->Edit1->text(), f.path("other.xls"));
}

void TestMainWindow::openFailureKeepsIndicator()
{
    SheetServer server;
    server.rows = measuredTable(3, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    server.failOpen = true;
    QVERIFY(f.openAndRead(QStringLiteral("bad.xls")));
    QCOMPARE(f.services.errors, QStringList{"无法打开工作簿 " + f.path("bad.xls") + "：文件已损坏."});
    QVERIFY(m->Panel1->isVisible());
    QVERIFY(!m->drawBtn->isEnabled());
    // The earlier table is still there.
    QCOMPARE(m->colList[1]->model()->rowCount(), 5);
}

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

// The second open starts in the folder of the file the first one chose.
void TestMainWindow::openDialogStartsInLastFolder()
{
    AppFixture f;
    Tmainform *m = f.start();
    QDir(f.dir.path()).mkdir(QStringLiteral("logs"));
    f.services.openAnswers.push_back(f.path(QStringLiteral("logs/run1.csv")));
    f.services.openAnswers.push_back(QString());
    m->openBtn->click();
    m->openBtn->click();
    QCOMPARE(f.services.openFolders.size(), 2);
    QCOMPARE(f.services.openFolders[1], f.path(QStringLiteral("logs")));
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

    // Every readable kind first, the .xls entry, anything last; no file opened yet, so the
    // dialog starts where it likes.
    QCOMPARE(f.services.openFilters,
             QStringList{QStringLiteral("数据文件 (*.xls *.xlsx *.xlsm *.ods *.csv *.txt *.dat *.lvm *.mpt *.tsv);;"
                                        "电子表格文(*.xls);;所有文件 (*)")});
    QCOMPARE(f.services.openFolders, QStringList{QString()});
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

    // Shown and logged, and the chosen workbook is read all the same.
    QVERIFY(before != f.path("other.xls"));
    f.services.openAnswers.push_back(f.path("other.xls"));
    m->openBtn->click();
    QCOMPARE(f.services.errors, QStringList{"Unable to write to " + f.iniPath() + "."});
    QCOMPARE(m->Memo1->toPlainText().split('\n').count("Unable to write to " + f.iniPath()), 1);
    QCOMPARE(m->Edit1->text(), f.path("other.xls"));
    QVERIFY(m->Panel1->isVisible());
    QVERIFY(m->Timer1->isActive());
    QVERIFY(!QDir(f.path("ini")).exists());
}

void TestMainWindow::pendingRequestsGiveOneRead()
{
    AppFixture f;
    Tmainform *m = f.start();
    f.services.openAnswers = {f.path("a.xls"), f.path("b.xls")};
    m->openBtn->click();
    // Time passes without an event loop, so the timer cannot fire in between.
    QTest::qSleep(60);
    m->openBtn->click();
    // The second request does not restart the 200 ms.
    QVERIFY(m->Timer1->isActive());
    QVERIFY2(m->Timer1->remainingTime() <= 150, qPrintable(QString::number(m->Timer1->remainingTime())));
    QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 2000);
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
