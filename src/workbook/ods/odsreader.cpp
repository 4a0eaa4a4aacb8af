#include "workbook/ods/odsreader.h"

#include "workbook/package/packagexml.h"
#include "workbook/package/zippackage.h"
#include "workbook/sheetbuilder.h"
#include "workbook/sheetchoice.h"

#include <climits>
#include <vector>

#include <QCoreApplication>

// Repeated rows and columns are how OpenDocument writes blank areas (a sheet commonly ends
// in a row repeated a million times). A blank repeat costs nothing; a filled one is
// expanded only as far as a read can reach: rows up to the end of the served grid, columns
// up to the grid's last (the width past it is told), and a file asking for more copies than MaxRepeatedCells is
// refused. So a few hundred bytes can never make millions of cells.

namespace ods {

namespace {

// Cells made by repeating rows, at most: a legacy sheet's worth (65,536 rows of 32 columns,
// about 40 MB once read). Each costs memory the file does not: a 2 KB file must not ask for a
// gigabyte.
constexpr qint64 MaxRepeatedCells = qint64(workbook::XlsRows) * 32;

struct PendingCell {
    int column;
    workbook::Cell cell;
};

class TableReader {
public:
    TableReader(package::PackageXml &x, workbook::SheetBuilder &out) : m_x(x), m_out(out) {}
    QString name() const { return m_name; }

    // Reads the first table; false when the document has none.
    bool run()
    {
        while (m_x.next() != QXmlStreamReader::EndDocument) {
            QXmlStreamReader &xml = m_x.xml();
            if (xml.isStartElement() && xml.name() == QLatin1String("table")) {
                m_name = m_x.attribute(QLatin1String("name")).toString();
                readTable();
                return true;
            }
        }
        return false;
    }

private:
    static int repeatOf(QStringView value)
    {
        const int n = value.isEmpty() ? 1 : value.toInt();
        return n < 1 ? 1 : n;
    }

    void readTable()
    {
        int depth = 1;
        while (m_x.nextChild(&depth)) {
            const QStringView name = m_x.xml().name();
            if (name == QLatin1String("table-row")) {
                readRow(repeatOf(m_x.attribute(QLatin1String("number-rows-repeated"))));
            } else if (name == QLatin1String("table-header-rows") || name == QLatin1String("table-rows")
                       || name == QLatin1String("table-row-group")) {
                ++depth; // rows grouped inside the table
            } else {
                m_x.skipElement(); // columns, shapes, named ranges ...
            }
        }
    }

    void readRow(int repeat)
    {
        std::vector<PendingCell> cells;
        qint64 column = 0; // past the grid too, so the width of a cut row can be told
        int depth = 1;
        while (m_x.nextChild(&depth)) {
            const QStringView name = m_x.xml().name();
            const bool covered = name == QLatin1String("covered-table-cell");
            if (name != QLatin1String("table-cell") && !covered) {
                m_x.skipElement();
                continue;
            }
            const int span = repeatOf(m_x.attribute(QLatin1String("number-columns-repeated")));
            const workbook::Cell cell = covered ? (m_x.skipElement(), workbook::Cell()) : readCell();
            if (cell.type != workbook::CellType::Empty) {
                for (qint64 c = column + 1; c <= column + span && c <= workbook::GridColumns; ++c)
                    cells.push_back({int(c), cell});
                if (column + span > workbook::GridColumns)
                    m_out.noteCutWidth(int(std::min<qint64>(column + span, INT_MAX)));
            }
            column += span;
        }
        const qint64 first = m_row + 1;
        m_row += repeat;
        if (cells.empty())
            return;
        const qint64 limit = m_out.rowLimit();
        const qint64 last = std::min(m_row, limit);
        // Copies of a repeated row are cells the file does not hold: a few bytes could
        // otherwise ask for a million rows of them.
        if (repeat > 1 && last > first) {
            m_repeatedCells += (last - first) * qint64(cells.size());
            if (m_repeatedCells > MaxRepeatedCells)
                workbook::refuseFormat(QCoreApplication::translate("workbook", "重复的行太多（超过%1个单元格）").arg(MaxRepeatedCells));
        }
        for (qint64 row = first; row <= last; ++row)
            for (const PendingCell &p : cells)
                put(int(row), p.column, p.cell);
        // Rows of content past the last row are counted, not kept.
        if (m_row > limit)
            m_out.addCutRows(m_row - std::max(first, limit + 1) + 1);
    }

