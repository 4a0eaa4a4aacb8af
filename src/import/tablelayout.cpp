#include "import/tablelayout.h"

#include "base/numtext.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace tablelayout {

namespace {

constexpr int DataRunRows = 3; // rows of readings in a row that start the data

enum class ColumnKind { Unknown, Readings, Text };

bool isReading(const Cell &cell)
{
    return cell.number || readingText(cell.text);
}

// The kind of every column, judged on the last quarter of the rows: where the readings
// are, whatever heads the file.
std::map<int, ColumnKind> columnKinds(const std::vector<Row> &rows)
{
    const size_t from = rows.size() - std::max<size_t>(1, rows.size() / 4);
    std::map<int, std::pair<int, int>> tally; // readings, texts
    for (size_t i = from; i < rows.size(); ++i)
        for (const Cell &c : rows[i].cells) {
            auto &t = tally[c.column];
            if (isReading(c))
                ++t.first;
            else
                ++t.second;
        }
    std::map<int, ColumnKind> kinds;
    for (const auto &[column, t] : tally)
        kinds[column] = t.first > t.second ? ColumnKind::Readings
                                           : (t.second > 0 ? ColumnKind::Text : ColumnKind::Unknown);
    return kinds;
}

// Readings and plain texts of a row in the columns of readings.
std::pair<int, int> readingsAndTexts(const Row &row, const std::map<int, ColumnKind> &kinds)
{
    int readings = 0, texts = 0;
    for (const Cell &c : row.cells) {
        const auto k = kinds.find(c.column);
        if (k == kinds.end() || k->second != ColumnKind::Readings)
            continue;
        ++(isReading(c) ? readings : texts);
    }
    return {readings, texts};
}

// A row of readings: readings in the columns of readings and no plain text there.
bool readingRow(const Row &row, const std::map<int, ColumnKind> &kinds)
{
    const auto [readings, texts] = readingsAndTexts(row, kinds);
    return readings > 0 && texts == 0;
}

// Readings with a stray text ("1,2,x"): data, when it stands right above the data.
bool mostlyReadings(const Row &row, const std::map<int, ColumnKind> &kinds)
{
    const auto [readings, texts] = readingsAndTexts(row, kinds);
    return readings > 0 && readings >= 2 * texts;
}

bool mostlyNumbers(const Row &row)
{
    const auto numbers = std::count_if(row.cells.begin(), row.cells.end(), [](const Cell &c) { return c.number; });
    return numbers * 2 > qsizetype(row.cells.size());
}

int readingColumns(const std::map<int, ColumnKind> &kinds)
{
    return int(std::count_if(kinds.begin(), kinds.end(),
                             [](const auto &k) { return k.second != ColumnKind::Unknown; }));
}

// A header row spans the table; titles and key/value lines above it are narrower.
bool wideRow(const Row &row, int tableColumns)
{
    return int(row.cells.size()) >= std::max(tableColumns > 1 ? 2 : 1, (tableColumns + 1) / 2);
}

// A unit as instruments write one: short, or in brackets, or a compound of short parts
// ("µmol m-2 s-1", "mg/m3").
bool unitLike(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.size() <= 10 || t.startsWith(u'(') || t.startsWith(u'['))
        return true;
    if (t.size() > 24)
        return false;
    if (t.contains(u'/'))
        return true;
    for (QStringView part : t.split(u' ', Qt::SkipEmptyParts))
        if (part.size() > 6)
            return false;
    return true;
}

// A unit row: texts (or nothing) above the readings, each looking like a unit.
bool unitRow(const Row &row, const std::map<int, ColumnKind> &kinds)
{
    bool text = false;
    for (const Cell &c : row.cells) {
        const auto k = kinds.find(c.column);
        if (k == kinds.end() || k->second != ColumnKind::Readings)
            continue;
        if (c.number || !unitLike(c.text))
            return false;
        text = true;
    }
    return text;
}

int firstColumnOf(const std::vector<Row> &rows, size_t from)
{
    int first = 0;
    for (size_t i = from; i < rows.size(); ++i)
        if (!rows[i].cells.empty())
            first = first == 0 ? rows[i].cells.front().column
                               : std::min(first, rows[i].cells.front().column);
    return std::max(first, 1);
}

int indexOfSheetRow(const std::vector<Row> &rows, qint64 sheetRow)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].sheetRow >= sheetRow)
            return int(i);
    return -1;
}

QString firstText(const Row &row)
{
    return row.cells.empty() ? QString() : row.cells.front().text.trimmed();
}

