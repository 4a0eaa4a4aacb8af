#include "workbook/xlsx/xlsxstrings.h"

#include "workbook/package/packagexml.h"
#include "workbook/package/xmlbytescan.h"
#include "workbook/package/zippackage.h"
#include "workbook/sheetbuilder.h"
#include "workbook/xlsx/xlsxcells.h"

// An item is <si> (<sstItem> in files of Office 2007's beta), holding a <t> or runs <r>
// with a <t> each, and phonetic runs <rPh> that are not part of the text.

namespace xlsx {

using workbook::TextTable;

namespace {

using package::Tag;

// One item's text: its UTF-8 gathered and turned into characters in steps of about a
// megabyte, so a string of hundreds of megabytes is never held twice over.
class ItemText : public package::TextSink {
public:
    bool add(const char *text, std::size_t length) override
    {
        if (!package::unescape(text, length, &m_utf8))
            return false;
        if (m_utf8.size() >= (qsizetype(1) << 20))
            flush();
        return true;
    }
    void clear()
    {
        m_utf8.resize(0);
        m_text = QString();
    }
    QString take()
    {
        flush();
        QString text = decodeEscapes(m_text);
        m_text = QString();
        return text;
    }

private:
    void flush()
    {
        if (m_text.isEmpty())
            m_text = QString::fromUtf8(m_utf8);
        else
            m_text.append(QString::fromUtf8(m_utf8));
        m_utf8.resize(0);
        if (m_text.size() > workbook::MaxTextChars)
            workbook::refuseFormat(workbook::reasonTextTooLong());
    }

    QByteArray m_utf8;
    QString m_text;
};

class StringsScan {
public:
    StringsScan(QIODevice &part, TextTable &out, qsizetype window) : m_scan(part, window), m_out(out) {}

    // false when the part holds anything the scanner does not know; `out` is then partly
    // filled.
    bool run()
    {
        if (!m_scan.isUtf8())
            return false;
        Tag tag;
        if (!m_scan.nextTag(&tag) || tag.end)
            return false;
        if (tag.selfClosing)
            return true;
        const std::string root(tag.name, tag.nameLength);
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end)
                return root.compare(0, std::string::npos, tag.name, tag.nameLength) == 0;
            if (tag.is("si") || tag.is("sstItem")) {
                if (!readItem(tag))
                    return false;
            } else if (!m_scan.skip(tag)) {
                return false;
            }
        }
    }

private:
    bool readItem(const Tag &item)
    {
        m_text.clear();
        if (!readContent(item, 0))
            return false;
        m_out.append(m_text.take());
        return true;
    }

    // The text of every t inside the element (runs and all), phonetic runs left out.
    bool readContent(const Tag &open, int depth)
    {
        if (open.selfClosing)
            return true;
        const std::string name(open.name, open.nameLength);
        Tag tag;
        for (;;) {
            if (!m_scan.nextTag(&tag))
                return false;
            if (tag.end)
                return name.compare(0, std::string::npos, tag.name, tag.nameLength) == 0;
            if (tag.is("t")) {
                if (!readT(tag))
                    return false;
            } else if (depth >= 64) {
                return false; // left to the XML reader
            } else if (tag.is("rPh") || tag.is("rPr")) {
                if (!m_scan.skip(tag))
                    return false;
            } else if (!readContent(tag, depth + 1)) {
                return false;
            }
        }
    }

    bool readT(const Tag &t)
    {
        if (t.selfClosing)
            return true;
        Tag tag;
        return m_scan.nextTag(&tag, &m_text) && tag.end && tag.is("t");
    }

    package::ByteScanner m_scan;
    TextTable &m_out;
    ItemText m_text;
};

// The same through the XML reader.
TextTable readWithXmlReader(const package::ZipPackage &package, const QString &part)
{
    TextTable strings;
    package::PackageXml x(package, part);
    if (!x.isOpen())
        return strings;
    QString current;
    bool inItem = false;
    while (x.next() != QXmlStreamReader::EndDocument) {
        QXmlStreamReader &xml = x.xml();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("si") || name == QLatin1String("sstItem")) {
                inItem = true;
                current = QString();
            } else if (inItem && name == QLatin1String("t")) {
                current += x.elementText();
            } else if (inItem && name == QLatin1String("rPh")) {
                x.skipElement();
            }
        } else if (xml.isEndElement() && (xml.name() == QLatin1String("si") || xml.name() == QLatin1String("sstItem"))) {
            strings.append(decodeEscapes(current));
            current = QString();
            inItem = false;
        }
    }
    return strings;
}

}

bool scanSharedStrings(QIODevice &part, TextTable &strings, qsizetype window)
{
    return StringsScan(part, strings, window).run();
}

TextTable readSharedStrings(const package::ZipPackage &package, const QString &part)
{
    if (part.isEmpty())
        return TextTable();
    {
        const std::unique_ptr<QIODevice> device = package.open(part);
        if (!device)
            return TextTable();
        TextTable strings;
        if (scanSharedStrings(*device, strings))
            return strings;
        const QString failure = package::partFailure(device.get());
        if (!failure.isEmpty())
            workbook::refuseFormat(failure);
    }
    return readWithXmlReader(package, part);
}

}
