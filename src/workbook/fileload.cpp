#include "workbook/fileload.h"

#include "base/apperror.h"
#include "workbook/mapguard.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace workbook {

QString tooLargeReason()
{
    return QCoreApplication::translate("workbook", "文件太大（超过 %1 MB）").arg(MaxFileBytes >> 20);
}

QString outOfMemoryReason()
{
    return QCoreApplication::translate("workbook", "内存不足");
}

QString changedReason()
{
    return QCoreApplication::translate("workbook", "文件在读取时被修改或删除");
}

void refuse(const QString &name, const QString &reason)
{
    throw AppError(QCoreApplication::translate("workbook", "无法打开工作簿 %1：%2").arg(name, reason));
}

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor() { if (fd >= 0) ::close(fd); }
};

// The open descriptor of a regular file no larger than MaxFileBytes, and its size.
qint64 openChecked(const QString &path, Descriptor &file, struct stat *opened = nullptr)
{
    if (path.isEmpty())
        refuse(path, QCoreApplication::translate("workbook", "文件不存在"));
    const QByteArray native = QFile::encodeName(path);
    // Opened without blocking and checked on the descriptor itself: a FIFO would otherwise
    // wait for a writer forever, and a device such as /dev/zero never ends.
    file.fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            refuse(path, QCoreApplication::translate("workbook", "文件不存在"));
        refuse(path, QCoreApplication::translate("workbook", "无法读取文件"));
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        refuse(path, QCoreApplication::translate("workbook", "无法读取文件"));
    if (S_ISDIR(info.st_mode))
        refuse(path, QCoreApplication::translate("workbook", "无法读取文件"));
    if (!S_ISREG(info.st_mode))
        refuse(path, QCoreApplication::translate("workbook", "不是普通文件"));
    if (info.st_size > MaxFileBytes)
        refuse(path, tooLargeReason());
    if (opened)
        *opened = info;
    return qint64(info.st_size);
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
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
            refuse(path, QCoreApplication::translate("workbook", "无法读取文件"));
        if (got == 0)
            refuse(path, changedReason()); // it shrank: the rest of it is gone
        done += got;
    }
    // A file that grew after the size check: read no more than the bound allows.
    char probe;
    if (::read(file.fd, &probe, 1) > 0)
        refuse(path, changedReason());
    return bytes;
}

QByteArray readHead(const QString &path, qsizetype length, qint64 *firstHole)
{
    Descriptor file;
    const qint64 size = openChecked(path, file);
    QByteArray head(qsizetype(std::min<qint64>(size, length)), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < head.size()) {
        const ssize_t got = ::pread(file.fd, head.data() + done, size_t(head.size() - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refuse(path, QCoreApplication::translate("workbook", "无法读取文件"));
        if (got == 0)
            break;
        done += got;
    }
    head.truncate(done);
    const off_t hole = ::lseek(file.fd, 0, SEEK_HOLE);
    *firstHole = hole >= 0 && hole < size ? qint64(hole) : -1;
    return head;
}

MappedFile::MappedFile(const QString &path)
    : m_path(path)
{
    Descriptor file;
    struct stat opened {};
    const qint64 size = openChecked(path, file, &opened);
    m_device = opened.st_dev;
    m_inode = opened.st_ino;
    m_modified = opened.st_mtim;
    if (size == 0) {
        std::swap(m_fd, file.fd); // kept for checkUnchanged()
        return; // nothing to map: an empty file
    }
    // Populated at once: the reader goes through every byte, and one call maps the pages
    // far cheaper than a fault each.
    void *data = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.fd, 0);
    if (data == MAP_FAILED)
        refuse(path, errno == ENOMEM ? outOfMemoryReason() : QCoreApplication::translate("workbook", "无法读取文件"));
    std::swap(m_fd, file.fd); // kept for checkUnchanged()
    ::madvise(data, size_t(size), MADV_SEQUENTIAL);
    m_data = data;
    m_size = qsizetype(size);
    m_watch = mapguard::watch(m_data, size_t(m_size));
}

MappedFile::~MappedFile()
{
    mapguard::release(m_watch);
    if (m_data)
        ::munmap(m_data, size_t(m_size));
    if (m_fd >= 0)
        ::close(m_fd);
}

void MappedFile::checkUnchanged() const
{
    if (mapguard::faulted(m_watch))
        refuse(m_path, changedReason());
    struct stat now {};
    if (::fstat(m_fd, &now) != 0 || now.st_size < m_size
        || (now.st_size == m_size && !sameTime(now.st_mtim, m_modified)))
        refuse(m_path, changedReason());
    struct stat named {};
    if (::stat(QFile::encodeName(m_path).constData(), &named) != 0 || named.st_dev != m_device
        || named.st_ino != m_inode)
        refuse(m_path, changedReason());
}

QByteArray MappedFile::bytes() const
{
    return m_data ? QByteArray::fromRawData(static_cast<const char *>(m_data), m_size) : QByteArray();
}

}
