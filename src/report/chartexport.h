#pragma once

#include <QString>

class QImage;
struct ReportPage;

// The one way a chart becomes a file, for the chart window's "save", tabrovex-plot and the
// tests: the screen chart's picture as PNG, the printed page as PDF or as a PNG of the page.
// The file is written whole or not at all (safewrite::writeFile): a regular file is replaced
// only once complete, leaving an older file of that name as it was on failure; a device or
// FIFO such as /dev/null is written directly. A failed write raises AppError "Unable to write
// to <path>"; a page that cannot be painted raises its own error.
namespace chartexport {

enum class Format { Unknown, Png, Pdf };

// By the name's extension, in any case: ".png" or ".pdf".
Format formatOf(const QString &path);

// The extension (".png", ".pdf") of a format.
QString extensionOf(Format format);

void savePicturePng(const QImage &picture, const QString &path);
void savePagePdf(const ReportPage &page, const QString &path, int dpi = 1200);
void savePagePng(const ReportPage &page, const QString &path, int dpi);

}
