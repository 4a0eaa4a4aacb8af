#include "cli/plotoutput.h"

#include "report/reportpage.h"
#include "report/reportrender.h"
#include "settings/safewrite.h"

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plotoutput {

namespace {

// /dev/null, /dev/full, a terminal or a pipe: there is no file to replace, only a stream.
bool writeDevice(const QByteArray &target, const QByteArray &bytes)
{
    // Non-blocking to open, so a FIFO without a reader fails at once instead of waiting.
    const int fd = ::open(target.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    bool ok = ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok) {
            p += n;
            left -= n;
        }
    }
    return ::close(fd) == 0 && ok;
}

}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QByteArray target;
    if (!resolveSymlinks(path, &target))
        return false;
    struct stat st;
    if (::stat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return writeDevice(target, bytes);
    return replaceFileContent(path, bytes);
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return QByteArray();
    return bytes;
}

QByteArray pdf(const ReportPage &page, int dpi)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        // The document is complete once the writer is gone.
        QPdfWriter writer(&buffer);
        writer.setResolution(dpi);
        writer.setCreator(QStringLiteral("Tabrovex"));
        writer.setTitle(page.title);
        renderReport(page, writer);
    }
    return bytes;
}

bool writeStream(FILE *stream, const QByteArray &bytes)
{
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == size_t(bytes.size()) && !std::ferror(stream);
}

QString unableToWrite(const QString &path)
{
    return QStringLiteral("Unable to write to %1").arg(path);
}

}
