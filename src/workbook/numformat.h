#pragma once

#include <QString>

// Whether a cell's number format shows the number as a date or time.
namespace workbook {

// Built-in format ids (no FORMAT record in the file) that are dates or times. Besides the
// international ones (14-22, 45-47), the East Asian ids 27-36 and 50-58 are dates in the
// Chinese, Japanese and Korean versions, which write them without a FORMAT record.
bool isBuiltinDateFormat(int formatId);

// A format code is a date/time when, outside quoted text, escapes and fill/space marks, it
// has one of the letters d m y h s; bracketed parts count only as elapsed time ([h], [mm],
// [ss]), not as colours, conditions or locale tags ([Red], [>=100], [$-804]).
bool isDateFormatCode(const QString &code);

}
