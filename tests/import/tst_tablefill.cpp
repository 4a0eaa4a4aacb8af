#include <QtTest>

#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/unitsplit.h"
#include "import/workbookread.h"

#include <QTemporaryDir>

namespace {

struct Table {
    QStringList names, units, firstRow, log;
    int items = 0; // of list 1
};

// Reads `bytes` as a file through the program's application, as the main window does.
Table readText(const QByteArray &bytes, const QString &name = QStringLiteral("log.csv"))
{
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    const ReadResult read = readWorkbook(path, store, registry);
    Table t;
    for (int k = 1; k <= ColumnStore::ListCount && store.count(k) > 0; ++k) {
        t.names << store.item(k, 0);
        t.units << store.item(k, 1);
        t.firstRow << (store.count(k) > 2 ? store.item(k, 2) : QStringLiteral("<none>"));
    }
    t.items = store.count(1);
    t.log = reportTable(store, read.notes).log;
    return t;
}

QByteArray rows(int count, const QByteArray &row)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += row;
    return out;
}

// A header of `lines` key and value lines that counts them ("num_header_lines"), its last
// cells numbers, then a series row and the column names.
QByteArray headerCounted(int lines, const QByteArray &series, const QByteArray &names)
{
    QByteArray out = "num_header_lines\tNumber of header lines\t\tint\t" + QByteArray::number(lines) + "\n"
                     "num_data_header_lines\tNumber of data header lines\t\tint\t2\n";
    for (int i = 3; i <= lines; ++i)
        out += "key" + QByteArray::number(i) + "\tdescription\tseries\tint\t" + QByteArray::number(i) + "\n";
    return out + series + names;
}

}

class TestTableFill : public QObject
{
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void wideTable_data();
    void wideTable();
    void unitInName_data();
    void unitInName();
    void symbolEntry_data();
    void symbolEntry();
    void labViewRowsGetTheirX();
    void interleavedLevels_data();
    void interleavedLevels();
};

