#include <QtTest>

#include "base/numtext.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/unitsplit.h"
#include "import/workbookread.h"

#include <QRegularExpression>

#include <map>
#include <vector>

// The real logger files of ../shared/corpus/loggers read as EXPECT.tsv (a careful reader's
// account of each file) says: names, units, lines skipped above the table, rows, the first
// row of readings. Where this program reads a file otherwise on purpose, or cannot yet,
// the fields that differ are listed below with the reason; a change in either direction
// fails the test, so the list stays true.
namespace {

const QString Corpus = QStringLiteral(TABROVEX_SHARED_DIR "/corpus/loggers");

// File -> fields that differ from EXPECT.tsv, and why.
const std::map<QString, std::pair<QStringList, const char *>> &knownDifferences()
{
    static const std::map<QString, std::pair<QStringList, const char *>> known = {
        {"neware_cellpy_nested.csv", {{"read"}, "three interleaved record levels: refused with that reason"}},
    };
    return known;
}

// File -> EXPECT.tsv fields (by index) as the file shows them, where EXPECT.tsv is unsure
// or describes more than the table.
struct Correction {
    int field;
    const char *value;
};
const std::map<QString, std::vector<Correction>> &corrections()
{
    static const std::map<QString, std::vector<Correction>> fixed = {
        // Column 2 is the time column: its name cell is empty in the name row, and the
        // channel row above it says "Time", as a user reads it.
        {"tinytag_multirow_header.csv", {{2, "Property|Time|Temperature|Humidity"}}},
        // Columns 1 and 2 hold the scope's settings, column 3 nothing: the samples are
        // columns 4 and 5.
        {"osc_tek_tbs1022.csv", {{12, "  -0.000480000000|  -0.86000"}}},
        // Every line starts with a tab: the empty first field is no column.
        {"lvm_noheader_leadtab.lvm",
         {{12, "0.000000|0.000000|0.012000|-0.004000|0.002000|0.000000|0.150000|-0.050000|0.030000|27.000000|"
               "27.000000|27.000000|29.000000"}}},
        // The data sheet's rows (the first sheet, an information block, has none), its first
        // date cell as date cells read (EXPECT.tsv writes it as Python prints it).
        {"arbin_xlsx_globalinfo_first.xlsx",
         {{10, "4526"}, {12, "2020/10/19 11:31:46.582|1.001|1.0005|1|1|2.637298583984375|0|0|0|0|0||0"}}},
        // The same for the cycler's records: the Detail sheet, the longest of three later ones
        // (cycle summary and step statistics are short), with its numbers and date cell as read.
        {"neware_bts_xls_infofirst.xls",
         {{10, "2943"}, {12, "1|Rest|1|1|1|0|2.3304|0|0|0:00:00.000|2021/5/20 23:36:18"}}},
    };
    return fixed;
}

QStringList splitList(const QString &field)
{
    QStringList out;
    QString current;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == u'\\' && i + 1 < field.size() && field[i + 1] == u'|') {
            current += u'|';
            ++i;
        } else if (field[i] == u'|') {
            out << current;
            current.clear();
        } else {
            current += field[i];
        }
    }
    out << current;
    return out;
}

int leadingNumber(const QString &field)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+)"));
    const auto m = number.match(field);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Two items the same as a reader sees them: numbers by value, texts trimmed.
bool sameItem(QString a, QString b)
{
    a = a.trimmed().remove(QStringLiteral("<NUL>")); // EXPECT.tsv shows a stray NUL so
    b = b.trimmed();
    double x = 0, y = 0;
    if (numtext::toDouble(a, &x) && numtext::toDouble(b, &y))
        return x == y || std::abs(x - y) <= 1e-12 * std::max(std::abs(x), std::abs(y));
    if (a.contains(u',') && !a.contains(u'.')) // a decimal comma read as a point
        return sameItem(a.replace(u',', u'.'), b);
    return a == b;
}

struct Read {
    bool ok = false;
    QStringList names, units, firstRow, log;
    int rows = 0;
};

Read readFile(const QString &path)
{
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    Read r;
    QStringList notes;
    try {
        notes = readWorkbook(path, store, registry).notes;
    } catch (const AppError &) {
        return r;
    }
    r.ok = store.count(1) > 0;
    for (int k = 1; k <= ColumnStore::ListCount && store.count(k) > 0; ++k) {
        r.names << store.item(k, 0);
        r.units << store.item(k, 1);
        r.firstRow << (store.count(k) > 2 ? store.item(k, 2) : QString());
    }
    r.rows = store.count(1) - 2;
    r.log = reportTable(store, notes).log;
    return r;
}

