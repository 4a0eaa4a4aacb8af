#include "chartwin/drawnchart.h"

#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"
#include "settings/ui/setrulerUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr double Ten = 1796724000.0; // 2026-12-08 10:00

// Twenty rows of a logger: the time each minute, a reading, the time of day every ten
// minutes and a reading with two texts in it.
QVector<QStringList> loggerSheet()
{
    QVector<QStringList> rows{{"时间", "压力", "时刻", "温度"}, {"s", "kPa", "h", "℃"}};
    for (int r = 0; r < 20; ++r) {
        rows << QStringList{QStringLiteral("2026-12-08 10:%1:00").arg(r, 2, 10, QLatin1Char('0')),
                            QString::number(100 + r),
                            QStringLiteral("%1:%2:00").arg(10 + r / 6).arg(r % 6 * 10, 2, 10, QLatin1Char('0')),
                            r == 3 || r == 9 ? QStringLiteral("断线") : QString::number(20 + r)};
    }
    return rows;
}

void drawLogger(AppFixture &f, SheetServer &server, const std::function<void(TdataLineForm *)> &whileShown)
{
    drawRows(f, server, loggerSheet(), whileShown);
}

QStringList logLines(const Tmainform *m)
{
    return m->Memo1->toPlainText().split(QLatin1Char('\n'));
}

// The X labels the chart draws, left to right.
QStringList xLabels(Tkfdline *chart)
{
    QStringList labels;
    const int f = chart->Font.pointSize();
    chart->Canvas().setTextListener([&](const DrawSurface::TextItem &t) {
        if (t.color == chart->xAxis.color && t.size == f && t.y == chart->plotBottom - f + 18)
            labels << t.text;
    });
    chart->Redraw();
    chart->Canvas().setTextListener({});
    return labels;
}

}

class TestTimeWindow : public QObject
{
    Q_OBJECT
private slots:
    void timeScaleOnScreenAndPaper();
    void manualLimitsAsTimes_data();
    void manualLimitsAsTimes();
};

void TestTimeWindow::timeScaleOnScreenAndPaper()
{
    AppFixture f;
    SheetServer server;
    drawLogger(f, server, [](TdataLineForm *w) {
        const QStringList labels{"10:00:00", "10:01:54", "10:03:48", "10:05:42", "10:07:36", "10:09:30",
                                 "10:11:24", "10:13:18", "10:15:12", "10:17:06", "10:19:00"};
        for (Tkfdline *chart : {w->kfdline1, w->line1}) {
            QCOMPARE(chart->xAxis.lower, Ten);
            QCOMPARE(chart->xAxis.upper, Ten + 19 * 60);
            QCOMPARE(xLabels(chart), labels);
            // The time of day curve has its times on its scale, widened by mode 2 (10:00 to 13:10).
            QCOMPARE(kfdline::scaleLabel(chart->curves[1], chart->curves[1].lower), QStringLiteral("8:25:00"));
        }
        // The read-out names the time of the point under the pointer.
        ChartView *view = w->kfdline1View;
        const Tkfdline *c = w->kfdline1;
        const QPoint at(c->marginLeft + (c->Width - c->marginLeft - c->marginRight) * 5 / 19, c->marginTop + 50);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        QStringList lines;
        for (const readout::Line &line : view->currentReadout().lines)
            lines << line.text;
        QCOMPARE(lines, QStringList({"时间: 2026-12-8 10:05:00 s", "压力: 105 kPa", "时刻: 10:50:00 h", "温度: 25.0 ℃"}));
        // A mode switch loads again but does not log again.
        w->box1->click();
    });
    const QStringList log = logLines(f.mainform);
    QCOMPARE(log.filter(QStringLiteral("不是数字")), QStringList{"第4列有2个值不是数字，不绘制"});
    QCOMPARE(log.last(), QStringLiteral("第4列有2个值不是数字，不绘制"));
}

void TestTimeWindow::manualLimitsAsTimes_data()
{
    QTest::addColumn<QString>("lower2");   // typed for curve 2, a time of day
    QTest::addColumn<QString>("upper2");
    QTest::addColumn<QString>("lower1");   // typed for curve 1, numbers
    QTest::addColumn<QString>("message");  // "" when stored
    QTest::addColumn<double>("stored");    // curve 2's lower limit afterwards
    QTest::newRow("times") << "9:00:00" << "12:30:00.5" << "90" << "" << 32400.0;
    QTest::newRow("seconds still do") << "32400" << "45000" << "90" << "" << 32400.0;
    QTest::newRow("not a time") << "9 Uhr" << "12:00:00" << "90" << "数值错误" << 0.0;
    QTest::newRow("a time for a number curve") << "9:00:00" << "12:00:00" << "9:00:00" << "数值错误" << 0.0;
    QTest::newRow("order of times") << "12:00:00" << "9:00:00" << "90" << "下限值必须小于上限值" << 0.0;
}

void TestTimeWindow::manualLimitsAsTimes()
{
    QFETCH(QString, lower2);
    QFETCH(QString, upper2);
    QFETCH(QString, lower1);
    QFETCH(QString, message);
    QFETCH(double, stored);
    AppFixture f;
    SheetServer server;
    QStringList shown;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().setrulerForm)
            return;
        TsetrulerForm *r = app().setrulerForm;
        shown = QStringList{r->Edit1->text(), r->Edit2->text(), r->Edit3->text(), r->Edit4->text()};
        r->Edit1->setText(lower1);
        r->Edit3->setText(lower2);
        r->Edit4->setText(upper2);
        r->BitBtn1->click();
    };
    drawLogger(f, server, [&](TdataLineForm *w) {
        w->Button3->click();
        // The defaults 0 and 1000: seconds after midnight for the time curve.
        QCOMPARE(shown, QStringList({"0", "1000", "0:00:00", "0:16:40"}));
        QCOMPARE(f.services.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(app().lineSet.lower[1], stored);
        if (!message.isEmpty())
            return;
        w->box4->click();
        QCOMPARE(w->line1->curves[1].lower, 32400.0);
        QCOMPARE(kfdline::scaleLabel(w->line1->curves[1], w->line1->curves[1].lower), QStringLiteral("9:00:00"));
    });
}

QTEST_MAIN(TestTimeWindow)
#include "tst_timewindow.moc"
