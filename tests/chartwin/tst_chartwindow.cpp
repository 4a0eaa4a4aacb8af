#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"

#include <QCheckBox>
#include "chartwin/chartpage.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/ui/colorswatch.h"
#include "settings/gbtext.h"
#include "import/columnstore.h"
#include "settings/inifile.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

const QString Appearance = QStringLiteral("数据曲线");
constexpr int Green = 0x00FF00;
constexpr int DarkGreen = 0x008000;

QRgb pixel(const Tkfdline *chart, int x, int y)
{
    return chart->picture().pixel(x, y) & 0xFFFFFF;
}

// The settings file after the workbook was chosen in the dialog and a first save of the
// "数据曲线" keys, in GB18030 bytes.
// What the main window keeps after reading `file` and drawing x on the first of `names`, y
// on the rest.
QString mainWindowKeys(const QString &file, const QStringList &names)
{
    QString text = QStringLiteral("[数据文件]\r\n前次打开的数据文件=%1\r\n最近打开的文件1=%1\r\n").arg(file);
    text += QStringLiteral("[选择的列]\r\nX列=%1\r\nX列序号=1\r\nY列数=%2\r\n").arg(names[0]).arg(names.size() - 1);
    for (int n = 1; n < names.size(); ++n)
        text += QStringLiteral("Y列%1=%2\r\nY列%1序号=1\r\n").arg(n).arg(names[n]);
    return text;
}

QByteArray appearanceBytes(const AppFixture &f, const QString &title)
{
    QString text = mainWindowKeys(f.path(QStringLiteral("book.xls")), {"量1", "量2", "量3", "量4", "量5"});
    text += QStringLiteral("[数据曲线]\r\n");
    for (int i = 0; i < 8; ++i)
        text += QStringLiteral("颜色%1=65280\r\n").arg(i);
    text += QStringLiteral("背景颜色=0\r\n网格颜色=32768\r\n曲线标题=%1\r\n").arg(title);
    return gbtext::encode(text);
}

}

class TestChartWindow : public QObject
{
    Q_OBJECT
private slots:
    void defaultsWithEmptySettings();
    void layout();
    void settingsThenBackRewritesKeys();
    void fileChangeSeenAtNextShowing();
    void scalingModes();
    void manualLimitsOnlyWithBox4();
    void loadErrorKeepsWindowClosed();
    void longColumnsLoggedOncePerDraw();
    void numberTooLargeToDraw();
    void colourDialog();
    void colourDialogKeepsUnsavedChoices();
    void emptyTitleIsStored();
    void limitsDialog_data();
    void limitsDialog();
    void limitsDialogLoadsAtEveryOpening();
    void refusedLimitsWriteClosesDialog();
    void endToEnd();
    void windowShowsThePicture();
    void resizedWindowDrawsAtItsSize_data();
    void resizedWindowDrawsAtItsSize();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void scaleModeShownAndRemembered_data();
    void scaleModeShownAndRemembered();
    void saveSuggestsWorkbookAndCurveNames();
};

void TestChartWindow::defaultsWithEmptySettings()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [](TdataLineForm *w) {
        const mainunit::Tline &set = app().lineSet;
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(set.color[i], Green);
            QCOMPARE(w->kfdline1->curves[i].color, Green);
            QCOMPARE(w->line1->curves[i].color, Green);
        }
        QCOMPARE(set.backColor, 0);
        QCOMPARE(set.gridColor, DarkGreen);
        QCOMPARE(set.title, QStringLiteral("Excel数据曲线图"));
        QCOMPARE(w->kfdline1->title, set.title);
        QCOMPARE(w->QuickRep1->titleLabel.caption, set.title);
        QVERIFY(w->line1->title.isEmpty());
        QCOMPARE(w->kfdline1->marginTop, 120);
        QCOMPARE(w->line1->marginTop, 45);
        const int markers[8] = {1, 2, 3, 4, 5, 0, 1, 2};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(w->kfdline1->curves[i].marker, markers[i]);
            QCOMPARE(w->line1->curves[i].marker, 0);
        }
        QCOMPARE(w->kfdline1->infoPos[6], QPoint(600, 90));
        // Background 0 is painted white; the grid's top line is dark green.
        QCOMPARE(pixel(w->kfdline1, 5, 40), QRgb(0xFFFFFF));
        QCOMPARE(pixel(w->kfdline1, w->kfdline1->marginLeft + 3, w->kfdline1->marginTop), QRgb(0x008000));
        QCOMPARE(pixel(w->line1, w->line1->marginLeft + 3, w->line1->marginTop), QRgb(0x008000));
        QCOMPARE(w->kfdline1->shownCount, 4);
        QCOMPARE(w->line1->shownCount, 4);
        // The mode in force is shown: mode 2 at a first start.
        QCOMPARE(app().scaleMode, 2);
        QVERIFY(w->box2->isChecked());
        for (QRadioButton *r : {w->box1, w->box3, w->box4})
            QVERIFY(!r->isChecked());
        // Centred on the screen, whatever the main window's place.
        const QPoint offCentre = w->frameGeometry().center() - w->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    });
    // Showing the chart writes nothing.
    QVERIFY(!f.iniBytes().contains(gbtext::encode(Appearance)));
}