void TestTableFill::layout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("names");    // '|' joined
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("firstRow");
    QTest::addColumn<int>("items");        // of list 1: name, unit, readings
    QTest::addColumn<QString>("logLine");  // a line the log must hold (empty: none asked)

    QTest::newRow("names without units keep the first reading")
        << QByteArray("t,v\n10.0024,1\n11,2\n") << "t|v" << "|" << "10.0024|1" << 4 << "";
    QTest::newRow("an empty middle cell keeps its place")
        << QByteArray("a,b,c\n1,,3\n4,5,6\n") << "a|b|c" << "||" << "1||3" << 4 << "";
    QTest::newRow("empty first name cell")
        << QByteArray(";T_Einlass;T_Auslass\n;°C;°C\n1;20,5;21\n") << "第1列|T_Einlass|T_Auslass"
        << "|°C|°C" << "1|20.5|21" << 3 << "";
    QTest::newRow("a unit row")
        << QByteArray("t,v\ns,V\n1,2\n2,3\n") << "t|v" << "s|V" << "1|2" << 4 << "";
    QTest::newRow("units in brackets on their own row, a blank line")
        << QByteArray("Time,Channel A\r\n(ms),(V)\r\n\r\n-1.5,0.25\r\n") << "Time|Channel A"
        << "(ms)|(V)" << "-1.5|0.25" << 3 << "";
    QTest::newRow("title lines above the names")
        << QByteArray("Logger X200\nSerial 4711\n\nt;v;w\n1;2;3\n2;3;4\n") << "t|v|w" << "||"
        << "1|2|3" << 4 << "跳过了开头的3行说明文字";
    QTest::newRow("key and value lines above the names")
        << QByteArray("Device;X200\nInterval;1 s\nt;v;w\n1;2;3\n2;3;4\n3;4;5\n") << "t|v|w" << "||"
        << "1|2|3" << 5 << "跳过了开头的2行说明文字";
    QTest::newRow("a header narrower than its rows")
        << QByteArray("ms,temp\n1,20.5,21.5\n2,20.6,21.6\n") << "ms|temp|第3列" << "||"
        << "1|20.5|21.5" << 4 << "";
    QTest::newRow("no name row")
        << QByteArray("1,2\n3,4\n") << "第1列|第2列" << "|" << "1|2" << 4
        << "文件没有列名行，各列按第N列命名";
    QTest::newRow("a named column without readings keeps its place")
        << QByteArray("a,b,c\n1,,3\n4,,6\n") << "a|b|c" << "||" << "1||3" << 4 << "";
    QTest::newRow("a column with neither name nor readings is left out")
        << QByteArray("a,,c,,e\n1,,3,,5\n4,,6,,8\n") << "a|c|e" << "||" << "1|3|5" << 4
        << "第2列、第4列没有数据，未列出";
    QTest::newRow("trailing separators make no column")
        << QByteArray("a\tb\t\n1\t2\t\n3\t4\t\n") << "a|b" << "|" << "1|2" << 4 << "";
    QTest::newRow("a table that starts in column 3")
        << QByteArray(",,a,b\n,,1,2\n") << "a|b" << "|" << "1|2" << 3 << "";
    QTest::newRow("a second table is not read under the first one's names")
        << QByteArray("t,v\n1,2\n2,3\n3,4\n[Summary]\nx,y\n5,6\n") << "t|v" << "|" << "1|2" << 5
        << "第5行起是另一个表格，其后的3行未读入";
    QTest::newRow("missing readings are readings")
        << QByteArray("t,v\nNAN,1\n1,NAN\n2,3\n") << "t|v" << "|" << "NAN|1" << 5 << "";
    QTest::newRow("timestamps start the data")
        << QByteArray("Plot Title: x\n#,\"Date Time, GMT-04:00\",\"Temp, °C\"\n1,10/17/24 07:00:00,20.4\n"
                      "2,10/17/24 07:15:00,20.3\n")
        << "#|Date Time, GMT-04:00|Temp" << "||°C" << "1|10/17/24 07:00:00|20.4" << 4
        << "跳过了开头的1行说明文字";
    QTest::newRow("TOA5 header")
        << QByteArray("\"TOA5\",\"st\",\"CR1000\",\"1\",\"os\",\"prog\",\"1\",\"t\"\n"
                      "\"TIMESTAMP\",\"RECORD\",\"T\"\n\"TS\",\"RN\",\"C\"\n\"\",\"\",\"Smp\"\n"
                      "\"2023-08-01 15:00:00.2\",1,20.5\n\"2023-08-01 15:00:00.3\",2,20.6\n"
                      "\"2023-08-01 15:00:00.4\",3,20.7\n")
        << "TIMESTAMP|RECORD|T" << "TS|RN|C" << "2023-08-01 15:00:00.2|1|20.5" << 5
        << "跳过了表头与数据之间的1行";
    QTest::newRow("EC-Lab header counts its lines")
        << QByteArray("EC-Lab ASCII FILE\r\nNb header lines : 5\r\n\r\nsome setting : 1\r\n"
                      "mode\ttime/s\tEwe/V\t\r\n1\t0.5\t0.81\r\n1\t1.5\t0.82\r\n")
        << "mode|time|Ewe" << "|s|V" << "1|0.5|0.81" << 4 << "跳过了开头的4行说明文字";
    QTest::newRow("LabVIEW header blocks and the unit line")
        << QByteArray("LabVIEW Measurement\t\nWriter_Version\t2\n***End_of_Header***\t\n\t\n"
                      "Channels\t2\t\t\nY_Unit_Label\tV\tLux\t\nDelta_X\t1\t1\t\n"
                      "***End_of_Header***\t\t\t\nX_Value\tVoltage\tLux\tComment\n"
                      "0,0\t3,07\t3,03\n0,5\t3,08\t3,04\n")
        << "X_Value|Voltage|Lux|Comment" << "|V|Lux|" << "0|3.07|3.03|" << 4 << "";
    QTest::newRow("LabVIEW without an X column: X from X0 and Delta_X")
        << QByteArray("LabVIEW Measurement\t\nWriter_Version\t2\nX_Columns\tNo\n***End_of_Header***\t\n\t\n"
                      "Channels\t2\t\t\nY_Unit_Label\tV\tLux\t\nX0\t1,5E+0\t1,5E+0\t\nDelta_X\t0,25\t0,25\t\n"
                      "***End_of_Header***\t\t\t\nVoltage\tLux\tComment\n3,07\t3,03\n3,08\t3,04\n")
        << "X_Value|Voltage|Lux|Comment" << "|V|Lux|" << "1.5|3.07|3.03|" << 4
        << "第1列X_Value由X0与Delta_X算出（1.5 + 行号×0.25）";
    QTest::newRow("columns aligned by blanks")
        << QByteArray("t     v\r\n1.5   2 \r\n2.5   3 \r\n") << "t|v" << "|" << "1.5|2" << 4 << "";
    QTest::newRow("a byte-order mark at a later line's start")
        << QByteArray("t,v\n\xEF\xBB\xBF" "1,2\n3,4\n") << "t|v" << "|" << "1|2" << 4 << "";
    QTest::newRow("UTF-32 with its mark")
        << QByteArray("\xFF\xFE\0\0t\0\0\0,\0\0\0v\0\0\0\n\0\0\0" "1\0\0\0,\0\0\0" "2\0\0\0\n\0\0\0", 36)
        << "t|v" << "|" << "1|2" << 3 << "";
    QTest::newRow("Windows-1252 degree sign")
        << QByteArray("Zeit;Temperatur;Druck\n;\xB0" "C;mbar\n") + rows(40, "12,5;20,5;1013\n")
        << "Zeit|Temperatur|Druck" << "|°C|mbar" << "12.5|20.5|1013" << 42 << "";
    QTest::newRow("GBK Chinese stays Chinese")
        << QByteArray("\xCA\xB1\xBC\xE4,\xCE\xC2\xB6\xC8,\xCA\xAA\xB6\xC8\n") + rows(20, "1,2,3\n")
        << "时间|温度|湿度" << "||" << "1|2|3" << 22 << "";
    QTest::newRow("a lone NUL at a line start is dropped")
        << (QByteArray("t\tv\r\n") + '\0' + "s\tmV\r\n" + '\0' + "1\t0,5\r\n2\t0,6\r\n") << "t|v" << "s|mV" << "1|0.5" << 4
        << "删除了2个行首的空字符（NUL）";
    QTest::newRow("a date joined to its time by a comma in a ';' file")
        << QByteArray("day,clock;T;RH\n") + rows(5, "07.08.25,00:20:00;22;55;\n") << "day|clock|T|RH" << "|||"
        << "07.08.25|00:20:00|22|55" << 7 << "第1列在逗号处分为两列";
    QTest::newRow("a comma field that is a number is not split")
        << QByteArray("t;v\n") + rows(5, "1,5;2,5\n") << "t|v" << "|" << "1.5|2.5" << 7 << "";
    QTest::newRow("tabs over decimal commas, however many commas")
        << rows(6, "1,139\t305,8\t1,88\n") << "第1列|第2列|第3列" << "||" << "1.139|305.8|1.88" << 8 << "";
    QTest::newRow("commas between words still separate")
        << QByteArray("a,b\tc\n") + rows(4, "x,y\tz\n") << "a|b\tc" << "|" << "x|y\tz" << 6 << "";
    QTest::newRow("a channel-number row above the names is header, not title")
        << QByteArray("Logger 7\n\"No.1\",\"No.2\",\"No.3\"\n\"Time\",\"ch1\",\"ch2\"\n\"\",\"lx\",\"mW\"\n")
               + rows(4, "1,2,3\n")
        << "Time|ch1|ch2" << "|lx|mW" << "1|2|3" << 6 << "列名上方的1行表头未读入";
    QTest::newRow("an empty name takes the header text above it")
        << QByteArray(",Time,1,2\nS/N,,000000,000000\nProperty,,Temperature,Humidity\n")
               + rows(4, "1,2021-07-26 14:26:00,20.8,53\n")
        << "Property|Time|Temperature|Humidity" << "|||" << "1|2021-07-26 14:26:00|20.8|53" << 6 << "列名上方的2行表头未读入";
    QTest::newRow("setting lines above two columns are not their names")
        << QByteArray("Record Length,Analog:9\nModel Number,SDS1202X-E,,,\nSource,CH1\nSecond,Volt\n")
               + rows(5, " 0.00000200000,1.18000\n")
        << "Second|Volt" << "|" << "2E-6|1.18" << 7 << "跳过了开头的3行说明文字";
    QTest::newRow("a title above two named columns with units")
        << QByteArray("Logger 7\nt,v\ns,V\n") + rows(5, "1,2\n") << "t|v" << "s|V" << "1|2" << 7
        << "跳过了开头的1行说明文字";
    QTest::newRow("CASSY Lab: setting lines, then DEF= names with symbols, CR CR LF line ends")
        << QByteArray("MIN=0\t-1\r\r\nMAX=9,5\t1\r\r\nSCALE=9,5\t0,5\r\r\nDEC=1\t3\r\r\n"
                      "DEF=\"Zeit\" t / s\t\"Spannung U\" U_B1 / V\r\r\n") + rows(5, "0,1\t-0,131\r\r\n")
        << "Zeit|Spannung U" << "s|V" << "0.1|-0.131" << 7 << "跳过了开头的4行说明文字";
    QTest::newRow("a header that counts its lines, series names above the column names")
        << headerCounted(40, "pot\t\tgauge\t\n", "Time [s]\tVoltage [V]\tTime [s]\tPressure [mbar]\n")
               + rows(4, "NaN\tNaN\t0.5\t1040\t\n")
        << "Time|Voltage|Time|Pressure" << "s|V|s|mbar" << "NaN|NaN|0.5|1040" << 6 << "列名上方的1行表头未读入";
    QTest::newRow("settings beside the first samples are not columns; they give the units")
        << QByteArray("Record Length,2.5e3,,-0.00048,-0.86,\nSample Interval,2e-06,,-0.000478,-0.86,\n"
                      ",,,-0.000476,-0.88,\nSource,CH2,,-0.000474,-0.86,\nVertical Units,V,,-0.000472,-0.86,\n"
                      "Horizontal Units,s,,-0.00047,-0.88,\n") + rows(12, ",,,-0.0004,-0.86,\n")
        << "第1列|第2列" << "s|V" << "-0.00048|-0.86" << 20 << "第1至2列是5项仪器设置（名称与值），不是数据列，未读入";
    QTest::newRow("key and value lines that go on to the end are a table")
        << rows(12, "Sample,1,,-0.0004,-0.86\n") << "第1列|第2列|第4列|第5列" << "|||"
        << "Sample|1|-0.0004|-0.86" << 14 << "";
    QTest::newRow("lines that start with a tab: the empty first field is no column")
        << rows(5, "\t0.5\t1.5\n") << "第1列|第2列" << "|" << "0.5|1.5" << 7 << "文件没有列名行，各列按第N列命名";
    QTest::newRow("Date and Time beside each other are one time column")
        << QByteArray("Date,Time,T\n24/01/2020,13:37:22,20.5\n25/01/2020,01:37:22,20.6\n")
        << "Date Time|T" << "|" << "24/01/2020 13:37:22|20.5" << 4 << "第1列“Date”与第2列“Time”合为一个时间列";
}

