#include "workbook/open.h"

#include "workbook/csv/columnreader.h"
#include "workbook/csv/csvreader.h"
#include "workbook/fileload.h"
#include "workbook/ods/odsreader.h"
#include "workbook/package/zippackage.h"
#include "workbook/sheetbuilder.h"
#include "workbook/xls/xlsreader.h"
#include "workbook/xlsx/xlsxreader.h"

// glib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace workbook {

namespace {

const char oleMagic[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

bool isOle(const QByteArray &bytes)
{
    return bytes.size() >= 8 && memcmp(bytes.constData(), oleMagic, 8) == 0;
}

bool isZip(const QByteArray &bytes)
{
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

// A workbook written without a container starts with a BOF record.
bool isBareBiff(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int id = b[0] | (b[1] << 8);
    const int length = b[2] | (b[3] << 8);
    const bool bof = id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809;
    return bof && length >= 4 && length <= 20;
}

// Keeps libgsf's and GLib's warnings off the terminal (damaged files are reported to the
// user as such) and initialises libgsf once.
void initGsfQuietly()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        const GLogLevelFlags levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL
                                                     | G_LOG_LEVEL_MESSAGE);
        const GLogFunc quiet = [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {};
        for (const char *domain : {"libgsf:msole", "libgsf", "GLib", "GLib-GObject",
                                   static_cast<const char *>(nullptr)})
            g_log_set_handler(domain, levels, quiet, nullptr);
        g_set_print_handler([](const gchar *) {});
        g_set_printerr_handler([](const gchar *) {});
    });
}

// An encrypted Office Open XML workbook is an OLE2 file holding the encrypted package.
bool isEncryptedPackage(const QByteArray &bytes)
{
    initGsfQuietly();
    GsfInput *input = gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.constData()),
                                           gsf_off_t(bytes.size()), FALSE);
    if (!input)
        return false;
    GError *error = nullptr;
    GsfInfile *ole = gsf_infile_msole_new(input, &error);
    if (error)
        g_error_free(error);
    bool encrypted = false;
    if (ole) {
        GsfInput *child = gsf_infile_child_by_name(ole, "EncryptedPackage");
        encrypted = child != nullptr;
        if (child)
            g_object_unref(child);
        g_object_unref(ole);
    }
    g_object_unref(input);
    return encrypted;
}

std::unique_ptr<Workbook> readPackage(const QByteArray &bytes)
{
    if (bytes.startsWith("PK\x05\x06"))
        refuseFormat(reasonNotWorkbook()); // an empty zip: nothing in it, nothing damaged
    const package::ZipPackage package(bytes);
    if (ods::isOpenDocumentPackage(package))
        return ods::readOdsPackage(package);
    if (xlsx::isXlsxPackage(package))
        return xlsx::readXlsxPackage(package);
    refuseFormat(reasonNotWorkbook());
}

}

Kind sniffKind(const QByteArray &bytes)
{
    if (isOle(bytes) || isBareBiff(bytes))
        return Kind::Biff;
    if (isZip(bytes)) {
        try {
            const package::ZipPackage package(bytes);
            if (ods::isOpenDocumentPackage(package))
                return Kind::OpenDocument;
            if (xlsx::isXlsxPackage(package))
                return Kind::OfficeOpenXml;
        } catch (const FormatRefused &) {
        }
        return Kind::Unknown;
    }
    return csv::looksLikeText(bytes) ? Kind::DelimitedText : Kind::Unknown;
}

namespace {

std::unique_ptr<Workbook> openBytesAs(const QByteArray &bytes, const QString &name, TextAs textAs, bool mapped)
{
    if (isOle(bytes) && isEncryptedPackage(bytes))
        refuse(name, reasonEncrypted());
    if (isOle(bytes) || isBareBiff(bytes))
        return xls::readWorkbookBytes(bytes, name, mapped);
    try {
        if (isZip(bytes))
            return readPackage(bytes);
        if (csv::looksLikeText(bytes) && textAs == TextAs::Columns) {
            csv::ColumnReading how;
            how.releaseMappedPages = mapped;
            return csv::readTextColumns(bytes, how);
        }
        if (csv::looksLikeText(bytes))
            return csv::readDelimitedText(bytes);
    } catch (const FormatRefused &refused) {
        refuse(name, refused.reason);
    } catch (const std::bad_alloc &) {
        // Whatever was built is gone by now; the user learns why, not that the file is bad.
        refuse(name, outOfMemoryReason());
    }
    refuse(name, reasonNotWorkbook());
}

}

std::unique_ptr<Workbook> openBytes(const QByteArray &bytes, const QString &name, TextAs textAs)
{
    return openBytesAs(bytes, name, textAs, false);
}

namespace {

// Text that is no text is refused by its first 64 KB, or by a hole in the file (NULs not
// even stored), before the file is mapped: a gigabyte of NULs costs nothing.
void refuseBinaryText(const QString &path)
{
    qint64 hole = -1;
    const QByteArray head = readHead(path, 1 << 16, &hole);
    if (isOle(head) || isBareBiff(head) || isZip(head))
        return;
    if (!csv::looksLikeText(head))
        refuse(path, reasonNotWorkbook());
    const qsizetype inHead = csv::binaryAt(head);
    if (inHead >= 0)
        refuse(path, csv::binaryReason(inHead));
    if (hole >= 0)
        refuse(path, csv::binaryReason(std::max<qint64>(hole, head.size())));
}

}

std::unique_ptr<Workbook> openFile(const QString &path, const std::function<void()> &whenMapped, TextAs textAs)
{
    refuseBinaryText(path);
    const MappedFile file(path);
    if (whenMapped)
        whenMapped();
    std::unique_ptr<Workbook> book;
    try {
        book = openBytesAs(file.bytes(), path, textAs, true);
    } catch (...) {
        // Zeros in place of a lost end read as a damaged file; the user learns the cause.
        file.checkUnchanged();
        throw;
    }
    file.checkUnchanged();
    if (book->textTail.known) {
        book->textTail.fileBytes = file.size();
        book->textTail.device = quint64(file.device());
        book->textTail.inode = quint64(file.inode());
    }
    return book;
}

}
