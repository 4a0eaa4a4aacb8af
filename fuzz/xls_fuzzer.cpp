// libFuzzer entry: any bytes must give a workbook or an AppError, never a crash, a hang or
// a read out of bounds. Build with -DTABROVEX_FUZZ=ON and clang; run seeded with .xls files.
#include "base/apperror.h"
#include "workbook/xls/xlsreader.h"

#include <QByteArray>
#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    try {
        const auto book = xls::readWorkbookBytes(bytes, QStringLiteral("fuzz.xls"));
        const workbook::Worksheet &ws = book->firstSheet;
        volatile int sink = 0;
        const int last = std::min(ws.lastRow(), ws.firstRow() + 100);
        for (int r = ws.firstRow(); r <= last; ++r)
            for (int c = 1; c <= 32; ++c)
                sink = sink + int(ws.cell(r, c).type) + int(ws.cell(r, c).text.size());
    } catch (const AppError &) {
    }
    return 0;
}
