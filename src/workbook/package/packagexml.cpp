#include "workbook/package/packagexml.h"

#include "workbook/sheetbuilder.h"
#include "workbook/package/zippackage.h"

#include <QCoreApplication>
#include <QStringList>

namespace package {

PackageXml::PackageXml(const ZipPackage &package, const QString &part)
    : m_part(part), m_device(package.open(part))
{
    if (m_device) {
        m_xml.setDevice(m_device.get());
        m_xml.setNamespaceProcessing(true);
    }
}

void PackageXml::refuseXml()
{
    const QString failure = partFailure(m_device.get());
    if (!failure.isEmpty())
        workbook::refuseFormat(failure);
    workbook::refuseFormat(QCoreApplication::translate("workbook", "部件 %1 的XML格式不正确（第%2行：%3）")
                     .arg(m_part)
                     .arg(m_xml.lineNumber())
                     .arg(m_xml.errorString()));
}

QXmlStreamReader::TokenType PackageXml::next()
{
    const QXmlStreamReader::TokenType token = m_xml.readNext();
    switch (token) {
    case QXmlStreamReader::DTD:
        // Package parts never need a DTD; entities declared in one are how XML bombs and
        // external references work.
        if (!m_xml.entityDeclarations().isEmpty() || !m_xml.dtdSystemId().isEmpty())
            workbook::refuseFormat(QCoreApplication::translate("workbook", "部件 %1 含有实体声明").arg(m_part));
        break;
    case QXmlStreamReader::EntityReference:
        workbook::refuseFormat(QCoreApplication::translate("workbook", "部件 %1 含有实体声明").arg(m_part));
    case QXmlStreamReader::Invalid:
        refuseXml();
    default:
        break;
    }
    return token;
}

bool PackageXml::nextChild(int *depth)
{
    while (*depth > 0) {
        switch (next()) {
        case QXmlStreamReader::StartElement: return true;
        case QXmlStreamReader::EndElement: --*depth; break;
        case QXmlStreamReader::EndDocument: *depth = 0; return false;
        default: break;
        }
    }
    return false;
}

void PackageXml::skipElement()
{
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
        case QXmlStreamReader::StartElement: ++depth; break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::EndDocument: return;
        default: break;
        }
    }
}

QString PackageXml::elementText()
{
    QString text;
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
        case QXmlStreamReader::StartElement: ++depth; break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters: text += m_xml.text(); break;
        case QXmlStreamReader::EndDocument: return text;
        default: break;
        }
    }
    return text;
}

QStringView PackageXml::attribute(QLatin1String localName) const
{
    for (const QXmlStreamAttribute &a : m_xml.attributes())
        if (a.name() == localName)
            return a.value();
    return QStringView();
}

QString resolvePartName(const QString &base, QStringView target)
{
    QString t = target.toString();
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    if (!t.startsWith(QLatin1Char('/'))) {
        parts = base.split(QLatin1Char('/'));
        parts.removeLast(); // the file name of the base part
    }
    for (const QString &p : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))  {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != QLatin1String(".")) {
            parts.append(p);
        }
    }
    return parts.join(QLatin1Char('/'));
}

}
