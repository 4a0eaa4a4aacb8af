// The main window's fixed layout and its column band, which scrolls when the columns do not fit.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "app/boxticks.h"

#include "widgets/errorguard.h"

#include "chart/kfdline.h"
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

class TestMainLayout : public QObject
{
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void columnControls();
    void scrollingBand_data();
    void scrollingBand();
};

void TestMainLayout::layout_data()
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

void TestMainLayout::layout()
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
    // Designed size as the smallest; wider, never taller.
    QCOMPARE(m->minimumSize(), QSize(660, 469));
    QCOMPARE(m->maximumHeight(), 469);

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

void TestMainLayout::columnControls()
{
    AppFixture f;
    Tmainform *m = f.start();
    // 32 columns are made with the window, as designed; a wider table makes the rest.
    QCOMPARE(m->madeColumns(), 32);
    QCOMPARE(m->colList[33], nullptr);
    for (int k = 1; k <= m->madeColumns(); ++k) {
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

void TestMainLayout::scrollingBand_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("columnsBefore"); // a read before, 0 for none
    QTest::newRow("8 columns") << 8 << 0;
    QTest::newRow("10 columns") << 10 << 0;
    QTest::newRow("11 columns") << 11 << 0;
    QTest::newRow("12 columns") << 12 << 0;
    QTest::newRow("32 columns") << 32 << 0;
    QTest::newRow("8 columns after 12") << 8 << 12;
    QTest::newRow("12 columns after 32") << 12 << 32;
    QTest::newRow("33 columns") << 33 << 0;
    QTest::newRow("67 columns") << 67 << 0;
    QTest::newRow("67 columns after 8") << 67 << 8;
    QTest::newRow("12 columns after 67") << 12 << 67;
    QTest::newRow("256 columns") << 256 << 0;
    QTest::newRow("300 columns") << 300 << 0;
}

void TestMainLayout::scrollingBand()
{
    QFETCH(int, columns);
    QFETCH(int, columnsBefore);
    SheetServer server;
    AppFixture f;
    Tmainform *m = f.start();
    if (columnsBefore > 0) {
        server.rows = measuredTable(columnsBefore, 5);
        QVERIFY(f.openAndRead());
        m->columnScroll->setValue(m->columnScroll->maximum());
    }
    server.rows = measuredTable(columns, 5);
    QVERIFY(f.openAndRead());
    // Columns past the sheet's 256 are told in the log with how many were left out.
    const QString cutLine = QStringLiteral("表格有%1列，第257列起的%2列未读入").arg(columns).arg(columns - 256);
    QCOMPARE(m->Memo1->toPlainText().contains(cutLine), columns > 256);
    columns = std::min(columns, 256);

    const bool scrolls = columns > 10;
    const int shown = std::max(columns, 10);
    QCOMPARE(m->madeColumns(), std::max({32, columns, columnsBefore}));
    QCOMPARE(m->columnScroll->isVisible(), scrolls);
    QCOMPARE(m->columnScroll->value(), 0);
    for (int k = 1; k <= m->madeColumns(); ++k) {
        // From the left edge as ever; lists leave room for the scroll bar only when it shows.
        const int left = 8 + 65 * (k - 1);
        QCOMPARE(m->colList[k]->geometry(), QRect(left, 65, 60, scrolls ? 183 : 200));
        QCOMPARE(m->xBox[k]->pos(), QPoint(left, 45));
        QCOMPARE(m->yBox[k]->pos(), QPoint(left + 30, 45));
        QCOMPARE(m->colList[k]->isVisible(), k <= shown);
        QCOMPARE(m->xBox[k]->isVisible(), k <= columns);
        QCOMPARE(m->yBox[k]->isVisible(), k <= columns);
    }
    // Lists made for a wide table stay below the scroll bar and the reading indicator.
    const QObjectList &children = m->children();
    QVERIFY(children.indexOf(m->columnScroll) > children.indexOf(m->colList[m->madeColumns()]));
    QVERIFY(children.indexOf(m->Panel1) > children.indexOf(m->colList[m->madeColumns()]));
    if (!scrolls)
        return;
    QVERIFY(!m->columnScroll->geometry().intersects(m->Memo1->geometry()));
    QVERIFY(m->columnScroll->geometry().bottom() < 272);

    // Scrolled to its end, the last column stands fully inside the window.
    m->columnScroll->setValue(m->columnScroll->maximum());
    QCOMPARE(m->colList[columns]->geometry().right(), 660 - 8 - 1);
    QVERIFY(m->colList[1]->geometry().right() < 0 || columns < 20);
    const QPoint inWindow = m->yBox[columns]->mapTo(m, QPoint(5, 5));
    QVERIFY(m->rect().contains(inWindow));

    // The last column can be ticked and drawn: y of column 5 off, y of the last on.
    m->columnScroll->setValue(0);
    QTest::mouseClick(m->yBox[5], Qt::LeftButton, {}, QPoint(5, 8));
    m->columnScroll->setValue(m->columnScroll->maximum());
    QTest::mouseClick(m->yBox[columns], Qt::LeftButton, {}, QPoint(5, 8));
    QCOMPARE(ticks(m), QStringLiteral("x1 y2 y3 y4 y%1").arg(columns));
    QString lastName;
    f.services.onModal = [&](QDialog *d) {
        if (d == app().dataLineForm)
            lastName = app().dataLineForm->kfdline1->curves[3].name;
    };
    m->drawBtn->click();
    QCOMPARE(lastName, QStringLiteral("量%1").arg(columns));

    // A sideways wheel over the band scrolls it back.
    QWheelEvent wheel(QPointF(30, 100), QPointF(m->colList[columns]->mapToGlobal(QPoint(30, 100))), QPoint(),
                      QPoint(120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    const int before = m->columnScroll->value();
    QCoreApplication::sendEvent(m->colList[columns]->viewport(), &wheel);
    QCOMPARE(m->columnScroll->value(), std::max(0, before - 65));

    // A box reached with the keyboard scrolls into sight.
    m->columnScroll->setValue(0);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(m->xBox[columns], &focus);
    QVERIFY(m->rect().contains(m->xBox[columns]->geometry()));
    QCOMPARE(m->columnScroll->value(), m->columnScroll->maximum());
}

QTEST_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
