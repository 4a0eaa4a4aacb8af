#pragma once

// Test helpers around poppler-utils: page count and size, text, and a raster of a PDF.

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pdftools {

inline QString run(const QString &program, const QStringList &args, bool *ok = nullptr)
{
    QProcess process;
    process.start(program, args);
    const bool finished = process.waitForFinished(60000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Info
{
    int pages = 0;
    QSizeF pointSize; // width x height of page 1 in PostScript points
};

inline Info info(const QString &pdf)
{
    Info result;
    const QString text = run(QStringLiteral("pdfinfo"), {pdf});
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
    if (pages.hasMatch())
        result.pages = pages.captured(1).toInt();
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
    if (size.hasMatch())
        result.pointSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return result;
}

inline QString text(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

// Page 1 as an image at dpi dots per inch (pdftoppm applies the page's rotation).
inline QImage raster(const QString &pdf, int dpi)
{
    QTemporaryDir dir;
    const QString stem = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QStringLiteral("1"),
                                     QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
                                     QStringLiteral("-png"), pdf, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace pdftools
