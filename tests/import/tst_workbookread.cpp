#include <QtTest>

#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/workbookread.h"
#include "workbook/workbook.h"
#include "scriptedexcel.h"

using automation::Variant;

namespace {

const QString Path = QStringLiteral("/data/测试.xls");

QStringList openCalls()
{
    return {"A.DisplayAlerts put False",
            "A.Workbooks method|get",
            "W.Open method \"" + Path + "\"",
            "A.Workbooks get 1",
            "B.WorkSheets get 1"};
}

QStringList loopCalls(int rows)
{
    QStringList out{"S.usedRange method|get", "U.Rows method|get", "R.count method|get"};
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= ColumnStore::ListCount; ++c)
            out << QStringLiteral("S.Cells get %1,%2").arg(r).arg(c) << "C.(value) get";
    return out;
}

QStringList closeCalls()
{
    return {"A.workbooks get 1", "B.save method",
            "A.Workbooks get 1", "B.Saved put True",
            "A.workbooks get 1", "B.close method",
            "A.quit method"};
}

QStringList contents(const ColumnStore &store)
{
    QStringList out;
    for (int list = 1; list <= ColumnStore::ListCount; ++list) {
        QStringList items;
        for (int i = 0; i < store.count(list); ++i)
            items << store.item(list, i);
        if (!items.isEmpty())
            out << QStringLiteral("%1:%2").arg(list).arg(items.join(QLatin1Char(',')));
    }
    return out;
}

}

class TestWorkbookRead : public QObject
{
    Q_OBJECT
private slots:
    void callSequence();
    void createFailure_data();
    void createFailure();
    void failures_data();
    void failures();
    void notesOfARead_data();
    void notesOfARead();
    void oneResetPerRead();
    void tableTooLarge();
};

// Every call of a good read, in order, with names exactly as sent and their arguments.
void TestWorkbookRead::callSequence()
{
    ScriptedExcel excel;
    excel.rowCount = Variant::fromInt(2);
    excel.cells[{1, 1}] = Variant::fromText("a");
    excel.cells[{1, 2}] = Variant::fromDouble(1.5);
    excel.cells[{2, 2}] = Variant::fromBool(true);
    excel.cells[{2, 32}] = Variant::fromDate(36526.5);
    excel.cells[{2, ColumnStore::ListCount + 1}] = Variant::fromText("never read");
    automation::Registry registry;
    excel.install(registry);
    ColumnStore store;

    const ReadResult result = readWorkbook(Path, store, registry);

    QVERIFY(result.connected);
    QVERIFY(result.complete);
    QVERIFY(result.message.isEmpty());
    QCOMPARE(excel.calls, openCalls() + loopCalls(32) + closeCalls());
    // Cells keep their columns: row 1 names them; column 1 has a name and no reading, and stays.
    QCOMPARE(contents(store), QStringList({"1:a,,", "2:1.5,,True", "3:第32列,,2000/1/1 12:00:00"}));
    QCOMPARE(excel.live, 0);
}

void TestWorkbookRead::createFailure_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("class not registered") << 0;
    QTest::newRow("factory gives nothing") << 1;
    QTest::newRow("factory throws") << 2;
}

// The application cannot be created: the caller is told, the store keeps its data.
void TestWorkbookRead::createFailure()
{
    QFETCH(int, how);
    automation::Registry registry;
    if (how == 1)
        registry.add("Excel.Application", [] { return automation::ObjectRef(); });
    if (how == 2)
        registry.add("Excel.Application", []() -> automation::ObjectRef { throw AppError("no"); });
    ColumnStore store;
    store.append(1, u"old");

    const ReadResult result = readWorkbook(Path, store, registry);

    QVERIFY(!result.connected);
    QCOMPARE(result.message, QStringLiteral("连接Excel失败"));
    QCOMPARE(contents(store), QStringList({"1:old"}));
}

