#pragma once

#include "chart/scaletext.h"
#include "report/reportimage.h"

#include <QPoint>
#include <QString>

#include <array>
#include <memory>

namespace kfdline {

constexpr int MaxCurves = 8;
constexpr int MaxPoints = 1000;

// One axis or curve of the chart.
struct Tline {
    QString name;
    QString unit;
    QString note;        // kept for callers; not drawn
    double lower = 0;    // bottom of a vertical scale, left end of the X scale
    double upper = 0;
    qint32 color = 0;    // 0x00BBGGRR, also for the curve's scale and texts
    qint32 spare1 = 0;
    qint32 decimals = 0; // digits after the point in scale labels, 0..5
    qint32 spare2 = 0;
    qint32 marker = 0;   // 0 none, 1 cross, 2 circle, 3 square, 4 diamond, 5 triangle
    // Writes the scale's labels instead of FormatValue with `decimals` (a time scale).
    std::shared_ptr<const ScaleText> text;
};

// The label of a scale at `value`: its own text, else FormatValue with its decimals.
QString scaleLabel(const Tline &scale, double value);

}

// Curve chart element: an X axis, up to eight curves of up to 1000 points each with their
// own vertical scales, a title and free texts, drawn into the element's picture by Redraw.
// Callers fill the public fields and call Redraw; nothing is drawn implicitly.
class Tkfdline : public QRImage
{
public:
    Tkfdline();
    ~Tkfdline() override;

    // Repaints the whole picture from the fields. A value that cannot be rounded or
    // divided stops the drawing with an AppError; what was drawn until then stays.
    void Redraw();
    // Empties a curve's point list (the stored values and the picture stay) and asks for a
    // repaint. Curve numbers outside 0..7 raise an AppError.
    void ClearCurve(qint32 curve);
    // Appends a point. A bad curve number or a full curve raises an AppError and stores
    // nothing. A point that starts a stroke is not joined to the one before it: the rows
    // between them held no reading. On the first point it says the curve has such gaps;
    // in a curve with gaps a point alone in its stroke is drawn as a short stroke.
    void AddPoint(qint32 curve, double x, double y, bool startsStroke = false);

    // work state of the curve being drawn:
    double workX[kfdline::MaxPoints + 2] = {};
    double workY[kfdline::MaxPoints + 2] = {};
    double curXMax = 0, curXMin = 0, curYMax = 0, curYMin = 0;
    qint32 curColor = 0, curMarker = 0;
    // plot geometry and scale slots, written by Redraw:
    qint32 plotWidth = 0, plotHeight = 0, plotBottom = 0;
    qint32 scaleSlot[kfdline::MaxCurves] = {};
    // points, at positions 1..pointCount[c]:
    qint32 pointCount[kfdline::MaxCurves] = {};
    double yData[kfdline::MaxCurves][kfdline::MaxPoints + 1] = {};
    double xData[kfdline::MaxCurves][kfdline::MaxPoints + 1] = {};
    // 1 where the point starts a new stroke of its curve (after a gap), at the same positions.
    quint8 strokeStart[kfdline::MaxCurves][kfdline::MaxPoints + 1] = {};
    qint32 shownCount = 0;
    // layout:
    qint32 scaleSpacing = 65;
    qint32 marginLeft = 55, marginRight = 55, marginTop = 60, marginBottom = 50;
    qint32 backColor = 0xFFFFFF; // 0 is painted white
    qint32 gridColor = 0xFFFFFF;
    kfdline::Tline xAxis;
    kfdline::Tline curves[kfdline::MaxCurves];
    quint8 shown[kfdline::MaxCurves] = {};
    double tickFrac[11] = {};
    QString title;
    QString infoText[kfdline::MaxCurves];
    QPoint infoPos[kfdline::MaxCurves];

private:
    void ClearBackground();
    void DrawGrid();
    void DrawCurves();
    void DrawCurve(int first, int n);
    void DrawStroke(int n, bool alone);
    void DrawLegendMarkers();
    void DrawScales();
    void DrawTitle();
    void DrawFrame();
    void DrawLabel(qint64 x, qint64 y, int size, int color, const QString &text);
    void DrawMarker(qint64 x, qint64 y, int kind);
    void fillTickFrac();
    QString fitRightText(int slot, const QString &text, int reserve, int *shownWidth);
    int fillColor() const;
    int scaleFontSize() const;
    void checkCurve(qint32 curve) const;

    DrawSurface *m_surface = nullptr; // set while Redraw runs
};
