#include "chartwin/rangetext.h"

#include "chart/kfdline.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace rangetext {

namespace {

const char *const Headers[] = {
    QT_TRANSLATE_NOOP("rangetext", "名称"), QT_TRANSLATE_NOOP("rangetext", "单位"),
    QT_TRANSLATE_NOOP("rangetext", "A处"),  QT_TRANSLATE_NOOP("rangetext", "B处"),
    QT_TRANSLATE_NOOP("rangetext", "Δ"),    QT_TRANSLATE_NOOP("rangetext", "最小"),
    QT_TRANSLATE_NOOP("rangetext", "最大"), QT_TRANSLATE_NOOP("rangetext", "平均"),
    QT_TRANSLATE_NOOP("rangetext", "均方根"), QT_TRANSLATE_NOOP("rangetext", "行数"),
};

// A value as its scale writes it in full; empty when there is none.
QString valueText(const kfdline::Tline &scale, double value, bool asData = false)
{
    if (!std::isfinite(value))
        return QString();
    if (scale.text)
        return scale.text->value(value);
    return asData ? dataText(value) : numberText(value);
}

// A difference of two values of the scale: a duration on a time scale.
QString spanText(const kfdline::Tline &scale, double from, double to)
{
    const double span = to - from;
    if (!std::isfinite(span))
        return QString();
    return scale.text ? durationText(span) : numberText(span);
}

QString countText(long long rows)
{
    return QString::number(rows);
}

}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::number(value, 'g', 9);
}

QString dataText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString durationText(double seconds)
{
    if (!std::isfinite(seconds))
        return QString();
    // Beyond what whole microseconds in 64 bits hold, as plain seconds.
    if (std::fabs(seconds) >= 9e12)
        return numberText(seconds) + QStringLiteral(" s");
    const long long micro = std::llround(std::fabs(seconds) * 1e6);
    const long long whole = micro / 1000000;
    QString text = QStringLiteral("%1%2:%3:%4")
                       .arg(seconds < 0 && micro != 0 ? QStringLiteral("-") : QString())
                       .arg(whole / 3600, 2, 10, QLatin1Char('0'))
                       .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole % 60, 2, 10, QLatin1Char('0'));
    const long long fraction = micro % 1000000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 6, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return text;
}

Table table(const rangestats::Result &result, const kfdline::Tline &xAxis, const kfdline::Tline *curves)
{
    Table t;
    for (const char *text : Headers)
        t.header << QCoreApplication::translate("rangetext", text);
    t.lines << QStringList{xAxis.name,
                           xAxis.unit,
                           valueText(xAxis, result.a),
                           valueText(xAxis, result.b),
                           spanText(xAxis, result.a, result.b),
                           QString(),
                           QString(),
                           QString(),
                           QString(),
                           countText(result.xRows)};
    t.colors << xAxis.color;
    for (const rangestats::Curve &c : result.curves) {
        const kfdline::Tline &scale = curves[c.curve];
        // The root mean square of times of day or dates means nothing.
        const QString rms = scale.text ? QString() : numberText(c.rms);
        t.lines << QStringList{scale.name,
                               scale.unit,
                               valueText(scale, c.atA),
                               valueText(scale, c.atB),
                               spanText(scale, c.atA, c.atB),
                               valueText(scale, c.min, true),
                               valueText(scale, c.max, true),
                               valueText(scale, c.mean),
                               rms,
                               countText(c.rows)};
        t.colors << scale.color;
    }
    return t;
}

namespace {

// A name holding a tab or a line break would split its line when pasted: a space stands
// in for each.
QString tabLine(const QStringList &cells)
{
    QStringList clean;
    for (QString cell : cells) {
        for (QChar &c : cell)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        clean << cell;
    }
    return clean.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

}

QString tabSeparated(const Table &table)
{
    QString text = tabLine(table.header);
    for (const QStringList &line : table.lines)
        text += tabLine(line);
    return text;
}

}
