#include "base/safewrite.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safewrite {

namespace {

// The kernel gives up after 40 links too; a longer chain is treated as a loop.
constexpr int MaxLinkHops = 40;

QByteArray folderOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

bool writeAllAt(int fd, const QByteArray &content, off_t offset)
{
    const char *p = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, p, size_t(left), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
        offset += n;
    }
    return true;
}

bool isReadOnlyPath(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || ::access(path.constData(), W_OK) != 0;
}

// A fresh, exclusive file beside the target; its name starts with the target's so that a
// leftover from a crash is easy to recognise. On failure errno tells why.
int createTemporary(const QByteArray &target, QByteArray *tempName)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        *tempName = target + QStringLiteral(".%1.tmp")
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                                 .toLatin1();
        const int fd = ::open(tempName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// For a folder that refuses new files: the old bytes are kept in memory and written back if
// any step fails, so the file ends with either its old or its new content.
bool writeInPlace(const QByteArray &target, const FileContent &newContent)
{
    QByteArray content;
    if (!newContent.toBytes(&content))
        return false;
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat st;
    QByteArray backup;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && readAllAt(fd, qsizetype(st.st_size), &backup);
    if (!ok) {
        ::close(fd);
        return false;
    }
    // Writing over the old bytes before truncating keeps their disk blocks, so a disk that
    // fills up midway still has room for the way back.
    ok = writeAllAt(fd, content, 0) && ::ftruncate(fd, off_t(content.size())) == 0 && ::fsync(fd) == 0;
    if (!ok) {
        writeAllAt(fd, backup, 0);
        ::ftruncate(fd, off_t(backup.size()));
        ::fsync(fd);
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

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

bool folderRefuses(int err)
{
    return err == EACCES || err == EPERM;
}

}

bool readAllAt(int fd, qsizetype size, QByteArray *content)
{
    content->resize(size);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, content->data() + done, size_t(size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool writeFully(int fd, const QByteArray &bytes, qint64 offset)
{
    return writeAllAt(fd, bytes, off_t(offset));
}

bool resolveSymlinks(const QString &fileName, QByteArray *target)
{
    QByteArray path = QFile::encodeName(QFileInfo(fileName).absoluteFilePath());
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            // A missing end is fine: that is where a new file goes.
            *target = path;
            return true;
        }
        QByteArray link(4096, Qt::Uninitialized);
        ssize_t n;
        while ((n = ::readlink(path.constData(), link.data(), size_t(link.size()))) == link.size())
            link.resize(link.size() * 2);
        if (n <= 0)
            return false;
        link.truncate(n);
        // A relative link counts from its own folder.
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    return false;
}

bool isReadOnlyFile(const QString &fileName)
{
    QByteArray target;
    return !resolveSymlinks(fileName, &target) || isReadOnlyPath(target);
}

bool replaceFileContent(const QString &fileName, const FileContent &content)
{
    QByteArray target;
    if (!resolveSymlinks(fileName, &target))
        return false;
    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && isReadOnlyPath(target))
        return false;

    QByteArray tempName;
    const int fd = createTemporary(target, &tempName);
    if (fd < 0)
        return exists && folderRefuses(errno) && writeInPlace(target, content);
    bool ok = content.writeTo(fd);
    if (ok && exists) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        // Only root may give a file away; for anyone else the owner is already right.
        if (ok && ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(tempName.constData());
        return false;
    }
    if (::rename(tempName.constData(), target.constData()) != 0) {
        // A sticky folder lets us create our own file but not replace someone else's.
        const int err = errno;
        ::unlink(tempName.constData());
        return exists && folderRefuses(err) && writeInPlace(target, content);
    }

    // The rename itself must reach the disk too, or a crash could bring the old file back.
    const int dirFd = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool replaceFileContent(const QString &fileName, const QByteArray &content)
{
    class Bytes : public FileContent
    {
    public:
        explicit Bytes(const QByteArray &bytes) : m_bytes(bytes) {}
        bool writeTo(int fd) const override { return writeAllAt(fd, m_bytes, 0); }
        bool toBytes(QByteArray *bytes) const override
        {
            *bytes = m_bytes;
            return true;
        }

    private:
        const QByteArray &m_bytes;
    };
    return replaceFileContent(fileName, Bytes(content));
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
