#pragma once

#include <QByteArray>
#include <QString>

// Opens a settings-sized file without ever waiting: a FIFO, a device, a folder or a file
// above maxBytes is not opened for reading at all, so neither a pipe nobody writes to nor
// /dev/zero can hold up or exhaust the program.
enum class FileRead {
    Done,     // open for reading
    Absent,   // no such file (or a folder on the way is missing)
    Refused,  // exists but is no regular file, is too large, or cannot be read
};

class RegularFile
{
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    FileRead open(const QString &fileName, qint64 maxBytes);
    int fd() const { return m_fd; }
    qint64 size() const { return m_size; }

private:
    int m_fd = -1;
    qint64 m_size = 0;
};
