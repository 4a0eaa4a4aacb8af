#include <QtTest>

#include "base/numtext.h"
#include "base/plainnumber.h"

#include <QProcess>
#include <QTemporaryDir>

#include <charconv>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

class TestNumText : public QObject
{
    Q_OBJECT
private slots:
    void formatGeneral_data();
    void formatGeneral();
    void generalValueReadsBack();
    void toDouble_data();
    void toDouble();
    void bytesAgreeWithRule_data();
    void bytesAgreeWithRule();
    void bytesAgreeOnGeneratedForms();
    void readNumberMatchesFromChars_data();
    void readNumberMatchesFromChars();
    void readNumberOnRandomTexts();
    void commaMark_data();
    void commaMark();
    void toInt32_data();
    void toInt32();
    void decimalCommaLocale();
};

void TestNumText::formatGeneral_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("integer") << 1000.0 << "1000";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("negative") << -3.25 << "-3.25";
    QTest::newRow("0.1+0.2 rounds to 15 digits") << (0.1 + 0.2) << "0.3";
    QTest::newRow("1E20") << 1e20 << "1E20";
    QTest::newRow("1.5E-7") << 1.5e-7 << "1.5E-7";
    QTest::newRow("1E-7") << 1e-7 << "1E-7";
    QTest::newRow("smallest fixed") << 0.00001 << "0.00001";
    QTest::newRow("below smallest fixed") << 0.000009 << "9E-6";
    QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("rounds up to 1E15") << 999999999999999.9 << "1E15";
    QTest::newRow("15 digits kept") << 123456.789012345 << "123456.789012345";
    QTest::newRow("16th digit rounded") << 0.12345678901234567 << "0.123456789012346";
    QTest::newRow("negative exponent form") << -2.5e-9 << "-2.5E-9";
    QTest::newRow("big exponent") << 1.7976931348623157e308 << "1.79769313486232E308";
}

void TestNumText::formatGeneral()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(numtext::formatGeneral(value), text);
}

// The value a number's text reads back as, without the text: equal to formatting and
// reading for the table above and for generated values of every size and precision.
void TestNumText::generalValueReadsBack()
{
    QVector<double> values{0.0, -0.0, 0.1 + 0.2, 62.123, 1.0 / 3, 1e20, 1.5e-7, 999999999999999.9,
                           0.12345678901234567, 123456789012345678.0, -2.5e-9, 1e-310};
    std::mt19937_64 random(18);
    for (int i = 0; i < 200000; ++i) {
        const double scale = std::pow(10.0, int(random() % 40) - 20);
        const double v = double(std::int64_t(random() >> 11)) / double(1ull << 53) * scale;
        // Every other value rounded to a few decimals, as measured data is.
        values << ((i & 1) ? std::round(v * 1000) / 1000 : -v);
    }
    for (double v : values) {
        double back = 0;
        QVERIFY(numtext::toDouble(numtext::formatGeneral(v), &back));
        const double got = numtext::generalValue(v);
        QVERIFY2(got == back && !std::signbit(got) == !std::signbit(back),
                 qPrintable(QStringLiteral("%1: %2 against %3").arg(v, 0, 'g', 17).arg(got, 0, 'g', 17).arg(back, 0, 'g', 17)));
    }
}

void TestNumText::toDouble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "42" << true << 42.0;
    QTest::newRow("blanks around") << "  -1.5  " << true << -1.5;
    QTest::newRow("plus sign") << "+7" << true << 7.0;
    QTest::newRow("exponent") << "1E3" << true << 1000.0;
    QTest::newRow("negative exponent") << "2.5e-2" << true << 0.025;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("comma") << "1,5" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("exponent without digits") << "1E" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("overflow") << "1E400" << false << 0.0;
    QTest::newRow("trailing text") << "12kg" << false << 0.0;
    QTest::newRow("inner blank") << "1 2" << false << 0.0;
}

void TestNumText::toDouble()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double v = -123;
    QCOMPARE(numtext::toDouble(text, &v), ok);
    if (ok)
        QCOMPARE(v, value);
    else
        QCOMPARE(v, -123.0);
}

