#pragma once

#include <QImage>
#include <QString>

class QPagedPaintDevice;
class QPainter;
struct ReportPage;

// The one routine that puts a report page on paper, a PDF or any other paged device:
// sets the device's page to the report's paper and orientation, paints the summary band
// and its enabled elements, each clipped to its rectangle. Raises AppError when the
// device refuses the page or cannot be painted on.
void renderReport(const ReportPage &page, QPagedPaintDevice &device);

// Paints the page onto a painter whose device has `dpi` dots per inch, from the paper's
// corner: the summary band and its enabled elements, each clipped to its rectangle.
void paintReport(const ReportPage &page, QPainter &painter, qreal dpi);

// The page as a picture on white paper (for previews and report/chartexport.h).
QImage renderReportToImage(const ReportPage &page, int dpi);