void TestChartWindow::layout()
{
    AppFixture f;
    f.start();
    TdataLineForm *w = app().dataLineForm;
    QCOMPARE(w->size(), QSize(833, 586));
    QCOMPARE(w->Button1->geometry(), QRect(719, 548, 99, 25));
    QCOMPARE(w->Button2->text(), QStringLiteral("设置"));
    QCOMPARE(w->printBtn->geometry(), QRect(495, 548, 99, 25));
    QCOMPARE(w->Button3->text(), QStringLiteral("手动调整"));
    QCOMPARE(w->box4->geometry(), QRect(288, 552, 81, 17));
    QCOMPARE(w->box1->text(), QStringLiteral("自动调整1"));
    QCOMPARE(w->kfdline1View->geometry(), QRect(8, 8, 817, 529));
    QCOMPARE(w->kfdline1->picture().size(), QSize(817, 529));
    QCOMPARE(w->line1->picture().size(), QSize(1010, 672));
    QCOMPARE(w->kfdline1->Font.pointSize(), 8);
    QCOMPARE(w->line1->Font.pointSize(), 10);
}

void TestChartWindow::settingsThenBackRewritesKeys()
{
    AppFixture f;
    SheetServer server;
    f.services.onModal = [](QDialog *d) {
        if (d == app().setLinecolorform)
            app().setLinecolorform->exitBtn->click();
    };
    readAndDraw(f, server, [](TdataLineForm *w) { w->Button2->click(); });
    QCOMPARE(f.services.modalCount, 2);
    QCOMPARE(f.iniBytes(), appearanceBytes(f, QStringLiteral("Excel数据曲线图")));
}

void TestChartWindow::fileChangeSeenAtNextShowing()
{
    AppFixture f;
    SheetServer server;
    f.services.onModal = [](QDialog *d) {
        if (d == app().setLinecolorform)
            app().setLinecolorform->exitBtn->click();
    };
    // First showing: the colours dialog is filled once, from the defaults.
    readAndDraw(f, server, [](TdataLineForm *w) { w->Button2->click(); });
    IniFile(f.iniPath()).writeInteger(Appearance, QStringLiteral("颜色0"), 0x0000FF);
    IniFile(f.iniPath()).writeInteger(Appearance, QStringLiteral("背景颜色"), 0xFF);

    bool checked = false;
    f.services.onModal = [&](QDialog *d) {
        if (d == app().dataLineForm) {
            TdataLineForm *w = app().dataLineForm;
            QCOMPARE(app().lineSet.color[0], 0x0000FF);
            QCOMPARE(w->kfdline1->curves[0].color, 0x0000FF);
            QCOMPARE(w->line1->curves[0].color, 0x0000FF);
            QCOMPARE(pixel(w->kfdline1, 5, 40), QRgb(0xFF0000)); // 0xFF is red
            w->Button2->click();
        } else if (d == app().setLinecolorform) {
            // The dialog keeps what it showed at its first showing.
            QCOMPARE(app().setLinecolorform->color1->color(), Green);
            checked = true;
            app().setLinecolorform->exitBtn->click();
        }
    };
    app().mainform->drawBtn->click();
    QVERIFY(checked);
}

