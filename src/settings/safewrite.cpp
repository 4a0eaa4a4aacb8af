#include "settings/safewrite.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString resolvedPath(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink())
        return info.symLinkTarget();
    return info.absoluteFilePath();
}

bool writeAll(int fd, const QByteArray &content)
{
    const char *p = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// A fresh, exclusive file beside the target; its name starts with the target's so that a
// leftover from a crash is easy to recognise.
int createTemporary(const QString &target, QByteArray *tempName)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        *tempName = QFile::encodeName(target + QStringLiteral(".%1.tmp")
                                           .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(tempName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}

bool isReadOnlyFile(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(resolvedPath(fileName));
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || ::access(path.constData(), W_OK) != 0;
}

bool replaceFileContent(const QString &fileName, const QByteArray &content)
{
    const QString target = resolvedPath(fileName);
    const QByteArray targetPath = QFile::encodeName(target);
    struct stat old;
    const bool exists = ::stat(targetPath.constData(), &old) == 0;
    if (exists && isReadOnlyFile(target))
        return false;

    QByteArray tempName;
    const int fd = createTemporary(target, &tempName);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, content);
    if (ok && exists) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        // Only root may give a file away; for anyone else the owner is already right.
        if (ok && ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempName.constData(), targetPath.constData()) == 0;
    if (!ok) {
        ::unlink(tempName.constData());
        return false;
    }

    // The rename itself must reach the disk too, or a crash could bring the old file back.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
