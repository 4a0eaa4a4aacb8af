#include "workbook/xls/xlstext.h"

#include <QtEndian>

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace xls {

namespace {
const iconv_t noIconv = reinterpret_cast<iconv_t>(-1);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
const char utf16Name[] = "UTF-16BE";
#else
const char utf16Name[] = "UTF-16LE";
#endif
}

const char *codepageName(int codepage)
{
    switch (codepage) {
    case 367: case 1200: return nullptr;  // ASCII; 1200 marks BIFF8 UTF-16 strings
    case 936: return "GB18030";           // a superset of GBK: never loses a character
    case 932: return "CP932";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1361: return "JOHAB";
    case 10000: case 32768: return "MACINTOSH";
    case 437: return "CP437";
    case 737: return "CP737";
    case 775: return "CP775";
    case 850: return "CP850";
    case 852: return "CP852";
    case 855: return "CP855";
    case 857: return "CP857";
    case 860: return "CP860";
    case 861: return "CP861";
    case 862: return "CP862";
    case 863: return "CP863";
    case 864: return "CP864";
    case 865: return "CP865";
    case 866: return "CP866";
    case 869: return "CP869";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return "CP1252"; // 1252, 32769 and anything unknown
    }
}

CodepageDecoder::CodepageDecoder()
{
    setCodepage(1252);
}

CodepageDecoder::~CodepageDecoder()
{
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
}

void CodepageDecoder::setCodepage(int codepage)
{
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
    m_iconv = nullptr;
    const char *name = codepageName(codepage);
    if (!name)
        return;
    iconv_t cd = iconv_open(utf16Name, name);
    if (cd == noIconv)
        cd = iconv_open(utf16Name, "CP1252");
    if (cd != noIconv)
        m_iconv = cd;
}

QString CodepageDecoder::decode(const std::uint8_t *bytes, std::size_t length) const
{
    std::size_t i = 0;
    while (i < length && bytes[i] < 0x80)
        ++i;
    if (i == length || !m_iconv)
        return QString::fromLatin1(reinterpret_cast<const char *>(bytes), qsizetype(length));

    iconv_t cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // One byte never gives more than two UTF-16 units in these code pages.
    std::vector<char16_t> out(length * 2 + 2);
    char *in = const_cast<char *>(reinterpret_cast<const char *>(bytes));
    std::size_t inLeft = length;
    char *outPtr = reinterpret_cast<char *>(out.data());
    std::size_t outLeft = out.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != std::size_t(-1))
            break;
        if (errno == E2BIG || outLeft < sizeof(char16_t))
            break;
        // An invalid or cut-off sequence: show a replacement character and go on.
        const char16_t replacement = 0xFFFD;
        memcpy(outPtr, &replacement, sizeof replacement);
        outPtr += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    const qsizetype units = qsizetype((outPtr - reinterpret_cast<char *>(out.data())) / 2);
    return QString::fromUtf16(out.data(), units);
}

}
