#include <QPoint>
#include <QtTest>

#include "workbook/numformat.h"
#include "workbook/workbook.h"

using namespace workbook;

// What every reader shares: which number formats show dates, and the worksheet's cell store.
class TestWorkbookModel : public QObject
{
    Q_OBJECT
private slots:
    void dateFormats_data();
    void dateFormats();
    void worksheetStore();
    void cellsInAnyOrder_data();
    void cellsInAnyOrder();
    void textTable_data();
    void textTable();
    void textTableBlocks_data();
    void textTableBlocks();
};

void TestWorkbookModel::dateFormats_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("date");
    QTest::newRow("General") << "General" << false;
    QTest::newRow("decimals") << "#,##0.00" << false;
    QTest::newRow("scientific") << "0.00E+00" << false;
    QTest::newRow("text") << "@" << false;
    QTest::newRow("ymd") << "yyyy-mm-dd" << true;
    QTest::newRow("upper case") << "YYYY/M/D" << true;
    QTest::newRow("time") << "h:mm AM/PM" << true;
    QTest::newRow("seconds") << "ss.0" << true;
    QTest::newRow("elapsed hours") << "[h]:mm:ss" << true;
    QTest::newRow("elapsed minutes") << "[mm]:ss" << true;
    QTest::newRow("colour") << "[Red]0.00" << false;
    QTest::newRow("colour and date") << "[Blue]d-mmm" << true;
    QTest::newRow("condition") << "[>=100]0;0.0" << false;
    QTest::newRow("locale tag") << "[$-804]0.00" << false;
    QTest::newRow("locale tag and date") << "[$-804]yyyy\"年\"m\"月\"" << true;
    QTest::newRow("quoted letters") << "0 \"days\"" << false;
    QTest::newRow("escaped letter") << "0\\s" << false;
    QTest::newRow("fill character") << "0*s" << false;
    QTest::newRow("space width") << "0_h" << false;
    QTest::newRow("unclosed quote") << "0\"d" << false;
    QTest::newRow("unclosed bracket") << "[h" << false;
    QTest::newRow("Chinese general") << "G/通用格式" << false;
}

void TestWorkbookModel::dateFormats()
{
    QFETCH(QString, code);
    QFETCH(bool, date);
    QCOMPARE(isDateFormatCode(code), date);
}

void TestWorkbookModel::worksheetStore()
{
    Worksheet ws;
    Cell text;
    text.type = CellType::Text;
    text.text = QStringLiteral("t");
    ws.setCell(3, 4, text);
    Cell num;
    num.type = CellType::Number;
    num.number = 2;
    ws.setCell(3, 2, num);
    ws.setCell(3, 4, num); // replaces the text
    Cell err;
    err.type = CellType::Error;
    err.errorCode = 0x17;
    ws.setCell(1, 1, err);
    ws.setCell(1, 1, Cell()); // Empty removes it
    QCOMPARE(int(ws.cell(3, 4).type), int(CellType::Number));
    QCOMPARE(ws.cell(3, 2).number, 2.0);
    QCOMPARE(int(ws.cell(1, 1).type), int(CellType::Empty));
    QCOMPARE(int(ws.cell(0, 1).type), int(CellType::Empty));
    QCOMPARE(int(ws.cell(3, -1).type), int(CellType::Empty));
    QCOMPARE(int(ws.cell(100000, 1).type), int(CellType::Empty));
    QCOMPARE(ws.countOf(CellType::Number), 2);
    QCOMPARE(ws.countOf(CellType::Text), 0);
}

void TestWorkbookModel::cellsInAnyOrder_data()
{
    QTest::addColumn<QVector<QPoint>>("order"); // (column, row) of each put, in order
    const QVector<QPoint> rowOrder{{1, 1}, {2, 1}, {5, 1}, {1, 2}, {1, 4}, {3, 4}, {2, 7}};
    QTest::newRow("row order") << rowOrder;
    QVector<QPoint> backwards(rowOrder.rbegin(), rowOrder.rend());
    QTest::newRow("backwards") << backwards;
    QTest::newRow("a column out of order") << QVector<QPoint>{{1, 1}, {5, 1}, {2, 1}, {1, 2}, {1, 4}, {3, 4}, {2, 7}};
    QTest::newRow("a row out of order") << QVector<QPoint>{{1, 1}, {2, 1}, {5, 1}, {1, 4}, {3, 4}, {1, 2}, {2, 7}};
    QTest::newRow("a cell written twice") << (rowOrder + QVector<QPoint>{{2, 1}});
}

// Cells read the same whether they came in row order (one array) or not (a row each).
void TestWorkbookModel::cellsInAnyOrder()
{
    QFETCH(QVector<QPoint>, order);
    Worksheet ws;
    for (const QPoint &p : order)
        ws.setNumber(p.y(), p.x(), CellType::Number, p.y() * 100 + p.x());
    const int lastColumns[] = {5, 1, 0, 3, 0, 0, 2};
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 6; ++column) {
            const bool stored = order.contains(QPoint(column, row));
            QCOMPARE(int(ws.cell(row, column).type), int(stored ? CellType::Number : CellType::Empty));
            QCOMPARE(ws.cell(row, column).number, stored ? row * 100.0 + column : 0.0);
        }
        QCOMPARE(ws.lastColumnOf(row), row <= 7 ? lastColumns[row - 1] : 0);
    }
    QCOMPARE(ws.countOf(CellType::Number), 7);
}

