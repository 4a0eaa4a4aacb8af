#include "chartwin/xrange.h"

#include "base/timetext.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <vector>

namespace xrange {

namespace {

bool readValue(const QString &text, Form form, double *value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double number = QLocale::c().toDouble(t, &ok);
    if (ok) {
        *value = number;
        return std::isfinite(number);
    }
    if (!form.time)
        return false;
    timetext::Stamp stamp;
    if (!timetext::parse(t, &stamp) || stamp.dated != form.dated)
        return false;
    *value = stamp.seconds;
    return true;
}

bool ordered(const QString &text, double lower, double upper, Range *range, QString *error)
{
    if (!(lower < upper)) {
        *error = QCoreApplication::translate("xrange", "X范围“%1”的起点须在终点之前").arg(text);
        return false;
    }
    *range = Range{lower, upper};
    return true;
}

}

bool parse(const QString &text, Form form, Range *range, QString *error)
{
    const qsizetype dots = text.indexOf(QLatin1String(".."));
    double a = 0, b = 0;
    if (dots >= 0) {
        const QString first = text.left(dots), second = text.mid(dots + 2);
        if (!readValue(first, form, &a) || !readValue(second, form, &b)) {
            const QString bad = readValue(first, form, &a) ? second : first;
            *error = form.time ? QCoreApplication::translate("xrange", "X范围“%1”中的“%2”既不是数也不是X列那样的时间").arg(text, bad)
                               : QCoreApplication::translate("xrange", "X范围“%1”中的“%2”不是数").arg(text, bad);
            return false;
        }
        return ordered(text, a, b, range, error);
    }
    // Every colon that leaves a value on both sides is a possible split.
    std::vector<std::pair<double, double>> splits;
    for (qsizetype at = text.indexOf(QLatin1Char(':')); at >= 0; at = text.indexOf(QLatin1Char(':'), at + 1)) {
        double x = 0, y = 0;
        if (readValue(text.left(at), form, &x) && readValue(text.mid(at + 1), form, &y))
            splits.emplace_back(x, y);
    }
    if (splits.size() > 1) {
        *error = QCoreApplication::translate("xrange", "X范围“%1”可以有几种读法，请写作 A..B").arg(text);
        return false;
    }
    if (splits.empty()) {
        *error = form.time ? QCoreApplication::translate("xrange", "X范围“%1”应写作 A..B（或 A:B），A、B 是数或X列那样的时间").arg(text)
                           : QCoreApplication::translate("xrange", "X范围“%1”应写作 A..B（或 A:B），A、B 是数").arg(text);
        return false;
    }
    return ordered(text, splits.front().first, splits.front().second, range, error);
}

}
