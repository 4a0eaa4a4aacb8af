#include "chartwin/chartexport.h"

#include "base/apperror.h"
#include "report/reportpage.h"
#include "report/reportrender.h"

#include <QImage>
#include <QPdfWriter>
#include <QSaveFile>

namespace chartexport {

namespace {

AppError writeError(const QString &path)
{
    return AppError(QStringLiteral("Unable to write to %1").arg(path));
}

void saveImage(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (image.isNull() || !file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        throw writeError(path);
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
    saveImage(picture, path);
}

void savePagePdf(const ReportPage &page, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw writeError(path);
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("Tabrovex"));
        writer.setTitle(page.title);
        renderReport(page, writer); // a page that cannot be painted raises its own error
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw writeError(path);
}

void savePagePng(const ReportPage &page, const QString &path, int dpi)
{
    saveImage(renderReportToImage(page, dpi), path);
}

}
