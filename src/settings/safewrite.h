#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's whole content so that a crash at any moment leaves either the old or the
// new content on disk, never a mixture: the bytes go to a new file in the same folder, are
// synced, and that file is renamed over the old one. An existing file keeps its permission
// bits and, where allowed, its owner. A symbolic link is followed, not replaced.
//
// Returns false, leaving the file as it was, when the folder is missing, nothing can be created
// there, or the file is read-only. A file without the owner's write bit counts as read-only even
// for a user (root) whom the system would let replace it, as the program's users expect a
// read-only settings file to be left alone.
bool replaceFileContent(const QString &fileName, const QByteArray &content);

// True when fileName exists and may not be replaced by replaceFileContent.
bool isReadOnlyFile(const QString &fileName);
