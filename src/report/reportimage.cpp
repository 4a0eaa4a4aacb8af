#include "report/reportimage.h"

#include <QColor>

#include <new>

namespace {

// Text sizes in points map to pixels at 96 dpi, whatever resolution a loaded image claims.
constexpr int DotsPerMeter96 = 3780;

}

QRImage::QRImage() : m_surface(&m_picture)
{
    Font.setPointSize(8);
    m_surface.setChangedHandler([this] { changed(); });
}

QRImage::~QRImage() = default;

void QRImage::setPicture(const QImage &image)
{
    m_picture = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    if (!m_picture.isNull()) {
        m_picture.setDotsPerMeterX(DotsPerMeter96);
        m_picture.setDotsPerMeterY(DotsPerMeter96);
    }
    // Qt answers a failed allocation (a conversion, the copy a shared picture makes when
    // it changes) with a null image, which would draw nothing and then be blamed on the
    // disk it could not be written to.
    if (m_picture.isNull() && !image.isNull())
        throw std::bad_alloc();
    changed();
}

void QRImage::setPictureSize(int width, int height)
{
    if (width < 1 || height < 1 || width > MaxBitmapSide || height > MaxBitmapSide) {
        setPicture(QImage());
        return;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    image.fill(Qt::white);
    // Set here, so that the picture taking it over shares it instead of copying it.
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    setPicture(image);
}

DrawSurface &QRImage::Canvas()
{
    if (m_picture.isNull())
        setPictureSize(Width, Height);
    return m_surface;
}

void QRImage::changed()
{
    ++m_changeCount;
    if (m_onChanged)
        m_onChanged();
}
