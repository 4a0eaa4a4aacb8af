#pragma once

// What the chart element's tests share: the two charts the program draws, pixel counts, errors.
#include "base/apperror.h"
#include "chart/kfdline.h"

#include <QImage>

#include <functional>
#include <limits>
#include <memory>

namespace chartfixture {

inline const double NaN = std::numeric_limits<double>::quiet_NaN();
inline const double Inf = std::numeric_limits<double>::infinity();
inline const QRgb White = qRgb(255, 255, 255);

inline QRgb rgb(int color) { return DrawSurface::toRgb(color); }

// The chart window's element: 817 x 529, top margin 120, scale texts at 8 points.
inline std::unique_ptr<Tkfdline> screenChart(int shownCurves)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->Width = 817;
    chart->Height = 529;
    chart->setPictureSize(817, 529);
    chart->Font.setPointSize(8);
    chart->marginTop = 120;
    for (int i = 0; i < shownCurves; ++i)
        chart->shown[i] = 1;
    return chart;
}

// The printed element: 1010 x 560 on a 1010 x 672 bitmap, top margin 45, 10 points.
inline std::unique_ptr<Tkfdline> printedChart(int shownCurves)
{
    auto chart = std::make_unique<Tkfdline>();
    chart->Width = 1010;
    chart->Height = 560;
    chart->setPictureSize(1010, 672);
    chart->Font.setPointSize(10);
    chart->marginTop = 45;
    for (int i = 0; i < shownCurves; ++i)
        chart->shown[i] = 1;
    return chart;
}

inline int countColor(const QImage &image, const QRect &area, QRgb color)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixel(x, y) == color;
    return n;
}

inline QRect plotRect(const Tkfdline &c)
{
    return QRect(QPoint(c.marginLeft, c.marginTop), QPoint(c.Width - c.marginRight, c.plotBottom));
}

inline QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppError &e) {
        return e.message();
    }
    return QString();
}

}