int skippedLines(const QStringList &log)
{
    static const QRegularExpression line(QStringLiteral("^跳过了开头的(\\d+)行说明文字$"));
    for (const QString &l : log) {
        const auto m = line.match(l);
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return 0;
}

// The fields of `expect` (one EXPECT.tsv row) that the read differs in.
QStringList differences(const QStringList &expect, const Read &r)
{
    if (!r.ok)
        return {QStringLiteral("read")};
    QStringList diff;
    const QString nameField = expect[2].section(QStringLiteral("   (on "), 0, 0), unitField = expect[3];
    const bool noNames = nameField.startsWith(u'(');
    const bool embedded = unitField.startsWith(QLatin1String("(embedded"));
    QStringList names = noNames ? QStringList() : splitList(nameField);
    // A units field in brackets describes where units are, it lists none.
    QStringList units = unitField.contains(u'|') && !unitField.startsWith(u'(') ? splitList(unitField)
                                                                                 : QStringList();
    // Trailing empty names (a line ending in a separator) name no column.
    while (!names.isEmpty() && names.back().trimmed().isEmpty()) {
        names.removeLast();
        if (units.size() > names.size())
            units.removeLast();
    }
    // A date column beside a time column is read as one time column: EXPECT.tsv lists them
    // apart, so its two names and items are taken together where the log says so.
    QStringList first = splitList(expect[12].section(QStringLiteral("  ("), 0, 0));
    static const QRegularExpression merged(QStringLiteral("^第(\\d+)列“.*”与第\\d+列“.*”合为一个时间列$"));
    for (const QString &line : r.log) {
        const auto m = merged.match(line);
        const int k = m.hasMatch() ? m.captured(1).toInt() - 1 : -1;
        if (k < 0)
            continue;
        if (k + 1 < names.size()) {
            names[k] = names[k].trimmed() + u' ' + names[k + 1].trimmed();
            names.removeAt(k + 1);
            if (k + 1 < units.size())
                units.removeAt(k + 1);
        }
        if (k + 1 < first.size()) {
            first[k] = first[k].trimmed() + u' ' + first[k + 1].trimmed();
            first.removeAt(k + 1);
        }
    }
    bool namesMatch = true;
    if (noNames) {
        for (int k = 0; k < r.names.size() && namesMatch; ++k)
            namesMatch = r.names[k] == QStringLiteral("第%1列").arg(k + 1);
    } else {
        namesMatch = names.size() == r.names.size();
        for (int k = 0; k < names.size() && namesMatch; ++k) {
            const QString want = embedded ? unitsplit::split(names[k]).name : names[k];
            namesMatch = want.trimmed() == r.names[k].trimmed();
        }
    }
    if (!namesMatch)
        diff << QStringLiteral("names");
    if (!units.isEmpty()) {
        bool unitsMatch = units.size() >= r.units.size();
        for (int k = 0; k < r.units.size() && unitsMatch; ++k)
            unitsMatch = sameItem(units[k], r.units[k]);
        if (!unitsMatch)
            diff << QStringLiteral("units");
    }
    const int skip = leadingNumber(expect[1]);
    if (skip >= 0 && skip != skippedLines(r.log))
        diff << QStringLiteral("skipped");
    const int rows = leadingNumber(expect[10]);
    if (rows >= 0 && rows != r.rows)
        diff << QStringLiteral("rows");
    // Empty fields at a row's end are no readings on either side.
    QStringList got = r.firstRow;
    for (QStringList *row : {&first, &got})
        while (!row->isEmpty() && row->back().trimmed().isEmpty())
            row->removeLast();
    bool firstMatch = first.size() == got.size();
    for (int k = 0; k < first.size() && firstMatch; ++k)
        firstMatch = sameItem(first[k], got[k]);
    if (!firstMatch)
        diff << QStringLiteral("first row");
    return diff;
}

}

class TestLoggerCorpus : public QObject
{
    Q_OBJECT
private slots:
    void files_data();
    void files();
};

void TestLoggerCorpus::files_data()
{
    QTest::addColumn<QStringList>("expect");
    QFile tsv(Corpus + QStringLiteral("/EXPECT.tsv"));
    if (!tsv.open(QIODevice::ReadOnly)) {
        QTest::newRow("no corpus") << QStringList();
        return;
    }
    const QList<QByteArray> lines = tsv.readAll().split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = QString::fromUtf8(lines[i]).split(u'\t');
        if (fields.size() >= 13)
            QTest::newRow(qPrintable(fields[0])) << fields;
    }
}

void TestLoggerCorpus::files()
{
    QFETCH(QStringList, expect);
    if (expect.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the shared logger corpus is not here: %1").arg(Corpus)));
    if (const auto fixed = corrections().find(expect[0]); fixed != corrections().end())
        for (const Correction &c : fixed->second)
            expect[c.field] = QString::fromUtf8(c.value);
    const Read r = readFile(Corpus + u'/' + expect[0]);
    const QStringList diff = differences(expect, r);
    const auto known = knownDifferences().find(expect[0]);
    const QStringList expected = known == knownDifferences().end() ? QStringList() : known->second.first;
    if (!diff.isEmpty())
        qInfo("%s differs from EXPECT.tsv in %s: %s", qPrintable(expect[0]), qPrintable(diff.join(u',')),
              known == knownDifferences().end() ? "not known" : known->second.second);
    QCOMPARE(diff, expected);
}

QTEST_GUILESS_MAIN(TestLoggerCorpus)
#include "tst_loggercorpus.moc"
