// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel on the x86-64 baseline (SSE2): eight lanes as two four-lane registers. Runs on
// every x86-64 CPU.

#include "core/StepEchoKernel.h"

// Empty on other architectures, so that a build for several at once (a macOS universal
// binary) can list this file for all of them.
#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace Ryvel::EchoKernel
{
namespace
{

#include "core/StepEchoKernelX86Quad.h"

// Lanes 0..3 (voices 0 and 1) and 4..7 (voices 2 and 3).
struct V
{
    __m128 lo, hi;
};

inline V load(const float* p)
{
    return {_mm_loadu_ps(p), _mm_loadu_ps(p + 4)};
}
inline void store(float* p, V x)
{
    _mm_storeu_ps(p, x.lo);
    _mm_storeu_ps(p + 4, x.hi);
}
inline V splat(float x)
{
    const __m128 s = _mm_set1_ps(x);
    return {s, s};
}
inline V operator+(V a, V b)
{
    return {_mm_add_ps(a.lo, b.lo), _mm_add_ps(a.hi, b.hi)};
}
inline V operator-(V a, V b)
{
    return {_mm_sub_ps(a.lo, b.lo), _mm_sub_ps(a.hi, b.hi)};
}
inline V operator*(V a, V b)
{
    return {_mm_mul_ps(a.lo, b.lo), _mm_mul_ps(a.hi, b.hi)};
}
inline V operator/(V a, V b)
{
    return {_mm_div_ps(a.lo, b.lo), _mm_div_ps(a.hi, b.hi)};
}

// max returns its second operand when either is NaN or both are equal, min likewise: with x
// second, a NaN passes through and -3 and 3 are reached exactly as the scalar comparisons do.
inline __m128 clampToThree(__m128 x)
{
    return _mm_min_ps(_mm_set1_ps(3.0f), _mm_max_ps(_mm_set1_ps(-3.0f), x));
}
inline V clampToThree(V x)
{
    return {clampToThree(x.lo), clampToThree(x.hi)};
}

inline __m128 absOf(__m128 x)
{
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
}
// x where |x| > limit, else +0 (also for NaN).
inline V keepWhereAbove(V x, V limit)
{
    return {_mm_and_ps(x.lo, _mm_cmpgt_ps(absOf(x.lo), limit.lo)),
            _mm_and_ps(x.hi, _mm_cmpgt_ps(absOf(x.hi), limit.hi))};
}
inline V absBits(V x)
{
    return {absOf(x.lo), absOf(x.hi)};
}
inline V orBits(V a, V b)
{
    return {_mm_or_ps(a.lo, b.lo), _mm_or_ps(a.hi, b.hi)};
}
inline V xorBits(V a, V b)
{
    return {_mm_xor_ps(a.lo, b.lo), _mm_xor_ps(a.hi, b.hi)};
}
inline bool anyBitSet(V x)
{
    const __m128i bits = _mm_castps_si128(_mm_or_ps(x.lo, x.hi));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(bits, _mm_setzero_si128())) != 0xFFFF;
}
// |x| < limit in every lane; false for NaN.
inline bool allBelow(V x, V limit)
{
    const __m128 lo = _mm_cmplt_ps(absOf(x.lo), limit.lo);
    const __m128 hi = _mm_cmplt_ps(absOf(x.hi), limit.hi);
    return _mm_movemask_ps(_mm_and_ps(lo, hi)) == 0xF;
}

// In: one vector per voice holding four consecutive stereo frames. Out: one vector per frame
// holding the four voices.
inline void transposeFrames(V& a, V& b, V& c, V& d)
{
    const V f0{_mm_movelh_ps(a.lo, b.lo), _mm_movelh_ps(c.lo, d.lo)};
    const V f1{_mm_movehl_ps(b.lo, a.lo), _mm_movehl_ps(d.lo, c.lo)};
    const V f2{_mm_movelh_ps(a.hi, b.hi), _mm_movelh_ps(c.hi, d.hi)};
    const V f3{_mm_movehl_ps(b.hi, a.hi), _mm_movehl_ps(d.hi, c.hi)};
    a = f0;
    b = f1;
    c = f2;
    d = f3;
}

// ((voice 0 + voice 1) + voice 2) + voice 3 in lanes 0 (left) and 1 (right).
inline Q sumVoices(V x)
{
    __m128 s = _mm_add_ps(x.lo, _mm_movehl_ps(x.lo, x.lo));
    s = _mm_add_ps(s, x.hi);
    return {_mm_add_ps(s, _mm_movehl_ps(x.hi, x.hi))};
}

} // namespace
} // namespace Ryvel::EchoKernel

#include "core/StepEchoKernelImpl.h"

namespace Ryvel::EchoKernel
{

void processBaseline(Memory& memory, const Block& block, const float* inL, const float* inR,
                     float* outL, float* outR, std::int32_t n) noexcept
{
    processWith(memory, block, inL, inR, outL, outR, n);
}

void saturateBaseline(const float* in, float* out, std::size_t n) noexcept
{
    saturateWith(in, out, n);
}

} // namespace Ryvel::EchoKernel

#endif
