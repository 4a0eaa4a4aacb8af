#pragma once

#include "chartwin/chartdocument.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

class ChartView;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QRubberBand;
class Tkfdline;

// Zoom and pan of the screen chart by mouse and keys, told to the chart document:
//   drag across the plot: X to the dragged stretch (with Shift: X and Y to the rectangle);
//   wheel: X around the pointer; "+" and "-": around the middle;
//   middle-button drag or Ctrl+drag: pan; Left and Right: a tenth of the view;
//   Backspace: the view before; Home or a double click: the whole table.
// A label at the chart's lower left shows the view's X limits while it is zoomed.
class ZoomInput : public QObject
{
    Q_OBJECT
public:
    ZoomInput(ChartView *view, Tkfdline *chart, QObject *parent = nullptr);

    void setDocument(ChartDocument *document);
    // Keys given to another widget (the window) that zoom wherever the focus is.
    void watchKeysOf(QObject *object);

    // "放大所选": the last stretch dragged across, when it is not shown already; otherwise
    // twice as close around the X of `at` (the chart's pixels; the middle when off the plot).
    void zoomSelection(QPoint at);
    // Where the last context menu was asked for, in the chart's pixels.
    QPoint menuPoint() const { return m_menuPoint; }
    // Shows or hides the X limits label for the document's view.
    void showLimits();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Drag { None, Select, Rectangle, Pan };

    bool mousePress(QMouseEvent *event);
    bool mouseMove(QMouseEvent *event);
    bool mouseRelease(QMouseEvent *event);
    bool key(QKeyEvent *event, bool fromView);
    bool onPlot(QPoint at) const;
    double xAt(int px) const;
    double yAt(int curve, int py) const;
    double plotMiddleX() const;
    QRect bandRect(QPoint to) const;

    ChartView *m_view;
    Tkfdline *m_chart;
    QPointer<ChartDocument> m_document;
    QRubberBand *m_band;
    QLabel *m_limits;
    Drag m_drag = Drag::None;
    QPoint m_from;
    ChartDocument::View m_dragStart;
    bool m_panRemembered = false;
    bool m_hasSelection = false;
    ChartDocument::View m_selection;
    QPoint m_menuPoint;
};
