#pragma once

#include <cstddef>

// The quick reading of the records most long logs are made of: a plain number in every
// field (numtext::readPlainNumber, base/plainnumber.h), `width` fields, nothing else on the line.
namespace numberrecord {

// The widest record read this way.
constexpr std::size_t MaxWidth = 64;

// Reads the record at `at` into values[0 .. width): true with *lineEnd at the CR or LF that
// ends it (or at `end`). False for any other record (an empty field, a text, a quote,
// blanks, another number of fields, a number readPlainNumber leaves alone): the caller reads
// it the long way. `separator` must be no byte a number holds, and not ',' with `commaMark`.
bool read(const char *at, const char *end, char separator, bool commaMark, std::size_t width, double *values,
          const char **lineEnd);

}