void TestChartWindow::scalingModes()
{
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [](TdataLineForm *w) {
        // Column 2 holds 2, 4 ... 40.
        QCOMPARE(w->kfdline1->curves[0].lower, -17.0);
        QCOMPARE(w->kfdline1->curves[0].upper, 59.0);
        w->box1->click();
        QCOMPARE(app().scaleMode, 1);
        QCOMPARE(w->kfdline1->curves[0].lower, 2.0);
        QCOMPARE(w->line1->curves[0].upper, 40.0);
        QCOMPARE(w->kfdline1->curves[0].decimals, 1);
        w->box3->click();
        QCOMPARE(app().scaleMode, 3);
        QCOMPARE(w->kfdline1->curves[0].lower, -36.0);
        QCOMPARE(w->kfdline1->curves[0].upper, 78.0);
        const int redraws = w->kfdline1->changeCount();
        w->box3->click(); // already checked: nothing runs
        QCOMPARE(w->kfdline1->changeCount(), redraws);
        QCOMPARE(w->kfdline1->xAxis.lower, 1.0);
        QCOMPARE(w->kfdline1->xAxis.upper, 20.0);
    });
}

void TestChartWindow::manualLimitsOnlyWithBox4()
{
    AppFixture f;
    SheetServer server;
    f.services.onModal = [](QDialog *d) {
        if (d != app().setrulerForm)
            return;
        TsetrulerForm *r = app().setrulerForm;
        r->Edit1->setText(QStringLiteral("-10"));
        r->Edit2->setText(QStringLiteral("-1"));
        r->BitBtn1->click();
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button3->click();
        // Stored, not applied.
        QCOMPARE(app().lineSet.lower[0], -10.0);
        QCOMPARE(w->kfdline1->curves[0].lower, -17.0);
        w->box4->click();
        QCOMPARE(app().scaleMode, 0);
        for (Tkfdline *chart : {w->kfdline1, w->line1}) {
            QCOMPARE(chart->curves[0].lower, -10.0);
            QCOMPARE(chart->curves[0].upper, -1.0);
            QCOMPARE(chart->curves[1].lower, 0.0);
            QCOMPARE(chart->curves[3].upper, 1000.0);
            // Points, names and the X axis stay as the last transfer left them.
            QCOMPARE(chart->pointCount[0], 20);
            QCOMPARE(chart->curves[0].name, QStringLiteral("量2"));
        }
    });
}

void TestChartWindow::loadErrorKeepsWindowClosed()
{
    AppFixture f;
    SheetServer server;
    server.rows = {{"X", "Y", "Z"}, {"s", "", "V"}, {"1", "2", "3"}};
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    // Cells keep their columns, so every list is as long as the table: a second X is the
    // refusal a read leaves possible.
    m->xBox[3]->setChecked(true);
    m->drawBtn->click();
    QCOMPARE(f.services.messages, QStringList{"X指标个数不能超过1个"});
    QCOMPARE(f.services.modalCount, 0);
}

void TestChartWindow::longColumnsLoggedOncePerDraw()
{
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(2, 1200);
    IniFile(f.iniPath()).writeInteger(QStringLiteral("曲线设置"), QStringLiteral("只绘制前1000行"), 1);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    f.services.onModal = [](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        QCOMPARE(w->kfdline1->pointCount[0], 1000);
        QCOMPARE(w->kfdline1->xAxis.upper, 1000.0); // the scales match what is drawn
        w->box1->click();
        w->box3->click();
    };
    m->drawBtn->click();
    m->drawBtn->click();
    const QString notice = QStringLiteral("数据超过1000行，只绘制前1000行。");
    QCOMPARE(m->Memo1->toPlainText().split('\n').count(notice), 2);
}

void TestChartWindow::numberTooLargeToDraw()
{
    AppFixture f;
    SheetServer server;
    server.rows = {{"X", "Y"}, {"s", "m"}, {"1", "1E308"}, {"2", "-1E308"}, {"3", "5"}};
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    bool shown = false;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().dataLineForm)
            return;
        shown = true;
        // The widened range overflows: the drawing stops with a message, the window stays.
        QCOMPARE(f.services.errors.size(), 1);
        QVERIFY(f.services.errors[0].startsWith(QStringLiteral("Floating point")));
        app().dataLineForm->box1->click(); // the plain range still spans more than a double
        QCOMPARE(f.services.errors.size(), 2);
    };
    m->drawBtn->click();
    QVERIFY(shown);
}

