#pragma once

#include "chartwin/measurecursors.h"
#include "chartwin/rangestats.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

class ChartDocument;
class ChartView;
class MeasurePanel;
class QAction;
class QWidget;
class Tkfdline;

// Measuring on the screen chart: "测量" turns the cursor mode on and off. In it a click on
// the plot places cursor A, then B, and afterwards moves the nearer one, which follows the
// pointer while the button is held; the keys A and B put their cursor under the pointer
// (and turn the mode on). The cursors are lines drawn over the chart view, never into the
// chart's picture, so copied, saved and printed charts stay as they are. The panel shows
// the statistics between them and follows every reload of the document; the cursors keep
// their X values through it. Leaving the mode, or closing the window, hides cursors and
// panel; the cursors come back where they were when the mode is turned on again, unless
// another X column was loaded meanwhile.
class MeasureTool : public QObject
{
    Q_OBJECT
public:
    // `window` holds the view and the panel's parent `panelParent`.
    MeasureTool(QWidget *window, ChartView *view, Tkfdline *chart, QWidget *panelParent);
    ~MeasureTool() override;

    void setDocument(ChartDocument *document);

    QAction *action() const { return m_action; }
    MeasurePanel *panel() const { return m_panel; }
    bool isActive() const { return m_active; }
    void setActive(bool on);
    const measurecursors::Cursors &cursors() const { return m_cursors; }
    const rangestats::Result &result() const { return m_result; }
    // Height the panel wants below the chart; 0 while the mode is off.
    int panelHeight() const;

signals:
    // The panel came, went or changed its height: the window lays its controls out anew.
    void layoutChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool viewEvent(QEvent *event);
    bool keyEvent(QEvent *event);
    void placeAt(measurecursors::Which which, QPoint at);
    void documentChanged();
    void recompute();
    void showTable();
    void fitWindow();

    QWidget *m_window;
    ChartView *m_view;
    Tkfdline *m_chart;
    QPointer<QWidget> m_overlay; // a child of the view, which may go first
    MeasurePanel *m_panel;
    QAction *m_action;
    QPointer<ChartDocument> m_document;
    bool m_active = false;
    measurecursors::Cursors m_cursors;
    measurecursors::Which m_dragging = measurecursors::Which::None;
    rangestats::Result m_result;
    int m_xColumn = 0;   // the X column the cursors were placed on
    bool m_hasPointer = false;
    QPoint m_pointer;    // last pointer position over the view
    int m_grownBy = 0;   // height the window grew by for the panel
    int m_widenedBy = 0; // width it grew by for the panel's figures
    bool m_recomputePending = false; // figures wait for the next turn of the event loop
    int m_panelHeight = 0;
};
