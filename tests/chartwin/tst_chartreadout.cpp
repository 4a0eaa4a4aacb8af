// The chart window's pointer readout, its context menu and what it remembers between reads.
#include "support/appfixture.h"
#include "support/sheetserver.h"
#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/gbtext.h"
#include "settings/inifile.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <cmath>

namespace {

constexpr int Green = 0x00FF00;

// Moves the pointer over the screen chart to a picture pixel, as the mouse would.
void hover(ChartView *view, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
}

QStringList readoutTexts(const ChartView *view)
{
    QStringList texts;
    for (const readout::Line &line : view->currentReadout().lines)
        texts << line.text;
    return texts;
}

// Pixel column of an X value on the chart as last drawn.
int xPixel(const Tkfdline *chart, double x)
{
    const double left = chart->marginLeft, right = chart->Width - chart->marginRight;
    return int(std::lround(left + (x - chart->xAxis.lower) * (right - left) / (chart->xAxis.upper - chart->xAxis.lower)));
}

void rightClick(ChartView *view)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 200), view->mapToGlobal(QPoint(100, 200)));
    QCoreApplication::sendEvent(view, &event);
}

}

class TestChartReadout : public QObject
{
    Q_OBJECT
private slots:
    void readout_data();
    void readout();
    void contextMenu_data();
    void contextMenu();
    void firstRowsRemembered();
    void nextReadDrawsItsOwnValues();
};

void TestChartReadout::readout_data()
{
    QTest::addColumn<double>("x");     // where the pointer goes, in X values
    QTest::addColumn<int>("dx");       // and then this many pixels aside
    QTest::addColumn<int>("dy");       // pixels below the plot's top
    QTest::addColumn<QStringList>("lines");
    // The sheet's row r holds r, 2r, 3r, 4r, 5r; mode 2 gives the curves 1, 1, 0 and 0
    // decimals and the X scale 1.
    QTest::newRow("first row") << 1.0 << 0 << 100
                               << QStringList{"量1: 1.0 u1", "量2: 2.0 u2", "量3: 3.0 u3", "量4: 4 u4", "量5: 5 u5"};
    QTest::newRow("row 7, pointer a little right") << 7.0 << 4 << 10
                               << QStringList{"量1: 7.0 u1", "量2: 14.0 u2", "量3: 21.0 u3", "量4: 28 u4", "量5: 35 u5"};
    QTest::newRow("between rows 12 and 13, nearer 13") << 12.6 << 0 << 300
                               << QStringList{"量1: 13.0 u1", "量2: 26.0 u2", "量3: 39.0 u3", "量4: 52 u4", "量5: 65 u5"};
    QTest::newRow("last row at the plot's edge") << 20.0 << 0 << 200
                               << QStringList{"量1: 20.0 u1", "量2: 40.0 u2", "量3: 60.0 u3", "量4: 80 u4", "量5: 100 u5"};
    QTest::newRow("right of the plot") << 20.0 << 6 << 200 << QStringList{};
    QTest::newRow("above the plot") << 10.0 << 0 << -5 << QStringList{};
}

void TestChartReadout::readout()
{
    QFETCH(double, x);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(QStringList, lines);
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [&](TdataLineForm *w) {
        ChartView *view = w->kfdline1View;
        const QPoint at(xPixel(w->kfdline1, x) + dx, w->kfdline1->marginTop + dy);
        hover(view, at);
        QCOMPARE(readoutTexts(view), lines);
        QCOMPARE(view->currentReadout().visible, !lines.isEmpty());
        if (lines.isEmpty())
            return;
        // Each curve's line in its colour; the X axis' in black. The box lies inside the view.
        QCOMPARE(view->currentReadout().lines[0].color, 0);
        QCOMPARE(view->currentReadout().lines[1].color, Green);
        QVERIFY(view->rect().contains(view->readoutBox()));
        const QImage shot = view->grab().toImage();
        const QRect box = view->readoutBox();
        int green = 0;
        for (int yy = box.top(); yy <= box.bottom(); ++yy)
            for (int xx = box.left(); xx <= box.right(); ++xx) {
                const QColor c = shot.pixelColor(xx, yy);
                green += c.green() > 200 && c.red() < 80 && c.blue() < 80;
            }
        QVERIFY(green > 20);
        // Leaving the chart takes the read-out away; a mode switch makes it stale.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(view, &leave);
        QVERIFY(!view->currentReadout().visible);
        hover(view, at);
        QVERIFY(view->currentReadout().visible);
        w->box1->click();
        QVERIFY(!view->currentReadout().visible);
    });
}

