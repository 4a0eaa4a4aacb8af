#pragma once

#include <QByteArray>

// One pass over the bytes of a text file without a UTF-16 or UTF-32 mark, before any of it
// is parsed: where the first NUL is that no text holds, and whether the bytes are UTF-8. Both
// answers come from the same pass over the memory, and a long file is split in two halves
// read side by side on the machine's two cores.
namespace textsurvey {

struct Survey {
    qsizetype binaryAt = -1; // the first NUL that is not a logger's stray byte, or -1
    bool utf8 = true;        // well-formed UTF-8 as Qt's decoder takes it (NULs included)
};

// Bytes below this are surveyed on the calling thread alone.
constexpr qsizetype SplitFrom = qsizetype(1) << 20;

// A lone NUL right after a line break: a logger's stray byte (PicoLog writes them), which
// the read drops and tells of.
bool strayNulAt(const char *data, qsizetype size, qsizetype at);

// With `checkUtf8` false only the NUL is looked for (utf8 then stays true). A cancelled read
// stops within 64 KB, also while the other half is still being read.
Survey survey(const QByteArray &bytes, bool checkUtf8 = true, qsizetype splitFrom = SplitFrom);

}
