// Helper of tst_hostile: reads one workbook the way the program does (the workbook read
// into a column store, then the table report) and prints the outcome, so the test can run
// it in a child process under a memory limit and measure it.
//
//   hostile_probe PATH   prints the log lines, "last=" item 1's last text and "chars=" the
//                        characters the store keeps; or "error: " and the message.
//   hostile_probe PATH CHANGE
//                        opens PATH and, once it is mapped and before it is read, changes
//                        it: "truncate" to half, "empty" to nothing, "delete", "replace"
//                        (a new file renamed over it), "append" (a line more); prints
//                        "rows=" the used rows, or "error: " and the message.
#include "base/apperror.h"
#include "import/automation.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "workbook/open.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

void change(const QString &path, const QByteArray &how)
{
    const QByteArray native = QFile::encodeName(path);
    if (how == "truncate" || how == "empty") {
        const off_t size = how == "empty" ? 0 : QFileInfo(path).size() / 2;
        if (::truncate(native.constData(), size) != 0)
            std::abort();
    } else if (how == "delete") {
        QFile::remove(path);
    } else if (how == "replace") {
        QFile other(path + QLatin1String(".new"));
        if (!other.open(QIODevice::WriteOnly) || other.write("a,b\nu,u\n1,2\n") < 0)
            std::abort();
        other.close();
        if (::rename(QFile::encodeName(other.fileName()).constData(), native.constData()) != 0)
            std::abort();
    } else if (how == "append") {
        QFile file(path);
        if (!file.open(QIODevice::Append) || file.write("7,7\n") < 0)
            std::abort();
    }
}

QString openChanged(const QString &path, const QByteArray &how)
{
    try {
        const auto book = workbook::openFile(path, [&] { change(path, how); });
        return QStringLiteral("rows=%1").arg(book->firstSheet.usedRowCount());
    } catch (const AppError &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

}

int main(int argc, char *argv[])
{
    if (argc == 3) {
        const QByteArray bytes = openChanged(QString::fromLocal8Bit(argv[1]), argv[2]).toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return 0;
    }
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
            const TableReport report = reportTable(store, read.notes);
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
