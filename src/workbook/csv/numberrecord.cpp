#include "workbook/csv/numberrecord.h"

#include "base/decimalwords.h"
#include "base/numtext.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace numberrecord {

namespace {

// Reads the fields one after another, each number's end found from its digits: for records
// too near the end of the text, or too long, for the masks below.
bool readChained(const char *at, const char *end, char separator, bool commaMark, std::size_t width, double *values,
                 const char **lineEnd)
{
    const char *p = at;
    for (std::size_t c = 0;; ++c) {
        p = numtext::readPlainNumber(p, end, &values[c], commaMark);
        if (!p)
            return false;
        if (c + 1 == width)
            break;
        if (p == end || *p != separator)
            return false;
        ++p;
    }
    if (p < end && *p != '\n' && *p != '\r')
        return false;
    *lineEnd = p;
    return true;
}

#if defined(__SSE2__)

// Bytes of text a record window takes, and the bytes after it a field's loads may touch.
constexpr std::ptrdiff_t Window = 32;
constexpr std::ptrdiff_t Slack = 16;

inline std::uint64_t word(const char *p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The value of the `count` (0 to 15) digits at p.
inline std::uint64_t digitsAt(const char *p, int count)
{
    using namespace decimalwords;
    if (count <= 0)
        return 0;
    if (count <= 8)
        return eightDigits(word(p), count);
    return eightDigits(word(p), 8) * PowersOfTen[count - 8] + eightDigits(word(p + 8), count - 8);
}

// The field of `length` bytes at p as readPlainNumber reads it, whose end is known, with
// `others` the bits of its bytes that are no digits (bit 0 the first byte).
inline bool fieldNumber(const char *p, int length, std::uint32_t others, bool commaMark, double *value)
{
    if (length <= 0 || length > 17)
        return false;
    const char first = *p;
    const bool negative = first == '-';
    const int sign = (negative || first == '+') ? 1 : 0;
    others &= ((std::uint32_t(1) << length) - 1) & ~std::uint32_t(sign);
    int markAt = length; // no mark: the digits run to the end
    if (others) {
        markAt = __builtin_ctz(others);
        if ((others & (others - 1)) || !(p[markAt] == '.' || (commaMark && p[markAt] == ',')))
            return false;
    }
    const int whole = markAt - sign;
    const int fraction = others ? length - markAt - 1 : 0;
    const int digits = whole + fraction;
    if (digits == 0 || digits > 15)
        return false;
    const std::uint64_t m =
        digitsAt(p + sign, whole) * decimalwords::PowersOfTen[fraction] + digitsAt(p + markAt + 1, fraction);
    if (negative && m == 0)
        return false;
    const double magnitude = decimalwords::decimalValue(m, fraction);
    *value = negative ? -magnitude : magnitude;
    return true;
}

// Bits of the two 16-byte chunks equal to `byte`.
inline std::uint32_t equalBits(__m128i low, __m128i high, char byte)
{
    const __m128i b = _mm_set1_epi8(byte);
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(low, b))) | unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(high, b))) << 16;
}

// Bits of the 16 bytes that are no digits.
inline std::uint32_t otherBits(__m128i bytes)
{
    const __m128i low = _mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)); // bytes from 0x80 are below
    const __m128i high = _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1));
    return ~unsigned(_mm_movemask_epi8(_mm_and_si128(low, high))) & 0xFFFFu;
}

#endif

}

bool read(const char *at, const char *end, char separator, bool commaMark, std::size_t width, double *values,
          const char **lineEnd)
{
    if (width == 0 || width > MaxWidth)
        return false;
#if defined(__SSE2__)
    // A record within 32 bytes, with room after it: its separators, line end and digits are
    // found at once, and each field read on its own, so the fields' readings overlap.
    if (end - at >= Window + Slack) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 16));
        const std::uint32_t ends = equalBits(low, high, '\n') | equalBits(low, high, '\r');
        if (ends) {
            const int stop = __builtin_ctz(ends);
            std::uint32_t separators = equalBits(low, high, separator) & ((std::uint32_t(1) << stop) - 1);
            const std::uint32_t others = otherBits(low) | otherBits(high) << 16;
            int start = 0;
            bool ok = true;
            for (std::size_t c = 0; c < width; ++c) {
                int fieldEnd = stop;
                if (c + 1 < width) {
                    if (!separators)
                        return false; // fewer fields
                    fieldEnd = __builtin_ctz(separators);
                    separators &= separators - 1;
                }
                ok &= fieldNumber(at + start, fieldEnd - start, others >> start, commaMark, &values[c]);
                start = fieldEnd + 1;
            }
            if (!ok || separators) // a field that is no plain number, or more fields
                return false;
            *lineEnd = at + stop;
            return true;
        }
    }
#endif
    return readChained(at, end, separator, commaMark, width, values, lineEnd);
}

}
