#include "workbook/package/zipdirectory.h"

#include "workbook/sheetbuilder.h"

#include <algorithm>

namespace package {

using workbook::reasonDamaged;
using workbook::reasonEncrypted;
using workbook::refuseFormat;

namespace {

constexpr std::uint32_t endSignature = 0x06054b50;
constexpr std::uint32_t end64Signature = 0x06064b50;
constexpr std::uint32_t end64LocatorSignature = 0x07064b50;
constexpr std::uint32_t entrySignature = 0x02014b50;
constexpr std::uint32_t localSignature = 0x04034b50;

class Bytes {
public:
    explicit Bytes(const QByteArray &b)
        : m_data(reinterpret_cast<const unsigned char *>(b.constData())), m_size(std::uint64_t(b.size())) {}
    std::uint64_t size() const { return m_size; }
    bool has(std::uint64_t at, std::uint64_t n) const { return at <= m_size && n <= m_size - at; }
    std::uint16_t u16(std::uint64_t at) const { return std::uint16_t(m_data[at] | (m_data[at + 1] << 8)); }
    std::uint32_t u32(std::uint64_t at) const { return u16(at) | (std::uint32_t(u16(at + 2)) << 16); }
    std::uint64_t u64(std::uint64_t at) const { return u32(at) | (std::uint64_t(u32(at + 4)) << 32); }
    const char *at(std::uint64_t at) const { return reinterpret_cast<const char *>(m_data + at); }

private:
    const unsigned char *m_data;
    std::uint64_t m_size;
};

struct Directory {
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
};

// The end record: 22 bytes plus a comment of at most 65535 bytes before the end; the
// ZIP64 record when the end record's fields are saturated.
Directory findDirectory(const Bytes &b)
{
    if (b.size() < 22)
        refuseFormat(reasonDamaged());
    const std::uint64_t last = b.size() - 22;
    const std::uint64_t first = last > 65535 ? last - 65535 : 0;
    for (std::uint64_t at = last + 1; at-- > first;) {
        if (b.u32(at) != endSignature)
            continue;
        Directory d;
        d.count = b.u16(at + 10);
        d.offset = b.u32(at + 16);
        if ((d.count == 0xFFFF || d.offset == 0xFFFFFFFF) && at >= 20
            && b.u32(at - 20) == end64LocatorSignature) {
            const std::uint64_t record = b.u64(at - 12);
            if (!b.has(record, 56) || b.u32(record) != end64Signature)
                refuseFormat(reasonDamaged());
            d.count = b.u64(record + 32);
            d.offset = b.u64(record + 48);
        }
        return d;
    }
    refuseFormat(reasonDamaged());
}

// The ZIP64 extra field holds, in this order, whichever of the three were saturated.
void readZip64Extra(const Bytes &b, std::uint64_t extra, std::uint16_t length, std::uint64_t *size,
                    std::uint64_t *packed, std::uint64_t *local)
{
    const std::uint64_t end = extra + length;
    while (extra + 4 <= end) {
        const std::uint16_t id = b.u16(extra), n = b.u16(extra + 2);
        const std::uint64_t data = extra + 4;
        if (data + n > end)
            return;
        if (id == 0x0001) {
            std::uint64_t at = data;
            for (std::uint64_t *field : {size, packed, local}) {
                if (*field != 0xFFFFFFFF)
                    continue;
                if (at + 8 > data + n)
                    return;
                *field = b.u64(at);
                at += 8;
            }
            return;
        }
        extra = data + n;
    }
}

}

std::vector<ZipEntry> readZipDirectory(const QByteArray &bytes)
{
    const Bytes b(bytes);
    const Directory d = findDirectory(b);
    std::vector<ZipEntry> entries;
    std::uint64_t at = d.offset;
    // The count is only a claim: the walk ends where the records do, and nothing is
    // reserved on its word.
    for (std::uint64_t i = 0; i < d.count; ++i) {
        if (!b.has(at, 46) || b.u32(at) != entrySignature)
            refuseFormat(reasonDamaged());
        const std::uint16_t flags = b.u16(at + 8);
        const std::uint16_t nameLength = b.u16(at + 28), extraLength = b.u16(at + 30),
                            commentLength = b.u16(at + 32);
        if (!b.has(at + 46, std::uint64_t(nameLength) + extraLength + commentLength))
            refuseFormat(reasonDamaged());
        // Nothing here decrypts, and an encrypted entry would read as garbage.
        if (flags & 1)
            refuseFormat(reasonEncrypted());
        ZipEntry e;
        e.method = b.u16(at + 10);
        e.packedSize = b.u32(at + 20);
        e.size = b.u32(at + 24);
        e.localOffset = b.u32(at + 42);
        readZip64Extra(b, at + 46 + nameLength, extraLength, &e.size, &e.packedSize, &e.localOffset);
        e.name = QString::fromUtf8(b.at(at + 46), nameLength);
        at += 46 + std::uint64_t(nameLength) + extraLength + commentLength;
        if (e.name.endsWith(QLatin1Char('/')))
            continue;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::uint64_t zipDataOffset(const QByteArray &bytes, const ZipEntry &entry)
{
    const Bytes b(bytes);
    // The local header's name and extra field may differ in length from the directory's.
    const std::uint64_t local = entry.localOffset;
    if (!b.has(local, 30) || b.u32(local) != localSignature)
        refuseFormat(reasonDamaged());
    const std::uint64_t data = local + 30 + b.u16(local + 26) + b.u16(local + 28);
    if (!b.has(data, entry.packedSize))
        refuseFormat(reasonDamaged());
    return data;
}

}
