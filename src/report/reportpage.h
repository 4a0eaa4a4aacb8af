#pragma once

#include <QColor>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

// Paper, orientation, margins and columns of a report page. Lengths in tenths of a mm.
struct ReportPageSetup
{
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    qreal leftMargin = 0;
    qreal topMargin = 0;
    qreal rightMargin = 0;
    qreal bottomMargin = 0;
    int columns = 1;
    qreal columnSpace = 0;
};

// Something that sits on a band and prints itself into a rectangle of the device.
class ReportElement
{
public:
    virtual ~ReportElement() = default;

    // getters:
    virtual bool isEnabled() const = 0;
    // Position and size on the band in tenths of a mm. Elements that size themselves to
    // their content need the painter that will print them to measure it.
    virtual QRectF bandRect(const QPainter &painter) const = 0;

    // Prints into deviceRect (device pixels); the painter is already clipped to it.
    virtual void print(QPainter &painter, const QRectF &deviceRect) const = 0;
};

// A band that prints once per run, also when the report has no data source.
struct ReportBand
{
    qreal width = 0;   // tenths of a mm; 0 spans the column
    qreal height = 0;  // tenths of a mm
    QColor color = Qt::white;
    std::vector<const ReportElement *> elements; // not owned, printed in this order
};

struct ReportPage
{
    ReportPageSetup setup;
    ReportBand summary;
    QString title = QStringLiteral("Tabrovex"); // name of the print job
};

namespace reportlayout {

// Paper size in tenths of a mm, turned for landscape.
QSizeF paperSize(const ReportPageSetup &setup);
// Width of one column between the side margins.
qreal columnWidth(const ReportPageSetup &setup);
// Where the summary band lands on the paper: the top left corner of the first column.
QRectF summaryRect(const ReportPage &page);

} // namespace reportlayout