// The byte parse of the readers must take exactly what the text rule takes, bit for bit.
void TestNumText::bytesAgreeWithRule_data()
{
    QTest::addColumn<QByteArray>("text");
    const char *forms[] = {
        "0", "-0", "+0", "42", " 5 ", "  -1.5  ", "+.5", "-.5", "5.", ".", "-", "+", "",
        "   ", "1e308", "1e309", "-1e309", "1.7976931348623157e308", "1.7976931348623159e308",
        "1e-308", "4.9e-324", "2e-324", "1e-400", "-1e-400", "1,5", "0x10", "inf", "-inf",
        "nan", "NaN", "infinity", "1_000", "1 000", "1.2.3", "1e", "1e+", "1e-", "e5", ".e5",
        "1E5", "1e+05", "2.5e-2", "00012", "0.000", "12kg", "\t5", "5\t", "1d5", "--1", "+-1",
        "1.", "1.e3", ".5e-3", "123456789012345678901234567890",
        "0.1000000000000000055511151231257827021181583404541015625",
        "9007199254740993", "2.2250738585072011e-308", "1.00000000000000011102230246251565404",
        "0000000000000000000000000000000000000000000000000000000000000000000001",
        "1e00000000000000000000000000000000000000000000000000000000000000000005"};
    for (const char *f : forms)
        QTest::newRow(f) << QByteArray(f);
    QTest::newRow("digits over 64 chars")
        << QByteArray(200, '7') + ".5";
}

static void compareBytesWithRule(const QByteArray &text)
{
    double byRule = -123, byBytes = -123;
    const bool okRule = numtext::toDouble(QString::fromLatin1(text), &byRule);
    const bool okBytes = numtext::toDouble(text.constData(), text.constData() + text.size(), &byBytes);
    QVERIFY2(okRule == okBytes, text.constData());
    if (!okRule)
        QCOMPARE(byBytes, -123.0);
    else
        QVERIFY2(std::memcmp(&byRule, &byBytes, sizeof(double)) == 0, text.constData());
}

void TestNumText::bytesAgreeWithRule()
{
    QFETCH(QByteArray, text);
    compareBytesWithRule(text);
}

// Random texts made of the characters numbers are made of, in any order.
void TestNumText::bytesAgreeOnGeneratedForms()
{
    const char alphabet[] = "0123456789.+-eE ,x";
    quint32 seed = 4711;
    auto next = [&seed] { seed = seed * 1664525u + 1013904223u; return seed >> 8; };
    for (int n = 0; n < 200000; ++n) {
        QByteArray text;
        const int length = int(next() % 24);
        for (int i = 0; i < length; ++i)
            text += alphabet[next() % (sizeof alphabet - 1)];
        compareBytesWithRule(text);
        if (QTest::currentTestFailed())
            return;
    }
}

// The value std::from_chars gives for a number of the accepted shape (',' read as '.'),
// the C library's past double's range: what the readers took before the digits were
// gathered on the way.
static bool referenceValue(QByteArray text, double *value)
{
    text = text.trimmed();
    text.replace(',', '.');
    const char *first = text.constData();
    const char *last = first + text.size();
    const bool negative = first < last && *first == '-';
    if (first < last && (*first == '-' || *first == '+'))
        ++first;
    double v = 0;
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        return numtext::toDouble(QString::fromLatin1(text), value);
    if (r.ec != std::errc() || r.ptr != last)
        return false;
    *value = negative ? -v : v;
    return true;
}