// Campbell TOA5: an environment line, names, units, the processing row, then readings.
bool toa5(const std::vector<Row> &rows, Layout *layout)
{
    if (rows.size() < 5 || firstText(rows[0]) != QLatin1String("TOA5"))
        return false;
    layout->nameRow = 1;
    layout->unitRow = 2;
    layout->dataStart = 4;
    layout->format = QStringLiteral("TOA5");
    return true;
}

// EC-Lab: "Nb header lines : 73" counts the lines up to and with the names.
bool ecLab(const std::vector<Row> &rows, Layout *layout)
{
    static const QRegularExpression count(QStringLiteral("^Nb header lines\\s*:\\s*(\\d+)"));
    for (size_t i = 0; i < std::min<size_t>(rows.size(), 4); ++i) {
        const auto m = count.match(firstText(rows[i]));
        if (!m.hasMatch())
            continue;
        const int names = indexOfSheetRow(rows, m.captured(1).toLongLong());
        if (names < 0 || size_t(names) + 1 >= rows.size())
            return false;
        layout->nameRow = names;
        layout->dataStart = names + 1;
        layout->format = QStringLiteral("EC-Lab");
        return true;
    }
    return false;
}

// LabVIEW measurement files: header blocks each closed by ***End_of_Header***; the names
// follow the last one, the units are on the last block's Y_Unit_Label line.
bool labView(const std::vector<Row> &rows, Layout *layout)
{
    if (rows.empty() || firstText(rows[0]) != QLatin1String("LabVIEW Measurement"))
        return false;
    // The file's header block ends first; the segment's block ends where readings follow.
    int lastEnd = -1;
    for (size_t i = 0; i + 2 < rows.size() && lastEnd < 0; ++i)
        if (firstText(rows[i]) == QLatin1String("***End_of_Header***") && !rows[i + 2].cells.empty()
            && rows[i + 2].cells.front().number)
            lastEnd = int(i);
    if (lastEnd < 0 || size_t(lastEnd) + 2 > rows.size())
        return false;
    layout->nameRow = lastEnd + 1;
    layout->dataStart = lastEnd + 2;
    for (int i = lastEnd - 1; i >= 0 && firstText(rows[size_t(i)]) != QLatin1String("***End_of_Header***"); --i)
        if (firstText(rows[size_t(i)]) == QLatin1String("Y_Unit_Label")) {
            layout->unitRow = i;
            layout->unitRowLabelled = true;
            break;
        }
    layout->format = QStringLiteral("LabVIEW");
    // Without an X column ("X_Columns No") the segment's X0 and Delta_X give the X of each row.
    if (firstText(rows[size_t(layout->nameRow)]) != QLatin1String("X_Value")) {
        bool start = false, step = false;
        for (int i = lastEnd - 1; i >= 0 && firstText(rows[size_t(i)]) != QLatin1String("***End_of_Header***"); --i) {
            const Row &row = rows[size_t(i)];
            if (row.cells.size() < 2)
                continue;
            const QString label = firstText(row);
            double *target = label == QLatin1String("X0") ? &layout->xStart
                           : label == QLatin1String("Delta_X") ? &layout->xStep : nullptr;
            if (target && numtext::toDouble(QString(row.cells[1].text).replace(u',', u'.').trimmed(), target))
                (target == &layout->xStart ? start : step) = true;
        }
        layout->madeX = start && step && layout->xStep != 0;
    }
    return true;
}

// CASSY Lab text export: MIN=, MAX=, SCALE= and DEC= lines above the "DEF=" line, whose
// entries name the columns as '"Zeit" t / s' (name, symbol, unit).
bool cassy(const std::vector<Row> &rows, Layout *layout)
{
    static const QRegularExpression setting(QStringLiteral("^[A-Z]+="));
    for (size_t i = 0; i + 1 < rows.size() && i < 8; ++i) {
        const QString first = firstText(rows[i]);
        if (first.startsWith(QLatin1String("DEF=\""))) {
            if (i == 0)
                return false;
            layout->nameRow = int(i);
            layout->dataStart = int(i) + 1;
            layout->format = QStringLiteral("CASSY Lab");
            layout->symbolNames = true;
            return true;
        }
        if (!setting.match(first).hasMatch())
            return false;
    }
    return false;
}

