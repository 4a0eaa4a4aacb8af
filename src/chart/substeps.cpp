#include "chart/substeps.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SUBSTEPS_X86 1
#endif

namespace substeps {

namespace {

// fpcheck::roundEven's quick rounding: below 2^51, adding 1.5 * 2^52 leaves the value
// rounded to an integer (ties to even) in the low bits of the sum, so the difference of the
// bit patterns is the integer.
constexpr double Magic = 6755399441055744.0;
constexpr double Quick = 2251799813685248.0;

#ifdef SUBSTEPS_X86
bool hasFourLanes()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}

Lanes widest()
{
#ifdef SUBSTEPS_X86
    return hasFourLanes() ? Lanes::Four : Lanes::Two;
#else
    return Lanes::One;
#endif
}

Table::Table(const std::vector<chartgeom::Weights> &weights, Lanes lanes)
    : m_weights(weights), m_lanes(std::min(lanes, widest()))
{
    // Padded to whole groups of four; spare lanes repeat the last sub-step, so they fault
    // only where it does.
    const size_t count = (weights.size() + 3) / 4 * 4;
    m_w.resize(count * 4);
    for (size_t k = 0; k < count && !weights.empty(); ++k) {
        const chartgeom::Weights &w = weights[std::min(k, weights.size() - 1)];
        const double parts[4] = {w.w0, w.w1, w.w2, w.w3};
        for (size_t j = 0; j < 4; ++j)
            m_w[k / 4 * 16 + j * 4 + k % 4] = parts[j];
    }
    m_px.resize(count);
    m_py.resize(count);
    m_hidden.resize(count);
    m_slow.resize(count);
}

namespace {

// The plain way, one sub-step at a time.
bool segmentOne(const curvepath::Frame &f, const std::vector<chartgeom::Weights> &weights, const double *wx,
                const double *wy, qint64 *pxs, qint64 *pys, qint64 *hiddens, qint64 *slows, bool *anyHidden)
{
    bool allQuick = true;
    *anyHidden = false;
    for (size_t k = 0; k < weights.size(); ++k) {
        const chartgeom::Weights &w = weights[k];
        const double x = chartgeom::blend(w, wx[0], wx[1], wx[2], wx[3]);
        const double y = chartgeom::blend(w, wy[0], wy[1], wy[2], wy[3]);
        const double u = (x - f.map.xMin) * f.map.sx + f.map.left;
        const double v = f.map.bottom - (y - f.map.yMin) * f.map.sy;
        const bool quick = std::fabs(u) < Quick && std::fabs(v) < Quick;
        allQuick = allQuick && quick;
        slows[k] = !quick;
        if (!quick)
            continue;
        qint64 py = static_cast<qint64>((v + Magic) - Magic);
        if (py >= f.bottom)
            py = f.bottom;
        if (py <= f.top)
            py = f.top;
        pxs[k] = static_cast<qint64>((u + Magic) - Magic);
        pys[k] = py;
        hiddens[k] = x < f.xMin || x > f.xMax || y < f.yMin || y > f.yMax;
        *anyHidden = *anyHidden || hiddens[k];
    }
    return allQuick;
}

#ifdef SUBSTEPS_X86
// Two sub-steps side by side. Every operation is the scalar one in each lane, in the same
// order; holding to the rows is done on the rounded values still shifted by Magic, where
// comparing them compares the integers.
bool segmentTwo(const curvepath::Frame &f, const double *weights, size_t count, const double *wx,
                const double *wy, qint64 *pxs, qint64 *pys, qint64 *hiddens, qint64 *slows, bool *anyHidden)
{
    const __m128d x0 = _mm_set1_pd(wx[0]), x1 = _mm_set1_pd(wx[1]);
    const __m128d x2 = _mm_set1_pd(wx[2]), x3 = _mm_set1_pd(wx[3]);
    const __m128d y0 = _mm_set1_pd(wy[0]), y1 = _mm_set1_pd(wy[1]);
    const __m128d y2 = _mm_set1_pd(wy[2]), y3 = _mm_set1_pd(wy[3]);
    const __m128d xMin = _mm_set1_pd(f.map.xMin), sx = _mm_set1_pd(f.map.sx), left = _mm_set1_pd(f.map.left);
    const __m128d yMin = _mm_set1_pd(f.map.yMin), sy = _mm_set1_pd(f.map.sy), bottom = _mm_set1_pd(f.map.bottom);
    const __m128d magic = _mm_set1_pd(Magic), quick = _mm_set1_pd(Quick), sign = _mm_set1_pd(-0.0);
    const __m128d rowTop = _mm_set1_pd(double(f.top) + Magic);
    const __m128d rowBottom = _mm_set1_pd(double(f.bottom) + Magic);
    const __m128i magicBits = _mm_castpd_si128(magic);
    const __m128d all = _mm_castsi128_pd(_mm_set1_epi64x(-1));
    int allQuick = 3;
    __m128d hiddenQuick = _mm_setzero_pd();
    for (size_t k = 0; k < count; k += 2) {
        const double *w = weights + k / 4 * 16 + k % 4;
        const __m128d w0 = _mm_loadu_pd(w), w1 = _mm_loadu_pd(w + 4);
        const __m128d w2 = _mm_loadu_pd(w + 8), w3 = _mm_loadu_pd(w + 12);
        const __m128d x = _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, x0), _mm_mul_pd(w1, x1)),
                                                _mm_mul_pd(w2, x2)), _mm_mul_pd(w3, x3));
        const __m128d y = _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, y0), _mm_mul_pd(w1, y1)),
                                                _mm_mul_pd(w2, y2)), _mm_mul_pd(w3, y3));
        const __m128d u = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(x, xMin), sx), left);
        const __m128d v = _mm_sub_pd(bottom, _mm_mul_pd(_mm_sub_pd(y, yMin), sy));
        // |u| and |v| below the quick range; false for NaN.
        const __m128d isQuick = _mm_and_pd(_mm_cmplt_pd(_mm_andnot_pd(sign, u), quick),
                                           _mm_cmplt_pd(_mm_andnot_pd(sign, v), quick));
        allQuick &= _mm_movemask_pd(isQuick);
        // At most the bottom row, then at least the top one.
        const __m128d rv = _mm_max_pd(_mm_min_pd(_mm_add_pd(v, magic), rowBottom), rowTop);
        const __m128d hidden = _mm_or_pd(_mm_or_pd(_mm_cmplt_pd(x, _mm_set1_pd(f.xMin)),
                                                   _mm_cmpgt_pd(x, _mm_set1_pd(f.xMax))),
                                         _mm_or_pd(_mm_cmplt_pd(y, _mm_set1_pd(f.yMin)),
                                                   _mm_cmpgt_pd(y, _mm_set1_pd(f.yMax))));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(pxs + k),
                         _mm_sub_epi64(_mm_castpd_si128(_mm_add_pd(u, magic)), magicBits));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(pys + k), _mm_sub_epi64(_mm_castpd_si128(rv), magicBits));
        hiddenQuick = _mm_or_pd(hiddenQuick, _mm_and_pd(hidden, isQuick));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hiddens + k), _mm_castpd_si128(hidden));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(slows + k), _mm_castpd_si128(_mm_andnot_pd(isQuick, all)));
    }
    *anyHidden = _mm_movemask_pd(hiddenQuick) != 0;
    return allQuick == 3;
}

