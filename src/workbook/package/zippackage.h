#pragma once

#include "workbook/package/zipdirectory.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

// A zip package (Office Open XML, OpenDocument) held in memory. Part names match without
// regard to case, as the package formats require. A part is read as a stream, inflated
// (zlib) as it is read, so no part is ever held whole unless a reader asks for it (a sheet
// of a million rows inflates to gigabytes, scanned as it comes). Raises FormatRefused
// (workbook/sheetbuilder.h) for an encrypted or damaged zip and for a part too compressed to
// be sane.
namespace package {

class ZipPackage {
public:
    // Parts that inflate beyond RatioFreeBytes may grow at most MaxRatio times their packed
    // size. Real parts stay far below it (XML deflates 5 to 50 times); deflate's own limit
    // is about 1000, which only a part made to be a bomb comes near.
    static constexpr qint64 MaxRatio = 200;
    static constexpr qint64 RatioFreeBytes = qint64(16) << 20;

    // `bytes` must outlive the package: parts are read from it in place.
    explicit ZipPackage(const QByteArray &bytes);

    bool contains(const QString &part) const;

    // A sequential device over the decompressed part, or nullptr when there is none. A
    // damaged stream or one past the ratio makes the device fail; partFailure() says why.
    std::unique_ptr<QIODevice> open(const QString &part) const;
    // The whole of a small part (at most `limit` bytes; longer is refused).
    QByteArray readAll(const QString &part, qint64 limit) const;

private:
    // Lower case, folders separated by "/" (some writers use backslashes in entry names).
    static QString key(const QString &part);

    const ZipEntry *find(const QString &part) const;

    QByteArray m_bytes;
    std::vector<ZipEntry> m_entries;
    // Part names to entries, the first of entries with one name: as stored, and by key().
    // A name as stored wins over another that differs from it only in case.
    QHash<QString, int> m_exact;
    QHash<QString, int> m_index;
};

// Why a device from ZipPackage::open() stopped, or an empty text when it did not fail.
QString partFailure(const QIODevice *device);

// The refusal of a part that inflates beyond ZipPackage::MaxRatio.
QString ratioReason(const QString &part);

}
