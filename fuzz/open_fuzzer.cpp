// libFuzzer entry for the whole open path of a workbook file: the bytes become a file on
// disk, which the workbook read opens through the in-process spreadsheet application into
// a column store, and the table report reads the store. Any bytes must end in a table or
// an AppError: never a crash, a hang, a leak or a read out of bounds.
#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("fuzz.xls"));
    static automation::Registry registry;
    static const bool registered = (excelapp::registerApplication(registry), true);
    (void)registered;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ColumnStore store;
    try {
        readWorkbook(path, store, registry);
        const TableReport report = reportTable(store);
        volatile qsizetype sink = report.log.size();
        for (int k = 1; k <= ColumnStore::ListCount; ++k)
            for (int i = 0; i < store.count(k) && i < 64; ++i)
                sink = sink + store.item(k, i).size();
    } catch (const AppError &) {
    }
    return 0;
}
