#pragma once

#include "report/reportpage.h"

#include <QColor>
#include <QString>

// A text label on a band.
class ReportLabel : public ReportElement
{
public:
    ReportLabel() = default;

    // ReportElement:
    bool isEnabled() const override { return enabled; }
    QRectF bandRect(const QPainter &painter) const override;
    void print(QPainter &painter, const QRectF &deviceRect) const override;

    // Text flags for QPainter::drawText: horizontal alignment, top line first.
    int textFlags() const;

    // properties (lengths in tenths of a mm):
    QString caption;
    QString fontFamily = QStringLiteral("Sans Serif");
    qreal fontPointSize = 10;
    QColor textColor = Qt::black;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool autoSize = false;  // the label takes the size of its text instead of width x height
    bool wordWrap = false;
    bool transparent = false;
    QColor color = Qt::white; // background, painted unless transparent
    bool enabled = true;
    qreal left = 0;
    qreal top = 0;
    qreal width = 0;
    qreal height = 0;
};
