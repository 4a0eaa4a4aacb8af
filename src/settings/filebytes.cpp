#include "settings/filebytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileRead RegularFile::open(const QString &fileName, qint64 maxBytes)
{
    // Non-blocking, or opening a FIFO would wait for a writer that never comes.
    m_fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Absent : FileRead::Refused;
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes)
        return FileRead::Refused;
    m_size = st.st_size;
    return FileRead::Done;
}

FileRead readRegularFile(const QString &fileName, qint64 maxBytes, QByteArray *content)
{
    content->clear();
    RegularFile file;
    const FileRead opened = file.open(fileName, maxBytes);
    if (opened != FileRead::Done)
        return opened;

    // The size is a first guess only: the file may grow or shrink while it is read.
    QByteArray bytes(qsizetype(file.size()) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes)
                return FileRead::Refused;
            bytes.resize(std::min<qint64>(maxBytes + 1, qint64(used) * 2 + 4096));
        }
        const ssize_t n = ::read(file.fd(), bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileRead::Refused;
        if (n == 0)
            break;
        used += n;
    }
    if (used > maxBytes)
        return FileRead::Refused;
    bytes.truncate(used);
    *content = std::move(bytes);
    return FileRead::Done;
}