void TestChartReadout::contextMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("answer");  // the save dialog's "path|type"; "@" is the test's folder
    QTest::addColumn<QString>("written"); // the file that must exist afterwards
    QTest::addColumn<QString>("error");
    const QString png = QStringLiteral("PNG 图片 (*.png)");
    const QString pdf = QStringLiteral("PDF 文档 (*.pdf)");
    QTest::newRow("copy") << "复制图表" << "" << "" << "";
    QTest::newRow("save as PNG") << "保存图表..." << "@/图表.png|" + png << "@/图表.png" << "";
    QTest::newRow("save as PDF") << "保存图表..." << "@/chart.pdf|" + pdf << "@/chart.pdf" << "";
    QTest::newRow("the name's extension wins") << "保存图表..." << "@/chart.PDF|" + png << "@/chart.PDF" << "";
    QTest::newRow("no extension: the chosen type's") << "保存图表..." << "@/chart|" + pdf << "@/chart.pdf" << "";
    QTest::newRow("cancelled") << "保存图表..." << "" << "" << "";
    QTest::newRow("folder missing") << "保存图表..." << "@/none/chart.png|" + png << ""
                                    << "Unable to write to @/none/chart.png.";
    QTest::newRow("nothing chosen") << "" << "" << "" << "";
}

void TestChartReadout::contextMenu()
{
    QFETCH(QString, item);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, error);
    AppFixture f;
    SheetServer server;
    const QString folder = f.dir.path();
    answer.replace('@', folder);
    written.replace('@', folder);
    error.replace('@', folder);
    QGuiApplication::clipboard()->clear();
    f.services.menuAnswers.push_back(item);
    if (!answer.isEmpty())
        f.services.saveAnswers.push_back(answer);
    readAndDraw(f, server, [&](TdataLineForm *w) {
        rightClick(w->kfdline1View);
        QCOMPARE(f.services.menuItems, (QStringList{"复制图表", "保存图表...", "只绘制前1000行", "放大所选", "复原",
                                                    "跟踪文件", "重新读取", "测量"}));
        const QImage &picture = w->kfdline1->picture();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.isNull(), item != "复制图表");
        if (!copied.isNull())
            QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), picture);
        if (item == "保存图表...")
            QCOMPARE(f.services.saveFilters, QStringList{"PNG 图片 (*.png);;PDF 文档 (*.pdf)"});
        QCOMPARE(f.services.errors, error.isEmpty() ? QStringList() : QStringList{error});
        const QStringList files = QDir(folder).entryList({"*.png", "*.pdf", "*.PDF", "chart"}, QDir::Files);
        QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{QFileInfo(written).fileName()});
        if (written.isEmpty())
            return;
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (written.endsWith(".png")) {
            QCOMPARE(QImage(written).convertToFormat(QImage::Format_RGB32), picture);
        } else {
            QCOMPARE(file.read(5), QByteArray("%PDF-"));
        }
    });
}