void TestWorkbookRead::failures_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("store");
    QTest::addColumn<QStringList>("lastCalls");

    // Cells keep their columns; the first column, unnamed, is named by its number.
    const QStringList full{"1:第1列,,a1,b1", "2:h1,,,b2", "3:h2,,a2,"};
    const QStringList old{"1:old"};
    // Opening the workbook or reaching its sheet fails: the error goes to the caller, the
    // store is untouched, and the application is still asked to quit.
    QTest::newRow("alerts off fails") << "DisplayAlerts" << 1 << true << true << old
                                      << QStringList{"A.DisplayAlerts put False", "A.quit method"};
    QTest::newRow("open fails") << "Open" << 1 << true << true << old
                                << QStringList{"W.Open method \"" + Path + "\"", "A.quit method"};
    QTest::newRow("workbook fails") << "Workbooks" << 2 << true << true << old
                                    << QStringList{"A.Workbooks get 1", "A.quit method"};
    QTest::newRow("worksheet fails") << "WorkSheets" << 1 << true << true << old
                                     << QStringList{"B.WorkSheets get 1", "A.quit method"};
    // Errors in the loop end it silently and keep what was read.
    QTest::newRow("row count fails") << "count" << 1 << false << false << QStringList()
                                     << closeCalls().mid(5);
    QTest::newRow("used range fails") << "usedRange" << 1 << false << false << QStringList()
                                      << closeCalls().mid(5);
    QTest::newRow("cell of row 2 fails") << "Cells" << ColumnStore::ListCount + 2 << false << false
                                         << QStringList{"1:第1列,,a1", "2:h1,,", "3:h2,,"} << closeCalls().mid(5);
    QTest::newRow("cell value fails") << "(value)" << ColumnStore::ListCount + 3 << false << false
                                      << QStringList{"1:第1列,,a1", "2:h1,,", "3:h2,,"} << closeCalls().mid(5);
    QTest::newRow("last cell fails") << "Cells" << 33 * ColumnStore::ListCount << false << false << full
                                     << closeCalls().mid(5);
    // Closing errors: the workbook is closed once more and the read goes on.
    QTest::newRow("save fails") << "save" << 1 << false << true << full
                                << QStringList{"B.save method", "A.workbooks get 1",
                                               "B.close method", "A.quit method"};
    QTest::newRow("saved fails") << "Saved" << 1 << false << true << full
                                 << QStringList{"B.Saved put True", "A.workbooks get 1",
                                                "B.close method", "A.quit method"};
    QTest::newRow("first close fails") << "close" << 1 << false << true << full
                                       << QStringList{"B.close method", "A.workbooks get 1",
                                                      "B.close method", "A.quit method"};
    // The second close fails too: its error reaches the caller and quit is not sent.
    QTest::newRow("both closes fail") << "close" << 2 << true << true << full
                                      << QStringList{"B.close method", "A.workbooks get 1",
                                                     "B.close method"};
    QTest::newRow("quit fails") << "quit" << 1 << true << true << full
                                << closeCalls().mid(5);
}

void TestWorkbookRead::failures()
{
    QFETCH(QString, member);
    QFETCH(int, occurrence);
    QFETCH(bool, throws);
    QFETCH(bool, complete);
    QFETCH(QStringList, store);
    QFETCH(QStringList, lastCalls);

    ScriptedExcel excel;
    excel.setSheet({"|h1|h2", "a1||a2", "b1|b2"});
    // "both closes fail" needs the first close to fail as well.
    if (member == "close" && occurrence == 2)
        excel.failOn("close", 1);
    excel.failOn(member, occurrence);
    automation::Registry registry;
    excel.install(registry);
    ColumnStore columns;
    columns.append(1, u"old");

    bool raised = false;
    ReadResult result;
    try {
        result = readWorkbook(Path, columns, registry);
    } catch (const AppError &e) {
        raised = true;
        QVERIFY(e.message().startsWith("scripted failure"));
    }

    QCOMPARE(raised, throws);
    if (!throws)
        QCOMPARE(result.complete, complete);
    QCOMPARE(contents(columns), store);
    QCOMPARE(excel.calls.mid(excel.calls.size() - lastCalls.size()), lastCalls);
    if (!lastCalls.contains("A.quit method"))
        QVERIFY(!excel.calls.contains("A.quit method"));
    QVERIFY(excel.created > 0);
    QCOMPARE(excel.live, 0);
}

