#pragma once

#include <QWidget>

class QRImage;

// Shows an image element's picture from its top-left corner at the picture's own size, one
// picture pixel to one device pixel, so the chart stays sharp at any screen scale.
class ChartView : public QWidget
{
    Q_OBJECT
public:
    ChartView(QRImage *element, QWidget *parent = nullptr);
    ~ChartView() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRImage *m_element;
};
