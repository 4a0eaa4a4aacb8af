// libFuzzer entry for the opener and the readers of the other formats: zip packages
// (Office Open XML, OpenDocument) with their XML parts, and delimited text. Any bytes must
// give a workbook or an AppError, never a crash, a hang or a read out of bounds. Build with
// -DTABROVEX_FUZZ=ON and clang; run seeded with .xlsx, .ods and .csv files.
#include "base/apperror.h"
#include "workbook/open.h"

#include <QByteArray>
#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    try {
        const auto book = workbook::openBytes(bytes, QStringLiteral("fuzz.xlsx"));
        const workbook::Worksheet &ws = book->firstSheet;
        volatile int sink = 0;
        const int last = std::min(ws.usedRowCount() + 30, 200);
        for (int r = 1; r <= last; ++r)
            for (int c = 1; c <= 32; ++c)
                sink = sink + int(ws.cell(r, c).type) + int(ws.cell(r, c).text.size());
    } catch (const AppError &) {
    }
    return 0;
}