void TestTableFill::layout()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, names);
    QFETCH(QString, units);
    QFETCH(QString, firstRow);
    QFETCH(int, items);
    QFETCH(QString, logLine);
    const Table t = readText(bytes);
    QCOMPARE(t.names.join(u'|'), names);
    QCOMPARE(t.units.join(u'|'), units);
    QCOMPARE(t.firstRow.join(u'|'), firstRow);
    QCOMPARE(t.items, items);
    if (!logLine.isEmpty())
        QVERIFY2(t.log.contains(logLine), qPrintable(t.log.join(u'/')));
}

void TestTableFill::wideTable_data()
{
    QTest::addColumn<int>("columns");  // of the file
    QTest::addColumn<int>("lists");    // read into the store
    QTest::addColumn<QString>("cut");  // the log line of the columns left out (empty: none)
    QTest::newRow("33") << 33 << 33 << QString();
    QTest::newRow("67") << 67 << 67 << QString();
    QTest::newRow("256") << 256 << 256 << QString();
    QTest::newRow("300") << 300 << 256 << QStringLiteral("表格有300列，第257列起的44列未读入");
}

// Every column up to the sheet's 256 is read in its place; the ones past it are told, not
// dropped silently; every list is full length.
void TestTableFill::wideTable()
{
    QFETCH(int, columns);
    QFETCH(int, lists);
    QFETCH(QString, cut);
    QByteArray header, row;
    for (int c = 1; c <= columns; ++c) {
        header += (c > 1 ? "," : "") + QByteArray("c") + QByteArray::number(c);
        row += (c > 1 ? "," : "") + QByteArray::number(c * 10);
    }
    const Table t = readText(header + "\n" + rows(50, row + "\n"));
    QCOMPARE(t.names.size(), lists);
    QCOMPARE(t.names.last(), QStringLiteral("c%1").arg(lists));
    QCOMPARE(t.firstRow.last(), QString::number(lists * 10));
    QCOMPARE(t.items, 52);
    QVERIFY2(t.log.contains(QStringLiteral("数据行数：52 ,  列数：%1").arg(lists)), qPrintable(t.log.join(u'/')));
    const QStringList cutLines = t.log.filter(QStringLiteral("列未读入"));
    QCOMPARE(cutLines, cut.isEmpty() ? QStringList() : QStringList{cut});
}

