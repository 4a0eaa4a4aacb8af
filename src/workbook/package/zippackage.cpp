#include "workbook/package/zippackage.h"

#include "base/readprogress.h"
#include "workbook/sheetbuilder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include <QCoreApplication>

namespace package {

using workbook::reasonDamaged;
using workbook::refuseFormat;

namespace {

constexpr std::uint16_t methodStored = 0;
constexpr std::uint16_t methodDeflated = 8;

class PartDevice : public QIODevice {
public:
    PartDevice(const QString &part, const char *packed, const ZipEntry &entry)
        : m_part(part), m_packed(reinterpret_cast<const unsigned char *>(packed)),
          m_packedSize(entry.packedSize), m_size(entry.size), m_deflated(entry.method == methodDeflated)
    {
        if (m_deflated) {
            std::memset(&m_z, 0, sizeof m_z);
            const int result = inflateInit2(&m_z, -MAX_WBITS); // raw deflate, no zlib header
            if (result == Z_MEM_ERROR)
                throw std::bad_alloc();
            if (result != Z_OK)
                m_failure = reasonDamaged();
            else
                m_inflating = true;
        }
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~PartDevice() override
    {
        if (m_inflating)
            inflateEnd(&m_z);
    }

    bool isSequential() const override { return true; }
    QString failure() const { return m_failure; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!m_failure.isEmpty() || m_done >= m_size)
            return -1;
        const std::uint64_t want = std::min<std::uint64_t>({std::uint64_t(std::max<qint64>(maxSize, 0)),
                                                           m_size - m_done, std::uint64_t(1) << 20});
        if (want == 0)
            return 0;
        const std::uint64_t got = m_deflated ? inflateInto(data, want) : copyInto(data, want);
        if (!m_failure.isEmpty())
            return -1;
        m_done += got;
        if (qint64(m_done) > ZipPackage::RatioFreeBytes
            && m_done > std::uint64_t(ZipPackage::MaxRatio) * std::max<std::uint64_t>(consumed(), 1)) {
            m_failure = ratioReason(m_part);
            return -1;
        }
        return qint64(got);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::uint64_t copyInto(char *data, std::uint64_t want)
    {
        readprogress::checkCancelled();
        if (m_consumed + want > m_packedSize) {
            m_failure = reasonDamaged(); // a stored part longer than its bytes
            return 0;
        }
        std::memcpy(data, m_packed + m_consumed, want);
        m_consumed += want;
        return want;
    }

    std::uint64_t inflateInto(char *data, std::uint64_t want)
    {
        m_z.next_out = reinterpret_cast<Bytef *>(data);
        m_z.avail_out = 0;
        std::uint64_t left = want;
        while (left > 0 || m_z.avail_out > 0) {
            // 64 KB at a time, so that a cancelled read stops within them.
            if (m_z.avail_out == 0) {
                readprogress::checkCancelled();
                const std::uint64_t step = std::min<std::uint64_t>(left, readprogress::CheckBytes);
                m_z.avail_out = uInt(step);
                left -= step;
            }
            if (m_z.avail_in == 0 && m_consumed < m_packedSize) {
                const std::uint64_t n = std::min<std::uint64_t>(m_packedSize - m_consumed, 1u << 30);
                m_z.next_in = const_cast<Bytef *>(m_packed + m_consumed);
                m_z.avail_in = uInt(n);
                m_consumed += n;
            }
            const int result = inflate(&m_z, Z_NO_FLUSH);
            if (result == Z_MEM_ERROR)
                throw std::bad_alloc();
            // The stream ending before the size the directory gives, or needing bytes past
            // the entry's, is damage; so is anything zlib cannot decode.
            if (result == Z_STREAM_END && (m_z.avail_out > 0 || left > 0))
                m_failure = reasonDamaged();
            else if (result == Z_BUF_ERROR && m_z.avail_in == 0 && m_consumed >= m_packedSize)
                m_failure = reasonDamaged();
            else if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                m_failure = reasonDamaged();
            if (!m_failure.isEmpty() || result == Z_STREAM_END)
                break;
        }
        return want - left - m_z.avail_out;
    }

    // Packed bytes used so far: what zlib has not yet taken does not count.
    std::uint64_t consumed() const { return m_deflated ? m_consumed - m_z.avail_in : m_consumed; }

    QString m_part;
    const unsigned char *m_packed;
    std::uint64_t m_packedSize;
    std::uint64_t m_size;
    bool m_deflated;
    bool m_inflating = false;
    z_stream m_z;
    std::uint64_t m_consumed = 0; // packed bytes handed on
    std::uint64_t m_done = 0;     // decompressed bytes delivered
    QString m_failure;
};

}

QString ratioReason(const QString &part)
{
    return QCoreApplication::translate("workbook", "部件 %1 压缩比异常（超过 %2:1）").arg(part).arg(ZipPackage::MaxRatio);
}

QString partFailure(const QIODevice *device)
{
    const auto *part = dynamic_cast<const PartDevice *>(device);
    return part ? part->failure() : QString();
}

ZipPackage::ZipPackage(const QByteArray &bytes)
    : m_bytes(bytes), m_entries(readZipDirectory(bytes))
{
    m_exact.reserve(qsizetype(m_entries.size()));
    m_index.reserve(qsizetype(m_entries.size()));
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        m_exact[m_entries[i].name] = int(i);
        m_index[key(m_entries[i].name)] = int(i);
    }
}

const ZipEntry *ZipPackage::find(const QString &part) const
{
    auto found = m_exact.constFind(part);
    if (found == m_exact.constEnd()) {
        found = m_index.constFind(key(part));
        if (found == m_index.constEnd())
            return nullptr;
    }
    return &m_entries[std::size_t(found.value())];
}

QString ZipPackage::key(const QString &part)
{
    QString k = part.toLower();
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (k.startsWith(QLatin1Char('/')))
        k.remove(0, 1);
    return k;
}

bool ZipPackage::contains(const QString &part) const
{
    return find(part) != nullptr;
}

std::unique_ptr<QIODevice> ZipPackage::open(const QString &part) const
{
    const ZipEntry *found = find(part);
    if (!found)
        return nullptr;
    const ZipEntry &entry = *found;
    if (entry.method != methodStored && entry.method != methodDeflated)
        refuseFormat(reasonDamaged());
    // The sizes the directory gives bound what is inflated and from how much: a bomb is
    // told by them before a byte is inflated (the device checks again as it reads).
    if (entry.size > std::uint64_t(RatioFreeBytes)
        && entry.size > std::uint64_t(MaxRatio) * std::max<std::uint64_t>(entry.packedSize, 1))
        refuseFormat(ratioReason(part));
    const std::uint64_t data = zipDataOffset(m_bytes, entry);
    return std::make_unique<PartDevice>(part, m_bytes.constData() + data, entry);
}

QByteArray ZipPackage::readAll(const QString &part, qint64 limit) const
{
    std::unique_ptr<QIODevice> device = open(part);
    if (!device)
        return QByteArray();
    QByteArray bytes;
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
        refuseFormat(QCoreApplication::translate("workbook", "部件 %1 过大").arg(part));
    if (!partFailure(device.get()).isEmpty())
        refuseFormat(partFailure(device.get()));
    return bytes;
}

}
