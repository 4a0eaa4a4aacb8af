#include "report/chartexport.h"

#include "base/apperror.h"
#include "base/safewrite.h"
#include "report/reportpage.h"
#include "report/reportrender.h"

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>

#include <new>

namespace chartexport {

namespace {

// The encoded picture; empty for a null picture. Encoding into memory fails only when the
// memory runs out, which is said as such, not blamed on the file.
QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly))
        return QByteArray();
    if (!image.save(&buffer, "PNG"))
        throw std::bad_alloc();
    return bytes;
}

void write(const QString &path, const QByteArray &bytes)
{
    if (bytes.isEmpty() || !safewrite::writeFile(path, bytes))
        throw AppError(safewrite::unableToWrite(path));
}

}

Format formatOf(const QString &path)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return Format::Png;
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return Format::Pdf;
    return Format::Unknown;
}

QString extensionOf(Format format)
{
    switch (format) {
    case Format::Png:
        return QStringLiteral(".png");
    case Format::Pdf:
        return QStringLiteral(".pdf");
    case Format::Unknown:
        break;
    }
    return QString();
}

void savePicturePng(const QImage &picture, const QString &path)
{
    write(path, png(picture));
}

void savePagePdf(const ReportPage &page, const QString &path, int dpi)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        throw AppError(safewrite::unableToWrite(path));
    {
        // The document is complete once the writer is gone.
        QPdfWriter writer(&buffer);
        writer.setResolution(dpi);
        writer.setCreator(QStringLiteral("Tabrovex"));
        writer.setTitle(page.title);
        renderReport(page, writer);
    }
    write(path, bytes);
}

void savePagePng(const ReportPage &page, const QString &path, int dpi)
{
    write(path, png(renderReportToImage(page, dpi)));
}

}
