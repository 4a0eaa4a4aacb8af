#pragma once

#include <string>
#include <vector>

// Columns lined up by runs of blanks, as small loggers and old instruments print them:
// taken when no comma, semicolon or tab separates the table.
namespace spacealigned {

// Whether most of the first lines split into the same number (two or more) of fields at
// runs of blanks.
bool looksAligned(const char *begin, const char *end);

// Reads one line into `fields` (split at runs of blanks and tabs, leading and trailing
// ones ignored) and moves `p` past its end (CR, LF or CR LF); false at the end.
bool nextLine(const char *&p, const char *end, std::vector<std::string> &fields);

}
