#include "import/unitsplit.h"

#include <QRegularExpression>

#include <algorithm>

namespace unitsplit {

namespace {

constexpr int LongestBracketUnit = 24;
constexpr int LongestSlashUnit = 6;

// The bracket group that ends the name ("(RH(%))" nests), or -1.
int openingOf(const QString &name, QChar close)
{
    const QChar open = close == u')' ? u'(' : u'[';
    int depth = 0;
    for (int i = int(name.size()) - 1; i >= 0; --i) {
        if (name[i] == close)
            ++depth;
        else if (name[i] == open && --depth == 0)
            return i;
    }
    return -1;
}

bool bracketed(const QString &name, NameUnit *out)
{
    if (!name.endsWith(u')') && !name.endsWith(u']'))
        return false;
    const int open = openingOf(name, name.back());
    if (open <= 0)
        return false;
    const QString unit = name.mid(open + 1, name.size() - open - 2).trimmed();
    const QString rest = name.left(open).trimmed();
    // "q[0]" is an element of an array, not a unit.
    if (unit.isEmpty() || unit.size() > LongestBracketUnit || rest.isEmpty()
        || std::all_of(unit.begin(), unit.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    out->name = rest;
    out->unit = unit;
    return true;
}

// "Temp, °C" and HOBO's "Temp, °C (LGR S/N: ...)": the unit between the comma and the
// details; a clock's zone ("Date Time, GMT-04:00") is part of the name.
bool afterComma(const QString &name, NameUnit *out)
{
    const int comma = int(name.indexOf(QLatin1String(", ")));
    if (comma <= 0)
        return false;
    QString tail = name.mid(comma + 2);
    QString details;
    const int paren = int(tail.indexOf(u'('));
    if (paren > 0) {
        details = tail.mid(paren).trimmed();
        tail = tail.left(paren);
    }
    tail = tail.trimmed();
    if (tail.isEmpty() || tail.size() > 8 || tail.contains(u',') || tail.startsWith(QLatin1String("GMT"))
        || tail.startsWith(QLatin1String("UTC")))
        return false;
    out->name = details.isEmpty() ? name.left(comma).trimmed() : name.left(comma).trimmed() + u' ' + details;
    out->unit = tail;
    return true;
}

bool afterSlash(const QString &name, NameUnit *out)
{
    const int slash = int(name.lastIndexOf(u'/'));
    if (slash <= 0 || slash == name.size() - 1)
        return false;
    const QString unit = name.mid(slash + 1).trimmed();
    const QString rest = name.left(slash).trimmed();
    // "Date/Time" names two things; a unit is short and no word of its own.
    if (unit.isEmpty() || rest.isEmpty() || unit.size() > LongestSlashUnit || unit.contains(u' ')
        || unit.compare(QLatin1String("Time"), Qt::CaseInsensitive) == 0
        || unit.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0
        || unit.compare(QLatin1String("dt"), Qt::CaseInsensitive) == 0)
        return false;
    // "ox/red" is two words, not a quantity and its unit.
    const auto word = [](const QString &t) {
        return std::all_of(t.begin(), t.end(), [](QChar c) { return c.isLower(); });
    };
    if (unit.size() >= 3 && word(unit) && word(rest))
        return false;
    out->name = rest;
    out->unit = unit;
    return true;
}

// CASSY Lab's '"Zeit" t / s' ("DEF=" before the first): the name, the quantity's symbol,
// and the unit after the slash. The quotes may be gone already (a reader takes a field's
// opening quote for quoting): then the symbol is the last word before the slash. The symbol
// is left out: the name says it.
bool withSymbol(const QString &entry, bool quotedOnly, NameUnit *out)
{
    static const QRegularExpression quoted(
        QStringLiteral("^(?:DEF=)?\"([^\"]+)\"\\s+\\S+\\s+/\\s*(\\S.*)$"));
    static const QRegularExpression bare(QStringLiteral("^(?:DEF=)?(\\S.*?)\\s+\\S+\\s+/\\s*(\\S.*)$"));
    QRegularExpressionMatch m = quoted.match(entry);
    if (!m.hasMatch() && !quotedOnly)
        m = bare.match(entry);
    if (!m.hasMatch() || m.captured(1).trimmed().isEmpty())
        return false;
    out->name = m.captured(1).trimmed();
    out->unit = m.captured(2).trimmed();
    return true;
}

}

NameUnit split(const QString &name)
{
    NameUnit out{name, QString()};
    const QString trimmed = name.trimmed();
    if (withSymbol(trimmed, true, &out) || afterComma(trimmed, &out) || bracketed(trimmed, &out)
        || afterSlash(trimmed, &out))
        return out;
    return {name, QString()};
}

NameUnit symbolEntry(const QString &entry)
{
    NameUnit out;
    return withSymbol(entry.trimmed(), false, &out) ? out : split(entry);
}

}
