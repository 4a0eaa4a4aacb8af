#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The quick reading of a number at `p` for readers of long logs: an optional sign, then
// 1 to 15 digits with at most one mark ('.', or ',' with `commaMark`). Gives where the digits
// end, with *value as numtext::readNumber reads the bytes up to there (which it then finds
// ownGeneral); null for anything else (more digits, -0, no digit), which the caller reads
// the long way. What follows is left to the caller to judge: a number is only the field
// when a separator or the line end comes next (not an exponent, a blank or a second mark).
//
// Inline, for the loops over millions of fields: the common number is found from one 16-byte
// load and read with one or two eight-digit word conversions.
namespace numtext {

// The same reading a byte word at a time: near the end of the text, and for what the quick
// one leaves (more than eight digits, a number reaching past its 16 bytes).
const char *readPlainNumberInWords(const char *p, const char *end, double *value, bool commaMark);

namespace plain {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the digit words take the first byte lowest");

// Powers of ten a double holds exactly.
inline constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of the word's first `count` (1 to 8) bytes, all digits.
inline std::uint64_t eightDigits(std::uint64_t word, int count)
{
    // Moved up so that the digits end the word: the bytes before them are 0 digits.
    std::uint64_t v = (word << (8 * (8 - count))) & 0x0F0F0F0F0F0F0F0Full;
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
    return (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
}

// The first 0 to 8 bytes of a word.
inline constexpr std::uint64_t LowBytes[] = {0,
                                             0xFFull,
                                             0xFFFFull,
                                             0xFFFFFFull,
                                             0xFFFFFFFFull,
                                             0xFFFFFFFFFFull,
                                             0xFFFFFFFFFFFFull,
                                             0xFFFFFFFFFFFFFFull,
                                             ~std::uint64_t(0)};

// m / 10^fraction, correctly rounded: m (below 2^53) and the power are exact doubles, so the
// quotient is rounded once, as readNumber's.
inline double decimalValue(std::uint64_t m, int fraction)
{
    return fraction > 0 ? double(m) / ExactPowers[fraction] : double(m);
}

}

inline const char *readPlainNumber(const char *p, const char *end, double *value, bool commaMark)
{
#if defined(__SSE2__)
    if (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i aboveZero = _mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)); // bytes from 0x80 are below
        const __m128i belowTen = _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1));
        unsigned others = ~unsigned(_mm_movemask_epi8(_mm_and_si128(aboveZero, belowTen))) & 0xFFFFu;
        __m128i mark = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'));
        if (commaMark)
            mark = _mm_or_si128(mark, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')));
        const unsigned marks = unsigned(_mm_movemask_epi8(mark));
        const bool negative = *p == '-';
        const int sign = (negative || *p == '+') ? 1 : 0;
        others &= ~unsigned(sign);
        const int first = others ? __builtin_ctz(others) : 16; // the mark or the end
        const bool marked = (marks >> first) & 1;
        const unsigned rest = marked ? others & (others - 1) : others;
        const int stop = rest ? __builtin_ctz(rest) : 16;
        const int whole = first - sign;
        const int fraction = marked ? stop - first - 1 : 0;
        const int digits = whole + fraction;
        // At most eight digits: the mark is taken out of one word by moving the digits after
        // it down a byte, and the word read at once. Anything else goes the long way.
        if (stop < 16 && digits > 0 && digits <= 8) {
            std::uint64_t before, after;
            std::memcpy(&before, p + sign, 8);
            std::memcpy(&after, p + sign + 1, 8);
            const std::uint64_t low = plain::LowBytes[whole];
            const std::uint64_t m = plain::eightDigits((before & low) | (after & ~low), digits);
            if (negative && m == 0)
                return nullptr;
            const double magnitude = plain::decimalValue(m, fraction);
            *value = negative ? -magnitude : magnitude;
            return p + stop;
        }
    }
#endif
    return readPlainNumberInWords(p, end, value, commaMark);
}

}
