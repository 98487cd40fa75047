// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel for CPUs with AVX2: eight lanes in one register. Built with -mavx2 -mno-fma (this
// file only) and entered only after a run-time CPU check; fused multiply-adds would round
// differently and are never used.

#include "core/StepEchoKernel.h"

// Empty on other architectures, so that a build for several at once (a macOS universal
// binary) can list this file for all of them.
#if defined(__x86_64__)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace Ryvel::EchoKernel
{
namespace
{

#include "core/StepEchoKernelX86Quad.h"

struct V
{
    __m256 x;
};

inline V load(const float* p)
{
    return {_mm256_loadu_ps(p)};
}
inline void store(float* p, V v)
{
    _mm256_storeu_ps(p, v.x);
}
inline V splat(float x)
{
    return {_mm256_set1_ps(x)};
}
inline V operator+(V a, V b)
{
    return {_mm256_add_ps(a.x, b.x)};
}
inline V operator-(V a, V b)
{
    return {_mm256_sub_ps(a.x, b.x)};
}
inline V operator*(V a, V b)
{
    return {_mm256_mul_ps(a.x, b.x)};
}
inline V operator/(V a, V b)
{
    return {_mm256_div_ps(a.x, b.x)};
}

// max returns its second operand when either is NaN or both are equal, min likewise: with x
// second, a NaN passes through and -3 and 3 are reached exactly as the scalar comparisons do.
inline V clampToThree(V v)
{
    return {_mm256_min_ps(_mm256_set1_ps(3.0f), _mm256_max_ps(_mm256_set1_ps(-3.0f), v.x))};
}

inline __m256 absOf(__m256 x)
{
    return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
}
// x where |x| > limit, else +0 (also for NaN).
inline V keepWhereAbove(V v, V limit)
{
    return {_mm256_and_ps(v.x, _mm256_cmp_ps(absOf(v.x), limit.x, _CMP_GT_OQ))};
}
inline V absBits(V v)
{
    return {absOf(v.x)};
}
inline V orBits(V a, V b)
{
    return {_mm256_or_ps(a.x, b.x)};
}
inline V xorBits(V a, V b)
{
    return {_mm256_xor_ps(a.x, b.x)};
}
inline bool anyBitSet(V v)
{
    const __m256i bits = _mm256_castps_si256(v.x);
    return _mm256_testz_si256(bits, bits) == 0;
}
// |x| < limit in every lane; false for NaN.
inline bool allBelow(V v, V limit)
{
    return _mm256_movemask_ps(_mm256_cmp_ps(absOf(v.x), limit.x, _CMP_LT_OQ)) == 0xFF;
}

// In: one vector per voice holding four consecutive stereo frames. Out: one vector per frame
// holding the four voices. Frames are pairs of floats, so this is a 4 x 4 transpose of doubles.
inline void transposeFrames(V& a, V& b, V& c, V& d)
{
    const __m256d a2 = _mm256_castps_pd(a.x), b2 = _mm256_castps_pd(b.x);
    const __m256d c2 = _mm256_castps_pd(c.x), d2 = _mm256_castps_pd(d.x);
    const __m256d ab0 = _mm256_unpacklo_pd(a2, b2); // frames 0 and 2 of voices 0, 1
    const __m256d ab1 = _mm256_unpackhi_pd(a2, b2); // frames 1 and 3
    const __m256d cd0 = _mm256_unpacklo_pd(c2, d2);
    const __m256d cd1 = _mm256_unpackhi_pd(c2, d2);
    a.x = _mm256_castpd_ps(_mm256_permute2f128_pd(ab0, cd0, 0x20));
    b.x = _mm256_castpd_ps(_mm256_permute2f128_pd(ab1, cd1, 0x20));
    c.x = _mm256_castpd_ps(_mm256_permute2f128_pd(ab0, cd0, 0x31));
    d.x = _mm256_castpd_ps(_mm256_permute2f128_pd(ab1, cd1, 0x31));
}

// ((voice 0 + voice 1) + voice 2) + voice 3 in lanes 0 (left) and 1 (right).
inline Q sumVoices(V v)
{
    const __m128 lo = _mm256_castps256_ps128(v.x);
    const __m128 hi = _mm256_extractf128_ps(v.x, 1);
    __m128 s = _mm_add_ps(lo, _mm_movehl_ps(lo, lo));
    s = _mm_add_ps(s, hi);
    return {_mm_add_ps(s, _mm_movehl_ps(hi, hi))};
}

} // namespace
} // namespace Ryvel::EchoKernel

#include "core/StepEchoKernelImpl.h"

namespace Ryvel::EchoKernel
{

void processAvx2(Memory& memory, const Block& block, const float* inL, const float* inR,
                 float* outL, float* outR, std::int32_t n) noexcept
{
    processWith(memory, block, inL, inR, outL, outR, n);
}

void saturateAvx2(const float* in, float* out, std::size_t n) noexcept
{
    saturateWith(in, out, n);
}

} // namespace Ryvel::EchoKernel

#endif
