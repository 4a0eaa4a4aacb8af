#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <ctime>

// Reading a workbook file from disk, whatever its format. Every reader refuses a workbook
// in the same words: "无法打开工作簿 <name>：<reason>", raised as AppError.
namespace workbook {

// Largest workbook file read. The readers hold the file and what they build from it in
// memory, so a bigger file is refused before a byte of it is read.
inline constexpr qint64 MaxFileBytes = qint64(1) << 30;

// Reasons users can act on, shared by every reader.
QString tooLargeReason();   // the file is above MaxFileBytes
QString outOfMemoryReason(); // memory ran out while reading
QString changedReason();     // the file shrank, was replaced or deleted during the read

[[noreturn]] void refuse(const QString &name, const QString &reason);

// The whole file's bytes; refuses a missing file, anything that is not a regular file
// (folder, FIFO, device), a file above MaxFileBytes, a file that cannot be read and one that
// changed its size while it was read.
QByteArray loadFile(const QString &path);

// The first `length` bytes of a file (fewer when it is shorter), with the refusals of
// loadFile, and where its first hole is: a run of NUL bytes the file system keeps without
// storing them (-1 when there is none). A reader can refuse a file by these before mapping it.
QByteArray readHead(const QString &path, qsizetype length, qint64 *firstHole);

// A file's bytes mapped read-only instead of copied, with the refusals of loadFile. Long
// delimited-text logs are read straight from the mapping. bytes() does not copy; it is valid
// while the MappedFile lives. Loggers write and rotate their files while the program reads
// them: pages the file loses under the mapping read as zeros instead of killing the program,
// and checkUnchanged() then refuses the read.
class MappedFile {
public:
    explicit MappedFile(const QString &path);
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    QByteArray bytes() const;
    // Refuses with changedReason() when, since the mapping was made, the file shrank, was
    // rewritten in place, or its name now leads to another file or to none. A file that
    // only grew is fine: what was mapped is a whole earlier state of it.
    void checkUnchanged() const;
    // The size mapped, and which file it is.
    qsizetype size() const { return m_size; }
    dev_t device() const { return m_device; }
    ino_t inode() const { return m_inode; }

private:
    QString m_path;
    int m_fd = -1;
    int m_watch = -1;
    void *m_data = nullptr;
    qsizetype m_size = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    timespec m_modified{};
};

}
