#include <QtTest>

#include "base/apperror.h"
#include "import/automation.h"

#include <cmath>
#include <cstdio>
#include <limits>

using automation::Invoke;
using automation::Variant;

Q_DECLARE_METATYPE(automation::Variant)

namespace {

// An object with two members that counts its releases and answers its default member
// with a value the test chooses.
class Probe : public automation::Object
{
public:
    Probe(int *destroyed, Variant value = {}) : m_destroyed(destroyed), m_value(std::move(value)) {}
    ~Probe() override { ++*m_destroyed; }

    int memberId(QStringView name) const override
    {
        if (name.compare(QLatin1String("Value"), Qt::CaseInsensitive) == 0)
            return automation::DefaultMember;
        if (name.compare(QLatin1String("Sum"), Qt::CaseInsensitive) == 0)
            return 7;
        return -1;
    }
    Variant invoke(int member, Invoke kind, automation::Args args) override
    {
        lastKind = kind;
        if (member == automation::DefaultMember)
            return m_value;
        qint32 sum = 0;
        for (const Variant &a : args)
            sum += automation::toInt32(a);
        return Variant::fromInt(sum);
    }
    Invoke lastKind = Invoke::Method;

private:
    int *m_destroyed;
    Variant m_value;
};

}

class TestAutomation : public QObject
{
    Q_OBJECT
private slots:
    void toText_data();
    void toText();
    void numbersMatchFifteenDigits();
    void toTextRaises_data();
    void toTextRaises();
    void toInt32_data();
    void toInt32();
    void dispatchByName_data();
    void dispatchByName();
    void referencesReleaseOnce();
    void registry();
};

void TestAutomation::toText_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << Variant() << "";
    QTest::newRow("0.1+0.2") << Variant::fromDouble(0.1 + 0.2) << "0.3";
    QTest::newRow("1E20") << Variant::fromDouble(1e20) << "1E20";
    QTest::newRow("1E-7") << Variant::fromDouble(1e-7) << "1E-7";
    QTest::newRow("negative zero") << Variant::fromDouble(-0.0) << "0";
    QTest::newRow("negative fraction") << Variant::fromDouble(-12.75) << "-12.75";
    QTest::newRow("int32") << Variant::fromInt(-42) << "-42";
    QTest::newRow("true") << Variant::fromBool(true) << "True";
    QTest::newRow("false") << Variant::fromBool(false) << "False";
    QTest::newRow("text as is") << Variant::fromText(" 压力 MPa ") << " 压力 MPa ";
    QTest::newRow("date") << Variant::fromDate(45000) << "2023/3/15";
    QTest::newRow("date and time") << Variant::fromDate(45000.75) << "2023/3/15 18:00:00";
    QTest::newRow("pure time") << Variant::fromDate(0.5 + 1.0 / 86400) << "12:00:01";
    QTest::newRow("midnight alone") << Variant::fromDate(0) << "0:00:00";
    QTest::newRow("time rounds to the second") << Variant::fromDate(1.0 / 3 + 0.4 / 86400) << "8:00:00";
    QTest::newRow("seconds round up") << Variant::fromDate(36526 + 59.7 / 86400) << "2000/1/1 0:01:00";
    QTest::newRow("rounding carries into the next day") << Variant::fromDate(36526.9999999) << "2000/1/2";
    QTest::newRow("first day of the epoch") << Variant::fromDate(1) << "1899/12/31";
    QTest::newRow("before the epoch with time") << Variant::fromDate(-1.25) << "1899/12/29 6:00:00";
    QTest::newRow("leap day") << Variant::fromDate(36585) << "2000/2/29";
    QTest::newRow("early year pads to four digits") << Variant::fromDate(-657434) << "0100/1/1";
    QTest::newRow("last day") << Variant::fromDate(2958465.5) << "9999/12/31 12:00:00";
    QTest::newRow("object through its value") << Variant() << "__probe__";
}

void TestAutomation::toText()
{
    QFETCH(Variant, value);
    QFETCH(QString, text);
    int destroyed = 0;
    if (text == "__probe__") {
        value = Variant::fromObject(automation::makeObject<Probe>(&destroyed, Variant::fromDouble(2.5)));
        text = "2.5";
    }
    QCOMPARE(automation::toText(value), text);
}

// Cell numbers come in every shape; in the fixed range their text must be the value
// rounded to 15 significant digits without trailing zeros, whatever path formats it.
void TestAutomation::numbersMatchFifteenDigits()
{
    QRandomGenerator random(20240611);
    for (int i = 0; i < 200000; ++i) {
        double v;
        switch (i % 4) {
        case 0: // few decimals, as measured data usually has
            v = double(random.bounded(2000000000)) / std::pow(10.0, random.bounded(8)) - 1000;
            break;
        case 1: // integers up to the 15-digit limit
            v = std::floor(random.generateDouble() * 999999999999999.0);
            break;
        case 2: // arbitrary doubles
            v = (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(14));
            break;
        default: // results of arithmetic, like 0.1 + 0.2
            v = double(random.bounded(100000)) * 0.1 + double(random.bounded(1000)) * 0.01;
            break;
        }
        if (std::fabs(v) < 1e-4 || std::fabs(v) >= 1e15)
            continue;
        char expected[40];
        std::snprintf(expected, sizeof expected, "%.15g", v);
        const QString text = automation::toText(Variant::fromDouble(v));
        if (text != QLatin1String(expected))
            QFAIL(qPrintable(QStringLiteral("%1: %2 instead of %3").arg(v, 0, 'g', 17).arg(text, expected)));
    }
}

