// Helper of tst_hostile: reads one workbook the way the program does (the workbook read
// into a column store, then the table report) and prints the outcome, so the test can run
// it in a child process under a memory limit and measure it.
//
//   hostile_probe PATH   prints the log lines, "last=" item 1's last text and "chars=" the
//                        characters the store keeps; or "error: " and the message.
#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 64;
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ColumnStore store;
    QString out;
    try {
        const ReadResult read = readWorkbook(QString::fromLocal8Bit(argv[1]), store, registry);
        if (!read.connected)
            out = QStringLiteral("error: ") + read.message;
        else {
            const TableReport report = reportTable(store);
            out = report.log.join(QLatin1Char('\n'));
            if (store.count(1) > 0)
                out += QStringLiteral("\nlast=") + store.item(1, store.count(1) - 1).left(20);
            out += QStringLiteral("\nchars=%1").arg(store.textChars());
        }
    } catch (const AppError &e) {
        out = QStringLiteral("error: ") + e.message();
    }
    const QByteArray bytes = out.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}
