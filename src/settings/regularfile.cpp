#include "settings/regularfile.h"

#include <QFile>

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
    // A device is not even opened: for some, opening alone does something.
    const QByteArray path = QFile::encodeName(fileName);
    struct stat st;
    if (::stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return FileRead::Refused;
    // Non-blocking all the same, or a FIFO put there meanwhile would wait for a writer.
    m_fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Absent : FileRead::Refused;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes)
        return FileRead::Refused;
    m_size = st.st_size;
    return FileRead::Done;
}