void TestChartWindow::colourDialog()
{
    AppFixture f;
    SheetServer server;
    f.services.colorAnswers = {-1, 0xFF0000};
    f.services.onModal = [](QDialog *d) {
        if (d != app().setLinecolorform)
            return;
        TsetLinecolorform *c = app().setLinecolorform;
        QCOMPARE(c->color2->color(), Green);
        QCOMPARE(c->Edit1->text(), QStringLiteral("Excel数据曲线图"));
        QTest::mouseClick(c->color2, Qt::LeftButton); // cancelled
        QTest::mouseClick(c->backLabel, Qt::LeftButton); // blue
        c->Edit1->setText(QStringLiteral("  泵试验 "));
        c->OKBtn->click();
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button2->click();
        QCOMPARE(app().lineSet.color[1], Green);
        QCOMPARE(app().lineSet.backColor, 0xFF0000);
        QCOMPARE(app().lineSet.title, QStringLiteral("  泵试验 "));
        QCOMPARE(w->kfdline1->backColor, 0xFF0000);
        QCOMPARE(pixel(w->kfdline1, 5, 40), QRgb(0x0000FF));
        QCOMPARE(w->QuickRep1->titleLabel.caption, QStringLiteral("  泵试验 "));
    });
    QCOMPARE(IniFile(f.iniPath()).readInteger(Appearance, QStringLiteral("背景颜色"), -1), 0xFF0000);
    QCOMPARE(IniFile(f.iniPath()).readString(Appearance, QStringLiteral("曲线标题"), QString()), QStringLiteral("  泵试验 "));
}

void TestChartWindow::colourDialogKeepsUnsavedChoices()
{
    AppFixture f;
    SheetServer server;
    int showing = 0;
    f.services.colorAnswers = {0x123456};
    f.services.onModal = [&](QDialog *d) {
        if (d != app().setLinecolorform)
            return;
        TsetLinecolorform *c = app().setLinecolorform;
        if (++showing == 1) {
            QTest::mouseClick(c->gridLabel, Qt::LeftButton);
            c->exitBtn->click();
        } else {
            QCOMPARE(c->gridLabel->color(), 0x123456);
            c->OKBtn->click();
        }
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button2->click();
        QCOMPARE(app().lineSet.gridColor, DarkGreen);
        w->Button2->click();
        QCOMPARE(app().lineSet.gridColor, 0x123456);
        QCOMPARE(app().lineSet.color[4], Green); // never touched by the dialog
    });
    QCOMPARE(showing, 2);
}

void TestChartWindow::emptyTitleIsStored()
{
    AppFixture f;
    SheetServer server;
    f.services.onModal = [](QDialog *d) {
        if (d != app().setLinecolorform)
            return;
        app().setLinecolorform->Edit1->clear();
        app().setLinecolorform->OKBtn->click();
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button2->click();
        QVERIFY(app().lineSet.title.isEmpty());
        QVERIFY(w->kfdline1->title.isEmpty());
    });
    QCOMPARE(f.iniBytes(), appearanceBytes(f, QString()));
}

void TestChartWindow::limitsDialog_data()
{
    QTest::addColumn<QStringList>("edits"); // Edit1 .. Edit8
    QTest::addColumn<QString>("message");
    const QStringList ok{"0", "10", "0", "20", "0", "30", "0", "40"};
    QTest::newRow("valid") << ok << "";
    QStringList equal = ok;
    equal[2] = "5";
    equal[3] = "5";
    QTest::newRow("lower equals upper in row 2") << equal << "下限值必须小于上限值";
    QStringList negative = ok;
    negative[0] = "-10";
    negative[1] = "-1";
    QTest::newRow("negative limits") << negative << "";
    QStringList empty = ok;
    empty[7] = "";
    QTest::newRow("empty edit") << empty << "数值错误";
    QStringList both = ok;
    both[0] = "abc";
    both[6] = "50";
    QTest::newRow("conversion failure wins") << both << "数值错误";
    QStringList exponent = ok;
    exponent[1] = "1E3";
    QTest::newRow("exponent") << exponent << "";
    QStringList comma = ok;
    comma[1] = "1,5";
    QTest::newRow("comma") << comma << "数值错误";
}