    void put(int row, int column, const workbook::Cell &cell)
    {
        switch (cell.type) {
        case workbook::CellType::Number: m_out.number(row, column, cell.number, false); break;
        case workbook::CellType::DateTime: m_out.dateSerial(row, column, cell.number); break;
        case workbook::CellType::Boolean: m_out.boolean(row, column, cell.number != 0); break;
        case workbook::CellType::Error: m_out.error(row, column, cell.errorCode); break;
        case workbook::CellType::Text: m_out.text(row, column, cell.text); break;
        case workbook::CellType::Empty: break;
        }
    }

    // The cell's value by its value type; after the call the cell element has been read.
    workbook::Cell readCell()
    {
        const QString type = m_x.attribute(QLatin1String("value-type")).toString();
        const QString extType = extendedType();
        const QString value = m_x.attribute(QLatin1String("value")).toString();
        const QString dateValue = m_x.attribute(QLatin1String("date-value")).toString();
        const QString timeValue = m_x.attribute(QLatin1String("time-value")).toString();
        const QString boolValue = m_x.attribute(QLatin1String("boolean-value")).toString();
        const QString stringValue = m_x.attribute(QLatin1String("string-value")).toString();
        const bool hasStringValue = !m_x.attribute(QLatin1String("string-value")).isNull();
        const QString shown = cellText();

        workbook::Cell cell;
        if (extType == QLatin1String("error")) {
            cell.type = workbook::CellType::Error;
            cell.errorCode = workbook::errorCodeOfText(shown.trimmed());
        } else if (type == QLatin1String("float") || type == QLatin1String("percentage")
                   || type == QLatin1String("currency")) {
            if (workbook::parseStoredNumber(value, &cell.number))
                cell.type = workbook::CellType::Number;
        } else if (type == QLatin1String("date") || type == QLatin1String("time")) {
            const bool read = type == QLatin1String("date") ? workbook::isoDateSerial(dateValue, &cell.number)
                                                            : workbook::isoDurationDays(timeValue, &cell.number);
            if (read) {
                cell.type = workbook::CellType::DateTime;
            } else {
                // A value no calendar day has (2026-02-30, a 5-digit year) is not moved to
                // another day nor left out: the cell keeps what it shows.
                cell.type = workbook::CellType::Text;
                cell.text = !shown.isEmpty() ? shown : type == QLatin1String("date") ? dateValue : timeValue;
            }
        } else if (type == QLatin1String("boolean")) {
            cell.type = workbook::CellType::Boolean;
            cell.number = boolValue == QLatin1String("true") || boolValue == QLatin1String("1") ? 1 : 0;
        } else if (type == QLatin1String("string")) {
            cell.type = workbook::CellType::Text;
            cell.text = hasStringValue ? stringValue : shown;
        } else if (!shown.isEmpty()) {
            // A cell without a value type shows its paragraphs as text.
            cell.type = workbook::CellType::Text;
            cell.text = shown;
        }
        if (cell.type == workbook::CellType::Text && cell.text.isEmpty())
            cell.type = workbook::CellType::Empty;
        return cell;
    }

    QString extendedType() const
    {
        for (const QXmlStreamAttribute &a : m_x.xml().attributes())
            if (a.name() == QLatin1String("value-type") && a.prefix() != QLatin1String("office"))
                return a.value().toString();
        return QString();
    }

