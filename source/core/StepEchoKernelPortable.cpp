// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel in plain C++: eight lanes as eight floats, every operation a loop over them with
// ordinary float arithmetic, so that it builds for any architecture (the compiler vectorises
// what it can). The one kernel on CPUs other than x86-64; on x86-64 the tests and benchmarks run
// it beside the intrinsics variants.

#include "core/StepEchoKernel.h"

#include <cfloat>
#include <cstddef>
#include <cstdint>

// Each operation has to round to float, as the SSE/AVX variants and the scalar definition do;
// with excess precision (x87) every result could differ in its last bit.
static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must be evaluated in float");

namespace Ryvel::EchoKernel
{
namespace
{

// Bit operations through the builtins rather than std::bit_cast or std::fabs: see the note on
// inline library functions in StepEchoKernelImpl.h.
inline std::uint32_t bitsOf(float x)
{
    return __builtin_bit_cast(std::uint32_t, x);
}
inline float floatOf(std::uint32_t bits)
{
    return __builtin_bit_cast(float, bits);
}
constexpr std::uint32_t kMagnitude = 0x7FFFFFFFu;

inline float magnitude(float x)
{
    return floatOf(bitsOf(x) & kMagnitude);
}

struct Q
{
    float x[4];
};

inline Q loadQ(const float* p)
{
    return {{p[0], p[1], p[2], p[3]}};
}
inline void storeQ(float* p, Q q)
{
    for (std::size_t i = 0; i < 4; ++i)
        p[i] = q.x[i];
}
inline Q splatQ(float x)
{
    return {{x, x, x, x}};
}
inline Q quadOf(float a, float b, float c, float d)
{
    return {{a, b, c, d}};
}
inline Q operator+(Q a, Q b)
{
    for (std::size_t i = 0; i < 4; ++i)
        a.x[i] = a.x[i] + b.x[i];
    return a;
}
inline Q operator-(Q a, Q b)
{
    for (std::size_t i = 0; i < 4; ++i)
        a.x[i] = a.x[i] - b.x[i];
    return a;
}
inline Q operator*(Q a, Q b)
{
    for (std::size_t i = 0; i < 4; ++i)
        a.x[i] = a.x[i] * b.x[i];
    return a;
}
inline Q xorBits(Q a, Q b)
{
    for (std::size_t i = 0; i < 4; ++i)
        a.x[i] = floatOf(bitsOf(a.x[i]) ^ bitsOf(b.x[i]));
    return a;
}
inline bool anyBitSet(Q q)
{
    std::uint32_t any = 0;
    for (float x : q.x)
        any |= bitsOf(x);
    return any != 0;
}
inline Q interleaveLow(Q l, Q r)
{
    return {{l.x[0], r.x[0], l.x[1], r.x[1]}};
}
inline Q interleaveHigh(Q l, Q r)
{
    return {{l.x[2], r.x[2], l.x[3], r.x[3]}};
}
inline Q evenLanes(Q a, Q b)
{
    return {{a.x[0], a.x[2], b.x[0], b.x[2]}};
}
inline Q oddLanes(Q a, Q b)
{
    return {{a.x[1], a.x[3], b.x[1], b.x[3]}};
}
inline Q loadPair(const float* p)
{
    return {{p[0], p[1], 0.0f, 0.0f}};
}
inline void storePair(float* p, Q q)
{
    p[0] = q.x[0];
    p[1] = q.x[1];
}
inline void storeSplit(float* left, float* right, Q q)
{
    *left = q.x[0];
    *right = q.x[1];
}

struct V
{
    float x[kLanes];
};

inline V load(const float* p)
{
    V v;
    for (std::size_t i = 0; i < kLanes; ++i)
        v.x[i] = p[i];
    return v;
}
inline void store(float* p, V v)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        p[i] = v.x[i];
}
inline V splat(float x)
{
    V v;
    for (float& lane : v.x)
        lane = x;
    return v;
}
inline V operator+(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = a.x[i] + b.x[i];
    return a;
}
inline V operator-(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = a.x[i] - b.x[i];
    return a;
}
inline V operator*(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = a.x[i] * b.x[i];
    return a;
}
inline V operator/(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = a.x[i] / b.x[i];
    return a;
}

// The comparisons the definition makes, in its order: a NaN fails both and passes through, and
// -0 stays -0 (fmin/fmax would be free to return either zero, and 3 for a NaN).
inline V clampToThree(V v)
{
    for (float& x : v.x)
    {
        const float low = -3.0f > x ? -3.0f : x;
        x = 3.0f < low ? 3.0f : low;
    }
    return v;
}
// x where |x| > limit, else +0 (also for NaN).
inline V keepWhereAbove(V v, V limit)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        v.x[i] = magnitude(v.x[i]) > limit.x[i] ? v.x[i] : 0.0f;
    return v;
}
inline V absBits(V v)
{
    for (float& x : v.x)
        x = magnitude(x);
    return v;
}
inline V orBits(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = floatOf(bitsOf(a.x[i]) | bitsOf(b.x[i]));
    return a;
}
inline V xorBits(V a, V b)
{
    for (std::size_t i = 0; i < kLanes; ++i)
        a.x[i] = floatOf(bitsOf(a.x[i]) ^ bitsOf(b.x[i]));
    return a;
}
inline bool anyBitSet(V v)
{
    std::uint32_t any = 0;
    for (float x : v.x)
        any |= bitsOf(x);
    return any != 0;
}
// |x| < limit in every lane; false for NaN.
inline bool allBelow(V v, V limit)
{
    bool all = true;
    for (std::size_t i = 0; i < kLanes; ++i)
        all = all && magnitude(v.x[i]) < limit.x[i];
    return all;
}

// In: one vector per voice holding four consecutive stereo frames. Out: one vector per frame
// holding the four voices; channel c of voice v in frame f moves from lane 2f + c of vector v
// to lane 2v + c of vector f.
inline void transposeFrames(V& a, V& b, V& c, V& d)
{
    const V* in[4] = {&a, &b, &c, &d};
    V out[4];
    for (std::size_t f = 0; f < 4; ++f)
        for (std::size_t v = 0; v < 4; ++v)
        {
            out[f].x[2 * v] = in[v]->x[2 * f];
            out[f].x[2 * v + 1] = in[v]->x[2 * f + 1];
        }
    a = out[0];
    b = out[1];
    c = out[2];
    d = out[3];
}

// ((voice 0 + voice 1) + voice 2) + voice 3 in lanes 0 (left) and 1 (right).
inline Q sumVoices(V v)
{
    const float left = ((v.x[0] + v.x[2]) + v.x[4]) + v.x[6];
    const float right = ((v.x[1] + v.x[3]) + v.x[5]) + v.x[7];
    return {{left, right, 0.0f, 0.0f}};
}

} // namespace
} // namespace Ryvel::EchoKernel

#include "core/StepEchoKernelImpl.h"

namespace Ryvel::EchoKernel
{

void processPortable(Memory& memory, const Block& block, const float* inL, const float* inR,
                     float* outL, float* outR, std::int32_t n) noexcept
{
    processWith(memory, block, inL, inR, outL, outR, n);
}

void saturatePortable(const float* in, float* out, std::size_t n) noexcept
{
    saturateWith(in, out, n);
}

} // namespace Ryvel::EchoKernel