void TestChartWindow::limitsDialog()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, message);
    AppFixture f;
    SheetServer server;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().setrulerForm)
            return;
        TsetrulerForm *r = app().setrulerForm;
        QLineEdit *e[8] = {r->Edit1, r->Edit2, r->Edit3, r->Edit4, r->Edit5, r->Edit6, r->Edit7, r->Edit8};
        for (int i = 0; i < 8; ++i)
            e[i]->setText(edits[i]);
        r->BitBtn1->click();
        QCOMPARE(r->isVisible(), !message.isEmpty());
    };
    readAndDraw(f, server, [](TdataLineForm *w) { w->Button3->click(); });
    const IniFile ini(f.iniPath());
    if (message.isEmpty()) {
        QVERIFY(f.services.messages.isEmpty());
        double value = 0;
        for (int curve = 0; curve < 4; ++curve) {
            QVERIFY(numtext::toDouble(edits[2 * curve], &value));
            QCOMPARE(app().lineSet.lower[curve], value);
            QCOMPARE(ini.readFloat(QStringLiteral("曲线设置"), QStringLiteral("曲线%1下限").arg(curve + 1), -1), value);
        }
    } else {
        QCOMPARE(f.services.messages, QStringList{message});
        QVERIFY(!f.iniBytes().contains(gbtext::encode(QStringLiteral("曲线设置"))));
        QCOMPARE(app().lineSet.upper[0], 1000.0);
    }
}

void TestChartWindow::limitsDialogLoadsAtEveryOpening()
{
    AppFixture f;
    SheetServer server;
    int opening = 0;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().setrulerForm)
            return;
        TsetrulerForm *r = app().setrulerForm;
        ++opening;
        if (opening == 1) {
            QCOMPARE(r->name1->text(), QStringLiteral("量2"));
            QCOMPARE(r->name4->text(), QStringLiteral("量5"));
            QCOMPARE(r->Edit1->text(), QStringLiteral("0"));
            QCOMPARE(r->Edit8->text(), QStringLiteral("1000"));
            r->Edit2->setText(QStringLiteral("1E3"));
            r->Edit4->setText(QStringLiteral("2.5E1"));
            r->BitBtn1->click();
        } else if (opening == 2) {
            QCOMPARE(r->Edit2->text(), QStringLiteral("1000"));
            QCOMPARE(r->Edit4->text(), QStringLiteral("25"));
            r->Edit6->setText(QStringLiteral("77"));
            r->BitBtn2->click(); // cancelled: the edit is lost at the next opening
        } else {
            QCOMPARE(r->Edit6->text(), QStringLiteral("1000"));
            r->BitBtn2->click();
        }
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button3->click();
        w->Button3->click();
        w->Button3->click();
    });
    QCOMPARE(opening, 3);
}

void TestChartWindow::refusedLimitsWriteClosesDialog()
{
    AppFixture f;
    SheetServer server;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().setrulerForm)
            return;
        TsetrulerForm *r = app().setrulerForm;
        QVERIFY(QDir(f.path("ini")).removeRecursively());
        r->Edit1->setText(QStringLiteral("3"));
        r->Edit3->setText(QStringLiteral("4"));
        r->BitBtn1->click();
        QVERIFY(!r->isVisible());
    };
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->Button3->click();
        // Taken for the run as if written: the manual mode draws with them.
        w->box4->click();
        QCOMPARE(w->kfdline1->curves[1].lower, 4.0);
    });
    QCOMPARE(f.services.errors, QStringList{"Unable to write to " + f.iniPath() + "."});
    QCOMPARE(app().lineSet.lower[0], 3.0);
    QCOMPARE(app().lineSet.lower[1], 4.0);
    QVERIFY(!QDir(f.path("ini")).exists());
}

