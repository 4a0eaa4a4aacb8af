#pragma once

#include <cstdint>
#include <cstring>

// Decimal digits read eight bytes at a time, and the double a run of at most 15 digits
// stands for: the pieces of the quick number readers (numtext, numberrecord).
namespace decimalwords {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the digit words take the first byte lowest");

inline constexpr std::uint64_t PowersOfTen[] = {1,           10,           100,           1000,           10000,
                                         100000,      1000000,      10000000,      100000000,      1000000000,
                                         10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000,
                                         1000000000000000};

// How many of the word's bytes, first first, are digits.
inline int leadingDigits(std::uint64_t word)
{
    // A byte minus '0' (by xor, no borrows) is a digit below 10: adding 0x76 sets its high bit
    // from 10 up. A carry can only come from a byte already marked, into the bytes after it.
    const std::uint64_t x = word ^ 0x3030303030303030ull;
    const std::uint64_t marks = ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
    return marks ? __builtin_ctzll(marks) >> 3 : 8;
}

// The value of the word's first `count` (1 to 8) bytes, all digits.
inline std::uint64_t eightDigits(std::uint64_t word, int count)
{
    // Moved up so that the digits end the word: the bytes before them are 0 digits.
    std::uint64_t v = (word << (8 * (8 - count))) & 0x0F0F0F0F0F0F0F0Full;
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
    return (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
}

// Powers of ten a double holds exactly.
inline constexpr double ExactPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// m / 10^fraction correctly rounded, for m below 2^53 and fraction from 0 to 15: both are
// exact doubles, so the quotient is rounded once.
inline double decimalValue(std::uint64_t m, int fraction)
{
    return fraction > 0 ? double(m) / ExactPowers[fraction] : double(m);
}

}
