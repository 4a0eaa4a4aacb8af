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
    LastAscii finder(*this, ascii);
    finder.feed(data, size, 0);
    finder.finish();
    return qsizetype(finder.last());
}

// Every lead byte 0x81-0xFE with a second byte 0x40-0xFE (not 0x7F) is a character; lead,
// digit, lead, digit is one only when iconv takes it. Any other lead byte stands alone and
// the bytes after it start over.
namespace {

bool isLead(char c) { return inRange(c, 0x81, 0xFE); }
bool isTrail(char c) { return inRange(c, 0x40, 0xFE) && c != '\x7F'; }
bool isDigit(char c) { return inRange(c, 0x30, 0x39); }

// The end of the first byte run below 0x80 from `from`, eight bytes at a time.
qsizetype asciiRunEnd(const char *data, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    while (i + 8 <= size) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
        i += 8;
    }
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

}

void LastAscii::step(char c, qint64 offset)
{
    switch (m_pendingCount) {
    case 0:
        if (isLead(c)) {
            m_pending[0] = c;
            m_pendingOffset = offset;
            m_pendingCount = 1;
        } else if (c == m_ascii) {
            m_last = offset;
        }
        return;
    case 1:
        if (isTrail(c)) {
            m_pendingCount = 0;
            return;
        }
        if (isDigit(c)) {
            m_pending[1] = c;
            m_pendingCount = 2;
            return;
        }
        break;
    case 2:
        if (isLead(c)) {
            m_pending[2] = c;
            m_pendingCount = 3;
            return;
        }
        break;
    default:
        m_pending[3] = c;
        if (isDigit(c) && m_decoder.isFourByteCharacter(m_pending)) {
            m_pendingCount = 0;
            return;
        }
        break;
    }
    // The lead byte stands alone; what followed it starts over, this byte last.
    restartAfterLead();
    step(c, offset);
}

void LastAscii::restartAfterLead()
{
    const int count = m_pendingCount;
    const qint64 from = m_pendingOffset;
    char rest[3];
    std::memcpy(rest, m_pending + 1, size_t(count - 1));
    m_pendingCount = 0;
    for (int i = 0; i < count - 1; ++i)
        step(rest[i], from + 1 + i);
}

void LastAscii::feed(const char *data, qsizetype size, qint64 offset)
{
    qsizetype i = 0;
    while (m_pendingCount > 0 && i < size) {
        step(data[i], offset + i);
        ++i;
    }
    while (i < size) {
        const char c = data[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            const qsizetype end = asciiRunEnd(data, i, size);
            if (const void *hit = memrchr(data + i, m_ascii, size_t(end - i)))
                m_last = offset + (static_cast<const char *>(hit) - data);
            i = end;
        } else if (!isLead(c)) {
            ++i;
        } else if (i + 3 >= size) {
            // Too near the piece's end to decide here.
            for (; i < size; ++i)
                step(data[i], offset + i);
        } else if (isTrail(data[i + 1])) {
            i += 2;
        } else if (isDigit(data[i + 1]) && isLead(data[i + 2]) && isDigit(data[i + 3])
                   && m_decoder.isFourByteCharacter(data + i)) {
            i += 4;
        } else {
            ++i;
        }
    }
}

void LastAscii::finish()
{
    // Nothing more comes: the waiting lead byte stands alone and the rest starts over.
    while (m_pendingCount > 0)
        restartAfterLead();
}

}