void TestWorkbookRead::notesOfARead_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<QString>("note");
    QTest::newRow("whole table") << QString() << 0 << QString();
    QTest::newRow("stopped in row 2") << "(value)" << ColumnStore::ListCount + 3 << QStringLiteral("读取在第2行第3列停止（scripted failure");
    QTest::newRow("stopped past the used rows") << "Cells" << 33 * ColumnStore::ListCount << QString();
}

// The result says where a read stopped; an application without ReadNotes adds nothing.
void TestWorkbookRead::notesOfARead()
{
    QFETCH(QString, member);
    QFETCH(int, occurrence);
    QFETCH(QString, note);
    ScriptedExcel excel;
    excel.setSheet({"|h1|h2", "a1||a2", "b1|b2"});
    if (!member.isEmpty())
        excel.failOn(member, occurrence);
    automation::Registry registry;
    excel.install(registry);
    ColumnStore columns;
    const ReadResult result = readWorkbook(Path, columns, registry);
    // The stop is told once, after what the table itself left out (the columns without a
    // reading when the read stopped early).
    const QStringList stops = result.notes.filter(QStringLiteral("读取在"));
    QVERIFY2(stops.size() == (note.isEmpty() ? 0 : 1), qPrintable(result.notes.join('/')));
    if (!note.isEmpty())
        QVERIFY2(result.notes.last().startsWith(note), qPrintable(result.notes.last()));
    QVERIFY(!excel.calls.join(QLatin1Char(' ')).contains(QLatin1String("ReadNotes")));
}

// A list view follows the store with one reset per read, never one per item.
void TestWorkbookRead::oneResetPerRead()
{
    ScriptedExcel excel;
    excel.setSheet({"x|y", "1|2", "3|4"});
    automation::Registry registry;
    excel.install(registry);
    ColumnStore store;
    ColumnListModel model(&store, 2);
    QSignalSpy started(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy finished(&model, &QAbstractItemModel::modelReset);

    readWorkbook(Path, store, registry);

    QCOMPARE(started.size(), 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(model.rowCount(), 4); // name, an empty unit (the file has none), two readings
    QCOMPARE(model.data(model.index(3)).toString(), QStringLiteral("4"));
}

// A table whose texts pass the store's cap is refused with that reason once the workbook
// is closed, and the half table is not left behind to look complete.
void TestWorkbookRead::tableTooLarge()
{
    const QString half(qsizetype(ColumnStore::MaxTextChars / 2) + 1, QLatin1Char('t'));
    automation::Registry registry;
    excelapp::registerApplication(registry, [&](const QString &) {
        auto book = std::make_unique<workbook::Workbook>();
        book->firstSheet.setUsedRows(1, 2);
        book->firstSheet.setCell(1, 1, workbook::Cell{workbook::CellType::Text, 0, half, 0});
        book->firstSheet.setCell(2, 1, workbook::Cell{workbook::CellType::Text, 0, QString(half).replace(0, 1, "u"), 0});
        return book;
    });
    ColumnStore store;
    store.append(1, u"old");
    try {
        readWorkbook(Path, store, registry);
        QFAIL("no refusal");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), QStringLiteral("无法打开工作簿 ") + Path
                 + QStringLiteral("：表格文字太多（超过 256 MB）"));
    }
    QCOMPARE(store.filledLists(), 0);
    QCOMPARE(store.textChars(), qint64(0));
}

QTEST_GUILESS_MAIN(TestWorkbookRead)
#include "tst_workbookread.moc"