// A header that counts its own lines as key and value rows: "num_header_lines" lines of
// description, then "num_data_header_lines" rows heading the columns, the last of them the
// names (a row of series names above them).
bool countedHeader(const std::vector<Row> &rows, Layout *layout)
{
    qint64 headerLines = -1, columnHeaderLines = 1;
    for (size_t i = 0; i < std::min<size_t>(rows.size(), 8); ++i) {
        const Row &row = rows[i];
        const QString key = firstText(row);
        qint64 *target = key == QLatin1String("num_header_lines")        ? &headerLines
                       : key == QLatin1String("num_data_header_lines") ? &columnHeaderLines
                                                                         : nullptr;
        bool ok = false;
        const qint64 value = row.cells.size() >= 2 ? row.cells.back().text.trimmed().toLongLong(&ok) : 0;
        if (target && ok && value >= 1)
            *target = value;
    }
    if (headerLines < 0)
        return false;
    const int names = indexOfSheetRow(rows, headerLines + columnHeaderLines);
    if (names < 0 || rows[size_t(names)].sheetRow != headerLines + columnHeaderLines
        || size_t(names) + 1 >= rows.size())
        return false;
    layout->nameRow = names;
    layout->dataStart = names + 1;
    for (int i = names - 1; i >= 0 && rows[size_t(i)].sheetRow > headerLines; --i)
        ++layout->headerRowsAbove;
    layout->format = QStringLiteral("Zilien");
    return true;
}

// Oscilloscopes write their settings as key and value cells in the first columns beside the
// first samples and leave those columns empty further down: the table starts right of them,
// and the horizontal and vertical units are those of the X column and the others.
void settingsBeside(const std::vector<Row> &rows, const std::map<int, ColumnKind> &kinds, Layout *layout)
{
    if (layout->readingColumns.empty())
        return;
    const int readings = layout->readingColumns.front();
    // Columns left of the readings hold nothing in the rows the kinds were judged on.
    if (readings <= layout->firstColumn || kinds.begin()->first < readings)
        return;
    std::vector<std::pair<QString, QString>> settings;
    int first = readings, last = 0;
    for (size_t i = size_t(layout->dataStart); i < rows.size(); ++i) {
        std::vector<const Cell *> left;
        for (const Cell &c : rows[i].cells)
            if (c.column < readings)
                left.push_back(&c);
        if (left.empty())
            continue;
        // A key (a text) and its value in the next column, nothing else.
        if (left.size() != 2 || left[0]->number || left[1]->column != left[0]->column + 1)
            return;
        settings.emplace_back(left[0]->text.trimmed(), left[1]->text.trimmed());
        first = std::min(first, left[0]->column);
        last = std::max(last, left[1]->column);
    }
    if (settings.size() < 3)
        return;
    for (const auto &[key, value] : settings) {
        if (key.compare(QLatin1String("Horizontal Units"), Qt::CaseInsensitive) == 0)
            layout->settingsXUnit = value;
        else if (key.compare(QLatin1String("Vertical Units"), Qt::CaseInsensitive) == 0)
            layout->settingsYUnit = value;
    }
    layout->settings = int(settings.size());
    layout->settingsFirstColumn = first;
    layout->settingsLastColumn = last;
    layout->firstColumn = readings;
}

// In a table of two columns, whether the row is the last of a block of setting lines (a key
// and its value each, as oscilloscopes write above the samples) rather than the names.
bool lastOfSettings(const std::vector<Row> &rows, int row, int tableColumns)
{
    if (tableColumns > 2 || row < 2)
        return false;
    for (int i = row - 2; i < row; ++i)
        if (rows[size_t(i)].sheetRow != rows[size_t(i + 1)].sheetRow - 1 || rows[size_t(i)].cells.size() < 2
            || rows[size_t(i)].cells.front().number)
            return false;
    return true;
}

// Three or more name rows above the data that step one cell to the right each (a level's
// names under the level above), with data rows starting in more than one of those places:
// the levels.
int interleavedLevels(const std::vector<Row> &rows, int data)
{
    int best = 0;
    for (int top = 0; top + 1 < data; ++top) {
        std::vector<int> starts{rows[size_t(top)].cells.empty() ? 0 : rows[size_t(top)].cells.front().column};
        for (int i = top + 1; i < data && !rows[size_t(i)].cells.empty(); ++i) {
            const Row &row = rows[size_t(i)];
            if (row.sheetRow != rows[size_t(i - 1)].sheetRow + 1 || row.cells.front().column != starts.back() + 1
                || row.cells.size() < 2 || mostlyNumbers(row))
                break;
            starts.push_back(row.cells.front().column);
        }
        // Two steps only are a unit row with an empty first cell as often as two levels.
        if (starts.size() < 3 || starts.front() == 0)
            continue;
        std::vector<char> used(starts.size(), 0);
        for (size_t i = size_t(data); i < rows.size(); ++i)
            if (!rows[i].cells.empty()) {
                const int at = rows[i].cells.front().column - starts.front();
                if (at >= 0 && size_t(at) < used.size())
                    used[size_t(at)] = 1;
            }
        if (std::count(used.begin(), used.end(), 1) >= 2)
            best = std::max(best, int(starts.size()));
    }
    return best;
}

}

