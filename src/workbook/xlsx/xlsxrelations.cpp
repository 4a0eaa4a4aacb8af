#include "workbook/xlsx/xlsxrelations.h"

#include "workbook/package/packagexml.h"
#include "workbook/sheetbuilder.h"
#include "workbook/package/zippackage.h"

#include <QHash>

#include <cstring>

namespace xlsx {

namespace {

// Relationships parts and content types are small; a larger one is no package of ours.
constexpr qint64 MaxListBytes = qint64(16) << 20;

bool xmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

QString relsPartOf(const QString &part)
{
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
}

// The predefined entities and character references of an attribute value; anything else,
// a bare "&" included, stays as written.
QString attributeValue(QByteArrayView raw)
{
    QString text = QString::fromUtf8(raw);
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const std::pair<QLatin1String, QChar> named[] = {
        {QLatin1String("&amp;"), QLatin1Char('&')}, {QLatin1String("&lt;"), QLatin1Char('<')},
        {QLatin1String("&gt;"), QLatin1Char('>')},  {QLatin1String("&quot;"), QLatin1Char('"')},
        {QLatin1String("&apos;"), QLatin1Char('\'')}};
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        bool done = false;
        if (text.at(i) == QLatin1Char('&')) {
            for (const auto &n : named) {
                if (QStringView(text).mid(i).startsWith(n.first)) {
                    out += n.second;
                    i += n.first.size();
                    done = true;
                    break;
                }
            }
            const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
            if (!done && semi > i + 2 && semi - i < 12 && text.at(i + 1) == QLatin1Char('#')) {
                const bool hex = text.at(i + 2) == QLatin1Char('x');
                bool ok = false;
                const uint code = QStringView(text).mid(i + (hex ? 3 : 2), semi - i - (hex ? 3 : 2)).toUInt(&ok, hex ? 16 : 10);
                if (ok && code > 0 && code <= 0x10FFFF) {
                    const char32_t c = code;
                    out += QString::fromUcs4(&c, 1);
                    i = semi + 1;
                    done = true;
                }
            }
        }
        if (!done)
            out += text.at(i++);
    }
    return out;
}

// Every element `local` (any prefix) in the bytes and its attributes by local name,
// whatever the syntax around it: what a lenient reader can still see in a broken part.
template <typename Visit>
void scanElements(const QByteArray &bytes, QByteArrayView local, Visit visit)
{
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    auto isName = [](char c) { return c != '=' && c != '>' && c != '/' && c != '<' && !xmlSpace(c); };
    for (const char *lt = p; (lt = static_cast<const char *>(memchr(lt, '<', size_t(end - lt)))); ) {
        const char *q = ++lt;
        while (q < end && isName(*q))
            ++q;
        QByteArrayView name(lt, q - lt);
        if (const qsizetype colon = name.lastIndexOf(':'); colon >= 0)
            name = name.sliced(colon + 1);
        if (name != local)
            continue;
        QHash<QString, QString> attrs;
        for (;;) {
            while (q < end && xmlSpace(*q))
                ++q;
            if (q >= end || *q == '>' || *q == '<' || (*q == '/' && q + 1 < end && q[1] == '>'))
                break;
            const char *a = q;
            while (q < end && isName(*q))
                ++q;
            if (q == a) {
                ++q; // a stray character
                continue;
            }
            QByteArrayView attr(a, q - a);
            if (const qsizetype colon = attr.lastIndexOf(':'); colon >= 0)
                attr = attr.sliced(colon + 1);
            while (q < end && xmlSpace(*q))
                ++q;
            if (q >= end || *q != '=')
                continue; // an attribute without a value
            ++q;
            while (q < end && xmlSpace(*q))
                ++q;
            const char *v = q;
            if (q < end && (*q == '"' || *q == '\'')) {
                const char quote = *q++;
                v = q;
                while (q < end && *q != quote && *q != '<' && *q != '>')
                    ++q;
            } else {
                while (q < end && !xmlSpace(*q) && *q != '>' && *q != '<')
                    ++q;
            }
            attrs.insert(QString::fromUtf8(attr), attributeValue(QByteArrayView(v, q - v)));
            if (q < end && (*q == '"' || *q == '\''))
                ++q;
        }
        visit(attrs);
        lt = q;
    }
}

void addRelationship(std::vector<Relationship> &rels, const QString &source,
                     const QString &id, const QString &type, const QString &target, const QString &mode)
{
    if (mode.compare(QLatin1String("External"), Qt::CaseInsensitive) == 0 || target.isEmpty())
        return;
    Relationship r;
    r.id = id;
    r.type = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1);
    r.target = package::resolvePartName(source.isEmpty() ? QStringLiteral("x") : source, target);
    rels.push_back(r);
}

}

std::vector<Relationship> readRelationships(const package::ZipPackage &package, const QString &source)
{
    const QString part = source.isEmpty() ? QStringLiteral("_rels/.rels") : relsPartOf(source);
    std::vector<Relationship> rels;
    try {
        package::PackageXml x(package, part);
        if (!x.isOpen())
            return rels;
        while (x.next() != QXmlStreamReader::EndDocument) {
            if (!x.xml().isStartElement() || x.xml().name() != QLatin1String("Relationship"))
                continue;
            addRelationship(rels, source, x.attribute(QLatin1String("Id")).toString(),
                            x.attribute(QLatin1String("Type")).toString(),
                            x.attribute(QLatin1String("Target")).toString(),
                            x.attribute(QLatin1String("TargetMode")).toString());
        }
        return rels;
    } catch (const workbook::FormatRefused &) {
        // Not well formed (or with a DTD): read again, leniently. A part that does not
        // inflate is refused by the read below.
    }
    rels.clear();
    scanElements(package.readAll(part, MaxListBytes), "Relationship", [&](const QHash<QString, QString> &a) {
        addRelationship(rels, source, a.value(QStringLiteral("Id")), a.value(QStringLiteral("Type")),
                        a.value(QStringLiteral("Target")), a.value(QStringLiteral("TargetMode")));
    });
    return rels;
}

QString workbookPart(const package::ZipPackage &package)
{
    for (const Relationship &r : readRelationships(package, QString()))
        if (r.type == QLatin1String("officeDocument") && package.contains(r.target))
            return r.target;
    // Without a usable package relationship, as other readers do: the content types.
    QString main;
    scanElements(package.readAll(QStringLiteral("[Content_Types].xml"), MaxListBytes), "Override",
                 [&](const QHash<QString, QString> &a) {
                     const QString type = a.value(QStringLiteral("ContentType"));
                     const QString name = package::resolvePartName(QStringLiteral("x"), a.value(QStringLiteral("PartName")));
                     if (main.isEmpty() && type.contains(QLatin1String("spreadsheetml"))
                         && type.endsWith(QLatin1String(".main+xml")) && package.contains(name))
                         main = name;
                 });
    if (main.isEmpty() && package.contains(QStringLiteral("xl/workbook.xml")))
        main = QStringLiteral("xl/workbook.xml");
    return main;
}

}
