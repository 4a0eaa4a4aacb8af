#pragma once

// Checks on a raster of the printed chart page: where the chart's pixels, its grid lines
// and the title land on paper (15 mm margins, chart 112 design pixels below the band).

#include "chart/chartgeometry.h"
#include "chart/kfdline.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace pagecheck {

inline bool near(QRgb pixel, const QColor &expected, int tolerance)
{
    return qAbs(qRed(pixel) - expected.red()) <= tolerance && qAbs(qGreen(pixel) - expected.green()) <= tolerance
            && qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Raster pixel in the middle of chart pixel (x, y).
inline QPoint rasterOfChart(int x, int y, int dpi)
{
    const qreal perTenth = dpi / 254.0;
    const qreal perPixel = dpi / 96.0;
    return QPoint(int(150 * perTenth + (x + 0.5) * perPixel),
                  int((150 + 112 * 254.0 / 96) * perTenth + (y + 0.5) * perPixel));
}

// Raster rectangle of a rectangle on the band, in tenths of a mm.
inline QRect rasterOfTenths(const QRectF &tenthsOnBand, int dpi)
{
    const qreal s = dpi / 254.0;
    const QRectF r = tenthsOnBand.translated(150, 150);
    return QRectF(r.left() * s, r.top() * s, r.width() * s, r.height() * s).toAlignedRect();
}

// Solid grid lines sit where the chart's geometry puts them; halfway between two dotted
// lines there is background. Returns what is wrong, or nothing.
inline QString gridMismatch(const QImage &raster, int dpi, const Tkfdline &line, const QColor &grid,
                            bool horizontal, int tolerance)
{
    const double step = chartgeom::gridStep(horizontal ? line.plotHeight : line.plotWidth);
    const qint64 origin = horizontal ? line.marginTop : line.marginLeft;
    const int from = horizontal ? line.marginLeft : line.marginTop;
    const int to = horizontal ? line.Width - line.marginRight : line.marginTop + line.plotHeight;
    if (step <= 4)
        return QStringLiteral("grid step %1 too small to check").arg(step);
    // interior solid lines only: the frame and scales cover the outer ones
    for (int k = 4; k < 40; k += 4) {
        const qint64 at = chartgeom::gridLine(k, step, origin);
        const int offset = int(step / 2);
        int onLine = 0, between = 0, count = 0;
        for (int along = from + 5; along < to - 5; along += 9) {
            ++count;
            const QPoint p = horizontal ? rasterOfChart(along, at, dpi) : rasterOfChart(at, along, dpi);
            const QPoint q = horizontal ? rasterOfChart(along, at + offset, dpi) : rasterOfChart(at + offset, along, dpi);
            if (raster.valid(p) && near(raster.pixel(p), grid, tolerance))
                ++onLine;
            if (raster.valid(q) && near(raster.pixel(q), Qt::white, tolerance))
                ++between;
        }
        if (onLine < count * 8 / 10 || between < count * 8 / 10)
            return QStringLiteral("%1 line at %2: %3 of %4 on it, %5 of %6 blank beside it")
                    .arg(horizontal ? "row" : "column").arg(at).arg(onLine).arg(count).arg(between).arg(count);
    }
    return QString();
}

// Dark pixels in the title label's box, and their horizontal extent.
struct Ink
{
    int count = 0;
    int left = 0;
    int right = 0;
    QRect box;
};

inline Ink titleInk(const QImage &raster, int dpi)
{
    Ink ink;
    ink.box = rasterOfTenths(QRectF(582.1, 7.9, 1505.5, 74.1), dpi);
    ink.left = ink.box.right();
    ink.right = ink.box.left();
    for (int y = ink.box.top(); y < ink.box.bottom(); ++y)
        for (int x = ink.box.left(); x < ink.box.right(); ++x)
            if (raster.valid(x, y) && near(raster.pixel(x, y), Qt::black, 100)) {
                ++ink.count;
                ink.left = qMin(ink.left, x);
                ink.right = qMax(ink.right, x);
            }
    return ink;
}

} // namespace pagecheck
