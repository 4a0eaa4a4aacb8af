#include "settings/filebytes.h"

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
