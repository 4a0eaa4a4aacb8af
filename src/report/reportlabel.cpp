#include "report/reportlabel.h"

#include "report/reportunits.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace {

QFont labelFont(const ReportLabel &label, QPaintDevice *device)
{
    QFont font(label.fontFamily);
    font.setPointSizeF(label.fontPointSize);
    // Measure and draw at the device's resolution, not the screen's.
    return device ? QFont(font, device) : font;
}

} // namespace

int ReportLabel::textFlags() const
{
    int flags = int(alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
    if (wordWrap)
        flags |= Qt::TextWordWrap;
    return flags;
}

QRectF ReportLabel::bandRect(const QPainter &painter) const
{
    if (!autoSize)
        return QRectF(left, top, width, height);

    // A self-sizing label grows to its text; with word wrap it keeps its width and only
    // its height follows the wrapped lines.
    QPaintDevice *device = painter.device();
    const qreal dpi = device ? device->logicalDpiY() : reportunits::designDpi;
    const QFontMetricsF metrics(labelFont(*this, device), device);
    const auto toTenths = [dpi](qreal devicePixels) {
        return devicePixels * reportunits::tenthsPerInch / dpi;
    };
    if (wordWrap && width > 0) {
        const QRectF wrapped = metrics.boundingRect(
                QRectF(0, 0, reportunits::tenthsToDevice(width, dpi), 1e6), textFlags(), caption);
        return QRectF(left, top, width, toTenths(wrapped.height()));
    }
    const QRectF line = metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), textFlags(), caption);
    return QRectF(left, top, toTenths(line.width()), toTenths(line.height()));
}

void ReportLabel::print(QPainter &painter, const QRectF &deviceRect) const
{
    if (!transparent)
        painter.fillRect(deviceRect, color);
    if (caption.isEmpty())
        return;
    painter.setFont(labelFont(*this, painter.device()));
    painter.setPen(textColor);
    painter.drawText(deviceRect, textFlags(), caption);
}
