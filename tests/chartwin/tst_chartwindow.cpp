#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
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
    void refusedLimitsWriteKeepsDialogOpen();
    void endToEnd();
    void windowShowsThePicture();
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
        for (QRadioButton *r : {w->box1, w->box2, w->box3, w->box4})
            QVERIFY(!r->isChecked());
        QCOMPARE(app().scaleMode, 2);
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
    server.rows = {{"X", "Y"}, {"s", ""}, {"1", "2"}};
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    // Column 2 got "Y" and "2": the lengths differ from column 1.
    m->drawBtn->click();
    QCOMPARE(f.services.messages, QStringList{"各列数据个数不相同：第1列3个，第2列2个"});
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

void TestChartWindow::refusedLimitsWriteKeepsDialogOpen()
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
        QVERIFY(r->isVisible());
    };
    readAndDraw(f, server, [](TdataLineForm *w) { w->Button3->click(); });
    QCOMPARE(f.services.errors, QStringList{"Unable to write to " + f.iniPath() + "."});
    // Curve 1's limits were taken before its write was refused; curve 2's were not.
    QCOMPARE(app().lineSet.lower[0], 3.0);
    QCOMPARE(app().lineSet.lower[1], 0.0);
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

    QStringList names;
    for (int k = 1; k <= 5; ++k)
        names << m->store().item(k, 0);
    QString expected = mainWindowKeys(f.path(QStringLiteral("泵 试验.xls")), names) + QStringLiteral("[曲线设置]\r\n");
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

QTEST_MAIN(TestChartWindow)
#include "tst_chartwindow.moc"