// Texts of every width read back as they went in, in Latin-1 and UTF-16 next to each other,
// also after the table was cut back and grew again.
void TestWorkbookModel::textTable_data()
{
    QTest::addColumn<QStringList>("texts");
    const QString longText(TextTable::SharedLength, QChar(0x6E29));
    QTest::newRow("ASCII") << QStringList{"a", "temperature", "1.5"};
    QTest::newRow("Latin-1 and Chinese alternating")
        << QStringList{QStringLiteral("é"), QStringLiteral("温度"), QStringLiteral("x"), QStringLiteral("压力(kPa)"),
                       QStringLiteral("ÿ"), QStringLiteral("中")};
    QTest::newRow("odd lengths before wide texts")
        << QStringList{"abc", QStringLiteral("温"), "d", QStringLiteral("度数"), "efg", QStringLiteral("℃")};
    QTest::newRow("surrogate pairs") << QStringList{QStringLiteral("a\U0001F600"), "b", QStringLiteral("\U00020000")};
    QTest::newRow("empty texts between") << QStringList{"", "a", "", QStringLiteral("温"), ""};
    QTest::newRow("shared long texts among short ones")
        << QStringList{"a", longText, QStringLiteral("温"), longText + "x", "b"};
}

void TestWorkbookModel::textTable()
{
    QFETCH(QStringList, texts);
    TextTable table;
    for (const QString &t : texts)
        QCOMPARE(table.append(t), std::uint32_t(&t - texts.constData()));
    QCOMPARE(table.size(), std::uint32_t(texts.size()));
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        QCOMPARE(table.text(i), texts[int(i)]);
        QCOMPARE(table.length(i), texts[int(i)].size());
    }
    QCOMPARE(table.text(table.size()), QString());
    const std::uint32_t half = table.size() / 2;
    table.truncate(half);
    for (int i = int(half); i < texts.size(); ++i)
        table.append(texts[texts.size() - 1 - i + int(half)]);
    for (std::uint32_t i = 0; i < half; ++i)
        QCOMPARE(table.text(i), texts[int(i)]);
    for (int i = int(half); i < texts.size(); ++i)
        QCOMPARE(table.text(std::uint32_t(i)), texts[texts.size() - 1 - i + int(half)]);
}

// Tables of tens of thousands of texts, whose ends are kept in blocks of 65,536: cut back at
// and beside a block's edge, grown again, and copied, each reads back every text.
void TestWorkbookModel::textTableBlocks_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("more");
    QTest::newRow("one whole block, cut at its end") << 65536 << 65536 << 3;
    QTest::newRow("one text past a block, cut at the edge") << 65537 << 65536 << 70000;
    QTest::newRow("cut one before the edge") << 70000 << 65535 << 2;
    QTest::newRow("two blocks and more, cut one past the first") << 140000 << 65537 << 65536;
    QTest::newRow("cut to nothing") << 131072 << 0 << 65537;
    QTest::newRow("cut past the end keeps all") << 70000 << 131072 << 1;
}

void TestWorkbookModel::textTableBlocks()
{
    QFETCH(int, count);
    QFETCH(int, cut);
    QFETCH(int, more);
    // Latin-1 texts of 0 to 4 characters, a Chinese one every 7th, a long shared one rarely.
    const auto textOf = [](int i, int salt) {
        if (i % 7 == 3)
            return QString(QChar(0x4E00 + (i + salt) % 20000));
        if (i % 9973 == 5)
            return QString(TextTable::SharedLength, QChar('a' + i % 26));
        return QString(i % 5, QChar('A' + (i + salt) % 26));
    };
    TextTable table;
    for (int i = 0; i < count; ++i)
        table.append(textOf(i, 0));
    table.truncate(std::uint32_t(cut));
    const int kept = std::min(count, cut);
    QCOMPARE(table.size(), std::uint32_t(kept));
    const TextTable before = table;
    for (int i = kept; i < kept + more; ++i)
        QCOMPARE(table.append(textOf(i, 1)), std::uint32_t(i));
    TextTable copy = table;
    copy.append(QStringLiteral("copy"));
    for (int i = 0; i < kept + more; ++i) {
        const QString expected = textOf(i, i < kept ? 0 : 1);
        QCOMPARE(table.text(std::uint32_t(i)), expected);
        QCOMPARE(table.length(std::uint32_t(i)), expected.size());
        QCOMPARE(copy.text(std::uint32_t(i)), expected);
    }
    QCOMPARE(table.size(), std::uint32_t(kept + more));
    QCOMPARE(copy.text(std::uint32_t(kept + more)), QStringLiteral("copy"));
    QCOMPARE(table.text(std::uint32_t(kept + more)), QString());
    // The table copied before it grew again is untouched by that.
    QCOMPARE(before.size(), std::uint32_t(kept));
    if (kept > 0)
        QCOMPARE(before.text(std::uint32_t(kept - 1)), textOf(kept - 1, 0));
}

QTEST_GUILESS_MAIN(TestWorkbookModel)
#include "tst_workbookmodel.moc"
