#include "chartwin/chartview.h"

#include "report/reportimage.h"

#include <QPainter>

ChartView::ChartView(QRImage *element, QWidget *parent)
    : QWidget(parent), m_element(element)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_element->setOnChanged([this] { update(); });
}

ChartView::~ChartView()
{
    m_element->setOnChanged(nullptr);
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!m_element->hasPicture())
        return;
    QImage image = m_element->picture();
    image.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPoint(0, 0), image);
}
