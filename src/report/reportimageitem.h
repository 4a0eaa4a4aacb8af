#pragma once

#include "report/reportpage.h"

class QRImage;

// Puts an image element on a band. The element keeps its own place in pixels at 96 per
// inch; on paper its bitmap prints at natural size from the rectangle's top left corner,
// clipped to the rectangle, neither stretched nor centred.
class ReportImageItem : public ReportElement
{
public:
    explicit ReportImageItem(const QRImage &image) : m_image(image) {}

    // ReportElement:
    bool isEnabled() const override;
    QRectF bandRect(const QPainter &painter) const override;
    void print(QPainter &painter, const QRectF &deviceRect) const override;

    QRectF bandRect() const;

private:
    const QRImage &m_image;
};
