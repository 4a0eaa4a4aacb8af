#include "chartwin/ui/chartview.h"

#include "base/colorref.h"
#include "report/reportimage.h"
#include "widgets/widgetstyle.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace {

constexpr int BoxPadding = 4;
constexpr int PointerGap = 14;

QFont readoutFont()
{
    return widgetstyle::songti(12);
}

}

ChartView::ChartView(QRImage *element, QWidget *parent)
    : QWidget(parent), m_element(element)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A new drawing makes the shown values stale; the next move reads them afresh.
    m_element->setOnChanged([this] {
        m_readout = readout::Readout();
        update();
    });
}

ChartView::~ChartView()
{
    m_element->setOnChanged(nullptr);
}

void ChartView::setReadoutSource(ReadoutSource source)
{
    m_readoutSource = std::move(source);
    setMouseTracking(bool(m_readoutSource));
    hideReadout();
}

void ChartView::setContextMenuHandler(std::function<void(QPoint)> handler)
{
    m_contextMenu = std::move(handler);
}

QRect ChartView::readoutBox() const
{
    if (!m_readout.visible)
        return QRect();
    const QFontMetrics metrics(readoutFont());
    int textWidth = 0;
    for (const readout::Line &line : m_readout.lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line.text));
    const QSize size(textWidth + 2 * BoxPadding, int(m_readout.lines.size()) * metrics.height() + 2 * BoxPadding);
    // Beside the pointer, turned to the other side where the chart's edge would cut it.
    QPoint corner = m_pointer + QPoint(PointerGap, PointerGap);
    if (corner.x() + size.width() > width())
        corner.setX(m_pointer.x() - PointerGap - size.width());
    if (corner.y() + size.height() > height())
        corner.setY(m_pointer.y() - PointerGap - size.height());
    return QRect(QPoint(std::max(corner.x(), 0), std::max(corner.y(), 0)), size);
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Window);
    if (!m_element->hasPicture()) {
        painter.fillRect(rect(), background);
        return;
    }
    // The picture carries the screen's pixel ratio: one bitmap pixel to one device pixel.
    // It is opaque, so only what it leaves uncovered needs the background (a part of a
    // pixel at an odd size included: the picture is drawn over it).
    const QImage &picture = m_element->picture();
    const qreal ratio = picture.devicePixelRatio();
    const QRect covered(0, 0, int(picture.width() / ratio), int(picture.height() / ratio));
    for (const QRect &uncovered : QRegion(rect()).subtracted(covered))
        painter.fillRect(uncovered, background);
    painter.drawImage(QPoint(0, 0), picture);
    if (!m_readout.visible)
        return;

    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(m_readout.point), 4, 4);

    const QRect box = readoutBox();
    painter.setPen(Qt::black);
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(readoutFont());
    const QFontMetrics metrics(painter.font());
    int y = box.top() + BoxPadding + metrics.ascent();
    for (const readout::Line &line : m_readout.lines) {
        painter.setPen(colorref::toQColor(line.color));
        painter.drawText(box.left() + BoxPadding, y, line.text);
        y += metrics.height();
    }
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (!m_readoutSource)
        return;
    const QPoint at = event->position().toPoint();
    m_readout = m_readoutSource(at);
    m_pointer = at;
    update();
}

void ChartView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    hideReadout();
}

void ChartView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_contextMenu) {
        QWidget::contextMenuEvent(event);
        return;
    }
    hideReadout();
    m_contextMenu(event->globalPos());
    event->accept();
}

void ChartView::hideReadout()
{
    if (!m_readout.visible)
        return;
    m_readout = readout::Readout();
    update();
}