void TestTableFill::unitInName_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::newRow("parentheses") << "Temp (°C)" << "Temp" << "°C";
    QTest::newRow("brackets") << "p [bar]" << "p" << "bar";
    QTest::newRow("comma") << "Temp, °F" << "Temp" << "°F";
    QTest::newRow("slash") << "Ewe/V" << "Ewe" << "V";
    QTest::newRow("two slashes") << "Q charge/discharge/mA.h" << "Q charge/discharge" << "mA.h";
    QTest::newRow("nested parentheses") << "Humidity (RH(%))" << "Humidity" << "RH(%)";
    QTest::newRow("details after the unit") << "Temp, °C (LGR S/N: 1, LBL: 5)" << "Temp (LGR S/N: 1, LBL: 5)"
                                            << "°C";
    QTest::newRow("a zone is no unit") << "Date Time, GMT-04:00" << "Date Time, GMT-04:00" << "";
    QTest::newRow("two names") << "Date/Time" << "Date/Time" << "";
    QTest::newRow("two words") << "ox/red" << "ox/red" << "";
    QTest::newRow("an array element") << "q[0]" << "q[0]" << "";
    QTest::newRow("nothing to split") << "Voltage" << "Voltage" << "";
    QTest::newRow("quoted name, symbol, unit") << "\"Zeit\" t / s" << "Zeit" << "s";
    QTest::newRow("the DEF= line's first entry") << "DEF=\"Spannung U\" U_B1 / V" << "Spannung U" << "V";
}

