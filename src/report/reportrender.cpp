#include "report/reportrender.h"

#include "base/apperror.h"
#include "report/reportpage.h"
#include "report/reportunits.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <new>

namespace {

QRectF toDevice(const QRectF &tenths, qreal dpi)
{
    return QRectF(reportunits::tenthsToDevice(tenths.left(), dpi),
                  reportunits::tenthsToDevice(tenths.top(), dpi),
                  reportunits::tenthsToDevice(tenths.width(), dpi),
                  reportunits::tenthsToDevice(tenths.height(), dpi));
}

} // namespace

void renderReport(const ReportPage &page, QPagedPaintDevice &device)
{
    // The report places everything from the paper's corner itself, so the device gets
    // no margins of its own (full-page mode lets a printer accept that).
    QPageLayout layout(QPageSize(page.setup.paper), page.setup.orientation, QMarginsF(),
                       QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    if (!device.setPageLayout(layout))
        throw AppError(QStringLiteral("The printer does not accept the page size %1")
                               .arg(QPageSize(page.setup.paper).name()));

    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(QStringLiteral("Unable to start printing the page"));
    paintReport(page, painter, device.logicalDpiX());
    if (!painter.end())
        throw AppError(QStringLiteral("Unable to finish printing the page"));
}

void paintReport(const ReportPage &page, QPainter &painter, qreal dpi)
{
    const QRectF band = reportlayout::summaryRect(page);
    painter.fillRect(toDevice(band, dpi), page.summary.color);

    for (const ReportElement *element : page.summary.elements) {
        if (!element || !element->isEnabled())
            continue;
        const QRectF onPage = element->bandRect(painter).translated(band.topLeft());
        const QRectF deviceRect = toDevice(onPage, dpi);
        painter.save();
        painter.setClipRect(deviceRect);
        element->print(painter, deviceRect);
        painter.restore();
    }
}

QImage renderReportToImage(const ReportPage &page, int dpi)
{
    const QSizeF paper = reportlayout::paperSize(page.setup);
    QImage image(qRound(reportunits::tenthsToDevice(paper.width(), dpi)),
                 qRound(reportunits::tenthsToDevice(paper.height(), dpi)), QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc(); // the size is ours: only memory can be missing
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    paintReport(page, painter, dpi);
    return image;
}
