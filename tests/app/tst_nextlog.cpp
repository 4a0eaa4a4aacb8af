// The next log drawn like the last: the choice remembered by the columns' names, the recent
// files, a dropped file, the titles naming the file, and a main window that can be widened.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "app/boxticks.h"

#include "app/commandline.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/choicesettings.h"
#include "settings/inifile.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTableView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>

class TestNextLog : public QObject
{
    Q_OBJECT
private slots:
    void rememberedChoice_data();
    void rememberedChoice();
    void handEditedChoice_data();
    void handEditedChoice();
    void refusedChoiceWriteStillDraws();
    void recentFiles_data();
    void recentFiles();
    void recentMenuOpensFile();
    void recentOnCommandLine();
    void drop_data();
    void drop();
    void titlesNameTheFile();
    void widening_data();
    void widening();
    void cutItemTip_data();
    void cutItemTip();
};

namespace {

// A table of the given column names over three data rows.
QVector<QStringList> namedTable(const QStringList &names)
{
    QVector<QStringList> rows = measuredTable(int(names.size()), 3);
    rows[0] = names;
    return rows;
}

void setTicks(Tmainform *m, const QString &wanted)
{
    const QStringList ticked = wanted.split(QLatin1Char(' '));
    for (int k = 1; k <= m->madeColumns(); ++k) {
        for (QCheckBox *box : {m->xBox[k], m->yBox[k]}) {
            const QString name = QStringLiteral("%1%2").arg(box == m->xBox[k] ? "x" : "y").arg(k);
            if (box->isChecked() != ticked.contains(name))
                box->click();
        }
    }
}

QString lastLogLine(Tmainform *m)
{
    return m->Memo1->toPlainText().section(QLatin1Char('\n'), -1);
}

QString menuText(int n, const QString &path)
{
    return QStringLiteral("%1  %2").arg(n).arg(path);
}

void openContextMenu(Tmainform *m)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), m->Edit1->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(m->Edit1, &event);
}

}

void TestNextLog::rememberedChoice_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QString>("drawn");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("restart");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("log");

    const QStringList names = {"时间", "温度", "压力", "流量", "电压", "电流"};
    QTest::newRow("all match") << names << "x1 y3 y6" << names << false << "x1 y3 y6"
                               << "按上次绘制的列勾选：X 时间，Y 压力、电流";
    QTest::newRow("all match, after a restart") << names << "x1 y3 y6" << names << true << "x1 y3 y6"
                                                << "按上次绘制的列勾选：X 时间，Y 压力、电流";
    QTest::newRow("all match, moved and with more columns")
        << names << "x1 y3 y6" << QStringList{"序号", "电流", "时间", "备注", "压力", "温度", "湿度"} << false
        << "y2 x3 y5" << "按上次绘制的列勾选：X 时间，Y 电流、压力";
    QTest::newRow("x on a later column") << names << "y1 x2 y4" << QStringList{"流量", "温度", "时间"} << true
                                         << "y1 x2 y3" << "按上次绘制的列勾选：X 温度，Y 流量、时间";
    QTest::newRow("some missing") << names << "x1 y3 y6" << QStringList{"时间", "温度", "压力", "流量", "电压"} << true
                                  << "x1 y2 y3 y4 y5" << "上次绘制的列“电流”不在本文件中，按默认勾选";
    QTest::newRow("x missing") << names << "x1 y3" << QStringList{"日期", "压力", "流量"} << true << "x1 y2 y3"
                               << "上次绘制的列“时间”不在本文件中，按默认勾选";
    QTest::newRow("renamed") << names << "x1 y2 y3" << QStringList{"时间", "温度(℃)", "压力(kPa)"} << true
                             << "x1 y2 y3" << "上次绘制的列“温度”“压力”不在本文件中，按默认勾选";
    const QStringList twice = {"时间", "温度", "温度", "压力"};
    QTest::newRow("duplicate names, the second chosen") << twice << "x1 y3" << QStringList{"时间", "压力", "温度", "温度"}
                                                        << true << "x1 y4" << "按上次绘制的列勾选：X 时间，Y 温度";
    QTest::newRow("duplicate names, both chosen") << twice << "x1 y2 y3" << QStringList{"温度", "时间", "温度"} << false
                                                  << "y1 x2 y3" << "按上次绘制的列勾选：X 时间，Y 温度、温度";
    QTest::newRow("duplicate names, the second gone") << twice << "x1 y3" << QStringList{"时间", "温度", "压力"} << true
                                                      << "x1 y2 y3" << "上次绘制的列“温度（第2个）”不在本文件中，按默认勾选";
}

