#include "import/xlscontainer.h"

// glib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <QString>

#include <algorithm>
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

    // The memory input does not copy: `file` outlives every object made here.
    GObjectRef input(gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()),
                                          gsf_off_t(file.size()), FALSE));
    if (!input.ptr)
        return ContainerResult::Corrupt;
    GError *error = nullptr;
    GObjectRef infile(gsf_infile_msole_new(GSF_INPUT(input.ptr), &error));
    if (error)
        g_error_free(error);
    if (!infile.ptr)
        return ContainerResult::Corrupt;

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
