#include "chart/kfdline.h"

#include "base/apperror.h"
#include "chart/chartgeometry.h"
#include "chart/curvepath.h"
#include "chart/formatvalue.h"
#include "chart/fpcheck.h"

#include <algorithm>

using namespace kfdline;

namespace {
// Room a shortened right-hand name leaves for its legend marker, 5 pixels after it.
constexpr int MarkerRoom = 10;
}

QString kfdline::scaleLabel(const Tline &scale, double value)
{
    return scale.text ? scale.text->label(value, scale.lower, scale.upper) : FormatValue(value, scale.decimals);
}

Tkfdline::Tkfdline()
{
    Width = 1010;
    Height = 672;
    Transparent = false;
    ShowHint = true;
    Align = AlignNone;
    xAxis.lower = 0;
    xAxis.upper = 1000;
    static const qint32 firstColors[4] = {0x0000FF, 0x000000, 0xFF0000, 0x00FF00};
    for (int i = 0; i < MaxCurves; ++i) {
        curves[i].lower = 50;
        curves[i].upper = 100;
        curves[i].color = i < 4 ? firstColors[i] : 0;
    }
}

Tkfdline::~Tkfdline() = default;

void Tkfdline::checkCurve(qint32 curve) const
{
    if (curve < 0 || curve >= MaxCurves)
        throw AppError(QStringLiteral("Curve number %1 is out of range 0..%2").arg(curve).arg(MaxCurves - 1));
}

void Tkfdline::ClearCurve(qint32 curve)
{
    checkCurve(curve);
    pointCount[curve] = 0;
    changed();
}

void Tkfdline::AddPoint(qint32 curve, double x, double y, bool startsStroke)
{
    checkCurve(curve);
    const qint32 count = std::max(pointCount[curve], 0);
    if (count >= MaxPoints)
        throw AppError(QStringLiteral("A curve holds at most %1 points").arg(MaxPoints));
    pointCount[curve] = count + 1;
    xData[curve][count + 1] = x;
    yData[curve][count + 1] = y;
    strokeStart[curve][count + 1] = startsStroke ? 1 : 0;
}

void Tkfdline::Redraw()
{
    shownCount = 0;
    for (int i = 0; i < MaxCurves; ++i)
        if (shown[i] == 1)
            ++shownCount;
    std::fill(std::begin(scaleSlot), std::end(scaleSlot), chartgeom::NoSlot);

    // Geometry is worked out in 64 bits and checked before any field or pixel changes.
    const chartgeom::ScaleLayout layout =
        chartgeom::scaleLayout(shownCount, scaleSpacing, marginLeft, marginRight);
    const qint32 left = fpcheck::toInt32(layout.marginLeft);
    const qint32 right = fpcheck::toInt32(layout.marginRight);
    const qint32 bottom = fpcheck::toInt32(qint64(Height) - marginBottom);
    const qint32 width = fpcheck::toInt32(qint64(Width) - left - right);
    const qint32 height = fpcheck::toInt32(qint64(Height) - marginTop - marginBottom);
    std::copy(layout.slotOf.begin(), layout.slotOf.end(), scaleSlot);
    marginLeft = left;
    marginRight = right;
    plotBottom = bottom;
    plotWidth = width;
    plotHeight = height;

    DrawSurface &surface = Canvas();
    PaintSession session(surface);
    m_surface = &surface;
    try {
        ClearBackground();
        DrawGrid();
        DrawCurves();
        DrawLegendMarkers();
        DrawScales();
        DrawTitle();
        DrawFrame();
    } catch (...) {
        m_surface = nullptr;
        throw;
    }
    m_surface = nullptr;
}

int Tkfdline::fillColor() const
{
    return backColor == 0 ? 0xFFFFFF : backColor;
}

int Tkfdline::scaleFontSize() const
{
    if (Font.pointSize() > 0)
        return Font.pointSize();
    const int rounded = qRound(Font.pointSizeF());
    return rounded > 0 ? rounded : 8;
}

void Tkfdline::fillTickFrac()
{
    const auto &row = chartgeom::tickRow(chartgeom::TickIntervals);
    std::copy(row.begin(), row.end(), tickFrac);
}

void Tkfdline::ClearBackground()
{
    // The fill colour stays selected: text boxes and circle markers use it.
    m_surface->setFillColor(fillColor());
    m_surface->fillRect(0, 0, Width, Height);
}

