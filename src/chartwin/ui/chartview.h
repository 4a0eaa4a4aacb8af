#pragma once

#include "chartwin/readout.h"

#include <QWidget>

#include <functional>

class QRImage;

// Shows an image element's picture from its top-left corner at the picture's own size, one
// bitmap pixel to one device pixel (the chart is drawn at the screen's pixel ratio), so it
// stays sharp at any screen scale. Positions are the chart's own drawing pixels. With a
// read-out source it shows the values under the pointer, and it hands right clicks to a
// context menu handler.
class ChartView : public QWidget
{
    Q_OBJECT
public:
    ChartView(QRImage *element, QWidget *parent = nullptr);
    ~ChartView() override;

    // Works out the read-out for a position in the chart's drawing pixels.
    using ReadoutSource = std::function<readout::Readout(QPoint)>;
    void setReadoutSource(ReadoutSource source);
    void setContextMenuHandler(std::function<void(QPoint globalPos)> handler);

    // What is shown now (visible false when nothing is), and where the box of it lies.
    const readout::Readout &currentReadout() const { return m_readout; }
    QRect readoutBox() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void hideReadout();

    QRImage *m_element;
    ReadoutSource m_readoutSource;
    std::function<void(QPoint)> m_contextMenu;
    readout::Readout m_readout;
    QPoint m_pointer; // widget position the read-out belongs to
};
