#pragma once

#include "workbook/workbook.h"

#include <QByteArray>

#include <memory>

// Delimited text (.csv, .txt, data loggers' files under any name): UTF-8 with or without a
// byte-order mark, UTF-16 with one, else GB18030; the separator sniffed among comma,
// semicolon and tab; quoted fields with doubled quotes and line breaks. A field that
// converts by the program's text-to-number rule is a number, any other is text as written.
namespace csv {

// Whether the bytes look like text: no NUL byte at the start, unless after a UTF-16 mark.
bool looksLikeText(const QByteArray &bytes);

std::unique_ptr<workbook::Workbook> readDelimitedText(const QByteArray &bytes);

// The separator the reader would use for `text`: ',', ';' or '\t'.
QChar sniffSeparator(QStringView text);

// The text of the bytes in the encoding the reader picks.
QString decodeText(const QByteArray &bytes);

}
