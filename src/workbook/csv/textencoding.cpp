#include "workbook/csv/textencoding.h"

#include <uchardet/uchardet.h>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

namespace textencoding {

namespace {

// Enough of a file for the detector to be sure; a long log says nothing new further on.
constexpr qsizetype SampleBytes = 1 << 20;

QString viaIconv(const QByteArray &bytes, const char *encoding)
{
    iconv_t cd = iconv_open("UTF-16LE", encoding);
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    std::array<char16_t, 8192> buffer;
    while (inLeft > 0) {
        char *to = reinterpret_cast<char *>(buffer.data());
        size_t toLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(reinterpret_cast<const QChar *>(buffer.data()), qsizetype((sizeof buffer - toLeft) / 2));
        if (r == size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement, then on after the byte.
            out.append(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// Chinese text is pairs of high bytes (GB2312 characters are 0xA1..0xFE twice); a Western
// sign stands alone between ASCII ("\xB0" "C"). Only a mixture is left to the detector.
int pairsOverLone(const QByteArray &bytes, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    qsizetype pairs = 0, lone = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (p[i] < 0x80)
            continue;
        if (i + 1 < size && p[i] >= 0x81 && p[i] <= 0xFE && p[i + 1] >= 0xA1 && p[i + 1] <= 0xFE) {
            ++pairs;
            ++i;
        } else {
            ++lone;
        }
    }
    return pairs > 0 && lone == 0 ? 1 : lone > 0 && pairs == 0 ? -1 : 0;
}

}

Legacy guess(const QByteArray &bytes)
{
    const qsizetype sample = std::min(bytes.size(), SampleBytes);
    if (const int clear = pairsOverLone(bytes, sample))
        return clear > 0 ? Legacy::Gb18030 : Legacy::Windows1252;
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                     uchardet_delete);
    if (!detector)
        return Legacy::Gb18030;
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(sample)) != 0)
        return Legacy::Gb18030;
    uchardet_data_end(detector.get());
    const QByteArray name = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    // Chinese, Japanese and Korean double-byte sets read best as GB18030; every single-byte
    // Western set as Windows-1252.
    if (name.isEmpty() || name.startsWith("GB") || name.startsWith("BIG5") || name.startsWith("EUC")
        || name.startsWith("SHIFT") || name.startsWith("HZ") || name.startsWith("ISO-2022"))
        return Legacy::Gb18030;
    return Legacy::Windows1252;
}

QString decode(const QByteArray &bytes, Legacy encoding)
{
    return viaIconv(bytes, encoding == Legacy::Gb18030 ? "GB18030" : "WINDOWS-1252");
}

}
