#include "chartwin/chartfilename.h"

#include <QFileInfo>

namespace chartfilename {

namespace {

// Well below the 255 bytes of a name on ext4, with room for an extension, in UTF-8 bytes
// (a Chinese character takes 3).
constexpr int MaxNameBytes = 200;

QString cleaned(const QString &part)
{
    QString out;
    out.reserve(part.size());
    for (const QChar c : part) {
        const bool forbidden = c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c);
        out += forbidden ? QLatin1Char('_') : c;
    }
    return out.trimmed();
}

}

QString suggest(const QString &workbookPath, const QStringList &curveNames)
{
    QStringList parts;
    for (const QString &part : QStringList{QFileInfo(workbookPath).completeBaseName()} + curveNames) {
        const QString clean = cleaned(part);
        if (!clean.isEmpty())
            parts << clean;
    }
    QString name = parts.join(QLatin1Char('_'));
    // Cut whole characters, never half a surrogate pair.
    while (name.toUtf8().size() > MaxNameBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    // A name of dots only would name a folder.
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size())
        return QStringLiteral("chart");
    return name;
}

}
