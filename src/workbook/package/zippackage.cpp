#include "workbook/package/zippackage.h"

#include "workbook/sheetbuilder.h"

// glib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace package {

namespace {

std::uint32_t le32(const unsigned char *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t le16(const unsigned char *p) { return std::uint16_t(p[0] | (p[1] << 8)); }

// libgsf decrypts nothing and would hand back garbage for an encrypted entry; the central
// directory's flag bit 0 says so. A directory this check cannot walk is left to libgsf.
bool hasEncryptedEntry(const QByteArray &bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    // End of central directory: 22 bytes plus a comment of at most 65535 bytes.
    for (qsizetype at = size - 22; at >= 0 && at >= size - 22 - 65535; --at) {
        if (le32(b + at) != 0x06054b50)
            continue;
        const std::uint16_t count = le16(b + at + 10);
        qsizetype entry = qsizetype(le32(b + at + 16));
        for (int i = 0; i < count && entry >= 0 && entry + 46 <= size; ++i) {
            if (le32(b + entry) != 0x02014b50)
                return false;
            if (le16(b + entry + 8) & 1)
                return true;
            entry += 46 + le16(b + entry + 28) + le16(b + entry + 30) + le16(b + entry + 32);
        }
        return false;
    }
    return false;
}

class PartDevice : public QIODevice {
public:
    explicit PartDevice(GsfInput *input) : m_input(input), m_remaining(gsf_input_size(input))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~PartDevice() override { g_object_unref(m_input); }

    bool isSequential() const override { return true; }
    qint64 declaredSize() const { return qint64(m_remaining) + m_done; }
    QString failure() const { return m_failure; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!m_failure.isEmpty())
            return -1;
        if (m_remaining <= 0)
            return -1;
        if (m_done >= ZipPackage::MaxPartBytes) {
            m_failure = QStringLiteral("部件解压后超过%1 MB").arg(ZipPackage::MaxPartBytes >> 20);
            return -1;
        }
        const qint64 n = std::min<qint64>({maxSize, m_remaining, qint64(1) << 20,
                                           ZipPackage::MaxPartBytes - m_done + 1});
        if (n <= 0)
            return 0;
        if (!gsf_input_read(m_input, size_t(n), reinterpret_cast<guint8 *>(data))) {
            m_failure = workbook::reasonDamaged();
            return -1;
        }
        m_remaining -= n;
        m_done += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    GsfInput *m_input;
    gsf_off_t m_remaining;
    qint64 m_done = 0;
    QString m_failure;
};

}

void initGsfQuietly()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        const GLogLevelFlags levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL
                                                     | G_LOG_LEVEL_MESSAGE);
        const GLogFunc quiet = [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {};
        for (const char *domain : {"libgsf:zip", "libgsf:msole", "libgsf", "GLib", "GLib-GObject",
                                   static_cast<const char *>(nullptr)})
            g_log_set_handler(domain, levels, quiet, nullptr);
        // The zip reader also prints its complaints about bad headers straight to stdout.
        g_set_print_handler([](const gchar *) {});
        g_set_printerr_handler([](const gchar *) {});
    });
}

QString partFailure(const QIODevice *device)
{
    const auto *part = dynamic_cast<const PartDevice *>(device);
    return part ? part->failure() : QString();
}

ZipPackage::ZipPackage(const QByteArray &bytes)
{
    initGsfQuietly();
    if (hasEncryptedEntry(bytes))
        workbook::refuseFormat(workbook::reasonEncrypted());
    m_input = gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.constData()),
                                   gsf_off_t(bytes.size()), FALSE);
    if (!m_input)
        workbook::refuseFormat(workbook::reasonDamaged());
    GError *error = nullptr;
    m_infile = gsf_infile_zip_new(GSF_INPUT(m_input), &error);
    if (error)
        g_error_free(error);
    if (!m_infile) {
        g_object_unref(m_input);
        m_input = nullptr;
        workbook::refuseFormat(workbook::reasonDamaged());
    }
    index(m_infile, QString(), 0);
}

ZipPackage::~ZipPackage()
{
    if (m_infile)
        g_object_unref(m_infile);
    if (m_input)
        g_object_unref(m_input);
}

void ZipPackage::index(void *infile, const QString &prefix, int depth)
{
    GsfInfile *dir = GSF_INFILE(infile);
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char *name = gsf_infile_name_by_index(dir, i);
        if (!name)
            continue;
        const QString path = prefix + QString::fromUtf8(name);
        GsfInput *child = gsf_infile_child_by_index(dir, i);
        if (!child)
            continue;
        // Folders are infiles with children (possibly none); parts answer -1.
        const bool folder = GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0;
        if (folder) {
            if (depth < 32)
                index(child, path + QLatin1Char('/'), depth + 1);
        } else {
            // Some writers separate folders with backslashes inside one entry name.
            m_partNames.insert(key(path), path);
        }
        g_object_unref(child);
    }
}

QString ZipPackage::key(const QString &part)
{
    QString k = part.toLower();
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return k;
}

bool ZipPackage::contains(const QString &part) const
{
    return m_partNames.contains(key(part));
}

std::unique_ptr<QIODevice> ZipPackage::open(const QString &part) const
{
    const auto found = m_partNames.constFind(key(part));
    if (found == m_partNames.constEnd())
        return nullptr;
    const QList<QByteArray> names = found.value().toUtf8().split('/');
    std::vector<const char *> path;
    for (const QByteArray &n : names)
        path.push_back(n.constData());
    path.push_back(nullptr);
    GsfInput *input = gsf_infile_child_by_aname(GSF_INFILE(m_infile), path.data());
    if (!input)
        workbook::refuseFormat(workbook::reasonDamaged());
    if (gsf_input_size(input) > MaxPartBytes) {
        g_object_unref(input);
        workbook::refuseFormat(QStringLiteral("部件 %1 解压后超过%2 MB").arg(part).arg(MaxPartBytes >> 20));
    }
    return std::make_unique<PartDevice>(input);
}

QByteArray ZipPackage::readAll(const QString &part, qint64 limit) const
{
    std::unique_ptr<QIODevice> device = open(part);
    if (!device)
        return QByteArray();
    // The declared size is only a hint (and already bounded): the reads below decide.
    // Pages reserved and never written cost no memory.
    const qint64 declared = static_cast<const PartDevice *>(device.get())->declaredSize();
    QByteArray bytes(qsizetype(std::min(declared, limit)), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done >= limit)
                break;
            bytes.resize(qsizetype(std::min<qint64>(limit, std::max<qint64>(done * 2, 65536))));
        }
        const qint64 n = device->read(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(qsizetype(done));
    if (done >= limit && device->read(1).size() > 0)
        workbook::refuseFormat(QStringLiteral("部件 %1 过大").arg(part));
    if (!partFailure(device.get()).isEmpty())
        workbook::refuseFormat(partFailure(device.get()));
    return bytes;
}

}