void TestChartWindow::endToEnd()
{
    AppFixture f;
    f.copyIn(sampleWorkbook(), QStringLiteral("泵 试验.xls"));
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead(QStringLiteral("泵 试验.xls")));
    QCOMPARE(m->Memo1->toPlainText(), QStringLiteral("数据行数：122 ,  列数：5"));

    f.services.onModal = [](QDialog *d) {
        if (d == app().setrulerForm) {
            TsetrulerForm *r = app().setrulerForm;
            QCOMPARE(r->name1->text(), QStringLiteral("压力"));
            r->Edit1->setText(QStringLiteral("1.5"));
            r->Edit2->setText(QStringLiteral("4"));
            r->BitBtn1->click();
            return;
        }
        if (d != app().dataLineForm)
            return;
        TdataLineForm *w = app().dataLineForm;
        QCOMPARE(w->kfdline1->xAxis.name, QStringLiteral("时间"));
        QCOMPARE(w->kfdline1->xAxis.unit, QStringLiteral("s"));
        QCOMPARE(w->kfdline1->xAxis.upper, 59.5);
        QCOMPARE(w->kfdline1->pointCount[3], 120);
        w->box3->click();
        w->Button3->click();
        w->box4->click();
        QCOMPARE(w->kfdline1->curves[0].lower, 1.5);
        QCOMPARE(w->line1->curves[0].upper, 4.0);
        w->Button1->click();
    };
    m->drawBtn->click();
    QVERIFY(f.services.errors.isEmpty());
    QCOMPARE(f.services.modalCount, 2);

    // The mode chosen last is kept, where the first choice wrote it.
    QStringList names;
    for (int k = 1; k <= 5; ++k)
        names << m->store().item(k, 0);
    QString expected = mainWindowKeys(f.path(QStringLiteral("泵 试验.xls")), names)
                       + QStringLiteral("[数据曲线]\r\n调整方式=0\r\n[曲线设置]\r\n");
    const char *limits[4][2] = {{"1.5", "4"}, {"0", "1000"}, {"0", "1000"}, {"0", "1000"}};
    for (int n = 0; n < 4; ++n)
        expected += QStringLiteral("曲线%1下限=%2\r\n曲线%1上限=%3\r\n").arg(n + 1).arg(limits[n][0], limits[n][1]);
    QCOMPARE(f.iniBytes(), gbtext::encode(expected));
}

void TestChartWindow::windowShowsThePicture()
{
    AppFixture f;
    f.copyIn(sampleWorkbook(), QStringLiteral("001.xls"));
    IniFile ini(f.iniPath());
    const int colours[4] = {0x0000FF, 0xC00000, 0x008000, 0x800080};
    for (int i = 0; i < 4; ++i)
        ini.writeInteger(Appearance, QStringLiteral("颜色%1").arg(i), colours[i]);
    ini.writeInteger(Appearance, QStringLiteral("网格颜色"), 0xB0B0B0);
    ini.writeString(Appearance, QStringLiteral("曲线标题"), QStringLiteral("泵性能试验"));
    Tmainform *m = f.start();
    QTRY_COMPARE_WITH_TIMEOUT(m->readCount(), 1, 3000);
    f.services.onModal = [](QDialog *d) {
        if (d != app().dataLineForm)
            return;
        TdataLineForm *w = app().dataLineForm;
        w->box2->click();
        const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(833, 586));
        // The view puts the chart's own pixels at (8, 8).
        const QImage &chart = w->kfdline1->picture();
        int same = 0;
        for (int y = 0; y < chart.height(); y += 7)
            for (int x = 0; x < chart.width(); x += 7)
                same += shot.pixel(x + 8, y + 8) == chart.pixel(x, y);
        QVERIFY(same > 0.99 * (chart.height() / 7) * (chart.width() / 7));
        // Kept in the build folder: the picture the README shows.
        shot.save(QStringLiteral(TABROVEX_BINARY_DIR "/chart-window.png"));
    };
    m->drawBtn->click();
    QCOMPARE(f.services.modalCount, 1);
}

void TestChartWindow::resizedWindowDrawsAtItsSize_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("chart");
    QTest::addColumn<bool>("oneRow");
    QTest::newRow("designed size") << QSize(833, 586) << QSize(817, 529) << true;
    QTest::newRow("larger") << QSize(1200, 800) << QSize(1184, 743) << true;
    QTest::newRow("full HD maximised") << QSize(1920, 1050) << QSize(1904, 993) << true;
    QTest::newRow("narrow: boxes above the buttons") << QSize(640, 480) << QSize(624, 390) << false;
    QTest::newRow("below the smallest") << QSize(200, 100) << QSize(442, 240) << false;
}

