#pragma once

// A chart page filled the way the chart window fills it: four curves, the settings
// file's default colours for background and grid, a top margin of 45, drawn by Redraw.

#include "chartwin/chartpage.h"

#include <QColor>
#include <cmath>

namespace chartpagedata {

constexpr qint32 GridColor = 0x008000; // dark green, 0x00BBGGRR
const QColor gridRgb(0, 128, 0);

inline void fill(ChartPage &page, const QString &title)
{
    Tkfdline &line = page.line1;
    line.marginTop = 45;
    line.backColor = 0;
    line.gridColor = GridColor;
    line.xAxis.name = QStringLiteral("时间");
    line.xAxis.unit = QStringLiteral("s");
    line.xAxis.lower = 0;
    line.xAxis.upper = 100;
    const qint32 colors[4] = {0x0000FF, 0x000000, 0xFF0000, 0x00C0C0};
    for (int c = 0; c < 4; ++c) {
        kfdline::Tline &curve = line.curves[c];
        curve.name = QStringLiteral("曲线%1").arg(c + 1);
        curve.unit = QStringLiteral("MPa");
        curve.lower = 0;
        curve.upper = 100;
        curve.decimals = 1;
        curve.color = colors[c];
        line.shown[c] = 1;
        line.ClearCurve(c);
        for (int k = 0; k <= 50; ++k) {
            const double x = 2.0 * k;
            line.AddPoint(c, x, 50 + 40 * std::sin(x / 10 + c));
        }
    }
    line.Redraw();
    page.titleLabel.caption = title;
}

} // namespace chartpagedata
