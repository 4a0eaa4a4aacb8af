#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The central directory of a zip file held in memory, walked once from start to end (a
// directory of any length costs time in proportion to it). Raises FormatRefused
// (workbook/sheetbuilder.h) for a directory that cannot be found or walked, and for an encrypted
// entry.
namespace package {

struct ZipEntry {
    QString name;              // as stored
    std::uint64_t localOffset; // of the entry's local header in the file
    std::uint64_t packedSize;
    std::uint64_t size;       // decompressed, as the directory says
    std::uint16_t method;     // 0 stored, 8 deflated
};

// Every entry that is a file (folder entries, whose names end in "/", are left out), in
// directory order.
std::vector<ZipEntry> readZipDirectory(const QByteArray &bytes);

// Where the entry's compressed bytes start in `bytes`; refuses an entry whose local header
// or data lie outside the file. Checked only for the entries read, as a damaged entry the
// workbook does not need harms nothing.
std::uint64_t zipDataOffset(const QByteArray &bytes, const ZipEntry &entry);

}
