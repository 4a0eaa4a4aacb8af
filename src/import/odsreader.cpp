#include "import/odsreader.h"

#include "import/packagexml.h"
#include "import/sheetbuilder.h"
#include "import/zippackage.h"

#include <vector>

// Repeated rows and columns are how OpenDocument writes blank areas (a sheet commonly ends
// in a row repeated a million times). A blank repeat costs nothing; a filled one is
// expanded only as far as a read can reach: rows up to the end of the served grid, columns
// up to the 32 a read takes. So a few hundred bytes can never make millions of cells.

namespace xls {

namespace {

// The columns a read takes (the column store's 32 lists).
constexpr int RepeatedColumns = 32;

struct PendingCell {
    int column;
    Cell cell;
};

class TableReader {
public:
    TableReader(PackageXml &x, SheetBuilder &out) : m_x(x), m_out(out) {}
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
        int column = 0;
        int depth = 1;
        while (m_x.nextChild(&depth)) {
            const QStringView name = m_x.xml().name();
            const bool covered = name == QLatin1String("covered-table-cell");
            if (name != QLatin1String("table-cell") && !covered) {
                m_x.skipElement();
                continue;
            }
            const int span = repeatOf(m_x.attribute(QLatin1String("number-columns-repeated")));
            const Cell cell = covered ? (m_x.skipElement(), Cell()) : readCell();
            if (cell.type != CellType::Empty) {
                const int last = span == 1 ? GridColumns : RepeatedColumns;
                for (int i = 1; i <= span && column + i <= last; ++i)
                    cells.push_back({column + i, cell});
            }
            column = int(std::min<qint64>(qint64(column) + span, GridColumns + 1));
        }
        const int first = m_row + 1;
        m_row = int(std::min<qint64>(qint64(m_row) + repeat, GridRows + 1));
        if (cells.empty())
            return;
        for (int row = first; row <= m_row && row <= GridRows; ++row)
            for (const PendingCell &p : cells)
                put(row, p.column, p.cell);
    }

    void put(int row, int column, const Cell &cell)
    {
        switch (cell.type) {
        case CellType::Number: m_out.number(row, column, cell.number, false); break;
        case CellType::DateTime: m_out.dateSerial(row, column, cell.number); break;
        case CellType::Boolean: m_out.boolean(row, column, cell.number != 0); break;
        case CellType::Error: m_out.error(row, column, cell.errorCode); break;
        case CellType::Text: m_out.text(row, column, cell.text); break;
        case CellType::Empty: break;
        }
    }

    // The cell's value by its value type; after the call the cell element has been read.
    Cell readCell()
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

        Cell cell;
        if (extType == QLatin1String("error")) {
            cell.type = CellType::Error;
            cell.errorCode = errorCodeOfText(shown.trimmed());
        } else if (type == QLatin1String("float") || type == QLatin1String("percentage")
                   || type == QLatin1String("currency")) {
            if (parseStoredNumber(value, &cell.number))
                cell.type = CellType::Number;
        } else if (type == QLatin1String("date")) {
            if (isoDateSerial(dateValue, &cell.number))
                cell.type = CellType::DateTime;
        } else if (type == QLatin1String("time")) {
            if (isoDurationDays(timeValue, &cell.number))
                cell.type = CellType::DateTime;
        } else if (type == QLatin1String("boolean")) {
            cell.type = CellType::Boolean;
            cell.number = boolValue == QLatin1String("true") || boolValue == QLatin1String("1") ? 1 : 0;
        } else if (type == QLatin1String("string")) {
            cell.type = CellType::Text;
            cell.text = hasStringValue ? stringValue : shown;
        } else if (!shown.isEmpty()) {
            // A cell without a value type shows its paragraphs as text.
            cell.type = CellType::Text;
            cell.text = shown;
        }
        if (cell.type == CellType::Text && cell.text.isEmpty())
            cell.type = CellType::Empty;
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

    PackageXml &m_x;
    SheetBuilder &m_out;
    QString m_name;
    int m_row = 0;
};

QString mimetypeOf(const ZipPackage &package)
{
    return QString::fromLatin1(package.readAll(QStringLiteral("mimetype"), 256)).trimmed();
}

}

bool isOpenDocumentPackage(const ZipPackage &package)
{
    return package.contains(QStringLiteral("mimetype"))
        || (package.contains(QStringLiteral("content.xml"))
            && package.contains(QStringLiteral("META-INF/manifest.xml")));
}

std::unique_ptr<Workbook> readOdsPackage(const ZipPackage &package)
{
    const QString mimetype = package.contains(QStringLiteral("mimetype")) ? mimetypeOf(package) : QString();
    if (!mimetype.isEmpty()
        && !mimetype.startsWith(QLatin1String("application/vnd.oasis.opendocument.spreadsheet")))
        refuseFormat(reasonNotWorkbook());
    PackageXml x(package, QStringLiteral("content.xml"));
    if (!x.isOpen())
        refuseFormat(reasonDamaged());
    auto book = std::make_unique<Workbook>();
    SheetBuilder builder(book->firstSheet, false);
    TableReader reader(x, builder);
    if (!reader.run())
        refuseFormat(reasonNoSheet());
    builder.finish();
    book->sheetName = reader.name();
    return book;
}

}
