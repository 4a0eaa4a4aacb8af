#pragma once

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>

#include <memory>

// A zip package (Office Open XML, OpenDocument) read through libgsf. Part names match
// without regard to case, as the package formats require. Raises FormatRefused
// (sheetbuilder.h) for an encrypted or damaged zip and for a part too large to be sane.
namespace package {

class ZipPackage {
public:
    // Decompressed parts larger than this are refused: no workbook the program can show
    // needs one, and a small hostile zip could otherwise claim gigabytes.
    static constexpr qint64 MaxPartBytes = qint64(512) << 20;

    // `bytes` must outlive the package: libgsf reads it in place.
    explicit ZipPackage(const QByteArray &bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    bool contains(const QString &part) const;

    // A sequential device over the decompressed part, or nullptr when there is none. A read
    // past MaxPartBytes or a damaged stream makes the device fail; failure() says why.
    std::unique_ptr<QIODevice> open(const QString &part) const;
    // The whole of a small part (at most `limit` bytes; longer is refused as damaged).
    QByteArray readAll(const QString &part, qint64 limit) const;

private:
    void index(void *infile, const QString &prefix, int depth);
    // Lower case, folders separated by "/" (some writers use backslashes in entry names).
    static QString key(const QString &part);

    void *m_input = nullptr;  // GsfInput over the bytes
    void *m_infile = nullptr; // GsfInfile (zip)
    QHash<QString, QString> m_partNames; // key() -> name as stored
};

// Why a device from ZipPackage::open() stopped, or an empty text when it did not fail.
QString partFailure(const QIODevice *device);

// Keeps libgsf's and GLib's warnings off the terminal (damaged files are reported to the
// user as such) and initialises libgsf once.
void initGsfQuietly();

}