void TestTableFill::unitInName()
{
    QFETCH(QString, written);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    const unitsplit::NameUnit split = unitsplit::split(written);
    QCOMPARE(split.name, name);
    QCOMPARE(split.unit, unit);
}

// CASSY Lab name entries whose quotes the reader took: the symbol is the last word.
void TestTableFill::symbolEntry_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::newRow("quotes taken") << "Weg s_A1 / m" << "Weg" << "m";
    QTest::newRow("a name of two words") << "Spannung U U_B1 / V" << "Spannung U" << "V";
    QTest::newRow("quotes kept") << "DEF=\"Zeit\" t / s" << "Zeit" << "s";
    QTest::newRow("no symbol: read as any name") << "Temp (°C)" << "Temp" << "°C";
    QTest::newRow("no unit") << "Zeit" << "Zeit" << "";
}

void TestTableFill::symbolEntry()
{
    QFETCH(QString, written);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    const unitsplit::NameUnit split = unitsplit::symbolEntry(written);
    QCOMPARE(split.name, name);
    QCOMPARE(split.unit, unit);
}

// Each of many rows gets X0 + row * Delta_X, none is shifted by the made column.
void TestTableFill::labViewRowsGetTheirX()
{
    QByteArray bytes("LabVIEW Measurement\t\n***End_of_Header***\t\n\t\nChannels\t1\t\nX0\t-2\t\n"
                     "Delta_X\t0.5\t\n***End_of_Header***\t\t\nU\n");
    const int count = 5000;
    for (int r = 0; r < count; ++r)
        bytes += QByteArray::number(r * 3) + '\n';
    automation::Registry registry;
    excelapp::registerApplication(registry);
    QTemporaryDir dir;
    QFile file(dir.filePath("long.lvm"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    ColumnStore store;
    readWorkbook(file.fileName(), store, registry);
    QCOMPARE(store.count(1), count + 2);
    QCOMPARE(store.count(2), count + 2);
    for (int r : {0, 1, 2, 999, count - 1}) {
        double x = 0, u = 0;
        QVERIFY(store.numberAt(1, r + 2, &x) && store.numberAt(2, r + 2, &u));
        QCOMPARE(x, -2 + 0.5 * r);
        QCOMPARE(u, 3.0 * r);
    }
}

void TestTableFill::interleavedLevels_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // empty: read
    const QByteArray header = "Cycle,Cap\n,Step,Type,Time\n,,Point,Time,U\n";
    QByteArray cycles;
    for (int c = 1; c <= 30; ++c)
        cycles += QByteArray::number(c) + ",0.5\n," + QByteArray::number(c) + ",CC,00:01\n"
                  + rows(20, ",,1,00:00:01,4.2\n");
    QTest::newRow("cycles, steps and points") << header + cycles
                                              << "文件交替写有3层记录，各层有自己的列名行，不是一个表格";
    QTest::newRow("points only under the same names") << header + rows(50, ",,1,00:00:01,4.2\n") << "";
    QTest::newRow("a unit row with an empty first cell, readings missing a time")
        << QByteArray("Zeit;T1;T2\n;°C;°C\n") + rows(20, "1;2;3\n;2;3\n") << "";
}

// A file of record levels one inside the other is refused with the reason, never read with
// one level's values under another level's names.
void TestTableFill::interleavedLevels()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    QString error;
    Table t;
    try {
        t = readText(bytes);
    } catch (const AppError &e) {
        error = e.message();
    }
    QVERIFY2(refusal.isEmpty() ? error.isEmpty() : error.contains(refusal), qPrintable(error));
    QCOMPARE(t.names.isEmpty(), !refusal.isEmpty());
}

QTEST_GUILESS_MAIN(TestTableFill)
#include "tst_tablefill.moc"
