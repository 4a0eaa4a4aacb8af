// A logger's long run through the windows: the program opens a million-row text file with
// its own reader, lists every row, and "绘制曲线" draws the whole run.
#include "support/appfixture.h"

#include "app/mainunit.h"
#include "chart/kfdline.h"
#include "chartwin/ui/dataLineUnit.h"

#include <QTableView>
#include <QPlainTextEdit>
#include <QPushButton>

class TestLongLog : public QObject
{
    Q_OBJECT
private slots:
    void millionRows();
};

void TestLongLog::millionRows()
{
    const int rows = 1000000;
    AppFixture f;
    // Under the sample's name: the kind is told by the content.
    QFile file(f.path(QStringLiteral("001.xls")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray text = "# logger 7, 100 Hz\ntime;p;T\ns;bar;degC\n";
    text.reserve(rows * 24);
    for (int i = 0; i < rows; ++i)
        text += QByteArray::number(i / 100.0, 'f', 2) + ';' + QByteArray::number(1 + i % 50) + ",5;"
                + QByteArray::number(20 - i % 9) + '\n';
    file.write(text);
    file.close();

    Tmainform *m = f.start();
    QVERIFY(QTest::qWaitFor([m] { return m->readCount() == 1; }, 60000));
    const QStringList log = m->Memo1->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(log.contains(QStringLiteral("数据行数：%1 ,  列数：3").arg(rows + 2)), qPrintable(log.join('|')));
    QVERIFY(log.contains(QStringLiteral("跳过了开头的1行说明文字")));
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(m->colList[k]->model()->rowCount(), rows + 2);
    QCOMPARE(m->colList[2]->model()->index(rows + 1, 0).data().toString(), QStringLiteral("50.5"));

    bool shown = false;
    f.services.onModal = [&](QDialog *d) {
        if (d != app().dataLineForm)
            return;
        shown = true;
        const Tkfdline *chart = app().dataLineForm->kfdline1;
        QCOMPARE(chart->xAxis.lower, 0.0);
        QCOMPARE(chart->xAxis.upper, 9999.99);
    };
    m->drawBtn->click();
    QVERIFY(shown);
    QVERIFY(m->Memo1->toPlainText().contains(QStringLiteral("绘制了%1行中的").arg(rows)));
}

QTEST_MAIN(TestLongLog)
#include "tst_longlog.moc"
