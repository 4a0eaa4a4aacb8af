#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Writing files whole or not at all, for the settings file and for every chart written out;
// the one place that words a failed write.
namespace safewrite {

// Replaces a file's whole content so that a crash at any moment leaves either the old or the
// new content on disk, never a mixture: the bytes go to a new file in the same folder, are
// synced, and that file is renamed over the old one. An existing file keeps its permission
// bits and, where allowed, its owner. A chain of symbolic links is followed to its end, and
// the links stay links.
//
// When the folder lets nobody create or replace files there but the file itself is writable,
// the file is rewritten in place instead (written, truncated, synced); should that fail, its
// former bytes are written back.
//
// Returns false, leaving the file as it was, when the folder is missing, nothing can be created
// there, the file is read-only or is no regular file, or the links form a loop. A file without
// the owner's write bit counts as read-only even for a user (root) whom the system would let
// replace it, as the program's users expect a read-only settings file to be left alone.
bool replaceFileContent(const QString &fileName, const QByteArray &content);

// New content made on demand, so a large file can be copied piece by piece into the
// temporary file; only the in-place write needs it whole in memory.
class FileContent
{
public:
    virtual ~FileContent() = default;
    // Writes the whole content from offset 0 of fd; false when any write fails.
    virtual bool writeTo(int fd) const = 0;
    virtual bool toBytes(QByteArray *bytes) const = 0;
};

bool replaceFileContent(const QString &fileName, const FileContent &content);

// An output file: a regular file (new or existing, also at the end of a chain of links) is
// replaced as by replaceFileContent; an existing device or FIFO (/dev/null, a pipe) has no
// file to replace and is written directly, without waiting for a reader. False when any
// byte did not go out.
bool writeFile(const QString &path, const QByteArray &bytes);

// Writes and flushes; false when any byte did not go out.
bool writeStream(FILE *stream, const QByteArray &bytes);

// Writes all of bytes at offset, going on after short writes; false on any failure.
bool writeFully(int fd, const QByteArray &bytes, qint64 offset);

// Reads `size` bytes from offset 0 of fd into content, going on after short reads; false on
// any failure or an early end.
bool readAllAt(int fd, qsizetype size, QByteArray *content);

// True when fileName exists and may not be replaced by replaceFileContent.
bool isReadOnlyFile(const QString &fileName);

// The file that a chain of symbolic links ends at (which need not exist), as a native path;
// false for a loop or a link that cannot be read.
bool resolveSymlinks(const QString &fileName, QByteArray *target);

// The message of every failed write: "Unable to write to <path>", the path as the user
// should see it.
QString unableToWrite(const QString &path);

}