void TestNextLog::rememberedChoice()
{
    QFETCH(QStringList, first);
    QFETCH(QString, drawn);
    QFETCH(QStringList, second);
    QFETCH(bool, restart);
    QFETCH(QString, expected);
    QFETCH(QString, log);

    SheetServer server;
    auto f = std::make_unique<AppFixture>();
    Tmainform *m = f->start();
    server.rows = namedTable(first);
    QVERIFY(f->openAndRead());
    setTicks(m, drawn);
    m->drawBtn->click();
    QCOMPARE(f->services.modalCount, 1);
    QCOMPARE(ticks(m), drawn);

    if (restart) {
        // A new run with the same settings file.
        const QByteArray ini = f->iniBytes();
        f.reset();
        f = std::make_unique<AppFixture>();
        f->writeIni(ini);
        m = f->start();
    }
    server.rows = namedTable(second);
    QVERIFY(f->openAndRead(QStringLiteral("next.xls")));
    QCOMPARE(ticks(m), expected);
    QCOMPARE(lastLogLine(m), log);
}

void TestNextLog::handEditedChoice_data()
{
    // Keys of section "选择的列" as a person may leave them, over a file of columns
    // 时间 温度 压力 流量 电压 电流.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("log"); // "" when nothing was restored nor missed
    QTest::newRow("occurrence left out") << QStringList{"X列=电流", "Y列数=1", "Y列1=时间"} << "y1 x6"
                                        << "按上次绘制的列勾选：X 电流，Y 时间";
    QTest::newRow("more than four curves read as four")
        << QStringList{"X列=时间", "Y列数=9", "Y列1=温度", "Y列2=压力", "Y列3=流量", "Y列4=电压", "Y列5=电流"}
        << "x1 y2 y3 y4 y5" << "按上次绘制的列勾选：X 时间，Y 温度、压力、流量、电压";
    QTest::newRow("occurrence 0 names no column") << QStringList{"X列=时间", "X列序号=0", "Y列数=1", "Y列1=温度"}
                                                  << "x1 y2 y3 y4 y5" << "";
    QTest::newRow("no curve") << QStringList{"X列=时间", "Y列数=0"} << "x1 y2 y3 y4 y5" << "";
    QTest::newRow("no X") << QStringList{"Y列数=1", "Y列1=温度"} << "x1 y2 y3 y4 y5" << "";
}

void TestNextLog::handEditedChoice()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, expected);
    QFETCH(QString, log);
    SheetServer server;
    server.rows = namedTable({"时间", "温度", "压力", "流量", "电压", "电流"});
    AppFixture f;
    {
        IniFile ini(f.iniPath());
        for (const QString &key : keys)
            ini.writeString("选择的列", key.section('=', 0, 0), key.section('=', 1));
    }
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    QCOMPARE(ticks(m), expected);
    QCOMPARE(lastLogLine(m), log.isEmpty() ? QStringLiteral("数据行数：5 ,  列数：6") : log);
}

