#include "import/automation.h"

#include "base/apperror.h"
#include "base/numtext.h"

#include <QCoreApplication>
#include <QDate>

#include <cmath>

namespace automation {

namespace {

// OLE dates cover the years 100 to 9999.
constexpr double MinDate = -657434.0;       // 0100-01-01
constexpr double MaxDateExclusive = 2958466.0; // 10000-01-01

QString timeText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString dateText(double serial)
{
    const QString bad = QCoreApplication::translate("log", "日期值无效：%1").arg(numtext::formatGeneral(serial));
    if (!std::isfinite(serial) || serial < MinDate || serial >= MaxDateExclusive)
        throw AppError(bad);
    // The integer part counts days from 1899-12-30; the fraction is the time of day, taken
    // without its sign (so -1.25 is 1899-12-29 06:00). Rounding to the second can carry
    // into the next day.
    const double dayPart = std::trunc(serial);
    qint64 days = qint64(dayPart);
    qint64 seconds = std::llround(std::fabs(serial - dayPart) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += serial < 0 ? -1 : 1;
    }
    if (days == 0)
        return timeText(seconds);
    const QDate date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid() || date.year() > 9999)
        throw AppError(bad);
    QString out = QStringLiteral("%1/%2/%3")
                      .arg(date.year(), 4, 10, QLatin1Char('0'))
                      .arg(date.month())
                      .arg(date.day());
    if (seconds != 0)
        out += QLatin1Char(' ') + timeText(seconds);
    return out;
}

Variant defaultValue(const Variant &v)
{
    const ObjectRef &object = v.object();
    if (!object)
        throw AppError(QCoreApplication::translate("log", "对象引用无效"));
    Variant value = object->invoke(DefaultMember, Invoke::PropertyGet, {});
    if (value.type() == Variant::Type::Object)
        throw AppError(QCoreApplication::translate("log", "对象没有可转换的值"));
    return value;
}

qint32 roundToInt32(double d)
{
    // Round half to even, as the platform's conversions do.
    const double r = std::nearbyint(d);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        throw AppError(QCoreApplication::translate("log", "数值超出整数范围：%1").arg(numtext::formatGeneral(d)));
    return qint32(r);
}

}

bool Variant::operator==(const Variant &o) const
{
    if (m_type != o.m_type)
        return false;
    switch (m_type) {
    case Type::Empty:
        return true;
    case Type::Boolean:
        return boolean() == o.boolean();
    case Type::Int32:
    case Type::Error:
        return m_int == o.m_int;
    case Type::Double:
    case Type::Date:
        return m_double == o.m_double;
    case Type::Text:
        return m_text == o.m_text;
    case Type::Object:
        return m_object.get() == o.m_object.get();
    case Type::Array:
        return m_array == o.m_array;
    }
    return false;
}

QString invokeName(Invoke k)
{
    switch (k) {
    case Invoke::Method:
        return QStringLiteral("method");
    case Invoke::PropertyGet:
        return QStringLiteral("get");
    case Invoke::MethodOrGet:
        return QStringLiteral("method|get");
    case Invoke::PropertyPut:
        return QStringLiteral("put");
    }
    return QStringLiteral("?");
}

Variant dispatch(Object &object, QStringView name, Invoke kind, Args args)
{
    const int id = object.memberId(name);
    if (id < 0)
        throw AppError(QCoreApplication::translate("log", "未知的名称：%1").arg(name));
    return object.invoke(id, kind, args);
}

ObjectRef toObject(const Variant &v)
{
    if (v.type() != Variant::Type::Object || !v.object())
        throw AppError(QCoreApplication::translate("log", "对象引用无效"));
    return v.object();
}

const VariantArray &toArray(const Variant &v)
{
    if (v.type() != Variant::Type::Array || !v.array())
        throw AppError(QCoreApplication::translate("log", "不是数组"));
    return *v.array();
}

QString toText(const Variant &v)
{
    switch (v.type()) {
    case Variant::Type::Empty:
        return QString();
    case Variant::Type::Boolean:
        return v.boolean() ? QStringLiteral("True") : QStringLiteral("False");
    case Variant::Type::Int32:
        return QString::number(v.integer());
    case Variant::Type::Double:
        return numtext::formatGeneral(v.number());
    case Variant::Type::Date:
        return dateText(v.number());
    case Variant::Type::Text:
        return v.text();
    case Variant::Type::Error:
        throw AppError(QCoreApplication::translate("log", "错误值无法转换为文本（%1）").arg(v.errorCode()));
    case Variant::Type::Object:
        return toText(defaultValue(v));
    case Variant::Type::Array:
        throw AppError(QCoreApplication::translate("log", "数组无法转换为文本"));
    }
    return QString();
}

qint32 toInt32Converted(const Variant &v)
{
    switch (v.type()) {
    case Variant::Type::Empty:
        return 0;
    case Variant::Type::Boolean:
        return v.boolean() ? -1 : 0;
    case Variant::Type::Int32:
        return v.integer();
    case Variant::Type::Double:
    case Variant::Type::Date:
        return roundToInt32(v.number());
    case Variant::Type::Text: {
        double d = 0;
        if (!numtext::toDouble(v.text(), &d))
            throw AppError(QCoreApplication::translate("log", "无法把“%1”转换为整数").arg(v.text()));
        return roundToInt32(d);
    }
    case Variant::Type::Error:
        throw AppError(QCoreApplication::translate("log", "错误值无法转换为整数（%1）").arg(v.errorCode()));
    case Variant::Type::Object:
        return toInt32(defaultValue(v));
    case Variant::Type::Array:
        throw AppError(QCoreApplication::translate("log", "数组无法转换为整数"));
    }
    return 0;
}

void Registry::add(const QString &className, Factory factory)
{
    remove(className);
    m_classes.emplace_back(className, std::move(factory));
}

void Registry::remove(const QString &className)
{
    for (auto it = m_classes.begin(); it != m_classes.end(); ++it) {
        if (it->first.compare(className, Qt::CaseInsensitive) == 0) {
            m_classes.erase(it);
            return;
        }
    }
}

bool Registry::contains(const QString &className) const
{
    for (const auto &entry : m_classes)
        if (entry.first.compare(className, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

ObjectRef Registry::create(const QString &className) const
{
    for (const auto &entry : m_classes) {
        if (entry.first.compare(className, Qt::CaseInsensitive) != 0)
            continue;
        ObjectRef object = entry.second ? entry.second() : ObjectRef();
        if (!object)
            throw AppError(QCoreApplication::translate("log", "无法创建对象：%1").arg(className));
        return object;
    }
    throw AppError(QCoreApplication::translate("log", "没有注册的类：%1").arg(className));
}

Registry &Registry::global()
{
    static Registry registry;
    return registry;
}

}
