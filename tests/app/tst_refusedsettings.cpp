// A settings file that refuses every write never stops the work a write belongs to: the
// workbook is read and drawn, the dialogs close, their values take effect for the run, and
// the main window's log (with the error display where the action shows its errors) says so.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/ui/colorswatch.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Refusing { ReadOnlyFile, Folder, Fifo, TooLarge, LinkToNull };
enum class Action { StartWithFile, OpenButton, ColourDialog, LimitsDialog, FirstRows };

constexpr int Blue = 0xFF0000;

// Puts a settings file that refuses every write where the program keeps it.
void makeRefusing(const AppFixture &f, Refusing kind)
{
    const QString ini = f.iniPath();
    const QByteArray native = QFile::encodeName(ini);
    QFile::remove(ini);
    switch (kind) {
    case Refusing::ReadOnlyFile:
        f.writeIni("[\xca\xfd\xbe\xdd\xc7\xfa\xcf\xdf]\r\n");
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        break;
    case Refusing::Folder:
        QVERIFY(QDir().mkdir(ini));
        break;
    case Refusing::Fifo:
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        break;
    case Refusing::TooLarge:
        f.writeIni("[\xca\xfd\xbe\xdd\xc7\xfa\xcf\xdf]\r\n");
        QCOMPARE(::truncate(native.constData(), (off_t(256) << 20) + 1), 0);
        break;
    case Refusing::LinkToNull:
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), ini));
        break;
    }
}

// What the settings file is, to see that a refused write left it alone.
QString fileState(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("missing");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("mode %1").arg(st.st_mode, 0, 8);
    QString state = QStringLiteral("file %1 bytes, mode %2").arg(st.st_size).arg(st.st_mode, 0, 8);
    QFile file(path);
    if (st.st_size < 4096 && file.open(QIODevice::ReadOnly))
        state += QLatin1Char(' ') + QString::fromLatin1(file.readAll().toHex());
    return state;
}

void rightClick(ChartView *view)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 200), view->mapToGlobal(QPoint(100, 200)));
    QCoreApplication::sendEvent(view, &event);
}

// "绘制曲线" on the table read: the chart window opens on a drawn chart of all 20 rows.
void drawReadTable(AppFixture &f, Tmainform *m)
{
    QVERIFY(m->drawBtn->isEnabled());
    bool drawn = false;
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        drawn = d == w && w->kfdline1->hasPicture() && w->kfdline1->xAxis.upper == 20.0;
    };
    m->drawBtn->click();
    QVERIFY(drawn);
}

}

class TestRefusedSettings : public QObject
{
    Q_OBJECT
private slots:
    void workGoesOn_data();
    void workGoesOn();
};

void TestRefusedSettings::workGoesOn_data()
{
    QTest::addColumn<int>("refusing");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("boxShown");   // the action shows its errors in a message box
    const std::pair<Refusing, const char *> files[] = {
        {Refusing::ReadOnlyFile, "read-only file"}, {Refusing::Folder, "folder"}, {Refusing::Fifo, "FIFO"},
        {Refusing::TooLarge, "over 256 MiB"}, {Refusing::LinkToNull, "link to /dev/null"}};
    const std::tuple<Action, const char *, bool> actions[] = {
        {Action::StartWithFile, "start with a file", false}, {Action::OpenButton, "打开文件", true},
        {Action::ColourDialog, "设置", true}, {Action::LimitsDialog, "手动调整", true},
        {Action::FirstRows, "只绘制前1000行", false}};
    for (const auto &[file, fileName] : files)
        for (const auto &[action, actionName, box] : actions)
            QTest::addRow("%s, %s", fileName, actionName) << int(file) << int(action) << box;
}

void TestRefusedSettings::workGoesOn()
{
    QFETCH(int, refusing);
    QFETCH(int, action);
    QFETCH(bool, boxShown);
    AppFixture f;
    SheetServer server;
    const QString refusal = "Unable to write to " + f.iniPath();
    QString before;
    const auto refuseFromNow = [&] {
        makeRefusing(f, Refusing(refusing));
        before = fileState(f.iniPath());
    };

    switch (Action(action)) {
    case Action::StartWithFile: {
        refuseFromNow();
        server.rows = measuredTable(5, 20);
        app().startWorkbook = f.path("named.xls");
        Tmainform *m = f.start();
        QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 3000);
        QCOMPARE(m->fileName(), f.path("named.xls"));
        drawReadTable(f, m);
        break;
    }
    case Action::OpenButton: {
        refuseFromNow();
        server.rows = measuredTable(5, 20);
        Tmainform *m = f.start();
        QVERIFY(f.openAndRead());
        QCOMPARE(m->fileName(), f.path("book.xls"));
        drawReadTable(f, m);
        break;
    }
    case Action::ColourDialog:
        f.services.colorAnswers = {Blue};
        f.services.onModal = [](QDialog *d) {
            TsetLinecolorform *c = app().setLinecolorform;
            if (d != c)
                return;
            QTest::mouseClick(c->color1, Qt::LeftButton);
            c->Edit1->setText(QStringLiteral("泵试验"));
            c->OKBtn->click();
        };
        readAndDraw(f, server, [&](TdataLineForm *w) {
            refuseFromNow();
            w->Button2->click();
            // Read back and drawn as if the file held them.
            QCOMPARE(app().lineSet.color[0], Blue);
            QCOMPARE(w->kfdline1->curves[0].color, Blue);
            QCOMPARE(w->line1->curves[0].color, Blue);
            QCOMPARE(w->kfdline1->title, QStringLiteral("泵试验"));
        });
        break;
    case Action::LimitsDialog:
        f.services.onModal = [](QDialog *d) {
            TsetrulerForm *r = app().setrulerForm;
            if (d != r)
                return;
            r->Edit1->setText(QStringLiteral("3"));
            r->Edit8->setText(QStringLiteral("4000"));
            r->BitBtn1->click();
            QVERIFY(!r->isVisible());
        };
        readAndDraw(f, server, [&](TdataLineForm *w) {
            refuseFromNow();
            w->Button3->click();
            w->box4->click();
            QCOMPARE(w->kfdline1->curves[0].lower, 3.0);
            QCOMPARE(w->line1->curves[3].upper, 4000.0);
        });
        QCOMPARE(app().lineSet.upper[3], 4000.0);
        break;
    case Action::FirstRows:
        drawRows(f, server, measuredTable(3, 1200), [&](TdataLineForm *w) {
            refuseFromNow();
            f.services.menuAnswers = {QStringLiteral("只绘制前1000行")};
            rightClick(w->kfdline1View);
            QVERIFY(w->firstRowsAction->isChecked());
            QCOMPARE(w->kfdline1->xAxis.upper, 1000.0);
        });
        break;
    }
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(f.services.errors, boxShown ? QStringList{refusal + "."} : QStringList());
    const QStringList log = f.mainform->Memo1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(log.count(refusal), 1);
    QCOMPARE(fileState(f.iniPath()), before);
}

QTEST_MAIN(TestRefusedSettings)
#include "tst_refusedsettings.moc"
