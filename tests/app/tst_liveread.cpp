// Live reads in the main window: a read on its own thread that can be cancelled at any
// point and leaves the table, the chart and the path as they were; following a file that
// grows, is rewritten or replaced; F5; and the same actions in the chart window's menu.
#include "support/appfixture.h"

#include "base/readprogress.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/columnstore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTableView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QThread>

class TestLiveRead : public QObject
{
    Q_OBJECT
private slots:
    void cancelLeavesOldTable_data();
    void cancelLeavesOldTable();
    void follow_data();
    void follow();
    void followKeepsListsInPlace();
    void reloadKeepsTicks();
    void chartMenuOffersFollow();
};

namespace {

QByteArray rowsText(int first, int count, int columns = 3)
{
    QByteArray text;
    for (int i = first; i < first + count; ++i) {
        text += QByteArray::number(i);
        for (int c = 1; c < columns; ++c)
            text += ',' + QByteArray::number(i * (c + 1) % 1009);
        text += '\n';
    }
    return text;
}

QByteArray header(int columns = 3)
{
    QByteArray names = "t", units = "s";
    for (int c = 1; c < columns; ++c) {
        names += ",ch" + QByteArray::number(c);
        units += ",V";
    }
    return names + '\n' + units + '\n';
}

void writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    QVERIFY(file.open(mode));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList lastLogLines(Tmainform *m, int n)
{
    const QStringList lines = m->Memo1->toPlainText().split(QLatin1Char('\n'));
    return lines.mid(std::max<qsizetype>(0, lines.size() - n));
}

int sizeLines(Tmainform *m)
{
    return int(m->Memo1->toPlainText().count(QStringLiteral("数据行数：")));
}

QStringList column(const ColumnStore &store, int list)
{
    QStringList items;
    for (int i = 0; i < store.count(list); ++i)
        items << store.item(list, i);
    return items;
}

// Opens `path` with "打开文件" and waits for the read to end.
bool openAndWait(AppFixture &f, const QString &path)
{
    const int before = f.mainform->readCount();
    f.services.openAnswers.push_back(path);
    f.mainform->openBtn->click();
    return QTest::qWaitFor([&] { return f.mainform->readCount() == before + 1; }, 60000);
}

void draw(Tmainform *m)
{
    m->drawBtn->click();
    QVERIFY(m->chartDocument().loaded().dataRows > 0);
}

}

void TestLiveRead::cancelLeavesOldTable_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("atReport");
    QTest::addColumn<bool>("byOpening"); // stopped by opening another file instead of 取消
    QTest::newRow("first rows of the file") << int(readprogress::Phase::Parse) << 1 << false;
    QTest::newRow("midway through the file") << int(readprogress::Phase::Parse) << 30 << false;
    QTest::newRow("first rows into the lists") << int(readprogress::Phase::Fill) << 1 << false;
    QTest::newRow("last rows into the lists") << int(readprogress::Phase::Fill) << 70 << false;
    QTest::newRow("another file opened midway") << int(readprogress::Phase::Parse) << 30 << true;
}

