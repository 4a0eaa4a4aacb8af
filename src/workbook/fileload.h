#pragma once

#include <QByteArray>
#include <QString>

// Reading a workbook file from disk, whatever its format. Every reader refuses a workbook
// in the same words: "无法打开工作簿 <name>：<reason>", raised as AppError.
namespace workbook {

// Largest workbook file read. The readers hold the file and what they build from it in
// memory, so a bigger file is refused before a byte of it is read.
inline constexpr qint64 MaxFileBytes = qint64(1) << 30;

// Reasons users can act on, shared by every reader.
QString tooLargeReason();   // the file is above MaxFileBytes
QString outOfMemoryReason(); // memory ran out while reading

[[noreturn]] void refuse(const QString &name, const QString &reason);

// The whole file's bytes; refuses a missing file, anything that is not a regular file
// (folder, FIFO, device), a file above MaxFileBytes and a file that cannot be read.
QByteArray loadFile(const QString &path);

// A file's bytes mapped read-only instead of copied, with the refusals of loadFile. Long
// delimited-text logs are read straight from the mapping. bytes() does not copy; it is valid
// while the MappedFile lives.
class MappedFile {
public:
    explicit MappedFile(const QString &path);
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    QByteArray bytes() const;

private:
    void *m_data = nullptr;
    qsizetype m_size = 0;
};

}
