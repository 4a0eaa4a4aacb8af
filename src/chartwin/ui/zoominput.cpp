#include "chartwin/ui/zoominput.h"

#include "chart/kfdline.h"
#include "chartwin/timescale.h"
#include "chartwin/ui/chartview.h"
#include "widgets/errorguard.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <cmath>

namespace {

// A drag shorter than this is a click.
constexpr int MinDragPixels = 4;
constexpr double KeyZoom = 0.5;
constexpr double WheelZoomPerNotch = 0.8;
constexpr double KeyPan = 0.1;

}

ZoomInput::ZoomInput(ChartView *view, Tkfdline *chart, QObject *parent)
    : QObject(parent), m_view(view), m_chart(chart)
{
    m_band = new QRubberBand(QRubberBand::Rectangle, view);
    m_band->hide();
    m_limits = new QLabel(view);
    m_limits->setAutoFillBackground(true);
    m_limits->hide();
    view->setFocusPolicy(Qt::ClickFocus);
    view->installEventFilter(this);
}

void ZoomInput::setDocument(ChartDocument *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    m_hasSelection = false;
    if (m_document)
        connect(m_document, &ChartDocument::changed, this, [this](ChartDocument::Change change) {
            if (change == ChartDocument::Change::Data)
                m_hasSelection = false;
            showLimits();
        });
    showLimits();
}

void ZoomInput::watchKeysOf(QObject *object)
{
    object->installEventFilter(this);
}

bool ZoomInput::onPlot(QPoint at) const
{
    return m_chart->plotWidth > 0 && m_chart->plotHeight > 0 && at.x() >= m_chart->marginLeft
           && at.x() <= m_chart->marginLeft + m_chart->plotWidth && at.y() >= m_chart->marginTop
           && at.y() <= m_chart->marginTop + m_chart->plotHeight;
}

double ZoomInput::xAt(int px) const
{
    const double span = m_chart->xAxis.upper - m_chart->xAxis.lower;
    return m_chart->xAxis.lower + (px - m_chart->marginLeft) * span / std::max(1, m_chart->plotWidth);
}

double ZoomInput::yAt(int curve, int py) const
{
    const kfdline::Tline &c = m_chart->curves[curve];
    return c.lower + (m_chart->plotBottom - py) * (c.upper - c.lower) / std::max(1, m_chart->plotHeight);
}

double ZoomInput::plotMiddleX() const
{
    return m_chart->xAxis.lower / 2 + m_chart->xAxis.upper / 2;
}