// Compares readNumber with the reference, and checks that a value it calls its own general
// rounding is one.
static void compareWithReference(const QByteArray &text, bool commaMark)
{
    double expected = -123, got = -123;
    const bool ok = referenceValue(text, &expected);
    const numtext::Reading reading =
        numtext::readNumber(text.constData(), text.constData() + text.size(), &got, commaMark);
    QVERIFY2(reading.number == ok, text.constData());
    if (!ok)
        return;
    QVERIFY2(std::memcmp(&expected, &got, sizeof got) == 0,
             qPrintable(QStringLiteral("%1: %2 instead of %3").arg(QString::fromLatin1(text)).arg(got, 0, 'g', 17).arg(expected, 0, 'g', 17)));
    if (reading.ownGeneral) {
        const double general = numtext::generalValue(got);
        QVERIFY2(std::memcmp(&general, &got, sizeof got) == 0, text.constData());
    }
    // The quick reader takes a plain number whole, to the same bits; it takes nothing
    // readNumber does not call its own.
    int digits = 0;
    for (char c : text)
        digits += c >= '0' && c <= '9';
    const bool plain = digits <= 15 && !text.contains(' ') && !text.contains('e') && !text.contains('E')
        && !(text.startsWith('-') && expected == 0);
    // Alone, and followed by a field with enough bytes behind it for the 16-byte reading.
    for (const QByteArray &field : {text, text + ";7", text + ";7" + QByteArray(16, 'x')}) {
        double quick = -123;
        const char *stop = numtext::readPlainNumber(field.constData(), field.constData() + field.size(), &quick, commaMark);
        QVERIFY2((stop == field.constData() + text.size()) == plain, field.constData());
        if (stop == field.constData() + text.size())
            QVERIFY2(reading.ownGeneral
                         && std::memcmp(&quick, &got, sizeof got) == 0, field.constData());
    }
}

void TestNumText::readNumberMatchesFromChars_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ownGeneral");
    const struct {
        const char *text;
        bool own;
    } rows[] = {
        {"0", true}, {"-0", false}, {"+0.000", true}, {"-0.0e5", false}, {"0e999999", true},
        {".5", true}, {"5.", true}, {"+5", true}, {"  12.5  ", true}, {"000123.4500", true},
        {"0.1", true}, {"0.3", true}, {"4.35", true}, {"1000.25", true}, {"-273.15", true},
        {"123456789012345", true}, {"1.23456789012345", true}, {"0.000000123456789012345", true},
        {"1234567890123456", false}, {"9007199254740992", false}, {"9007199254740993", false},
        {"12345678901234567890", false}, {"123456789012345678901234", false},
        {"1e22", true}, {"1e23", false}, {"1.5e-21", true}, {"1.5e-22", false}, {"1e-23", false}, {"123456789012345e-22", true},
        {"9.99999999999999e22", true}, {"1E+05", true}, {"2.5e-2", true}, {"1e0000000000000000000000005", true},
        {"1e308", false}, {"1.7976931348623157e308", false}, {"4.9e-324", false}, {"1e-400", false},
        {"0.1000000000000000055511151231257827021181583404541015625", false},
        {"00000000000000000000000000000000000000000001.5", true}};
    for (const auto &row : rows)
        QTest::newRow(row.text) << QByteArray(row.text) << row.own;
}

void TestNumText::readNumberMatchesFromChars()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ownGeneral);
    compareWithReference(text, false);
    double v = 0;
    QCOMPARE(numtext::readNumber(text.constData(), text.constData() + text.size(), &v).ownGeneral, ownGeneral);
    QByteArray comma = text;
    comma.replace('.', ',');
    compareWithReference(comma, true);
}

// Millions of numbers of every shape, made at run time: random digits, many decimals, 15 to
// 19 digits and more, exponents, signs, leading zeros, a bare mark at either end, blanks.
void TestNumText::readNumberOnRandomTexts()
{
    std::mt19937_64 random(20261210);
    const auto below = [&random](unsigned n) { return unsigned(random() % n); };
    for (int n = 0; n < 3000000; ++n) {
        QByteArray text;
        if (below(8) == 0)
            text += ' ';
        switch (below(4)) {
        case 0: text += '-'; break;
        case 1: if (below(4) == 0) text += '+'; break;
        default: break;
        }
        for (unsigned z = below(6) == 0 ? below(4) : 0; z > 0; --z)
            text += '0';
        const int digits = below(3) == 0 ? 1 + int(below(24)) : 13 + int(below(8));
        const int point = int(below(unsigned(digits) + 2)) - 1; // -1: no mark
        for (int i = 0; i < digits; ++i) {
            if (i == point)
                text += '.';
            text += char('0' + below(10));
        }
        if (point == digits)
            text += '.';
        if (below(4) == 0) {
            text += below(2) ? 'e' : 'E';
            const unsigned sign = below(3);
            if (sign)
                text += sign == 1 ? '-' : '+';
            text += QByteArray::number(below(5) == 0 ? below(400) : below(30));
        }
        if (below(8) == 0)
            text += ' ';
        const bool comma = below(4) == 0;
        if (comma)
            text.replace('.', ',');
        compareWithReference(text, comma);
        if (QTest::currentTestFailed())
            return;
    }
}

