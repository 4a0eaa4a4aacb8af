#include "chartwin/ui/measuretool.h"

#include "base/colorref.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/rangetext.h"
#include "chartwin/ui/chartlayout.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/measurepanel.h"
#include "widgets/errorguard.h"
#include "widgets/widgetstyle.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <limits>
#include <utility>
#include <functional>

namespace {

using measurecursors::Which;

// Draws over the chart view without taking its pointer events.
class Overlay : public QWidget
{
public:
    Overlay(QWidget *parent, std::function<void(QPainter &)> paint)
        : QWidget(parent), m_paint(std::move(paint))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_paint(painter);
    }

private:
    std::function<void(QPainter &)> m_paint;
};

// Cursor colours that stand out from the chart's background (0 is painted white).
QColor cursorColour(qint32 background, Which which)
{
    const QColor back = colorref::toQColor(background == 0 ? 0xFFFFFF : background);
    const bool dark = back.lightness() < 128;
    if (which == Which::A)
        return dark ? QColor(255, 255, 0) : QColor(192, 0, 0);
    return dark ? QColor(0, 255, 255) : QColor(0, 0, 192);
}

}

MeasureTool::MeasureTool(QWidget *window, ChartView *view, Tkfdline *chart, QWidget *panelParent)
    : QObject(window), m_window(window), m_view(view), m_chart(chart)
{
    m_overlay = new Overlay(view, [this](QPainter &painter) {
        if (!m_active)
            return;
        const measurecursors::Plot plot = measurecursors::plotOf(*m_chart);
        if (!plot.valid())
            return;
        painter.setFont(widgetstyle::songti(13));
        const auto draw = [&](Which which, bool has, double x, const QString &name) {
            const double px = plot.pixelOf(x);
            if (!has || !(px >= plot.left && px <= plot.right))
                return;
            const int column = int(std::lround(px));
            const QColor colour = cursorColour(m_chart->backColor, which);
            painter.setPen(QPen(colour, 1, Qt::DashLine));
            painter.drawLine(column, int(plot.top), column, int(plot.bottom));
            painter.setPen(colour);
            // The name beside the line's top, turned inwards at the plot's right edge.
            const int width = painter.fontMetrics().horizontalAdvance(name);
            const int left = column + 3 + width > int(plot.right) ? column - 3 - width : column + 3;
            painter.drawText(left, int(plot.top) + painter.fontMetrics().ascent() + 2, name);
        };
        draw(Which::A, m_cursors.hasA, m_cursors.a, QStringLiteral("A"));
        draw(Which::B, m_cursors.hasB, m_cursors.b, QStringLiteral("B"));
    });
    m_overlay->setGeometry(view->rect());
    m_overlay->hide();

    m_panel = new MeasurePanel(panelParent);
    m_panel->hide();

    m_action = new QAction(tr("测量"), this);
    m_action->setCheckable(true);
    connect(m_action, &QAction::triggered, this, [this](bool on) { guarded(m_window, [this, on] { setActive(on); }); });

    view->installEventFilter(this);
    window->installEventFilter(this);
}

// Its lines call back into the tool when painted.
MeasureTool::~MeasureTool()
{
    delete m_overlay;
}

void MeasureTool::setDocument(ChartDocument *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document)
        connect(m_document, &ChartDocument::changed, this, [this] { guarded(m_window, [this] { documentChanged(); }); });
}

int MeasureTool::panelHeight() const
{
    return m_active ? m_panelHeight : 0;
}

void MeasureTool::setActive(bool on)
{
    m_action->setChecked(on);
    if (on == m_active)
        return;
    m_active = on;
    m_dragging = Which::None;
    if (on) {
        recompute();
        m_panelHeight = m_panel->sizeHint().height();
    }
    m_overlay->setVisible(on);
    m_overlay->raise();
    m_panel->setVisible(on);
    fitWindow();
    emit layoutChanged();
}

// The panel's room comes from a taller window where the screen has it, so the chart keeps
// its size; what the screen lacks the chart gives up. Leaving gives the height back.
void MeasureTool::fitWindow()
{
    const QSize least = chartlayout::minimumSize();
    const int room = chartlayout::panelRoom(panelHeight());
    // The panel's figures are never cut: the window is at least as wide as they need.
    const int wide = m_active ? m_panel->minimumSizeHint().width() + chartlayout::SideMargins : 0;
    m_window->setMinimumSize(std::max(least.width(), wide), least.height() + room);
    if (m_window->isMaximized() || m_window->isFullScreen()) {
        m_grownBy = m_widenedBy = 0;
        return;
    }
    QSize size = m_window->size();
    const QRect area = m_window->screen() ? m_window->screen()->availableGeometry() : QRect();
    const QSize frame = m_window->frameGeometry().size() - m_window->size();
    // Taller by the panel's room, as far as the screen allows; back by as much afterwards.
    int height = size.height() + room - m_grownBy;
    if (room > m_grownBy && area.isValid())
        height = std::min(height, std::max(area.height() - frame.height(), size.height()));
    height = std::max(height, m_window->minimumHeight());
    m_grownBy = room == 0 ? 0 : std::max(0, m_grownBy + height - size.height());
    int width = size.width();
    if (!m_active) {
        width = std::max(width - m_widenedBy, least.width());
        m_widenedBy = 0;
    } else if (width < wide) {
        m_widenedBy += wide - width;
        width = wide;
    }
    m_window->resize(width, height);
}