QRect ZoomInput::bandRect(QPoint to) const
{
    const int left = m_chart->marginLeft, right = m_chart->marginLeft + m_chart->plotWidth;
    const int top = m_chart->marginTop, bottom = m_chart->marginTop + m_chart->plotHeight;
    const int x1 = std::clamp(std::min(m_from.x(), to.x()), left, right);
    const int x2 = std::clamp(std::max(m_from.x(), to.x()), left, right);
    if (m_drag == Drag::Select)
        return QRect(QPoint(x1, top), QPoint(x2, bottom));
    const int y1 = std::clamp(std::min(m_from.y(), to.y()), top, bottom);
    const int y2 = std::clamp(std::max(m_from.y(), to.y()), top, bottom);
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

bool ZoomInput::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_document)
        return false;
    const bool fromView = watched == m_view;
    bool used = false;
    guarded(m_view, [&] {
        switch (event->type()) {
        case QEvent::KeyPress:
            used = key(static_cast<QKeyEvent *>(event), fromView);
            break;
        case QEvent::MouseButtonPress:
            used = fromView && mousePress(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseMove:
            used = fromView && mouseMove(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseButtonRelease:
            used = fromView && mouseRelease(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseButtonDblClick:
            if (fromView && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
                m_document->home();
                used = true;
            }
            break;
        case QEvent::Wheel:
            if (fromView) {
                auto *wheel = static_cast<QWheelEvent *>(event);
                const double notches = wheel->angleDelta().y() / 120.0;
                const QPoint at = wheel->position().toPoint();
                if (notches != 0)
                    m_document->zoomAround(onPlot(at) ? xAt(at.x()) : plotMiddleX(),
                                           std::pow(WheelZoomPerNotch, notches));
                used = true;
            }
            break;
        case QEvent::ContextMenu:
            if (fromView)
                m_menuPoint = static_cast<QContextMenuEvent *>(event)->pos();
            break;
        default:
            break;
        }
    });
    return used;
}

bool ZoomInput::mousePress(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (!onPlot(at))
        return false;
    const bool panButton = event->button() == Qt::MiddleButton
                           || (event->button() == Qt::LeftButton && event->modifiers() & Qt::ControlModifier);
    if (panButton) {
        m_drag = Drag::Pan;
        m_dragStart = m_document->view();
        m_panRemembered = false;
    } else if (event->button() == Qt::LeftButton) {
        m_drag = event->modifiers() & Qt::ShiftModifier ? Drag::Rectangle : Drag::Select;
    } else {
        return false;
    }
    m_from = at;
    return true;
}

bool ZoomInput::mouseMove(QMouseEvent *event)
{
    if (m_drag == Drag::None)
        return false; // the read-out follows the pointer
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::Pan) {
        ChartDocument::View view = m_dragStart;
        const double shift = (m_from.x() - at.x()) * (m_dragStart.xUpper - m_dragStart.xLower)
                             / std::max(1, m_chart->plotWidth);
        view.xLower += shift;
        view.xUpper += shift;
        const ChartDocument::View before = m_document->view();
        m_document->dragView(view, !m_panRemembered);
        m_panRemembered = m_panRemembered || before.xLower != m_document->view().xLower;
        return true;
    }
    m_band->setGeometry(bandRect(at));
    m_band->setVisible((at - m_from).manhattanLength() >= MinDragPixels);
    return true;
}

bool ZoomInput::mouseRelease(QMouseEvent *event)
{
    if (m_drag == Drag::None)
        return false;
    const Drag drag = std::exchange(m_drag, Drag::None);
    m_band->hide();
    if (drag == Drag::Pan)
        return true;
    const QRect r = bandRect(event->position().toPoint());
    if (r.width() < MinDragPixels || (drag == Drag::Rectangle && r.height() < MinDragPixels))
        return true;
    ChartDocument::View view = m_document->view();
    view.xLower = xAt(r.left());
    view.xUpper = xAt(r.right());
    if (drag == Drag::Rectangle) {
        view.yLimited = true;
        for (int k = 0; k < kfdline::MaxCurves; ++k)
            view.yLimits[size_t(k)] = viewload::Limits{yAt(k, r.bottom()), yAt(k, r.top())};
    }
    m_selection = view;
    m_hasSelection = true;
    m_document->setView(view);
    return true;
}

bool ZoomInput::key(QKeyEvent *event, bool fromView)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_document->zoomAround(plotMiddleX(), KeyZoom);
        return true;
    case Qt::Key_Minus:
        m_document->zoomAround(plotMiddleX(), 1 / KeyZoom);
        return true;
    case Qt::Key_Backspace:
        m_document->back();
        return true;
    case Qt::Key_Home:
        m_document->home();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Elsewhere in the window the arrows move between the mode buttons.
        if (!fromView)
            return false;
        m_document->pan(event->key() == Qt::Key_Left ? -KeyPan : KeyPan);
        return true;
    default:
        return false;
    }
}

void ZoomInput::zoomSelection(QPoint at)
{
    if (!m_document)
        return;
    const ChartDocument::View shown = m_document->view();
    const bool selectionShown = m_selection.xLower == shown.xLower && m_selection.xUpper == shown.xUpper;
    if (m_hasSelection && !selectionShown) {
        m_document->setView(m_selection);
        return;
    }
    m_document->zoomAround(onPlot(at) ? xAt(at.x()) : plotMiddleX(), KeyZoom);
}

void ZoomInput::showLimits()
{
    if (!m_document || !m_document->isZoomed()) {
        m_limits->hide();
        return;
    }
    const ChartDocument::View view = m_document->view();
    const kfdline::Tline &x = m_chart->xAxis;
    // Times in full, as the read-out writes them; numbers with a digit more than the scale.
    auto text = [&x](double value) {
        return x.text ? x.text->value(value) : QString::number(value, 'f', std::clamp(x.decimals + 1, 0, 9));
    };
    m_limits->setText(tr("X：%1 至 %2").arg(text(view.xLower), text(view.xUpper)));
    m_limits->adjustSize();
    m_limits->move(2, m_view->height() - m_limits->height() - 2);
    m_limits->show();
    m_limits->raise();
}