void TestLiveRead::cancelLeavesOldTable()
{
    QFETCH(int, phase);
    QFETCH(int, atReport);
    QFETCH(bool, byOpening);
    AppFixture f;
    Tmainform *m = f.start();
    const QString small = f.path(QStringLiteral("small.csv"));
    const QString other = f.path(QStringLiteral("other.csv"));
    const QString big = f.path(QStringLiteral("big.csv"));
    writeFile(small, header() + rowsText(1, 5));
    writeFile(other, header(4) + rowsText(1, 7, 4));
    writeFile(big, header() + rowsText(1, 300000));
    QVERIFY(openAndWait(f, small));
    draw(m);
    const QStringList oldFirst = column(m->store(), 1);
    const QStringList oldLast = column(m->store(), 3);
    const int oldRows = m->chartDocument().loaded().dataRows;
    const QString oldTitle = m->windowTitle();

    // At the chosen report the reading thread has the window stop it, and waits until it has.
    int reports = 0;
    m->readReportHook = [&](const readprogress::Progress &p) {
        if (int(p.phase()) != phase || ++reports != atReport)
            return;
        QMetaObject::invokeMethod(m, [m, byOpening, other] {
            if (byOpening)
                m->openWorkbook(other);
            else
                m->cancelBtn->click();
        }, Qt::QueuedConnection);
        QElapsedTimer waited;
        waited.start();
        while (!p.cancelled() && waited.elapsed() < 20000)
            QThread::msleep(1);
    };
    f.services.openAnswers.push_back(big);
    m->openBtn->click();
    QVERIFY(QTest::qWaitFor([m] { return m->reading(); }, 5000));
    QVERIFY(m->readBar->isVisible());
    QVERIFY(m->cancelBtn->isVisible());
    QVERIFY(QTest::qWaitFor([m] { return !m->reading() || m->Timer1->isActive(); }, 60000));
    QCOMPARE(reports, atReport);
    QCOMPARE(lastLogLines(m, 1), QStringList{QStringLiteral("读取已取消")});
    m->readReportHook = nullptr;

    if (byOpening) {
        // The file chosen last is read: one read of it, after the cancelled one.
        QVERIFY(QTest::qWaitFor([m] { return m->store().filledLists() == 4 && !m->reading(); }, 60000));
        QCOMPARE(m->fileName(), other);
        QCOMPARE(m->store().count(1), 9);
        return;
    }
    QVERIFY(QTest::qWaitFor([m] { return !m->readThreadRunning(); }, 60000));
    QCoreApplication::processEvents();
    QCOMPARE(column(m->store(), 1), oldFirst);
    QCOMPARE(column(m->store(), 3), oldLast);
    QCOMPARE(m->Edit1->text(), small);
    QCOMPARE(m->fileName(), small);
    QCOMPARE(m->windowTitle(), oldTitle);
    QVERIFY(m->drawBtn->isEnabled());
    QVERIFY(!m->Panel1->isVisible());
    QVERIFY(!m->readBar->isVisible());
    QVERIFY(!m->cancelBtn->isVisible());
    QCOMPARE(m->chartDocument().loaded().dataRows, oldRows);
    QCOMPARE(m->chartDocument().sourceFile(), small);
}

void TestLiveRead::follow_data()
{
    QTest::addColumn<QByteArray>("change"); // what happens to the file
    QTest::addColumn<int>("rows");          // data rows afterwards
    QTest::addColumn<QString>("lastTime");  // list 1's last item afterwards
    QTest::newRow("rows appended") << QByteArray("append 50") << 60 << QStringLiteral("60");
    QTest::newRow("partial line, then its end") << QByteArray("partial") << 11 << QStringLiteral("11");
    QTest::newRow("replaced by a longer file") << QByteArray("replace 25") << 25 << QStringLiteral("25");
    QTest::newRow("shrunk") << QByteArray("shrink 4") << 4 << QStringLiteral("4");
}

void TestLiveRead::follow()
{
    QFETCH(QByteArray, change);
    QFETCH(int, rows);
    QFETCH(QString, lastTime);
    AppFixture f;
    Tmainform *m = f.start();
    const QString path = f.path(QStringLiteral("log.csv"));
    writeFile(path, header() + rowsText(1, 10));
    QVERIFY(openAndWait(f, path));
    // Not the default ticks: following must keep them.
    m->yBox[2]->setChecked(false);
    QVERIFY(m->yBox[3]->isChecked());
    draw(m);
    m->followAction->setChecked(true);
    const QStringList words = QString::fromLatin1(change).split(QLatin1Char(' '));
    const int n = words.size() > 1 ? words[1].toInt() : 0;
    if (words[0] == QLatin1String("append")) {
        writeFile(path, rowsText(11, n), QIODevice::Append);
    } else if (words[0] == QLatin1String("partial")) {
        writeFile(path, "11,2", QIODevice::Append);
        m->followStep();
        QCOMPARE(m->lastRow(), 12); // held until its line ends
        writeFile(path, "2,33\n", QIODevice::Append);
    } else if (words[0] == QLatin1String("replace")) {
        const QString fresh = f.path(QStringLiteral("fresh.csv"));
        writeFile(fresh, header() + rowsText(1, n));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(fresh, path));
    } else {
        QVERIFY(QFile::resize(path, 0));
        writeFile(path, header() + rowsText(1, n));
    }
    QVERIFY2(QTest::qWaitFor([m, rows] { return m->lastRow() == rows + 2 && !m->reading(); }, 10000),
             qPrintable(QString::number(m->lastRow())));
    QCOMPARE(m->store().item(1, rows + 1), lastTime);
    if (words[0] == QLatin1String("partial"))
        QCOMPARE(m->store().item(2, rows + 1), QStringLiteral("22"));
    // The lists, one size line brought up to date, the ticks and the chart follow.
    QCOMPARE(sizeLines(m), 1);
    QVERIFY(m->Memo1->toPlainText().contains(QStringLiteral("数据行数：%1 ,  列数：3").arg(rows + 2)));
    QVERIFY(m->xBox[1]->isChecked());
    QVERIFY(!m->yBox[2]->isChecked());
    QVERIFY(m->yBox[3]->isChecked());
    QCOMPARE(m->chartDocument().loaded().dataRows, rows);
    QCOMPARE(m->chartDocument().request().yCols, QVector<int>{3});

    // Off: the file changes, the lists do not.
    m->followAction->setChecked(false);
    writeFile(path, rowsText(100, 3), QIODevice::Append);
    QTest::qWait(1300);
    QCOMPARE(m->lastRow(), rows + 2);
}