// Either mark with commaMark, the point alone without; one mark at most.
void TestNumText::commaMark_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("commaMark");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("comma") << QByteArray("1,5") << true << true << 1.5;
    QTest::newRow("point with comma mark") << QByteArray("1.5") << true << true << 1.5;
    QTest::newRow("comma without comma mark") << QByteArray("1,5") << false << false << 0.0;
    QTest::newRow("comma then point") << QByteArray("1,5.0") << true << false << 0.0;
    QTest::newRow("point then comma") << QByteArray("1.5,0") << true << false << 0.0;
    QTest::newRow("two commas") << QByteArray("1,,5") << true << false << 0.0;
    QTest::newRow("thousands") << QByteArray("1.234,5") << true << false << 0.0;
    QTest::newRow("bare comma") << QByteArray(",") << true << false << 0.0;
    QTest::newRow("leading comma") << QByteArray(" -,125 ") << true << true << -0.125;
    QTest::newRow("trailing comma") << QByteArray("5,") << true << true << 5.0;
    QTest::newRow("comma exponent") << QByteArray("1,5E3") << true << true << 1500.0;
    QTest::newRow("comma in exponent") << QByteArray("1e3,5") << true << false << 0.0;
    QTest::newRow("long comma") << QByteArray("0,1000000000000000055511151231257827021181583404541015625") << true << true << 0.1;
}

void TestNumText::commaMark()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, commaMark);
    QFETCH(bool, number);
    QFETCH(double, value);
    double v = -1;
    QCOMPARE(numtext::readNumber(text.constData(), text.constData() + text.size(), &v, commaMark).number, number);
    if (number)
        QCOMPARE(v, value);
}

void TestNumText::toInt32_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "65280" << true << 65280;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("blanks") << " 12 " << true << 12;
    QTest::newRow("max") << "2147483647" << true << 2147483647;
    QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("too big") << "2147483648" << false << 0;
    QTest::newRow("far too big") << "99999999999999999999" << false << 0;
    QTest::newRow("fraction") << "1.5" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void TestNumText::toInt32()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int v = -123;
    QCOMPARE(numtext::toInt32(text, &v), ok);
    if (ok)
        QCOMPARE(v, value);
}

// A user whose locale writes "1,5" still gets "." both ways: the program's files and
// workbooks must not change meaning with the desktop's language.
void TestNumText::decimalCommaLocale()
{
    QTemporaryDir dir;
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                                  QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
        QSKIP("localedef cannot build a decimal-comma locale here (package locales missing?)");
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    QVERIFY(setlocale(LC_NUMERIC, "de_DE.UTF-8"));
    struct Restore {
        ~Restore() { setlocale(LC_NUMERIC, "C"); qunsetenv("LOCPATH"); }
    } restore;
    QCOMPARE(QByteArray(localeconv()->decimal_point), QByteArray(","));

    double v = 0;
    QVERIFY(numtext::toDouble(QStringLiteral("1.5"), &v));
    QCOMPARE(v, 1.5);
    QVERIFY(numtext::toDouble(QStringLiteral("-2.5E-3"), &v));
    QCOMPARE(v, -0.0025);
    QVERIFY(!numtext::toDouble(QStringLiteral("1,5"), &v));
    QCOMPARE(numtext::formatGeneral(1.5), QStringLiteral("1.5"));
    QCOMPARE(numtext::formatGeneral(0.1 + 0.2), QStringLiteral("0.3"));
    QCOMPARE(numtext::formatGeneral(1.25e-7), QStringLiteral("1.25E-7"));
    QCOMPARE(numtext::formatGeneral(123456.789012345678), QStringLiteral("123456.789012346"));
}

QTEST_APPLESS_MAIN(TestNumText)
#include "tst_numtext.moc"
