#include "workbook/csv/textsurvey.h"

#include "base/readprogress.h"
#include "base/twothreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace textsurvey {

namespace {

// The length of the well-formed sequence of two to four bytes that starts at `p` with a byte
// from 0x80 up, reading no further than `end`; 0 when it is malformed (a stray continuation
// byte, an overlong form, a surrogate, past U+10FFFF, cut short).
int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned c = *p;
    int more;
    unsigned low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        if (c == 0xE0) low = 0xA0;  // overlong
        if (c == 0xED) high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        if (c == 0xF0) low = 0x90;  // overlong
        if (c == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (end - p <= more || p[1] < low || p[1] > high)
        return 0;
    for (int k = 2; k <= more; ++k)
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    return more + 1;
}

// From `at` up to `end` (a UTF-8 sequence may run past it), over UTF-8 text: where the next
// NUL is, where a malformed sequence starts (`utf8` becomes false), or at least `end`.
// Sequences are checked against the bytes' true end `last`, as one pass over all would.
qsizetype nextNulOrBadUtf8(const unsigned char *data, qsizetype at, qsizetype end, qsizetype last, bool &utf8)
{
    constexpr quint64 ones = 0x0101010101010101ULL, highBits = 0x8080808080808080ULL;
    // No byte is 0 or above 0x7F: (w - ones) sets a byte's high bit only where it was 0 (a
    // borrow comes from a 0 byte alone), w itself where it is above 0x7F.
    const auto plain = [](quint64 w) { return ((w | (w - ones)) & highBits) == 0; };
    const unsigned char *p = data + at;
    const unsigned char *const e = data + end;
    const unsigned char *const bytesEnd = data + last;
    while (p < e) {
        // Most logger files are all ASCII: 64 and then 8 bytes a step.
#ifdef __SSE2__
        // Plain bytes are the positive ones as signed bytes.
        const __m128i zero = _mm_setzero_si128();
        while (e - p >= 64) {
            const auto *v = reinterpret_cast<const __m128i *>(p);
            const __m128i positive = _mm_and_si128(
                _mm_and_si128(_mm_cmpgt_epi8(_mm_loadu_si128(v), zero), _mm_cmpgt_epi8(_mm_loadu_si128(v + 1), zero)),
                _mm_and_si128(_mm_cmpgt_epi8(_mm_loadu_si128(v + 2), zero), _mm_cmpgt_epi8(_mm_loadu_si128(v + 3), zero)));
            if (_mm_movemask_epi8(positive) != 0xFFFF)
                break;
            p += 64;
        }
#else
        while (e - p >= 64) {
            quint64 w[8];
            std::memcpy(w, p, sizeof w);
            quint64 any = 0;
            for (const quint64 word : w)
                any |= word | (word - ones);
            if ((any & highBits) != 0)
                break;
            p += 64;
        }
#endif
        if (e - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (plain(word)) {
                p += 8;
                continue;
            }
        }
        const unsigned c = *p;
        if (c == 0)
            return p - data;
        if (c < 0x80) {
            ++p;
            continue;
        }
        const int length = utf8SequenceLength(p, bytesEnd);
        if (length == 0) {
            utf8 = false;
            return p - data;
        }
        p += length; // no NUL inside a sequence: its bytes are all above 0x7F
    }
    return p - data;
}

// Surveys [from, to) of the bytes, a 64 KB window at a time; `stopped()` is asked before
// each window (and may throw). A sequence that starts before `to` is read to its end.
template <typename Stopped>
Survey surveyPart(const QByteArray &bytes, qsizetype from, qsizetype to, bool checkUtf8, Stopped stopped)
{
    const char *data = bytes.constData();
    const auto *udata = reinterpret_cast<const unsigned char *>(data);
    Survey part;
    bool utf8 = checkUtf8;
    for (qsizetype at = from; at < to;) {
        if (stopped())
            break;
        const qsizetype windowEnd = std::min(to, at + readprogress::CheckBytes);
        while (at < windowEnd) {
            if (utf8) {
                at = nextNulOrBadUtf8(udata, at, windowEnd, bytes.size(), utf8);
                if (at >= windowEnd || data[at] != 0)
                    continue; // past the window, or a malformed sequence: NULs alone from here
            } else {
                const void *nul = std::memchr(data + at, 0, size_t(windowEnd - at));
                if (!nul) {
                    at = windowEnd;
                    continue;
                }
                at = static_cast<const char *>(nul) - data;
            }
            if (!strayNulAt(data, bytes.size(), at)) {
                part.binaryAt = at;
                part.utf8 = !checkUtf8 || utf8;
                return part;
            }
            ++at;
        }
    }
    part.utf8 = !checkUtf8 || utf8;
    return part;
}

}

bool strayNulAt(const char *data, qsizetype size, qsizetype at)
{
    return at > 0 && data[at] == 0 && data[at - 1] == '\n' && (at + 1 == size || data[at + 1] != 0);
}

Survey survey(const QByteArray &bytes, bool checkUtf8, qsizetype splitFrom)
{
    // A cancel is seen on the calling thread only; elsewhere checkCancelled() does nothing.
    std::atomic<bool> stop{false};
    const auto stopped = [&stop] {
        readprogress::checkCancelled();
        return stop.load(std::memory_order_relaxed);
    };
    qsizetype middle = qsizetype(twothreads::middle(bytes.size(), splitFrom));
    if (middle == 0)
        return surveyPart(bytes, 0, bytes.size(), checkUtf8, stopped);
    // The second half starts at a character: past at most three continuation bytes (a fourth
    // in a row is no UTF-8, which its half then finds).
    const auto *udata = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (int k = 0; k < 3 && middle < bytes.size() && (udata[middle] & 0xC0) == 0x80; ++k)
        ++middle;

    Survey first, second;
    std::atomic<bool> secondDone{false};
    twothreads::both(
        [&] {
            struct Done {
                std::atomic<bool> &flag;
                ~Done() { flag.store(true); }
            } done{secondDone};
            second = surveyPart(bytes, middle, bytes.size(), checkUtf8, stopped);
        },
        [&] {
            try {
                first = surveyPart(bytes, 0, middle, checkUtf8, stopped);
                // The other half may still be read: a cancel is watched for meanwhile.
                while (!secondDone.load()) {
                    readprogress::checkCancelled();
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
            } catch (...) {
                stop.store(true);
                throw;
            }
        });
    Survey whole;
    whole.binaryAt = first.binaryAt >= 0 ? first.binaryAt : second.binaryAt;
    whole.utf8 = first.utf8 && second.utf8;
    return whole;
}

}
