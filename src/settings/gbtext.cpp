#include "settings/gbtext.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace gbtext {

namespace {

// One conversion descriptor per direction and call: the files are tiny and this keeps the
// functions free of shared state.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts as much as it can; returns false at an invalid or cut-off input sequence,
    // with *in pointing at it.
    bool run(const char **in, size_t *inLeft, QByteArray *out)
    {
        char buffer[1024];
        while (*inLeft > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            char *src = const_cast<char *>(*in);
            const size_t r = iconv(m_cd, &src, inLeft, &dst, &dstLeft);
            const int err = errno;
            *in = src;
            out->append(buffer, int(dst - buffer));
            if (r == size_t(-1) && err != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
int utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

}

QByteArray encode(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    Converter cv("GB18030", "UTF-8");
    const char *in = utf8.constData();
    size_t left = size_t(utf8.size());
    while (!cv.run(&in, &left, &out)) {
        out.append('?');
        const size_t skip = std::min<size_t>(left, size_t(utf8Length(static_cast<unsigned char>(*in))));
        in += skip;
        left -= skip;
    }
    return out;
}

QString decode(const QByteArray &bytes)
{
    QByteArray utf8;
    utf8.reserve(bytes.size() * 3 / 2);
    Converter cv("UTF-8", "GB18030");
    const char *in = bytes.constData();
    size_t left = size_t(bytes.size());
    while (!cv.run(&in, &left, &utf8)) {
        utf8.append(static_cast<unsigned char>(*in) == 0x80 ? "\xE2\x82\xAC" : "\xEF\xBF\xBD");
        ++in;
        --left;
    }
    return QString::fromUtf8(utf8);
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

}