void Tkfdline::DrawGrid()
{
    DrawSurface &s = *m_surface;
    const qint64 right = qint64(Width) - marginRight;
    const qint64 lowest = qint64(marginTop) + plotHeight;
    const double hStep = chartgeom::gridStep(plotHeight);
    const double wStep = chartgeom::gridStep(plotWidth);
    const int lines = chartgeom::GridDivisions * chartgeom::GridSubdivisions;

    s.setPenColor(gridColor);
    // Dotted lines everywhere first, then every fourth one again solid.
    for (const int every : {1, chartgeom::GridSubdivisions}) {
        s.setPenStyle(every == 1 ? DrawSurface::Dotted : DrawSurface::Solid);
        for (int k = 0; k <= lines; k += every) {
            const qint64 y = chartgeom::gridLine(k, hStep, marginTop);
            s.moveTo(marginLeft, y);
            s.lineTo(right, y);
        }
        for (int k = 0; k <= lines; k += every) {
            const qint64 x = chartgeom::gridLine(k, wStep, marginLeft);
            s.moveTo(x, marginTop);
            s.lineTo(x, lowest);
        }
    }
}

void Tkfdline::DrawCurves()
{
    curXMax = xAxis.upper;
    curXMin = xAxis.lower;
    for (int i = 0; i < MaxCurves; ++i) {
        curMarker = curves[i].marker;
        if (shown[i] == 0)
            continue;
        curYMax = curves[i].upper;
        curYMin = curves[i].lower;
        const int n = std::clamp(pointCount[i], 0, MaxPoints);
        curColor = curves[i].color;
        DrawCurve(i, n);
    }
}

void Tkfdline::DrawCurve(int curve, int n)
{
    if (n <= 0 || curXMax == curXMin || curYMax == curYMin)
        return;
    DrawSurface &s = *m_surface;
    const qint64 right = qint64(Width) - marginRight;
    const qint64 bottom = qint64(Height) - marginBottom;
    const qint64 height = qint64(Height) - marginTop - marginBottom;
    const chartgeom::ValueMap map = chartgeom::makeValueMap(right - marginLeft, height, marginLeft, bottom,
                                                            curXMin, curXMax, curYMin, curYMax);

    s.setPenStyle(DrawSurface::Solid);
    s.setPenColor(curColor);
    if (curMarker > 0) {
        for (int k = 1; k <= n; ++k) {
            const qint64 px = map.px(xData[curve][k]);
            const qint64 py = map.py(yData[curve][k]);
            if (px >= marginLeft && px <= right && py >= marginTop && py <= bottom)
                DrawMarker(px, py, curMarker);
        }
    }
    // Each stroke is a line of its own: nothing joins the points across a gap.
    const bool gaps = std::any_of(&strokeStart[curve][1], &strokeStart[curve][1] + n, [](quint8 f) { return f != 0; });
    int start = 1;
    while (start <= n) {
        int end = start;
        while (end < n && strokeStart[curve][end + 1] == 0)
            ++end;
        const int len = end - start + 1;
        std::copy(&xData[curve][start], &xData[curve][start] + len, &workX[1]);
        std::copy(&yData[curve][start], &yData[curve][start] + len, &workY[1]);
        DrawStroke(len, gaps && len == 1);
        start = end + 1;
    }
}

void Tkfdline::DrawStroke(int n, bool alone)
{
    DrawSurface &s = *m_surface;
    const qint64 right = qint64(Width) - marginRight;
    const qint64 bottom = qint64(Height) - marginBottom;
    const qint64 height = qint64(Height) - marginTop - marginBottom;

    curvepath::Frame f;
    f.map = chartgeom::makeValueMap(right - marginLeft, height, marginLeft, bottom,
                                    curXMin, curXMax, curYMin, curYMax);
    f.xMin = curXMin;
    f.xMax = curXMax;
    f.yMin = curYMin;
    f.yMax = curYMax;
    f.top = marginTop;
    f.bottom = bottom;
    f.plotHeight = height;
    f.color = curColor;
    // Out-of-range pieces vanish into the background as it was painted.
    f.hiddenColor = fillColor();

    // Repeating the end points gives the first and last segments their outer neighbours.
    workX[0] = workX[1];
    workY[0] = workY[1];
    workX[n + 1] = workX[n];
    workY[n + 1] = workY[n];

    if (alone && curMarker == 0) {
        // A reading alone between two gaps: a short stroke, so it is still seen.
        const qint64 px = f.map.px(workX[1]);
        const qint64 py = f.map.py(workY[1]);
        if (curvepath::rangeColor(f, workX[1], workY[1]) == f.color) {
            s.setPenColor(curColor);
            s.moveTo(px - 2, py);
            s.lineTo(px + 3, py);
        }
        s.moveTo(px, py);
        return;
    }
    curvepath::drawLine(s, f, workX, workY, n);
}