// The chart is drawn at the window's size by the layout rules of any chart size; the
// controls keep to the corners, never overlapping each other or the chart; back at the
// designed size the picture is the one drawn there before.
void TestChartWindow::resizedWindowDrawsAtItsSize()
{
    QFETCH(QSize, window);
    QFETCH(QSize, chart);
    QFETCH(bool, oneRow);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        QVERIFY(w->windowFlags() & Qt::WindowMaximizeButtonHint);
        const QImage designed = w->kfdline1->picture();
        const int redraws = w->kfdline1->changeCount();
        w->resize(window);
        QCOMPARE(w->kfdline1View->size(), chart);
        QCOMPARE(QSize(w->kfdline1->Width, w->kfdline1->Height), chart);
        QCOMPARE(w->kfdline1->picture().size(), chart);
        QCOMPARE(w->kfdline1->changeCount() > redraws, chart != QSize(817, 529));
        // Scales at the edges of a plot area that grew with the chart (four curves).
        QCOMPARE(w->kfdline1->plotWidth, chart.width() - 260);
        QCOMPARE(w->kfdline1->plotBottom, chart.height() - 50);
        QCOMPARE(pixel(w->kfdline1, w->kfdline1->marginLeft + 3, w->kfdline1->marginTop), QRgb(0x008000));
        // The printed chart keeps its size.
        QCOMPARE(w->line1->picture().size(), QSize(1010, 672));

        QList<QWidget *> controls{w->kfdline1View, w->Button1, w->Button2, w->printBtn, w->Button3,
                                  w->box1, w->box2, w->box3, w->box4};
        for (QWidget *a : controls) {
            QVERIFY2(w->rect().contains(a->geometry()), qPrintable(a->objectName() + a->metaObject()->className()));
            for (QWidget *b : controls)
                QVERIFY(a == b || !a->geometry().intersects(b->geometry()));
        }
        if (!oneRow)
            QVERIFY(w->box1->geometry().bottom() < w->Button1->y());
        QCOMPARE(w->box1->geometry().center().y() == w->Button1->geometry().center().y(), oneRow);
        QCOMPARE(w->width() - w->Button1->geometry().right(), 833 - 817);

        w->resize(833, 586);
        QCOMPARE(w->Button1->geometry(), QRect(719, 548, 99, 25));
        QCOMPARE(w->box4->geometry(), QRect(288, 552, 81, 17));
        QCOMPARE(w->kfdline1->picture(), designed);
    });
}

void TestChartWindow::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Enter on 手动调整") << "chart" << "Button3" << int(Qt::Key_Return) << "limits dialog";
    QTest::newRow("keypad Enter on 设置") << "chart" << "Button2" << int(Qt::Key_Enter) << "colour dialog";
    QTest::newRow("Enter on a mode box") << "chart" << "box1" << int(Qt::Key_Return) << "mode 1";
    QTest::newRow("Space as before") << "chart" << "box3" << int(Qt::Key_Space) << "mode 3";
    QTest::newRow("Escape stays as it was") << "chart" << "Button3" << int(Qt::Key_Escape) << "nothing";
    QTest::newRow("Enter on 确定 of the limits dialog") << "limits" << "BitBtn1" << int(Qt::Key_Return) << "limits stored";
    QTest::newRow("Enter in a limit field") << "limits" << "Edit1" << int(Qt::Key_Return) << "nothing";
    QTest::newRow("Enter on 返回 of the colour dialog") << "colours" << "exitBtn" << int(Qt::Key_Return) << "colours closed";
}

void TestChartWindow::enterPressesTheFocusedButton()
{
    QFETCH(QString, window);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, expected);
    AppFixture f;
    SheetServer server;
    QStringList happened;
    auto press = [&](QWidget *dialog) {
        TdataLineForm *w = app().dataLineForm;
        const QMap<QString, QWidget *> controls{
            {"Button2", w->Button2}, {"Button3", w->Button3}, {"box1", w->box1}, {"box3", w->box3},
            {"BitBtn1", app().setrulerForm->BitBtn1}, {"Edit1", app().setrulerForm->Edit1},
            {"exitBtn", app().setLinecolorform->exitBtn}};
        QWidget *target = controls.value(focus);
        QVERIFY2(target, qPrintable(focus));
        target->setFocus();
        QCOMPARE(dialog->focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key));
    };
    f.services.onModal = [&](QDialog *d) {
        if (d == app().setrulerForm) {
            happened << "limits dialog";
            if (window == "limits") {
                app().setrulerForm->Edit1->setText(QStringLiteral("-7"));
                press(d);
                if (!d->isVisible())
                    happened << QStringLiteral("limits stored %1").arg(app().lineSet.lower[0]);
            }
        } else if (d == app().setLinecolorform) {
            happened << "colour dialog";
            if (window == "colours") {
                press(d);
                if (!d->isVisible())
                    happened << "colours closed";
            }
        }
    };
    readAndDraw(f, server, [&](TdataLineForm *w) {
        if (window == "chart") {
            press(w);
            if (app().scaleMode != 2)
                happened << QStringLiteral("mode %1").arg(app().scaleMode);
            QVERIFY(w->isVisible());
        } else {
            (window == "limits" ? w->Button3 : w->Button2)->click();
        }
    });
    if (expected == "nothing")
        QCOMPARE(happened, window == "chart" ? QStringList() : QStringList{"limits dialog"});
    else if (expected == "limits stored")
        QCOMPARE(happened, (QStringList{"limits dialog", "limits stored -7"}));
    else if (expected == "colours closed")
        QCOMPARE(happened, (QStringList{"colour dialog", "colours closed"}));
    else
        QCOMPARE(happened, QStringList{expected});
}