void TestAutomation::toTextRaises_data()
{
    QTest::addColumn<Variant>("value");
    QTest::newRow("error value") << Variant::fromError(automation::sheetErrorCode(7));
    QTest::newRow("date before year 100") << Variant::fromDate(-657435);
    QTest::newRow("date after year 9999") << Variant::fromDate(2958466);
    QTest::newRow("date not a number") << Variant::fromDate(std::nan(""));
    QTest::newRow("object holding an error") << Variant();
    QTest::newRow("null object") << Variant::fromObject(automation::ObjectRef());
}

void TestAutomation::toTextRaises()
{
    QFETCH(Variant, value);
    int destroyed = 0;
    if (QByteArray(QTest::currentDataTag()) == "object holding an error")
        value = Variant::fromObject(automation::makeObject<Probe>(&destroyed, Variant::fromError(5)));
    QVERIFY_THROWS_EXCEPTION(AppError, automation::toText(value));
}

void TestAutomation::toInt32_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("result");
    QTest::newRow("int") << Variant::fromInt(65536) << true << 65536;
    QTest::newRow("double") << Variant::fromDouble(12.0) << true << 12;
    QTest::newRow("half rounds to even down") << Variant::fromDouble(2.5) << true << 2;
    QTest::newRow("half rounds to even up") << Variant::fromDouble(3.5) << true << 4;
    QTest::newRow("negative half") << Variant::fromDouble(-2.5) << true << -2;
    QTest::newRow("true is -1") << Variant::fromBool(true) << true << -1;
    QTest::newRow("empty is 0") << Variant() << true << 0;
    QTest::newRow("numeric text") << Variant::fromText(" 17 ") << true << 17;
    QTest::newRow("upper limit") << Variant::fromDouble(2147483647.0) << true << 2147483647;
    QTest::newRow("above the limit") << Variant::fromDouble(2147483648.0) << false << 0;
    QTest::newRow("below the limit") << Variant::fromDouble(-2147483649.0) << false << 0;
    QTest::newRow("nan") << Variant::fromDouble(std::nan("")) << false << 0;
    QTest::newRow("infinite") << Variant::fromDouble(std::numeric_limits<double>::infinity()) << false << 0;
    QTest::newRow("word") << Variant::fromText("rows") << false << 0;
    QTest::newRow("error") << Variant::fromError(7) << false << 0;
}

void TestAutomation::toInt32()
{
    QFETCH(Variant, value);
    QFETCH(bool, ok);
    QFETCH(int, result);
    if (ok)
        QCOMPARE(automation::toInt32(value), result);
    else
        QVERIFY_THROWS_EXCEPTION(AppError, automation::toInt32(value));
}

void TestAutomation::dispatchByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("known");
    QTest::newRow("as declared") << "Sum" << true;
    QTest::newRow("lower case") << "sum" << true;
    QTest::newRow("upper case") << "SUM" << true;
    QTest::newRow("prefix only") << "Su" << false;
    QTest::newRow("longer") << "Sums" << false;
    QTest::newRow("empty") << "" << false;
}

void TestAutomation::dispatchByName()
{
    QFETCH(QString, name);
    QFETCH(bool, known);
    int destroyed = 0;
    auto probe = automation::makeObject<Probe>(&destroyed);
    if (known) {
        const Variant r = automation::dispatch(*probe, name, Invoke::MethodOrGet,
                                               {Variant::fromInt(2), Variant::fromDouble(3)});
        QCOMPARE(r, Variant::fromInt(5));
        QCOMPARE(probe->lastKind, Invoke::MethodOrGet);
    } else {
        try {
            automation::dispatch(*probe, name, Invoke::Method);
            QFAIL("an unknown name was accepted");
        } catch (const AppError &e) {
            QVERIFY2(e.message().endsWith(name), qPrintable(e.message()));
        }
    }
}

void TestAutomation::referencesReleaseOnce()
{
    int destroyed = 0;
    {
        automation::ObjectRef a = automation::makeObject<Probe>(&destroyed);
        QCOMPARE(a->refCount(), 1);
        {
            Variant held = Variant::fromObject(a);
            automation::ObjectRef b = automation::toObject(held);
            QCOMPARE(a->refCount(), 3);
            automation::ObjectRef moved = std::move(b);
            QCOMPARE(a->refCount(), 3);
            QVERIFY(!b);
        }
        QCOMPARE(a->refCount(), 1);
        QCOMPARE(destroyed, 0);
        a = automation::ObjectRef(); // the last reference goes by assignment
        QCOMPARE(destroyed, 1);
    }
    QCOMPARE(destroyed, 1);
}

void TestAutomation::registry()
{
    int destroyed = 0;
    automation::Registry registry;
    QVERIFY_THROWS_EXCEPTION(AppError, registry.create("Excel.Application"));
    registry.add("Excel.Application",
                 [&destroyed] { return automation::ObjectRef(automation::makeObject<Probe>(&destroyed)); });
    QVERIFY(registry.contains("excel.application"));
    {
        automation::ObjectRef first = registry.create("EXCEL.APPLICATION");
        automation::ObjectRef second = registry.create("Excel.Application");
        QVERIFY(first.get() != second.get()); // a fresh object per creation
    }
    QCOMPARE(destroyed, 2);
    registry.remove("Excel.application");
    QVERIFY(!registry.contains("Excel.Application"));
    QVERIFY_THROWS_EXCEPTION(AppError, registry.create("Excel.Application"));
}

QTEST_GUILESS_MAIN(TestAutomation)
#include "tst_automation.moc"
