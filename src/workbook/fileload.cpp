#include "workbook/fileload.h"

#include "base/apperror.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/mman.h>
#include <unistd.h>

namespace workbook {

QString tooLargeReason()
{
    return QStringLiteral("文件太大（超过 %1 MB）").arg(MaxFileBytes >> 20);
}

QString outOfMemoryReason()
{
    return QStringLiteral("内存不足");
}

void refuse(const QString &name, const QString &reason)
{
    throw AppError(QStringLiteral("无法打开工作簿 %1：%2").arg(name, reason));
}

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor() { if (fd >= 0) ::close(fd); }
};

// The open descriptor of a regular file no larger than MaxFileBytes, and its size.
qint64 openChecked(const QString &path, Descriptor &file)
{
    if (path.isEmpty())
        refuse(path, QStringLiteral("文件不存在"));
    const QByteArray native = QFile::encodeName(path);
    // Opened without blocking and checked on the descriptor itself: a FIFO would otherwise
    // wait for a writer forever, and a device such as /dev/zero never ends.
    file.fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            refuse(path, QStringLiteral("文件不存在"));
        refuse(path, QStringLiteral("无法读取文件"));
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        refuse(path, QStringLiteral("无法读取文件"));
    if (S_ISDIR(info.st_mode))
        refuse(path, QStringLiteral("无法读取文件"));
    if (!S_ISREG(info.st_mode))
        refuse(path, QStringLiteral("不是普通文件"));
    if (info.st_size > MaxFileBytes)
        refuse(path, tooLargeReason());
    return qint64(info.st_size);
}

}

QByteArray loadFile(const QString &path)
{
    Descriptor file;
    const qint64 size = openChecked(path, file);

    QByteArray bytes;
    try {
        bytes.resize(qsizetype(size));
    } catch (const std::bad_alloc &) {
        refuse(path, outOfMemoryReason());
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refuse(path, QStringLiteral("无法读取文件"));
        if (got == 0)
            break; // the file shrank while being read: what is there is the file
        done += got;
    }
    bytes.truncate(done);
    // A file that grew after the size check: read no more than the bound allows.
    char probe;
    if (done == qsizetype(size) && ::read(file.fd, &probe, 1) > 0)
        refuse(path, QStringLiteral("文件在读取时被修改"));
    return bytes;
}

MappedFile::MappedFile(const QString &path)
{
    Descriptor file;
    const qint64 size = openChecked(path, file);
    if (size == 0)
        return; // nothing to map: an empty file
    // Populated at once: the reader goes through every byte, and one call maps the pages
    // far cheaper than a fault each.
    void *data = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.fd, 0);
    if (data == MAP_FAILED)
        refuse(path, errno == ENOMEM ? outOfMemoryReason() : QStringLiteral("无法读取文件"));
    ::madvise(data, size_t(size), MADV_SEQUENTIAL);
    m_data = data;
    m_size = qsizetype(size);
}

MappedFile::~MappedFile()
{
    if (m_data)
        ::munmap(m_data, size_t(m_size));
}

QByteArray MappedFile::bytes() const
{
    return m_data ? QByteArray::fromRawData(static_cast<const char *>(m_data), m_size) : QByteArray();
}

}
