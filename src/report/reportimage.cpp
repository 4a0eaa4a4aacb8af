#include "report/reportimage.h"

#include <QColor>

#include <new>
#include <algorithm>

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
    const qint64 deviceWidth = qint64(width) * m_pixelRatio;
    const qint64 deviceHeight = qint64(height) * m_pixelRatio;
    if (width < 1 || height < 1 || deviceWidth > MaxBitmapSide || deviceHeight > MaxBitmapSide) {
        setPicture(QImage());
        return;
    }
    QImage image(int(deviceWidth), int(deviceHeight), QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    image.setDevicePixelRatio(m_pixelRatio);
    image.fill(Qt::white);
    // Set here, so that the picture taking it over shares it instead of copying it.
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    setPicture(image);
}

void QRImage::setPixelRatio(int ratio)
{
    m_pixelRatio = std::clamp(ratio, 1, 8);
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