bool missingMarker(QStringView text)
{
    static const char *const markers[] = {"nan", "-nan", "inf", "-inf", "+inf", "n/a", "#n/a",
                                          "na", "---", "--", "-", "m", "null", "#value!",
                                          "#div/0!", "overflow", "err", "error"};
    const QStringView t = text.trimmed();
    if (t.size() > 8)
        return false;
    for (const char *m : markers)
        if (t.compare(QLatin1String(m), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool readingText(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (missingMarker(t))
        return true;
    if (!t.front().isDigit())
        return false;
    // A timestamp: digits with date and time separators, and at most a month's name or a
    // half-day mark in letters.
    int separators = 0, letters = 0;
    for (QChar c : t) {
        if (c == u':' || c == u'/' || c == u'-' || c == u'.')
            ++separators;
        else if (c.isLetter())
            ++letters;
        else if (!c.isDigit() && c != u' ' && c != u'_' && c != u',' && c != u'+')
            return false;
    }
    return separators >= 2 && letters <= 4;
}

Layout decide(const std::vector<Row> &rows)
{
    Layout layout;
    if (rows.empty())
        return layout;
    const std::map<int, ColumnKind> kinds = columnKinds(rows);
    for (const auto &[column, kind] : kinds)
        if (kind == ColumnKind::Readings)
            layout.readingColumns.push_back(column);
    if (toa5(rows, &layout) || ecLab(rows, &layout) || labView(rows, &layout) || cassy(rows, &layout)
        || countedHeader(rows, &layout)) {
        layout.firstColumn = firstColumnOf(rows, size_t(std::max(layout.nameRow, 0)));
        return layout;
    }

    // The first run of reading rows starts the data.
    int data = -1;
    for (size_t i = 0; i < rows.size() && data < 0; ++i) {
        // This row and most of the next ones hold readings.
        const size_t run = std::min<size_t>(DataRunRows, rows.size() - i);
        size_t readingRows = 0;
        for (size_t k = 0; k < run; ++k)
            readingRows += readingRow(rows[i + k], kinds) ? 1 : 0;
        if (readingRow(rows[i], kinds) && readingRows >= std::min<size_t>(2, run))
            data = int(i);
    }
    if (data < 0) {
        // No readings at all: the first row names the columns, as a table of texts.
        layout.nameRow = 0;
        layout.dataStart = 1;
        layout.firstColumn = firstColumnOf(rows, 0);
        return layout;
    }
    while (data > 0 && mostlyReadings(rows[size_t(data - 1)], kinds))
        --data;
    layout.dataStart = data;
    const int width = readingColumns(kinds);

    // Up from the data: markers and narrow lines just above it ("[Data]") are passed over;
    // the nearest wide row is the names, or the units when the row right above it names.
    int below = -1;
    for (int i = data - 1; i >= 0; --i)
        if (wideRow(rows[size_t(i)], width)) {
            below = i;
            break;
        }
    // Readings are never names: a row mostly of numbers above the data means the file
    // interleaves rows of other kinds, and its columns stay unnamed.
    if (below >= 0 && mostlyNumbers(rows[size_t(below)]))
        below = -1;
    if (below >= 0) {
        const int above = below - 1;
        if (above >= 0 && rows[size_t(above)].sheetRow == rows[size_t(below)].sheetRow - 1
            && wideRow(rows[size_t(above)], width) && unitRow(rows[size_t(below)], kinds)
            && rows[size_t(above)].cells.size() >= rows[size_t(below)].cells.size()
            && !readingRow(rows[size_t(above)], kinds) && !lastOfSettings(rows, above, width)) {
            layout.nameRow = above;
            layout.unitRow = below;
        } else {
            layout.nameRow = below;
        }
    }
    layout.interleavedLevels = interleavedLevels(rows, data);
    // Rows right above the names that span the table too belong to its header (channel
    // numbers, serial numbers), apart from the titles above them; in a table of two columns
    // they are as likely key and value lines.
    if (layout.nameRow >= 0 && rows[size_t(layout.nameRow)].cells.size() >= 3) {
        const Row &names = rows[size_t(layout.nameRow)];
        for (int i = layout.nameRow - 1; i >= 0; --i) {
            const Row &row = rows[size_t(i)];
            if (row.sheetRow != rows[size_t(i + 1)].sheetRow - 1 || row.cells.size() < names.cells.size()
                || !wideRow(row, width) || readingRow(row, kinds))
                break;
            ++layout.headerRowsAbove;
        }
    }
    layout.firstColumn = firstColumnOf(rows, size_t(layout.nameRow >= 0 ? layout.nameRow : data));
    settingsBeside(rows, kinds, &layout);
    return layout;
}

}