void TestNextLog::refusedChoiceWriteStillDraws()
{
    SheetServer server;
    server.rows = namedTable({"时间", "温度", "压力"});
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    // The settings file turns into a folder: every write is refused.
    QVERIFY(QFile::remove(f.iniPath()));
    QVERIFY(QDir().mkdir(f.iniPath()));
    setTicks(m, QStringLiteral("x1 y3"));
    m->drawBtn->click();
    QCOMPARE(f.services.modalCount, 1);
    QVERIFY(f.services.errors.isEmpty());
    QVERIFY(m->Memo1->toPlainText().contains(QStringLiteral("所选的列未能记下：Unable to write to %1").arg(f.iniPath())));
}

void TestNextLog::recentFiles_data()
{
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("recent");
    QTest::newRow("one") << QStringList{"a.xls"} << QStringList{"a.xls"};
    QTest::newRow("three, last first") << QStringList{"a.xls", "b.csv", "c.ods"} << QStringList{"c.ods", "b.csv", "a.xls"};
    QTest::newRow("opened again goes first, once") << QStringList{"a.xls", "b.csv", "a.xls"}
                                                   << QStringList{"a.xls", "b.csv"};
    QStringList ten;
    for (int i = 1; i <= 10; ++i)
        ten << QStringLiteral("log%1.csv").arg(i);
    QStringList lastEight;
    for (int i = 10; i >= 3; --i)
        lastEight << QStringLiteral("log%1.csv").arg(i);
    QTest::newRow("ten keep the last eight") << ten << lastEight;
}

void TestNextLog::recentFiles()
{
    QFETCH(QStringList, opened);
    QFETCH(QStringList, recent);
    SheetServer server;
    server.rows = measuredTable(3, 2);
    AppFixture f;
    Tmainform *m = f.start();
    for (const QString &name : opened)
        QVERIFY(f.openAndRead(name));
    QStringList expected;
    for (const QString &name : recent)
        expected << f.path(name);
    QCOMPARE(m->recentFiles(), expected);

    // The path box's menu offers them; the files are not there, so they cannot be chosen.
    openContextMenu(m);
    QStringList items;
    for (int i = 0; i < expected.size(); ++i)
        items << menuText(i + 1, expected[i]) + QStringLiteral("（不存在）");
    items << QStringLiteral("跟踪文件") << QStringLiteral("重新读取") << QStringLiteral("复制文件名");
    QCOMPARE(f.services.menuItems, items);

    // Kept in the settings file, for the next run.
    IniFile ini(f.iniPath());
    QCOMPARE(choicesettings::readRecentFiles(ini), expected);
}

