#pragma once

#include <QString>
#include <QStringView>

// Number <-> text conversions used wherever the program shows, stores or reads numbers.
// The decimal separator is always "."; no locale is consulted.
namespace numtext {

// General format: the shortest text with up to 15 significant digits. Fixed notation when
// 0.00001 <= |v| < 1E15 after rounding to 15 digits, otherwise mantissa "E" exponent
// (1E20, 1.5E-7). Negative zero is "0".
QString formatGeneral(double value);

// The value formatGeneral(value) reads back as: the value rounded to 15 significant
// digits (0 for -0). What a number shown as text is worth, without making the text.
double generalValue(double value);

// Decimal text to double: blanks around it allowed, optional sign, digits with an optional
// ".", optional exponent. Nothing else converts, nor does a value outside double's range.
bool toDouble(QStringView text, double *value);
// The same rule over ASCII bytes [first, last), without building a string: for readers
// that parse numbers straight from a file's bytes.
bool toDouble(const char *first, const char *last, double *value);

// What readNumber found.
struct Reading {
    bool number = false;
    // The text had at most 15 significant digits (and was no "-0"): the value is already
    // what generalValue makes of it, so a reader can keep it as it is.
    bool ownGeneral = false;
};
// toDouble over bytes, telling also whether generalValue would change the value. With
// `commaMark` a ',' may stand instead of the '.' (still one mark at most): "1,5" and "1.5"
// are 1.5, "1,5.0" and "1,,5" are no numbers.
Reading readNumber(const char *first, const char *last, double *value, bool commaMark = false);

// Decimal text to a 32-bit integer: blanks around it allowed, optional sign.
bool toInt32(const QString &text, int *value);

}