    // The paragraphs of a cell, one line each; notes (annotations) are not the cell's text.
    QString cellText()
    {
        QString text;
        int paragraphs = 0;
        int depth = 1;
        while (depth > 0) {
            const auto token = m_x.next();
            if (token == QXmlStreamReader::EndDocument)
                break;
            QXmlStreamReader &xml = m_x.xml();
            if (token == QXmlStreamReader::EndElement) {
                --depth;
            } else if (token == QXmlStreamReader::Characters) {
                text += xml.text();
            } else if (token == QXmlStreamReader::StartElement) {
                const QStringView name = xml.name();
                if (name == QLatin1String("annotation")) {
                    m_x.skipElement();
                } else if (name == QLatin1String("p") || name == QLatin1String("h")) {
                    if (paragraphs++ > 0)
                        text += QLatin1Char('\n');
                    ++depth;
                } else if (name == QLatin1String("s")) {
                    text += QString(std::min(repeatOf(m_x.attribute(QLatin1String("c"))), 1000),
                                    QLatin1Char(' '));
                    ++depth;
                } else if (name == QLatin1String("tab")) {
                    text += QLatin1Char('\t');
                    ++depth;
                } else if (name == QLatin1String("line-break")) {
                    text += QLatin1Char('\n');
                    ++depth;
                } else {
                    ++depth; // spans, links: their text is the cell's
                }
            }
        }
        return text;
    }

    package::PackageXml &m_x;
    workbook::SheetBuilder &m_out;
    qint64 m_repeatedCells = 0;
    QString m_name;
    qint64 m_row = 0;
};

QString mimetypeOf(const package::ZipPackage &package)
{
    return QString::fromLatin1(package.readAll(QStringLiteral("mimetype"), 256)).trimmed();
}

// A password-protected document keeps its parts encrypted and says how in the manifest:
// an encryption-data element for each such part.
bool isEncrypted(const package::ZipPackage &package)
{
    const QByteArray manifest = package.readAll(QStringLiteral("META-INF/manifest.xml"), qint64(16) << 20);
    for (qsizetype at = manifest.indexOf("encryption-data"); at > 0; at = manifest.indexOf("encryption-data", at + 1))
        if (manifest.at(at - 1) == ':' || manifest.at(at - 1) == '<')
            return true;
    return false;
}

}

bool isOpenDocumentPackage(const package::ZipPackage &package)
{
    return package.contains(QStringLiteral("mimetype"))
        || (package.contains(QStringLiteral("content.xml"))
            && package.contains(QStringLiteral("META-INF/manifest.xml")));
}

std::unique_ptr<workbook::Workbook> readOdsPackage(const package::ZipPackage &package)
{
    const QString mimetype = package.contains(QStringLiteral("mimetype")) ? mimetypeOf(package) : QString();
    if (!mimetype.isEmpty()
        && !mimetype.startsWith(QLatin1String("application/vnd.oasis.opendocument.spreadsheet")))
        workbook::refuseFormat(workbook::reasonNotWorkbook());
    if (isEncrypted(package))
        workbook::refuseFormat(workbook::reasonEncrypted());
    package::PackageXml x(package, QStringLiteral("content.xml"));
    if (!x.isOpen())
        workbook::refuseFormat(workbook::reasonDamaged());
    auto book = std::make_unique<workbook::Workbook>();
    workbook::SheetBuilder builder(book->firstSheet, false);
    TableReader reader(x, builder);
    if (!reader.run())
        workbook::refuseFormat(workbook::reasonNoSheet());
    builder.finish();
    book->maxRows = builder.rowLimit();
    book->cutRows = builder.cutRows();
    book->cutWidth = builder.cutWidth();
    book->sheetName = reader.name();
    if (workbook::holdsChartTable(book->firstSheet))
        return book;
    // No table a chart can use: the later table with the most rows is read in its place.
    workbook::Workbook best;
    QString bestName;
    bool found = false;
    for (;;) {
        workbook::Workbook candidate;
        workbook::SheetBuilder later(candidate.firstSheet, false);
        TableReader next(x, later);
        try {
            if (!next.run())
                break;
        } catch (const workbook::FormatRefused &) {
            break; // the rest of the document cannot be read: what was found stands
        }
        later.finish();
        if (!workbook::outranks(candidate.firstSheet, best.firstSheet.usedRowCount()))
            continue;
        best.firstSheet = std::move(candidate.firstSheet);
        best.maxRows = later.rowLimit();
        best.cutRows = later.cutRows();
        best.cutWidth = later.cutWidth();
        bestName = next.name();
        found = true;
    }
    if (!found)
        return book;
    book->firstSheet = std::move(best.firstSheet);
    book->maxRows = best.maxRows;
    book->cutRows = best.cutRows;
    book->cutWidth = best.cutWidth;
    book->passedFirstSheet = true;
    book->firstSheetName = book->sheetName;
    book->sheetName = bestName;
    return book;
}

}
