#pragma once

#include <QString>

class QImage;
struct ReportPage;

// Saving a chart as a file: the screen chart's picture as PNG, the printed page as PDF (or
// as a PNG of the page). Every writer goes through a temporary file that replaces the
// target only once complete, and raises AppError "Unable to write to <path>" on failure,
// leaving an older file of that name as it was.
namespace chartexport {

enum class Format { Unknown, Png, Pdf };

// By the name's extension, in any case: ".png" or ".pdf".
Format formatOf(const QString &path);

// The extension (".png", ".pdf") of a format.
QString extensionOf(Format format);

void savePicturePng(const QImage &picture, const QString &path);
void savePagePdf(const ReportPage &page, const QString &path);
void savePagePng(const ReportPage &page, const QString &path, int dpi);

}