// A right-hand scale's name or unit as drawn: shortened with "…" where the whole text would
// run into the next scale's texts, or past the picture's edge at the last scale; measured at
// the scale texts' size. A text that fits comes back as it is, with shownWidth -1; a shortened
// one leaves `reserve` pixels of its room free (for the name's legend marker).
QString Tkfdline::fitRightText(int slot, const QString &text, int reserve, int *shownWidth)
{
    DrawSurface &s = *m_surface;
    const int previousSize = s.fontSize();
    s.setFontSize(scaleFontSize());
    const qint64 xv = qint64(Width) - marginRight + qint64(slot - 10) * scaleSpacing;
    const bool last = std::find(std::begin(scaleSlot), std::end(scaleSlot), slot + 1) == std::end(scaleSlot);
    // The next scale's texts start 5 pixels right of it; keep 5 pixels clear before them.
    const qint64 room = (last ? qint64(Width) - 1 : xv + scaleSpacing) - (xv + 5);
    QString shown = text;
    *shownWidth = -1;
    if (s.textWidth(text) > room) {
        const QString ellipsis(QChar(0x2026));
        shown.chop(1);
        while (!shown.isEmpty() && s.textWidth(shown + ellipsis) > room - reserve)
            shown.chop(shown.size() >= 2 && shown.back().isLowSurrogate() ? 2 : 1);
        shown += ellipsis;
        *shownWidth = s.textWidth(shown);
    }
    s.setFontSize(previousSize);
    return shown;
}

void Tkfdline::DrawLegendMarkers()
{
    DrawSurface &s = *m_surface;
    for (int i = 0; i < shownCount; ++i) {
        const int v = scaleSlot[i];
        qint64 x;
        int shortened = -1;
        if (v > 9)
            fitRightText(v, curves[i].name, MarkerRoom, &shortened);
        if (v < 9)
            x = qint64(marginLeft) + qint64(v) * scaleSpacing + 2;
        else if (shortened >= 0) // right after the shortened name, which fills its room
            x = qint64(Width) - marginRight + qint64(v - 10) * scaleSpacing + 5 + shortened + 5;
        else
            x = qint64(Width) - marginRight + qint64(v - 10) * scaleSpacing
                + s.textWidth(curves[i].name) + 10;
        const qint64 y = qint64(marginTop) - s.textHeight(QString()) - 32;
        s.setPenColor(curves[i].color);
        DrawMarker(x, y, curves[i].marker);
    }
}

