#include "workbook/xlsx/xlsxreader.h"

#include "workbook/numformat.h"
#include "workbook/package/packagexml.h"
#include "workbook/package/zippackage.h"
#include "workbook/sheetbuilder.h"
#include "workbook/sheetchoice.h"
#include "workbook/xlsx/xlsxcells.h"
#include "workbook/xlsx/xlsxrelations.h"
#include "workbook/xlsx/xlsxsheetscan.h"
#include "workbook/xlsx/xlsxstrings.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <vector>

// The parts are found through the relationships (xlsxrelations.h). Elements are matched by
// local name, so the strict namespace reads like the transitional one.

namespace xlsx {

namespace {

bool isTrue(QStringView v)
{
    return v == QLatin1String("1") || v == QLatin1String("true");
}

struct BookInfo {
    bool date1904 = false;
    QString sheetName;
    QString sheetPart;
    std::vector<std::pair<QString, QString>> laterSheets; // part and name of the other worksheets
    QString stringsPart;
    QString stylesPart;
};

BookInfo readBook(const package::ZipPackage &package, const QString &part)
{
    const std::vector<Relationship> rels = readRelationships(package, part);
    BookInfo info;
    for (const Relationship &r : rels) {
        if (r.type == QLatin1String("sharedStrings"))
            info.stringsPart = r.target;
        else if (r.type == QLatin1String("styles"))
            info.stylesPart = r.target;
    }
    package::PackageXml x(package, part);
    bool rootSeen = false;
    QString mainNamespace;
    while (x.next() != QXmlStreamReader::EndDocument) {
        if (!x.xml().isStartElement())
            continue;
        const QStringView name = x.xml().name();
        if (!rootSeen) {
            if (name != QLatin1String("workbook"))
                workbook::refuseFormat(workbook::reasonNotWorkbook());
            rootSeen = true;
            mainNamespace = x.xml().namespaceUri().toString();
        } else if (name == QLatin1String("workbookPr") && x.xml().namespaceUri() == mainNamespace) {
            // Excel 2010 and later add their own workbookPr (x14:, x15:) inside extLst,
            // which says nothing of the date system.
            info.date1904 = isTrue(x.attribute(QLatin1String("date1904")));
        } else if (name == QLatin1String("sheet")) {
            // Worksheets(1) is the first worksheet: chart and dialog sheets do not count.
            QStringView id;
            for (const QXmlStreamAttribute &a : x.xml().attributes())
                if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                    id = a.value();
            const auto r = std::find_if(rels.begin(), rels.end(),
                                        [&](const Relationship &x) { return x.id == id; });
            if (r != rels.end() && r->type == QLatin1String("worksheet")) {
                const QString sheetName = x.attribute(QLatin1String("name")).toString();
                if (!info.sheetPart.isEmpty()) {
                    // Read only when the first one holds no table; a missing one is passed.
                    if (package.contains(r->target))
                        info.laterSheets.emplace_back(r->target, sheetName);
                    continue;
                }
                if (!package.contains(r->target))
                    workbook::refuseFormat(workbook::reasonDamaged());
                info.sheetPart = r->target;
                info.sheetName = sheetName;
            }
        }
    }
    if (!rootSeen)
        workbook::refuseFormat(workbook::reasonDamaged());
    if (info.sheetPart.isEmpty())
        workbook::refuseFormat(workbook::reasonNoSheet());
    return info;
}

// For every cell format (cellXfs), whether its number format shows a date or time.
std::vector<bool> readDateStyles(const package::ZipPackage &package, const QString &part)
{
    std::vector<bool> dateXf;
    if (part.isEmpty())
        return dateXf;
    package::PackageXml x(package, part);
    if (!x.isOpen())
        return dateXf;
    QHash<int, bool> customIsDate;
    bool inCellXfs = false;
    while (x.next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = x.xml();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("numFmt")) {
                const int id = x.attribute(QLatin1String("numFmtId")).toInt();
                customIsDate.insert(id, workbook::isDateFormatCode(x.attribute(QLatin1String("formatCode")).toString()));
            } else if (name == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && name == QLatin1String("xf")) {
                const int id = x.attribute(QLatin1String("numFmtId")).toInt();
                const auto custom = customIsDate.constFind(id);
                dateXf.push_back(custom != customIsDate.constEnd() ? *custom : workbook::isBuiltinDateFormat(id));
                x.skipElement();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return dateXf;
}

class SheetReader {
public:
    SheetReader(package::PackageXml &x, const CellStore &out) : m_x(x), m_out(out) {}

    void run()
    {
        while (m_x.next() != QXmlStreamReader::EndDocument) {
            QXmlStreamReader &xml = m_x.xml();
            if (!xml.isStartElement())
                continue;
            const QStringView name = xml.name();
            if (name == QLatin1String("c")) {
                readCell();
            } else if (name == QLatin1String("row")) {
                const int r = m_x.attribute(QLatin1String("r")).toInt();
                m_row = r > 0 ? r : m_row + 1;
                m_column = 0;
            } else if (name == QLatin1String("dimension")) {
                readDimension(m_x.attribute(QLatin1String("ref")));
            } else if (name == QLatin1String("sheetData")) {
                m_row = 0;
            } else if (m_row > 0 || name == QLatin1String("sheetPr")
                       || name == QLatin1String("sheetViews") || name == QLatin1String("cols")) {
                // Nothing after the cells (merges, formatting, drawings) matters here.
                m_x.skipElement();
            }
        }
    }

private:
    void readDimension(QStringView ref)
    {
        const qsizetype colon = ref.indexOf(QLatin1Char(':'));
        int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
        parseReference(colon < 0 ? ref : ref.left(colon), &c1, &r1);
        if (colon < 0) {
            r2 = r1;
        } else {
            parseReference(ref.mid(colon + 1), &c2, &r2);
        }
        m_out.out.declareRows(r1, r2);
    }

    void readCell()
    {
        QXmlStreamReader &xml = m_x.xml();
        QStringView ref, type, style;
        for (const QXmlStreamAttribute &a : xml.attributes()) {
            const QStringView n = a.name();
            if (n == QLatin1String("r"))
                ref = a.value();
            else if (n == QLatin1String("t"))
                type = a.value();
            else if (n == QLatin1String("s"))
                style = a.value();
        }
        int column = 0, row = 0;
        if (!ref.isEmpty())
            parseReference(ref, &column, &row);
        if (row == 0)
            row = std::max(m_row, 1);
        if (column == 0)
            column = m_column + 1;
        m_column = column;
        const QString typeText = type.toString(); // the attributes do not outlive the next token
        const int xf = style.isEmpty() ? 0 : style.toInt();

        // The value: <v> (cached result of a formula too) or an inline string <is>.
        QString value;
        bool hasValue = false;
        int depth = 1;
        while (m_x.nextChild(&depth)) {
            const QStringView name = xml.name();
            if (name == QLatin1String("v")) {
                value = m_x.elementText();
                hasValue = true;
            } else if (name == QLatin1String("is")) {
                value = inlineString();
                hasValue = true;
            } else {
                m_x.skipElement();
            }
        }
        if (hasValue)
            m_out.store(row, column, typeText, xf, value);
    }

    QString inlineString()
    {
        QString text;
        int depth = 1;
        while (m_x.nextChild(&depth)) {
            const QStringView name = m_x.xml().name();
            if (name == QLatin1String("t"))
                text += m_x.elementText();
            else if (name == QLatin1String("rPh"))
                m_x.skipElement();
            else
                ++depth;
        }
        return text;
    }

    package::PackageXml &m_x;
    const CellStore &m_out;
    int m_row = 0;
    int m_column = 0;
};

// Reads the worksheet at `part` into book.firstSheet, with `strings` (the first
// `sharedCount` of them the workbook's shared strings) as its text table.
void readSheet(const package::ZipPackage &package, const QString &part, workbook::TextTable strings,
               std::uint32_t sharedCount, bool date1904, const std::vector<bool> &dateXf, bool scanBytes,
               workbook::Workbook &book)
{
    book.firstSheet.setStrings(std::move(strings));
    if (scanBytes) {
        // The common layout first, straight from the bytes; anything it does not know goes
        // through the XML reader, which also says what is wrong with a broken part.
        workbook::SheetBuilder builder(book.firstSheet, date1904);
        const std::unique_ptr<QIODevice> device = package.open(part);
        if (!device)
            workbook::refuseFormat(workbook::reasonDamaged());
        if (scanSheet(*device, CellStore{builder, sharedCount, dateXf})) {
            builder.finish();
            book.maxRows = builder.rowLimit();
            book.cutRows = builder.cutRows();
            book.cutWidth = builder.cutWidth();
            return;
        }
        // A part that does not inflate would fail the XML reader in the same place.
        if (!package::partFailure(device.get()).isEmpty())
            workbook::refuseFormat(package::partFailure(device.get()));
    }
    strings = book.firstSheet.takeStrings();
    strings.truncate(sharedCount); // texts of the scan's own cells go with them
    book.firstSheet = workbook::Worksheet();
    book.firstSheet.setStrings(std::move(strings));
    workbook::SheetBuilder builder(book.firstSheet, date1904);
    package::PackageXml x(package, part);
    SheetReader(x, CellStore{builder, sharedCount, dateXf}).run();
    builder.finish();
    book.maxRows = builder.rowLimit();
    book.cutRows = builder.cutRows();
}

}

bool isXlsxPackage(const package::ZipPackage &package)
{
    return package.contains(QStringLiteral("[Content_Types].xml"))
        || package.contains(QStringLiteral("_rels/.rels"));
}

std::unique_ptr<workbook::Workbook> readXlsxPackage(const package::ZipPackage &package, bool scanBytes)
{
    const QString bookPart = workbookPart(package);
    if (bookPart.isEmpty())
        workbook::refuseFormat(package.contains(QStringLiteral("_rels/.rels")) ? workbook::reasonNotWorkbook()
                                                                      : workbook::reasonDamaged());
    // The binary variant (.xlsb) has the same package but no XML to read.
    if (!bookPart.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        workbook::refuseFormat(QCoreApplication::translate("workbook", "不支持二进制格式的工作簿"));
    const BookInfo info = readBook(package, bookPart);
    workbook::TextTable strings = readSharedStrings(package, info.stringsPart);
    const std::uint32_t sharedCount = strings.size();
    const std::vector<bool> dateXf = readDateStyles(package, info.stylesPart);

    auto book = std::make_unique<workbook::Workbook>();
    book->date1904 = info.date1904;
    book->sheetName = info.sheetName;
    const bool later = !info.laterSheets.empty();
    // The cells refer to the strings by their number: each is kept once, in the sheet. A
    // later worksheet is read only when the first holds no table, so a copy is kept then.
    readSheet(package, info.sheetPart, later ? strings : std::move(strings), sharedCount, info.date1904,
              dateXf, scanBytes, *book);
    if (!later || workbook::holdsChartTable(book->firstSheet))
        return book;
    // The later sheet with the longest table is read in the first one's place.
    workbook::Workbook best;
    const QString *bestName = nullptr;
    for (const auto &[part, name] : info.laterSheets) {
        workbook::Workbook candidate;
        try {
            readSheet(package, part, strings, sharedCount, info.date1904, dateXf, scanBytes, candidate);
        } catch (const workbook::FormatRefused &) {
            continue; // a damaged later sheet is passed
        }
        if (!workbook::outranks(candidate.firstSheet, best.firstSheet.usedRowCount()))
            continue;
        best.firstSheet = std::move(candidate.firstSheet);
        best.maxRows = candidate.maxRows;
        best.cutRows = candidate.cutRows;
        best.cutWidth = candidate.cutWidth;
        bestName = &name;
    }
    if (!bestName)
        return book; // none has a table: the first stays
    book->firstSheet = std::move(best.firstSheet);
    book->maxRows = best.maxRows;
    book->cutRows = best.cutRows;
    book->cutWidth = best.cutWidth;
    book->passedFirstSheet = true;
    book->firstSheetName = info.sheetName;
    book->sheetName = *bestName;
    return book;
}

}
