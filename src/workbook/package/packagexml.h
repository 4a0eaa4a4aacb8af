#pragma once

#include <QIODevice>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

#include <memory>

// Reading one XML part of a zip package with Qt's stream reader, refusing (FormatRefused)
// whatever could make it expand or lie: a DTD that declares entities, an entity left
// unresolved, XML that is not well formed, a part that fails to decompress.
namespace package {

class ZipPackage;

class PackageXml {
public:
    // Opens `part`; isOpen() is false when the package has none.
    PackageXml(const ZipPackage &package, const QString &part);

    bool isOpen() const { return m_device != nullptr; }
    const QString &part() const { return m_part; }
    QXmlStreamReader &xml() { return m_xml; }

    // Next token, refusing as described above; EndDocument at the end of the part.
    QXmlStreamReader::TokenType next();
    // The next start element inside the one being read, whose open elements `depth` counts
    // (1 just after its own StartElement; a caller that descends into the child found adds
    // one, one that does not skips it). False at its end or at the end of the part.
    bool nextChild(int *depth);
    // Skips the rest of the current element (after a StartElement).
    void skipElement();
    // The text inside the current element up to its end (after a StartElement), child
    // elements' text included.
    QString elementText();
    // An attribute by local name, whatever its prefix.
    QStringView attribute(QLatin1String localName) const;

private:
    [[noreturn]] void refuseXml();

    QString m_part;
    std::unique_ptr<QIODevice> m_device;
    QXmlStreamReader m_xml;
};

// A relative part reference resolved against the folder of `base` ("xl/workbook.xml" +
// "worksheets/sheet1.xml" -> "xl/worksheets/sheet1.xml"; "/xl/x.xml" is absolute).
QString resolvePartName(const QString &base, QStringView target);

}
