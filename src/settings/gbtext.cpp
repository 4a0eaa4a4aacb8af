#include "settings/gbtext.h"

#include "base/apperror.h"

#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace gbtext {

namespace {

constexpr char16_t Euro = 0x20AC;
constexpr char16_t Replacement = 0xFFFD;
constexpr unsigned char EuroByte = 0x80;

const char *utf16Name()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

iconv_t openOrThrow(const char *to, const char *from)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw AppError(QStringLiteral("iconv cannot convert %1 to %2").arg(QLatin1String(from), QLatin1String(to)));
    return cd;
}

bool isAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

bool inRange(char c, int low, int high)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= low && u <= high;
}

// The encoding direction runs once per write on a short text: a descriptor per call is cheap.
class Encoder
{
public:
    Encoder() : m_cd(openOrThrow("GB18030", utf16Name())) {}
    ~Encoder() { iconv_close(m_cd); }
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    // Appends the encoding of units [begin, end); a lone surrogate becomes "?".
    void run(const char16_t *begin, const char16_t *end, QByteArray *out)
    {
        char buffer[1024];
        char *src = reinterpret_cast<char *>(const_cast<char16_t *>(begin));
        size_t left = size_t(end - begin) * 2;
        while (left > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(m_cd, &src, &left, &dst, &dstLeft);
            const int err = errno;
            out->append(buffer, int(dst - buffer));
            if (r == size_t(-1) && err != E2BIG) {
                out->append('?');
                const size_t skip = std::min<size_t>(left, 2);
                src += skip;
                left -= skip;
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }

private:
    iconv_t m_cd;
};

}

QByteArray encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    Encoder encoder;
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *end = p + text.size();
    while (p < end) {
        const char16_t *euro = std::find(p, end, Euro);
        encoder.run(p, euro, &out);
        if (euro == end)
            break;
        out.append(char(EuroByte));   // code page 936's euro; GB18030 alone would write A2 E3
        p = euro + 1;
    }
    return out;
}

QString decode(const QByteArray &bytes)
{
    Decoder decoder;
    return decoder.decode(bytes.constData(), bytes.size());
}

int prefixLength(const QByteArray &bytes, int maxBytes)
{
    int pos = 0;
    while (pos < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes.at(pos));
        int len = 1;
        if (lead >= 0x81 && lead <= 0xFE && pos + 1 < bytes.size()) {
            const auto second = static_cast<unsigned char>(bytes.at(pos + 1));
            len = (second >= 0x30 && second <= 0x39) ? 4 : 2;
        }
        if (pos + len > maxBytes)
            break;
        pos += len;
    }
    return std::min(pos, int(bytes.size()));
}

Decoder::Decoder()
    : m_cd(openOrThrow(utf16Name(), "GB18030"))
{
}

Decoder::~Decoder()
{
    iconv_close(static_cast<iconv_t>(m_cd));
}

QString Decoder::decode(const char *data, qsizetype size)
{
    if (isAscii(data, size))
        return QString::fromLatin1(data, size);
    const auto cd = static_cast<iconv_t>(m_cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // No byte yields more than one UTF-16 unit: one byte gives at most one character, and
    // the only characters needing two units take four bytes.
    QString out(size, Qt::Uninitialized);
    char *dst = reinterpret_cast<char *>(out.data());
    size_t dstLeft = size_t(size) * 2;
    char *src = const_cast<char *>(data);
    size_t left = size_t(size);
    while (left > 0) {
        if (iconv(cd, &src, &left, &dst, &dstLeft) != size_t(-1))
            break;
        if (errno == E2BIG || dstLeft < 2) {
            // Not expected by the count above, but never write past the end.
            const qsizetype used = dst - reinterpret_cast<char *>(out.data());
            out.resize(out.size() + qsizetype(left) + 2);
            dst = reinterpret_cast<char *>(out.data()) + used;
            dstLeft = size_t(out.size()) * 2 - size_t(used);
            continue;
        }
        // An invalid or cut-off sequence: one unit for its first byte, then go on after it.
        const char16_t unit = static_cast<unsigned char>(*src) == EuroByte ? Euro : Replacement;
        std::memcpy(dst, &unit, 2);
        dst += 2;
        dstLeft -= 2;
        ++src;
        --left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize((dst - reinterpret_cast<char *>(out.data())) / 2);
    return out;
}

bool Decoder::isFourByteCharacter(const char *data)
{
    const auto cd = static_cast<iconv_t>(m_cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char16_t units[2];
    char *src = const_cast<char *>(data);
    size_t left = 4;
    char *dst = reinterpret_cast<char *>(units);
    size_t dstLeft = sizeof units;
    return iconv(cd, &src, &left, &dst, &dstLeft) != size_t(-1);
}

qsizetype Decoder::lastIndexOf(char ascii, const char *data, qsizetype size)
{
    // Walks the characters as decode() groups them: every lead byte 0x81-0xFE with a second
    // byte 0x40-0xFE (not 0x7F) is a character; a four-byte form only when iconv takes it.
    qsizetype found = -1;
    qsizetype pos = 0;
    while (pos < size) {
        const char c = data[pos];
        if (!inRange(c, 0x81, 0xFE) || pos + 1 >= size) {
            if (c == ascii)
                found = pos;
            ++pos;
            continue;
        }
        const char second = data[pos + 1];
        if (inRange(second, 0x40, 0xFE) && second != '\x7F')
            pos += 2;
        else if (inRange(second, 0x30, 0x39) && pos + 3 < size && inRange(data[pos + 2], 0x81, 0xFE)
                 && inRange(data[pos + 3], 0x30, 0x39) && isFourByteCharacter(data + pos))
            pos += 4;
        else
            ++pos;
    }
    return found;
}

}
