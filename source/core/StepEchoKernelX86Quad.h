// SPDX-License-Identifier: GPL-3.0-or-later
// The four-lane type `Q` of the x86-64 kernel variants (baseline and AVX2): one SSE register.
// Included by those translation units only, inside Ryvel::EchoKernel::(anonymous), so that each
// keeps its own copy built with its own instruction set.

struct Q
{
    __m128 x;
};

inline Q loadQ(const float* p)
{
    return {_mm_loadu_ps(p)};
}
inline void storeQ(float* p, Q q)
{
    _mm_storeu_ps(p, q.x);
}
inline Q splatQ(float x)
{
    return {_mm_set1_ps(x)};
}
inline Q quadOf(float a, float b, float c, float d)
{
    return {_mm_setr_ps(a, b, c, d)};
}
inline Q operator+(Q a, Q b)
{
    return {_mm_add_ps(a.x, b.x)};
}
inline Q operator-(Q a, Q b)
{
    return {_mm_sub_ps(a.x, b.x)};
}
inline Q operator*(Q a, Q b)
{
    return {_mm_mul_ps(a.x, b.x)};
}
inline Q xorBits(Q a, Q b)
{
    return {_mm_xor_ps(a.x, b.x)};
}
inline bool anyBitSet(Q q)
{
    const __m128i bits = _mm_castps_si128(q.x);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(bits, _mm_setzero_si128())) != 0xFFFF;
}
// (l0 r0 l1 r1) and (l2 r2 l3 r3).
inline Q interleaveLow(Q l, Q r)
{
    return {_mm_unpacklo_ps(l.x, r.x)};
}
inline Q interleaveHigh(Q l, Q r)
{
    return {_mm_unpackhi_ps(l.x, r.x)};
}
// (a0 a2 b0 b2) and (a1 a3 b1 b3).
inline Q evenLanes(Q a, Q b)
{
    return {_mm_shuffle_ps(a.x, b.x, _MM_SHUFFLE(2, 0, 2, 0))};
}
inline Q oddLanes(Q a, Q b)
{
    return {_mm_shuffle_ps(a.x, b.x, _MM_SHUFFLE(3, 1, 3, 1))};
}
// A stereo pair (left, right) lives in lanes 0 and 1; the other two lanes are never read back.
inline Q loadPair(const float* p)
{
    return {_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p))};
}
// Exactly two floats: the destinations are two-float fields, or padding that has to stay zero.
inline void storePair(float* p, Q q)
{
    _mm_storel_pi(reinterpret_cast<__m64*>(p), q.x);
}
inline void storeSplit(float* left, float* right, Q q)
{
    _mm_store_ss(left, q.x);
    _mm_store_ss(right, _mm_shuffle_ps(q.x, q.x, _MM_SHUFFLE(1, 1, 1, 1)));
}
