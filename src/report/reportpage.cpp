#include "report/reportpage.h"

namespace reportlayout {

QSizeF paperSize(const ReportPageSetup &setup)
{
    const QSizeF mm = QPageSize(setup.paper).size(QPageSize::Millimeter);
    const QSizeF tenths = mm * 10.0;
    return setup.orientation == QPageLayout::Landscape ? tenths.transposed() : tenths;
}

qreal columnWidth(const ReportPageSetup &setup)
{
    const int columns = qMax(1, setup.columns);
    const qreal free = paperSize(setup).width() - setup.leftMargin - setup.rightMargin
            - setup.columnSpace * (columns - 1);
    return free / columns;
}

QRectF summaryRect(const ReportPage &page)
{
    // A band without a width of its own spans its column.
    const qreal width = page.summary.width > 0 ? page.summary.width : columnWidth(page.setup);
    return QRectF(page.setup.leftMargin, page.setup.topMargin, width, page.summary.height);
}

} // namespace reportlayout