void TestChartReadout::firstRowsRemembered()
{
    AppFixture f;
    SheetServer server;
    server.rows = measuredTable(3, 1200);
    Tmainform *m = f.start();
    QVERIFY(f.openAndRead());
    const QByteArray key = gbtext::encode(QStringLiteral("只绘制前1000行="));
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        ChartView *view = w->kfdline1View;
        // The whole table: the X scale reaches row 1200, no curve over 1000 points.
        QCOMPARE(w->kfdline1->xAxis.upper, 1200.0);
        QCOMPARE(w->line1->curves[1].upper, 3600.0 + 3597.0 / 2);
        QVERIFY(w->kfdline1->pointCount[0] <= 1000);
        hover(view, QPoint(xPixel(w->kfdline1, 1200), 300));
        QCOMPARE(readoutTexts(view).value(0), QStringLiteral("量1: 1200 u1"));

        f.services.menuAnswers = {"只绘制前1000行"};
        rightClick(view);
        QCOMPARE(f.services.menuItems.value(2), QStringLiteral("只绘制前1000行"));
        QVERIFY(f.iniBytes().contains(key + "1"));
        QCOMPARE(w->kfdline1->xAxis.upper, 1000.0);
        QCOMPARE(w->line1->pointCount[1], 1000);
        QCOMPARE(w->kfdline1->yData[0][1000], 2000.0);

        // The manual mode keeps its limits through a change of rows.
        w->box4->click();
        f.services.menuAnswers = {"只绘制前1000行"};
        rightClick(view);
        QCOMPARE(f.services.menuItems.value(2), QStringLiteral("[x] 只绘制前1000行"));
        QVERIFY(f.iniBytes().contains(key + "0"));
        QCOMPARE(w->kfdline1->xAxis.upper, 1200.0);
        QCOMPARE(w->kfdline1->curves[0].upper, 1000.0);
        f.services.menuAnswers = {"只绘制前1000行"};
        rightClick(view);
    };
    m->drawBtn->click();
    QVERIFY(f.services.errors.isEmpty());
    // Remembered: the next drawing, and the log says which rows it drew.
    f.services.onModal = nullptr;
    m->drawBtn->click();
    const QStringList log = m->Memo1->toPlainText().split('\n');
    QCOMPARE(log.count(QStringLiteral("绘制了1200行中的1000行。")), 1);
    QCOMPARE(log.count(QStringLiteral("数据超过1000行，只绘制前1000行。")), 1);
    QCOMPARE(log.last(), QStringLiteral("数据超过1000行，只绘制前1000行。"));

    // A settings file that cannot be written takes the choice for the run: logged, no box.
    QFile::remove(f.iniPath());
    QDir(f.path("ini")).removeRecursively();
    f.services.onModal = [&](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        f.services.menuAnswers = {"只绘制前1000行"};
        rightClick(w->kfdline1View);
        QVERIFY(f.services.errors.isEmpty());
        QCOMPARE(m->Memo1->toPlainText().split('\n').count("Unable to write to " + f.iniPath()), 1);
        QVERIFY(w->firstRowsAction->isChecked());
        QCOMPARE(w->kfdline1->xAxis.upper, 1000.0);
    };
    m->drawBtn->click();
}

void TestChartReadout::nextReadDrawsItsOwnValues()
{
    // The numbers kept between the scaling modes belong to one read.
    AppFixture f;
    SheetServer server;
    readAndDraw(f, server, [](TdataLineForm *w) {
        w->box1->click();
        QCOMPARE(w->kfdline1->curves[0].upper, 40.0);
    });
    QVector<QStringList> rows = measuredTable(5, 20);
    rows[2][1] = QStringLiteral("-7");
    rows[21][1] = QStringLiteral("99");
    server.rows = rows;
    QVERIFY(f.openAndRead());
    f.services.onModal = [](QDialog *d) {
        TdataLineForm *w = app().dataLineForm;
        if (d != w)
            return;
        QCOMPARE(w->kfdline1->curves[0].lower, -7.0);
        QCOMPARE(w->kfdline1->curves[0].upper, 99.0);
        QCOMPARE(w->kfdline1->yData[0][20], 99.0);
    };
    app().mainform->drawBtn->click();
    QCOMPARE(f.services.modalCount, 2);
}

QTEST_MAIN(TestChartReadout)
#include "tst_chartreadout.moc"