bool MeasureTool::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view)
        return viewEvent(event);
    if (watched == m_window) {
        if (event->type() == QEvent::KeyPress)
            return keyEvent(event);
        if (event->type() == QEvent::Hide && !static_cast<QWidget *>(watched)->isVisible())
            setActive(false); // a new showing starts with the chart alone
    }
    return false;
}

bool MeasureTool::viewEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        m_overlay->setGeometry(m_view->rect());
        return false;
    case QEvent::Leave:
        m_hasPointer = false;
        return false;
    case QEvent::Paint:
        // The colours dialog redraws the chart without reloading: the panel takes its colours.
        if (m_active)
            showTable();
        return false;
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_pointer = mouse->position().toPoint();
        m_hasPointer = true;
        if (!m_active || m_dragging == Which::None)
            return false;
        // The line follows at once; the figures once the moves queued meanwhile are taken,
        // so a long table does not hold the line back.
        m_cursors.set(m_dragging, measurecursors::plotOf(*m_chart).cursorAt(m_pointer.x()));
        m_overlay->update();
        if (!m_recomputePending) {
            m_recomputePending = true;
            QTimer::singleShot(0, this, [this] {
                if (std::exchange(m_recomputePending, false))
                    guarded(m_window, [this] { recompute(); });
            });
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Only a plain left click: other buttons and modifiers keep their own meanings.
        if (!m_active || mouse->button() != Qt::LeftButton || mouse->modifiers() != Qt::NoModifier)
            return false;
        const QPoint at = mouse->position().toPoint();
        const measurecursors::Plot plot = measurecursors::plotOf(*m_chart);
        if (!plot.contains(at.x(), at.y()))
            return false;
        m_dragging = m_cursors.place(plot.cursorAt(at.x()));
        placeAt(m_dragging, at);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragging == Which::None || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        m_dragging = Which::None;
        if (std::exchange(m_recomputePending, false))
            recompute();
        return true;
    case QEvent::MouseButtonDblClick:
        return m_active && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    default:
        return false;
    }
}

bool MeasureTool::keyEvent(QEvent *event)
{
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_A && key->key() != Qt::Key_B) || key->modifiers() != Qt::NoModifier)
        return false;
    const measurecursors::Plot plot = measurecursors::plotOf(*m_chart);
    if (!m_hasPointer || !plot.contains(m_pointer.x(), m_pointer.y()))
        return false;
    const Which which = key->key() == Qt::Key_A ? Which::A : Which::B;
    m_cursors.set(which, plot.cursorAt(m_pointer.x()));
    if (!m_active)
        setActive(true);
    else
        placeAt(Which::None, m_pointer);
    return true;
}

// `which` follows the pointer (None: only the panel and lines are brought up to date).
void MeasureTool::placeAt(Which which, QPoint at)
{
    if (which != Which::None)
        m_cursors.set(which, measurecursors::plotOf(*m_chart).cursorAt(at.x()));
    recompute();
    m_overlay->update();
}

void MeasureTool::documentChanged()
{
    if (!m_document)
        return;
    // Cursors placed on another X column mean nothing on this one.
    const int xColumn = m_document->loaded().xCol;
    if (xColumn != m_xColumn) {
        m_cursors.clear();
        m_xColumn = xColumn;
    }
    if (m_active)
        recompute();
    m_overlay->update();
}

void MeasureTool::recompute()
{
    if (m_document)
        m_xColumn = m_document->loaded().xCol;
    // Without cursors every curve is listed, its figures empty; with A alone, B's columns
    // stay empty until it is placed.
    const double none = std::numeric_limits<double>::quiet_NaN();
    const double a = m_cursors.hasA ? m_cursors.a : none;
    const double b = m_cursors.hasB ? m_cursors.b : a;
    m_result = m_document ? rangestats::compute(*m_document, a, b) : rangestats::Result();
    showTable();
    // A reload may bring more or fewer curves: the panel's height follows.
    const int height = m_panel->sizeHint().height();
    const bool narrow = m_panel->minimumSizeHint().width() + chartlayout::SideMargins > m_window->width();
    if (m_active && (height != m_panelHeight || narrow)) {
        m_panelHeight = height;
        fitWindow();
        emit layoutChanged();
    }
}

void MeasureTool::showTable()
{
    rangetext::Table table = rangetext::table(m_result, m_chart->xAxis, m_chart->curves);
    // Only what the cursors placed so far tell: their X and the curves' values there.
    for (QStringList &line : table.lines)
        for (int column = 2; column < line.size(); ++column) {
            const bool known = column == 2 ? m_cursors.hasA : column == 3 ? m_cursors.hasB : m_cursors.complete();
            if (!known)
                line[column].clear();
        }
    m_panel->showTable(table);
}
