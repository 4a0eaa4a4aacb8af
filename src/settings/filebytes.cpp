#include "settings/filebytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

}

FileRead readRegularFile(const QString &fileName, qint64 maxBytes, QByteArray *content)
{
    content->clear();
    // Non-blocking, or opening a FIFO would wait for a writer that never comes.
    const Descriptor file(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd() < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Absent : FileRead::Refused;
    struct stat st;
    if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes)
        return FileRead::Refused;

    // The size is a first guess only: the file may grow or shrink while it is read.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
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