// Rows put below the lists leave each where it was scrolled; one at its end stays at the end.
void TestLiveRead::followKeepsListsInPlace()
{
    AppFixture f;
    Tmainform *m = f.start();
    const QString path = f.path(QStringLiteral("log.csv"));
    writeFile(path, header() + rowsText(1, 100));
    QVERIFY(openAndWait(f, path));
    for (int k = 1; k <= 3; ++k)
        m->colList[k]->doItemsLayout();
    QScrollBar *end = m->colList[1]->verticalScrollBar();
    QScrollBar *middle = m->colList[2]->verticalScrollBar();
    QScrollBar *top = m->colList[3]->verticalScrollBar();
    end->setValue(end->maximum());
    middle->setValue(10);
    const int oldEnd = end->maximum();
    QVERIFY(oldEnd > 10);
    m->followAction->setChecked(true);
    writeFile(path, rowsText(101, 30), QIODevice::Append);
    m->followStep();
    QCOMPARE(m->lastRow(), 132);
    QCOMPARE(end->maximum(), oldEnd + 30);
    QCOMPARE(end->value(), end->maximum());
    QCOMPARE(middle->value(), 10);
    QCOMPARE(top->value(), 0);
}

// F5 reads the whole file again, keeps the ticks by the columns' names, and reports a table
// whose columns are others as a new one.
void TestLiveRead::reloadKeepsTicks()
{
    AppFixture f;
    Tmainform *m = f.start();
    const QString path = f.path(QStringLiteral("log.csv"));
    writeFile(path, header(4) + rowsText(1, 10, 4));
    QVERIFY(openAndWait(f, path));
    m->yBox[2]->setChecked(false);
    draw(m);
    // Rewritten in place, columns in another order: the ticks go with the names.
    writeFile(path, "t,ch3,ch2,ch1\ns,V,V,V\n" + rowsText(1, 20, 4));
    int before = m->readCount();
    m->reloadAction->trigger();
    QVERIFY(QTest::qWaitFor([&] { return m->readCount() == before + 1; }, 10000));
    QCOMPARE(m->lastRow(), 22);
    QCOMPARE(m->store().item(2, 0), QStringLiteral("ch3"));
    QVERIFY(!m->yBox[4]->isChecked()); // ch1, unticked before
    QVERIFY(m->yBox[2]->isChecked() && m->yBox[3]->isChecked());
    QCOMPARE(sizeLines(m), 1);
    QCOMPARE(m->chartDocument().loaded().dataRows, 20);

    // Other names: the default ticks and a size line of its own, as for a new file.
    writeFile(path, "a,b\ns,V\n" + rowsText(1, 5, 2));
    before = m->readCount();
    m->reloadAction->trigger();
    QVERIFY(QTest::qWaitFor([&] { return m->readCount() == before + 1; }, 10000));
    QCOMPARE(m->lastRow(), 7);
    QVERIFY(m->xBox[1]->isChecked() && m->yBox[2]->isChecked());
    QCOMPARE(sizeLines(m), 2);
}

void TestLiveRead::chartMenuOffersFollow()
{
    AppFixture f;
    Tmainform *m = f.start();
    QMenu *menu = app().dataLineForm->chartMenu;
    QVERIFY(menu->actions().contains(m->followAction));
    QVERIFY(menu->actions().contains(m->reloadAction));
    QCOMPARE(m->reloadAction->shortcut(), QKeySequence(Qt::Key_F5));
    QVERIFY(m->followAction->isCheckable());
    // The chart window's shortcut works there too.
    QVERIFY(app().dataLineForm->actions().contains(m->reloadAction));
}

QTEST_MAIN(TestLiveRead)
#include "tst_liveread.moc"
