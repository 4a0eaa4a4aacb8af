#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

class QImage;
struct ReportPage;

// What tabrovex-plot writes, written whole or not at all: a failed write leaves neither a
// truncated file nor a changed old one, and is never reported as success.
namespace plotoutput {

// A regular file (new or existing, also at the end of a chain of links) gets a temporary
// file in its folder that is synced and renamed over it. An existing device or FIFO is
// written directly, without waiting for a reader. Every write is checked.
bool writeFile(const QString &path, const QByteArray &bytes);

// The encoded picture; empty when it cannot be encoded.
QByteArray png(const QImage &image);

// The page as a PDF document at the given resolution. Raises AppError like renderReport.
QByteArray pdf(const ReportPage &page, int dpi = 1200);

// Writes and flushes; false when any byte did not go out.
bool writeStream(FILE *stream, const QByteArray &bytes);

// The message every failed output gives.
QString unableToWrite(const QString &path);

}