void Tkfdline::DrawScales()
{
    if (xAxis.upper == xAxis.lower)
        return;
    DrawSurface &s = *m_surface;
    const int f = scaleFontSize();
    s.setFontSize(f);
    s.setPenStyle(DrawSurface::Solid);
    const qint64 right = qint64(Width) - marginRight;
    const qint64 bottom = qint64(Height) - marginBottom;

    const QString xTitle = xAxis.name + QStringLiteral("  ") + xAxis.unit;
    DrawLabel(right - s.textWidth(xTitle) / 2 - 5, qint64(plotBottom) + f + 15, f, xAxis.color, xTitle);

    s.setPenColor(xAxis.color);
    s.moveTo(marginLeft, qint64(plotBottom) + 5);
    s.lineTo(right, qint64(plotBottom) + 5);

    fillTickFrac();
    const double xs = double(plotWidth - 1) / chartgeom::TickIntervals;
    for (int j = 0; j <= chartgeom::TickIntervals; ++j) {
        const qint64 x = fpcheck::roundEven(tickFrac[j] * xs) + marginLeft;
        s.moveTo(x, qint64(plotBottom) + 2);
        s.lineTo(x, qint64(plotBottom) + 6);
    }
    for (int j = 0; j <= chartgeom::TickIntervals; ++j) {
        const double value = xAxis.lower + (xAxis.upper - xAxis.lower) / 10 * tickFrac[j];
        const QString text = scaleLabel(xAxis, value);
        const int w = s.textWidth(text);
        const qint64 x = fpcheck::roundEven(tickFrac[j] * xs - w / 2.0) + marginLeft;
        DrawLabel(x, qint64(plotBottom) - f + 18, f, xAxis.color, text);
    }

    const double ys = double(plotHeight) / chartgeom::TickIntervals;
    for (int i = 0; i < MaxCurves; ++i) {
        if (shown[i] == 0)
            continue;
        const Tline &curve = curves[i];
        const int v = scaleSlot[i];
        const qint64 xv = chartgeom::slotX(v, scaleSpacing, marginLeft, right);
        const int c = curve.color;
        fillTickFrac();
        // Left scales carry their texts on their left, right scales on their right.
        auto place = [&](const QString &text) {
            return v < 9 ? xv - s.textWidth(text) - 5 : xv + 5;
        };
        int shortened = 0;
        const QString name = v > 9 ? fitRightText(v, curve.name, MarkerRoom, &shortened) : curve.name;
        const QString unit = v > 9 ? fitRightText(v, curve.unit, 0, &shortened) : curve.unit;
        DrawLabel(place(name), qint64(marginTop) - s.textHeight(name) - 25, f, c, name);
        DrawLabel(place(unit), qint64(marginTop) - s.textHeight(unit) - 10, f, c, unit);
        // At the plot's edges the grid's edge lines stand in for the scale line.
        if (v != 0 && v != 10) {
            s.setPenColor(c);
            s.moveTo(xv, marginTop);
            s.lineTo(xv, bottom);
            for (int j = 0; j <= chartgeom::TickIntervals; ++j) {
                const qint64 y = bottom - fpcheck::roundEven(tickFrac[j] * ys);
                s.moveTo(xv - 2, y);
                s.lineTo(xv + 3, y);
            }
        }
        for (int j = 0; j <= chartgeom::TickIntervals; ++j) {
            const double value = curve.lower + (curve.upper - curve.lower) / 10 * tickFrac[j];
            const QString text = scaleLabel(curve, value);
            const qint64 y = bottom - fpcheck::roundEven(s.textHeight(text) / 2.0 + tickFrac[j] * ys);
            DrawLabel(place(text), y, f, c, text);
        }
    }
}

void Tkfdline::DrawTitle()
{
    DrawSurface &s = *m_surface;
    s.setFontSize(24);
    const int w = s.textWidth(title);
    DrawLabel(fpcheck::roundEven(Width / 2.0 - w / 2.0), 1, 24, 0, title);
    s.setFontSize(10);
    for (int i = 0; i < MaxCurves; ++i)
        DrawLabel(infoPos[i].x(), infoPos[i].y(), 10, 0, infoText[i]);
}

void Tkfdline::DrawFrame()
{
    DrawSurface &s = *m_surface;
    const qint64 w = Width;
    const qint64 h = Height;
    s.setPenColor(0);
    s.setPenStyle(DrawSurface::Dotted);
    s.moveTo(0, 0);
    s.lineTo(0, h - 1);
    s.lineTo(w - 1, h - 1);
    s.lineTo(w - 1, 0);
    s.lineTo(0, 0);
    const qint64 y = qint64(marginTop) - s.textHeight(QStringLiteral("中")) - 28;
    s.moveTo(0, y);
    s.lineTo(w, y);
}

void Tkfdline::DrawLabel(qint64 x, qint64 y, int size, int color, const QString &text)
{
    m_surface->setFontSize(size);
    m_surface->setFontColor(color);
    m_surface->textOut(x, y, text);
}

void Tkfdline::DrawMarker(qint64 x, qint64 y, int kind)
{
    DrawSurface &s = *m_surface;
    auto closed = [&](std::initializer_list<DrawSurface::Point> points) {
        s.moveTo(points.begin()->x, points.begin()->y);
        s.polylineTo(points.begin() + 1, int(points.size()) - 1);
    };
    switch (kind) {
    case 1: // cross
        s.moveTo(x - 3, y - 3);
        s.lineTo(x + 3, y + 3);
        s.moveTo(x + 3, y - 3);
        s.lineTo(x - 3, y + 3);
        break;
    case 2: // circle
        s.ellipse(x - 2, y - 2, x + 2, y + 2);
        break;
    case 3: // square
        closed({{x - 2, y - 2}, {x + 2, y - 2}, {x + 2, y + 2}, {x - 2, y + 2}, {x - 2, y - 2}});
        break;
    case 4: // diamond
        closed({{x - 3, y}, {x, y - 3}, {x + 3, y}, {x, y + 3}, {x - 3, y}});
        break;
    case 5: // triangle
        closed({{x - 3, y + 1}, {x, y - 3}, {x + 3, y + 1}, {x - 3, y + 1}});
        break;
    default:
        break;
    }
}
