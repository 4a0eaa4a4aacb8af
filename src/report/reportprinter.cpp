#include "report/reportprinter.h"

#include "base/apperror.h"
#include "report/reportpage.h"
#include "report/reportrender.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <cups/cups.h>

int printReport(const ReportPage &page, QString *printer)
{
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull())
        return 0;

    // The page is rendered to a PDF file first and handed to the print system here,
    // rather than by QPrinter itself: QPrinter drops the answer of the print system, so
    // a refused job (queue stopped, not accepting, server gone) would look printed.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw AppError(QStringLiteral("Unable to create a temporary folder for printing"));
    const QString file = dir.filePath(QStringLiteral("page.pdf"));

    {
        QPrinter printer(target, QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setDocName(page.title);
        printer.setCreator(QStringLiteral("Tabrovex"));
        renderReport(page, printer);
        if (printer.printerState() == QPrinter::Error)
            throw AppError(QStringLiteral("Unable to print the page on %1")
                                   .arg(target.printerName()));
    }

    const QByteArray printerName = target.printerName().toLocal8Bit();
    const QByteArray title = page.title.toLocal8Bit();
    // The PDF page is already landscape when the report is; "media" lets the queue pick
    // the right paper. One copy, one-sided.
    const QByteArray media = QPageSize(page.setup.paper).key().toLocal8Bit();
    cups_option_t *options = nullptr;
    int optionCount = cupsAddOption("media", media.constData(), 0, &options);
    optionCount = cupsAddOption("sides", "one-sided", optionCount, &options);
    const int job = cupsPrintFile(printerName.constData(), file.toLocal8Bit().constData(),
                                  title.constData(), optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (job == 0)
        throw AppError(QStringLiteral("Unable to print on %1: %2")
                               .arg(target.printerName(),
                                    QString::fromLocal8Bit(cupsLastErrorString())));
    if (printer)
        *printer = target.printerName();
    return job;
}