void TestNextLog::recentMenuOpensFile()
{
    SheetServer server;
    server.rows = measuredTable(3, 2);
    AppFixture f;
    Tmainform *m = f.start();
    openContextMenu(m);
    QCOMPARE(f.services.menuItems, (QStringList{"没有最近打开的文件", "跟踪文件", "重新读取", "复制文件名"}));

    for (const char *name : {"a.xls", "b.xls"}) {
        QFile file(f.path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(f.openAndRead(name));
    }
    const int before = m->readCount();
    f.services.menuAnswers.push_back(menuText(2, f.path("a.xls")));
    openContextMenu(m);
    QVERIFY(QTest::qWaitFor([&] { return m->readCount() == before + 1; }, 3000));
    QCOMPARE(m->fileName(), f.path("a.xls"));
    QCOMPARE(m->recentFiles(), (QStringList{f.path("a.xls"), f.path("b.xls")}));
    IniFile ini(f.iniPath());
    QCOMPARE(ini.readString("数据文件", "前次打开的数据文件", QString()), f.path("a.xls"));

    f.services.menuAnswers.push_back(QStringLiteral("复制文件名"));
    openContextMenu(m);
    QCOMPARE(QGuiApplication::clipboard()->text(), f.path("a.xls"));
}

void TestNextLog::recentOnCommandLine()
{
    // A copy of the program beside a settings folder of its own.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("ini"));
    const QString program = dir.filePath("tabrovex");
    QVERIFY(QFile::copy(TABROVEX_BINARY_DIR "/tabrovex", program));
    QProcess process;
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process.start(program, {"--recent"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QVERIFY(!QFileInfo::exists(dir.filePath("ini/option.ini"))); // nothing made by asking

    IniFile ini(dir.filePath("ini/option.ini"));
    const QStringList files = {"/data/今天的记录.csv", "/data/b & c.xls"};
    choicesettings::writeRecentFiles(ini, files);
    process.start(program, {"--recent"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), files.join('\n') + '\n');

    QCOMPARE(commandline::parse({"--recent"}).action, commandline::Parsed::Action::Recent);
    QCOMPARE(commandline::parse({"--recent", "a.xls"}).action, commandline::Parsed::Action::Refused);
    QVERIFY(commandline::usage().contains("--recent"));
}

void TestNextLog::drop_data()
{
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("opened"); // file name in the fixture's folder, "" for none
    QTest::addColumn<QString>("message");
    QTest::newRow("one file") << QStringList{"file:book.csv"} << "book.csv" << "";
    QTest::newRow("two files") << QStringList{"file:a.csv", "file:b.csv"} << "" << "一次只能打开一个文件，不能打开2个";
    QTest::newRow("not a local file") << QStringList{"https://example.org/a.csv"} << ""
                                      << "只能打开本机上的文件：https://example.org/a.csv";
}

void TestNextLog::drop()
{
    QFETCH(QStringList, urls);
    QFETCH(QString, opened);
    QFETCH(QString, message);
    SheetServer server;
    server.rows = measuredTable(3, 2);
    AppFixture f;
    Tmainform *m = f.start();
    QMimeData mime;
    QList<QUrl> list;
    for (const QString &u : urls)
        list << (u.startsWith("file:") ? QUrl::fromLocalFile(f.path(u.mid(5))) : QUrl(u));
    mime.setUrls(list);
    QDragEnterEvent enter(QPoint(300, 150), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(300, 150), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m, &drop);

    if (opened.isEmpty()) {
        QCOMPARE(f.services.messages, QStringList{message});
        QCOMPARE(lastLogLine(m), message);
        QVERIFY(m->recentFiles().isEmpty());
        QVERIFY(m->fileName().isEmpty());
        return;
    }
    QVERIFY(QTest::qWaitFor([&] { return m->readCount() == 1; }, 3000));
    QCOMPARE(m->fileName(), f.path(opened));
    QCOMPARE(m->recentFiles(), QStringList{f.path(opened)});
    QCOMPARE(m->colCount(), 3);
}

void TestNextLog::titlesNameTheFile()
{
    SheetServer server;
    server.rows = measuredTable(3, 2);
    AppFixture f;
    Tmainform *m = f.start();
    QCOMPARE(m->windowTitle(), QStringLiteral("Excel曲线"));
    QVERIFY(f.openAndRead("first log.csv"));
    QCOMPARE(m->windowTitle(), QStringLiteral("Excel曲线 - first log.csv"));
    QString chartTitle;
    f.services.onModal = [&](QDialog *d) { chartTitle = d->windowTitle(); };
    m->drawBtn->click();
    QCOMPARE(chartTitle, QStringLiteral("数据曲线窗口 - first log.csv"));

    // A file that cannot be read leaves the title on the table the lists still show.
    server.failOpen = true;
    f.openAndRead("broken.xls");
    QVERIFY(!f.services.errors.isEmpty());
    QCOMPARE(m->windowTitle(), QStringLiteral("Excel曲线 - first log.csv"));
    server.failOpen = false;
    QVERIFY(f.openAndRead("sub/second.xls"));
    QCOMPARE(m->windowTitle(), QStringLiteral("Excel曲线 - second.xls"));
    m->drawBtn->click();
    QCOMPARE(chartTitle, QStringLiteral("数据曲线窗口 - second.xls"));
}

void TestNextLog::widening_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("pitch");
    QTest::newRow("designed size") << 660 << 8 << 65;
    QTest::newRow("designed size, scrolling") << 660 << 14 << 65;
    QTest::newRow("wider by 100") << 760 << 8 << 75;
    QTest::newRow("wider by 345, scrolling") << 1005 << 14 << 99;
    QTest::newRow("narrower stays designed") << 500 << 8 << 65;
}

void TestNextLog::widening()
{
    QFETCH(int, width);
    QFETCH(int, columns);
    QFETCH(int, pitch);
    SheetServer server;
    server.rows = measuredTable(columns, 3);
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    m->resize(width, 600);
    QCOMPARE(m->height(), 469);
    const int extra = m->width() - 660;
    QCOMPARE(m->width(), std::max(width, 660));

    QCOMPARE(m->Edit1->geometry(), QRect(80, 8, 345 + extra, 24));
    QCOMPARE(m->openBtn->geometry(), QRect(432 + extra, 8, 89, 25));
    QCOMPARE(m->drawBtn->geometry(), QRect(560 + extra, 8, 89, 25));
    QCOMPARE(m->exitBtn->geometry(), QRect(560 + extra, 438, 89, 25));
    QCOMPARE(m->Memo1->geometry(), QRect(4, 272, 333 + extra, 193));
    const bool scrolls = columns > 10;
    for (int k = 1; k <= 10; ++k) {
        const int left = 8 + pitch * (k - 1);
        QCOMPARE(m->colList[k]->geometry(), QRect(left, 65, pitch - 5, scrolls ? 183 : 200));
        QCOMPARE(m->xBox[k]->pos(), QPoint(left, 45));
        QCOMPARE(m->yBox[k]->pos(), QPoint(left + 30, 45));
    }
    // Ten columns fill the window as at the designed size.
    QVERIFY(m->colList[10]->geometry().right() <= m->width() - 8);
    QVERIFY(m->colList[10]->geometry().right() > m->width() - 8 - 10);
    QCOMPARE(m->columnScroll->isVisible(), scrolls);
    if (scrolls) {
        QCOMPARE(m->columnScroll->width(), m->width() - 8);
        m->columnScroll->setValue(m->columnScroll->maximum());
        QCOMPARE(m->colList[columns]->geometry().right(), m->width() - 8 - 1);
    }
    // Back at the designed width everything stands where it was designed.
    m->resize(660, 469);
    QCOMPARE(m->colList[2]->geometry().topLeft(), QPoint(73 - m->columnScroll->value(), 65));
    QCOMPARE(m->colList[2]->width(), 60);
    QCOMPARE(m->exitBtn->pos(), QPoint(560, 438));
}

void TestNextLog::cutItemTip_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("tip");
    QTest::newRow("short number") << "1.5" << 660 << false;
    QTest::newRow("timestamp") << "2026-12-08 10:00:00.125" << 660 << true;
    QTest::newRow("timestamp, wider window") << "2026-12-08 10:00:00.125" << 900 << true;
    QTest::newRow("long text") << "一个很长很长的说明文字" << 660 << true;
}

void TestNextLog::cutItemTip()
{
    QFETCH(QString, item);
    QFETCH(int, width);
    QFETCH(bool, tip);
    SheetServer server;
    server.rows = {{"名称", "量"}, {"单位", "u"}, {item, "1"}};
    AppFixture f;
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    m->resize(width, 469);
    QTableView *list = m->colList[1];
    const QRect rect = list->visualRect(list->model()->index(2, 0));
    QVERIFY(rect.isValid());
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    QHelpEvent help(QEvent::ToolTip, rect.center(), list->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(list->viewport(), &help);
    QCOMPARE(QToolTip::isVisible(), tip);
    if (tip)
        QCOMPARE(QToolTip::text(), item);
    // Below the last item there is nothing to show.
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    QHelpEvent below(QEvent::ToolTip, QPoint(5, list->viewport()->height() - 2), QPoint());
    QCoreApplication::sendEvent(list->viewport(), &below);
    QVERIFY(!QToolTip::isVisible());
}

QTEST_MAIN(TestNextLog)
#include "tst_nextlog.moc"
