#include "report/reportimageitem.h"

#include "report/reportimage.h"
#include "report/reportunits.h"

#include <QPaintDevice>
#include <QPainter>

bool ReportImageItem::isEnabled() const
{
    return m_image.Enabled;
}

QRectF ReportImageItem::bandRect() const
{
    return QRectF(reportunits::pixelsToTenths(m_image.Left), reportunits::pixelsToTenths(m_image.Top),
                  reportunits::pixelsToTenths(m_image.Width), reportunits::pixelsToTenths(m_image.Height));
}

QRectF ReportImageItem::bandRect(const QPainter &) const
{
    return bandRect();
}

void ReportImageItem::print(QPainter &painter, const QRectF &deviceRect) const
{
    if (!m_image.hasPicture())
        return;
    const QImage &picture = m_image.picture();
    const qreal scale = painter.device()->logicalDpiX() / reportunits::designDpi;
    const QRectF target(deviceRect.topLeft(), QSizeF(picture.width() * scale, picture.height() * scale));
    // Chart pixels must stay sharp lines of their exact colour on paper: no smoothing when
    // scaled up, and no lossy (JPEG) compression in a PDF.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(target, picture);
}
