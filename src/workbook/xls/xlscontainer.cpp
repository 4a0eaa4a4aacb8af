#include "workbook/xls/xlscontainer.h"

// glib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <mutex>

namespace xls {

namespace {

const unsigned char oleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

struct GObjectRef {
    explicit GObjectRef(gpointer p = nullptr) : ptr(p) {}
    ~GObjectRef() { if (ptr) g_object_unref(ptr); }
    GObjectRef(const GObjectRef &) = delete;
    GObjectRef &operator=(const GObjectRef &) = delete;
    gpointer ptr;
};

bool startsWithBof(const QByteArray &bytes)
{
    if (bytes.size() < 8)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int id = b[0] | (b[1] << 8);
    const int len = b[2] | (b[3] << 8);
    const bool bofId = id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809;
    return bofId && len >= 4 && len <= 20;
}

// libgsf leaves out a directory entry whose stream runs past the end of the file. To tell a
// cut-off workbook from a document of another kind, look for the entry itself: directory
// entries are 128-byte blocks holding the name in UTF-16, its length and the entry type.
bool hasWorkbookEntry(const QByteArray &file)
{
    const auto *b = reinterpret_cast<const unsigned char *>(file.constData());
    for (qsizetype at = 512; at + 128 <= file.size(); at += 128) {
        const unsigned char *e = b + at;
        const int nameBytes = e[64] | (e[65] << 8);
        if (e[66] != 2 || (nameBytes != 10 && nameBytes != 18))
            continue;
        QString name;
        for (int i = 0; i + 2 < nameBytes; i += 2)
            name += QChar(char16_t(e[i] | (e[i + 1] << 8)));
        if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::uint32_t le32At(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

void putLe16(QByteArray &b, qsizetype at, std::uint16_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void putLe32(QByteArray &b, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Header fields of a compound file that say again what the rest of the file says: the
// byte order mark, the sector sizes of the version, the mini stream cutoff, and the
// number of FAT sectors, which is the number of sectors the FAT sector list names. Some
// writers get them wrong while the sectors themselves are sound. Returns the header
// rebuilt from the rest, or an empty array when it is not a v3/v4 header or needs nothing.
QByteArray repairedHeader(const QByteArray &file)
{
    if (file.size() < 512)
        return QByteArray();
    const auto *b = reinterpret_cast<const unsigned char *>(file.constData());
    const int major = b[0x1A] | (b[0x1B] << 8);
    if (major != 3 && major != 4)
        return QByteArray();
    const int shift = major == 3 ? 9 : 12;
    const qsizetype sectorSize = qsizetype(1) << shift;
    QByteArray header = file.left(512);
    putLe16(header, 0x1C, 0xFFFE);
    putLe16(header, 0x1E, std::uint16_t(shift));
    putLe16(header, 0x20, 6);
    putLe32(header, 0x38, 4096);

    // The FAT sectors: 109 entries in the header, then the DIFAT sector chain, each
    // sector holding sectorSize/4 - 1 entries and the next sector's number.
    constexpr std::uint32_t lastSector = 0xFFFFFFFAu, endOfChain = 0xFFFFFFFEu;
    std::uint32_t fatSectors = 0;
    bool listEnded = false;
    auto take = [&](std::uint32_t entry) {
        if (listEnded || entry > lastSector)
            listEnded = true;
        else
            ++fatSectors;
    };
    for (int i = 0; i < 109; ++i)
        take(le32At(file, 0x4C + 4 * i));
    std::uint32_t difat = le32At(file, 0x44);
    std::uint32_t difatSectors = 0;
    const qsizetype sectors = (file.size() - sectorSize) / sectorSize;
    while (difat != endOfChain && difat <= lastSector && !listEnded) {
        if (qsizetype(difat) >= sectors || difatSectors >= std::uint32_t(sectors))
            return QByteArray(); // the list itself is broken: nothing to repair from
        const qsizetype at = sectorSize * (qsizetype(difat) + 1);
        const int entries = int(sectorSize / 4) - 1;
        for (int i = 0; i < entries; ++i)
            take(le32At(file, at + 4 * i));
        difat = le32At(file, at + 4 * entries);
        ++difatSectors;
    }
    if (fatSectors == 0)
        return QByteArray();
    putLe32(header, 0x2C, fatSectors);
    putLe32(header, 0x48, difatSectors);
    if (header == file.left(512))
        return QByteArray();
    return header;
}

GsfInfile *openCompoundFile(const QByteArray &file)
{
    // The memory input does not copy: `file` outlives every object made from it.
    GsfInput *input = gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()),
                                           gsf_off_t(file.size()), FALSE);
    if (!input)
        return nullptr;
    GError *error = nullptr;
    GsfInfile *infile = gsf_infile_msole_new(input, &error);
    if (error)
        g_error_free(error);
    g_object_unref(input); // the infile keeps its own reference
    return infile;
}

}

ContainerResult extractBiffStream(const QByteArray &file, BiffStream *out)
{
    if (file.size() < 8)
        return ContainerResult::NotWorkbook;
    if (memcmp(file.constData(), oleMagic, sizeof oleMagic) != 0) {
        if (!startsWithBof(file))
            return ContainerResult::NotWorkbook;
        out->bytes = file;
        out->fromWorkbookStream = false;
        return ContainerResult::Ok;
    }

    static std::once_flag initOnce;
    std::call_once(initOnce, [] {
        gsf_init();
        // Damaged containers are reported to the user as such; libgsf's own complaints
        // about them would only clutter the terminal.
        // libgsf is the only glib user in the program; some of its messages carry no domain.
        const GLogLevelFlags levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL);
        const GLogFunc quiet = [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {};
        for (const char *domain : {"libgsf:msole", "libgsf", static_cast<const char *>(nullptr)})
            g_log_set_handler(domain, levels, quiet, nullptr);
    });

    // A refused container is tried once more with its redundant header fields rebuilt,
    // in a copy: the file itself is never changed.
    QByteArray repaired;
    GObjectRef infile(openCompoundFile(file));
    if (!infile.ptr) {
        const QByteArray header = repairedHeader(file);
        if (header.isEmpty())
            return ContainerResult::Corrupt;
        repaired = header + file.mid(512);
        infile.ptr = openCompoundFile(repaired);
        if (!infile.ptr)
            return ContainerResult::Corrupt;
    }

    // Some writers spell the stream names in capitals, so compare without case.
    GsfInfile *root = GSF_INFILE(infile.ptr);
    int found = -1;
    bool workbookName = false;
    const int children = gsf_infile_num_children(root);
    for (int i = 0; i < children; ++i) {
        const char *name = gsf_infile_name_by_index(root, i);
        if (!name)
            continue;
        if (g_ascii_strcasecmp(name, "Workbook") == 0) {
            found = i;
            workbookName = true;
            break;
        }
        if (found < 0 && g_ascii_strcasecmp(name, "Book") == 0)
            found = i;
    }
    if (found < 0)
        return hasWorkbookEntry(file) ? ContainerResult::Corrupt : ContainerResult::NotWorkbook;

    GObjectRef stream(gsf_infile_child_by_index(root, found));
    if (!stream.ptr)
        return ContainerResult::Corrupt;
    GsfInput *in = GSF_INPUT(stream.ptr);
    const gsf_off_t size = gsf_input_size(in);
    // A stream is made of the file's sectors: it cannot be larger than the file.
    if (size < 0 || size > gsf_off_t(file.size()))
        return ContainerResult::Corrupt;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    gsf_off_t done = 0;
    while (done < size) {
        const gsf_off_t chunk = std::min<gsf_off_t>(size - done, 1 << 20);
        if (!gsf_input_read(in, size_t(chunk), reinterpret_cast<guint8 *>(bytes.data() + done)))
            return ContainerResult::Corrupt;
        done += chunk;
    }
    out->bytes = std::move(bytes);
    out->fromWorkbookStream = workbookName;
    return ContainerResult::Ok;
}

}