// Four sub-steps side by side, as segmentTwo. No fused multiply-add is enabled here, so
// every product is rounded before it is added, as in the scalar expression.
__attribute__((target("avx2"))) bool segmentFour(const curvepath::Frame &f, const double *weights, size_t count,
                                                 const double *wx, const double *wy, qint64 *pxs, qint64 *pys,
                                                 qint64 *hiddens, qint64 *slows, bool *anyHidden)
{
    const __m256d x0 = _mm256_set1_pd(wx[0]), x1 = _mm256_set1_pd(wx[1]);
    const __m256d x2 = _mm256_set1_pd(wx[2]), x3 = _mm256_set1_pd(wx[3]);
    const __m256d y0 = _mm256_set1_pd(wy[0]), y1 = _mm256_set1_pd(wy[1]);
    const __m256d y2 = _mm256_set1_pd(wy[2]), y3 = _mm256_set1_pd(wy[3]);
    const __m256d xMin = _mm256_set1_pd(f.map.xMin), sx = _mm256_set1_pd(f.map.sx);
    const __m256d left = _mm256_set1_pd(f.map.left);
    const __m256d yMin = _mm256_set1_pd(f.map.yMin), sy = _mm256_set1_pd(f.map.sy);
    const __m256d bottom = _mm256_set1_pd(f.map.bottom);
    const __m256d magic = _mm256_set1_pd(Magic), quick = _mm256_set1_pd(Quick), sign = _mm256_set1_pd(-0.0);
    const __m256d rowTop = _mm256_set1_pd(double(f.top) + Magic);
    const __m256d rowBottom = _mm256_set1_pd(double(f.bottom) + Magic);
    const __m256i magicBits = _mm256_castpd_si256(magic);
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    int allQuick = 15;
    __m256d hiddenQuick = _mm256_setzero_pd();
    for (size_t k = 0; k < count; k += 4) {
        const double *w = weights + k * 4;
        const __m256d w0 = _mm256_loadu_pd(w), w1 = _mm256_loadu_pd(w + 4);
        const __m256d w2 = _mm256_loadu_pd(w + 8), w3 = _mm256_loadu_pd(w + 12);
        const __m256d x = _mm256_add_pd(
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w0, x0), _mm256_mul_pd(w1, x1)), _mm256_mul_pd(w2, x2)),
            _mm256_mul_pd(w3, x3));
        const __m256d y = _mm256_add_pd(
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w0, y0), _mm256_mul_pd(w1, y1)), _mm256_mul_pd(w2, y2)),
            _mm256_mul_pd(w3, y3));
        const __m256d u = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(x, xMin), sx), left);
        const __m256d v = _mm256_sub_pd(bottom, _mm256_mul_pd(_mm256_sub_pd(y, yMin), sy));
        const __m256d isQuick = _mm256_and_pd(_mm256_cmp_pd(_mm256_andnot_pd(sign, u), quick, _CMP_LT_OQ),
                                              _mm256_cmp_pd(_mm256_andnot_pd(sign, v), quick, _CMP_LT_OQ));
        allQuick &= _mm256_movemask_pd(isQuick);
        const __m256d rv = _mm256_max_pd(_mm256_min_pd(_mm256_add_pd(v, magic), rowBottom), rowTop);
        const __m256d hidden =
            _mm256_or_pd(_mm256_or_pd(_mm256_cmp_pd(x, _mm256_set1_pd(f.xMin), _CMP_LT_OQ),
                                      _mm256_cmp_pd(x, _mm256_set1_pd(f.xMax), _CMP_GT_OQ)),
                         _mm256_or_pd(_mm256_cmp_pd(y, _mm256_set1_pd(f.yMin), _CMP_LT_OQ),
                                      _mm256_cmp_pd(y, _mm256_set1_pd(f.yMax), _CMP_GT_OQ)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(pxs + k),
                            _mm256_sub_epi64(_mm256_castpd_si256(_mm256_add_pd(u, magic)), magicBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(pys + k),
                            _mm256_sub_epi64(_mm256_castpd_si256(rv), magicBits));
        hiddenQuick = _mm256_or_pd(hiddenQuick, _mm256_and_pd(hidden, isQuick));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(hiddens + k), _mm256_castpd_si256(hidden));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(slows + k),
                            _mm256_castpd_si256(_mm256_andnot_pd(isQuick, all)));
    }
    *anyHidden = _mm256_movemask_pd(hiddenQuick) != 0;
    return allQuick == 15;
}
#endif

}

bool Table::segment(const curvepath::Frame &f, const double *wx, const double *wy, int s)
{
    wx += s;
    wy += s;
#ifdef SUBSTEPS_X86
    if (m_lanes == Lanes::Four)
        return segmentFour(f, m_w.data(), m_px.size(), wx, wy, m_px.data(), m_py.data(), m_hidden.data(),
                           m_slow.data(), &m_anyHidden);
    if (m_lanes == Lanes::Two)
        return segmentTwo(f, m_w.data(), m_px.size(), wx, wy, m_px.data(), m_py.data(), m_hidden.data(),
                          m_slow.data(), &m_anyHidden);
#endif
    return segmentOne(f, m_weights, wx, wy, m_px.data(), m_py.data(), m_hidden.data(), m_slow.data(),
                      &m_anyHidden);
}

}