void TestChartWindow::scaleModeShownAndRemembered_data()
{
    QTest::addColumn<QString>("stored");    // "" = no key
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("lower0");     // curve 1's lower limit when the window opens
    QTest::newRow("no key: mode 2") << "" << 2 << -17.0;
    QTest::newRow("mode 1") << "1" << 1 << 2.0;
    QTest::newRow("mode 3") << "3" << 3 << -36.0;
    QTest::newRow("manual brings its limits") << "0" << 0 << -5.0;
    QTest::newRow("out of range: mode 2") << "7" << 2 << -17.0;
    QTest::newRow("not a number: mode 2") << "x" << 2 << -17.0;
}

// The mode last chosen comes back at the next start, shown checked and in force.
void TestChartWindow::scaleModeShownAndRemembered()
{
    QFETCH(QString, stored);
    QFETCH(int, mode);
    QFETCH(double, lower0);
    AppFixture f;
    SheetServer server;
    QString text = QStringLiteral("[曲线设置]\r\n曲线1下限=-5\r\n曲线1上限=50\r\n");
    if (!stored.isEmpty())
        text += QStringLiteral("[数据曲线]\r\n调整方式=%1\r\n").arg(stored);
    f.writeIni(gbtext::encode(text));
    readAndDraw(f, server, [&](TdataLineForm *w) {
        QCOMPARE(app().scaleMode, mode);
        QRadioButton *boxes[4] = {w->box4, w->box1, w->box2, w->box3};
        for (int m = 0; m < 4; ++m)
            QCOMPARE(boxes[m]->isChecked(), m == mode);
        QCOMPARE(w->kfdline1->curves[0].lower, lower0);
        QCOMPARE(w->line1->curves[0].lower, lower0);
        // Another choice is written at once.
        QRadioButton *other = mode == 3 ? w->box1 : w->box3;
        other->click();
        QCOMPARE(IniFile(f.iniPath()).readInteger(QStringLiteral("数据曲线"), QStringLiteral("调整方式"), -1),
                 other == w->box1 ? 1 : 3);
        // A file that cannot be written stops nothing.
        QVERIFY(QDir(f.path("ini")).removeRecursively());
        w->box4->click();
        QCOMPARE(app().scaleMode, 0);
        QCOMPARE(w->kfdline1->curves[1].upper, 1000.0);
    });
    QVERIFY(f.services.errors.isEmpty());
}

void TestChartWindow::saveSuggestsWorkbookAndCurveNames()
{
    AppFixture f;
    f.copyIn(sampleWorkbook(), QStringLiteral("泵 试验.xls"));
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead(QStringLiteral("泵 试验.xls")));
    f.services.menuAnswers = {QStringLiteral("保存图表...")};
    f.services.onModal = [](QDialog *d) {
        if (d == app().dataLineForm)
            app().dataLineForm->chartMenuPopup(QPoint());
    };
    m->drawBtn->click();
    QCOMPARE(f.services.saveSuggestions.size(), 1);
    TdataLineForm *w = app().dataLineForm;
    QStringList expected{QStringLiteral("泵 试验")};
    for (int i = 0; i < 8; ++i)
        if (w->kfdline1->shown[i])
            expected << w->kfdline1->curves[i].name;
    QVERIFY(expected.size() > 1);
    QCOMPARE(f.services.saveSuggestions.constFirst(), expected.join(QLatin1Char('_')) + QStringLiteral(".png"));
}

QTEST_MAIN(TestChartWindow)
#include "tst_chartwindow.moc"
