// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel, written once over an eight-lane vector type and a four-lane one. Included only by
// the variant translation units, after they have defined both inside
// Ryvel::EchoKernel::(anonymous):
// - `V`, eight lanes: load, store, splat, + - * /, clampToThree, keepWhereAbove, absBits,
//   orBits, xorBits, anyBitSet, allBelow, transposeFrames, and sumVoices (to a `Q` pair);
// - `Q`, four lanes: loadQ, storeQ, splatQ, quadOf, + - *, xorBits, anyBitSet, interleaveLow,
//   interleaveHigh, evenLanes, oddLanes, and for a stereo pair in lanes 0 and 1 loadPair,
//   storePair and storeSplit.
// See StepEchoKernelSse.cpp with StepEchoKernelX86Quad.h, and StepEchoKernelPortable.cpp.
//
// Everything here has internal linkage and calls no inline function of the standard library:
// the variants are compiled with different instruction sets, and a shared out-of-line copy
// picked by the linker could carry AVX instructions into the baseline path.
//
// Operation order is the definition's, lane by lane; the comments say where an operation was
// dropped or reordered and why that is exact.

#include <cstring>

namespace Ryvel::EchoKernel
{
namespace
{

constexpr float kOffset = 1e-20f;

// sat(q) = q (q^2 + 27) / (9 q^2 + 27). For |q| <= 2^-12 the rounded q^2 is at most 2^-24
// (rounding is monotone and 2^-24 is representable), 9 q^2 at most 9 * 2^-24 < 2^-20, which is
// half an ulp of 27: both sums round to exactly 27 whatever q^2 is. So q^2 can be replaced by 0
// there without changing a bit, and the square of the anti-denormal offset (about 1e-40, a
// subnormal that costs a microcode assist on many CPUs) is never formed.
constexpr float kSquareVanishesBelow = 0x1p-12f;

// States below this size at the start of a chunk cannot grow past FLT_MAX / 4 within it when
// the ladder has no feedback: its four stages are stable one-poles whose states stay within
// |s(0)| + tan(pi fc / fs) * max|input| (tan <= 32 at 0.49 fs) of input |u| <= 3, so after four
// stages at most 33^4 * 2^100 < 2^121, and the feedback sum S stays finite.
constexpr float kFeedbackFreeLimit = 0x1p100f;

inline std::size_t smaller(std::size_t a, std::size_t b)
{
    return a < b ? a : b;
}

inline V saturate(V x)
{
    const V q = clampToThree(x);
    const V qs = keepWhereAbove(q, splat(kSquareVanishesBelow));
    const V q2 = qs * qs;
    return q * (q2 + splat(27.0f)) / (splat(9.0f) * q2 + splat(27.0f));
}

struct Lanes
{
    V g, g2, g3, feedback, normaliser, inputGain, driveGain, panGain;
};

inline Lanes lanesOf(const ChainConstants& c)
{
    return {load(c.g),          load(c.g2),        load(c.g3),        load(c.feedback),
            load(c.normaliser), load(c.inputGain), load(c.driveGain), load(c.panGain)};
}

inline float offsetAt(std::size_t blockIndex)
{
    return (blockIndex & 1u) != 0 ? kOffset : -kOffset;
}

// Frames [from, to) of the ring, interleaved; ring frames below kChunkFrames are also written to
// their mirror after the ring so that reads of up to kChunkFrames frames never wrap.
void writeFrames(Memory& m, const float* inL, const float* inR, std::size_t from, std::size_t to)
{
    float* dst = m.line + 2 * from;
    const std::size_t count = to - from;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const Q l = loadQ(inL + i);
        const Q r = loadQ(inR + i);
        storeQ(dst + 2 * i, interleaveLow(l, r));
        storeQ(dst + 2 * i + 4, interleaveHigh(l, r));
    }
    for (; i < count; ++i)
    {
        dst[2 * i] = inL[i];
        dst[2 * i + 1] = inR[i];
    }
    if (from < kChunkFrames)
    {
        const std::size_t end = smaller(to, kChunkFrames);
        std::memcpy(m.line + 2 * (m.length + from), dst, sizeof(float) * 2 * (end - from));
    }
}

void writeLine(Memory& m, const float* inL, const float* inR, std::size_t count)
{
    const std::size_t w = m.writePos;
    const std::size_t first = smaller(count, m.length - w);
    writeFrames(m, inL, inR, w, w + first);
    if (first < count)
        writeFrames(m, inL + first, inR + first, 0, count - first);
}

// The active taps of each voice for the chunk starting at ring frame w: first frame to read.
struct Taps
{
    const float* at[4][8];
    std::uint32_t count[4];
};

inline Taps tapsOf(const Memory& m, const Block& b, std::size_t w)
{
    Taps t;
    for (std::size_t v = 0; v < 4; ++v)
    {
        t.count[v] = b.tapCount[v];
        for (std::uint32_t i = 0; i < b.tapCount[v]; ++i)
        {
            // (w - D) mod length without a division: 0 < D < length and w < length.
            const std::size_t d = b.tapDelay[v][i];
            t.at[v][i] = m.line + 2 * (w >= d ? w - d : w + m.length - d);
        }
    }
    return t;
}

// One voice's tap sums of frames i .. i + 3 of the chunk (a stereo frame per lane pair). The
// definition starts each sum at 0 and adds the taps in step order; starting at the first tap
// differs only in the sign of an all-zero sum, and T + d with d = +-1e-20 is d for both signs of
// zero.
inline V voiceTaps(const Taps& t, std::size_t voice, std::size_t i)
{
    const std::uint32_t n = t.count[voice];
    if (n == 0)
        return splat(0.0f);
    V s = load(t.at[voice][0] + 2 * i);
#pragma GCC unroll 8
    for (std::uint32_t j = 1; j < n; ++j)
        s = s + load(t.at[voice][j] + 2 * i);
    return s;
}

// Tap sums of frames i .. i + 3 of the chunk, one eight-lane vector per frame.
inline void sumTaps(const Taps& t, std::size_t i, V (&frames)[4])
{
    for (std::size_t v = 0; v < 4; ++v)
        frames[v] = voiceTaps(t, v, i);
    transposeFrames(frames[0], frames[1], frames[2], frames[3]);
}

// The recursive part of the voices and the high-pass, kept in registers across a run.
struct ChainState
{
    V s0, s1, s2, s3;
    Q h, hp; // stereo pairs
};

inline ChainState loadChain(const Memory& m)
{
    return {load(m.state.ladder[0]), load(m.state.ladder[1]), load(m.state.ladder[2]),
            load(m.state.ladder[3]), loadQ(m.state.highpass), splatQ(0.0f)};
}

// x - x is +0 for every finite x, NaN for an infinity or a NaN. Lanes of the high-pass beyond the
// stereo pair may only make this true without need, which costs StepEcho one check of the
// stored state.
inline bool anyNonFinite(const ChainState& c)
{
    const V ladder = orBits(orBits(c.s0 - c.s0, c.s1 - c.s1), orBits(c.s2 - c.s2, c.s3 - c.s3));
    return anyBitSet(ladder) || anyBitSet(c.h - c.h);
}

inline void storeChain(Memory& m, const ChainState& c)
{
    m.stateMayBeNonFinite = anyNonFinite(c);
    store(m.state.ladder[0], c.s0);
    store(m.state.ladder[1], c.s1);
    store(m.state.ladder[2], c.s2);
    store(m.state.ladder[3], c.s3);
    // Only the two real lanes are kept, so that whole states compare bit for bit.
    storePair(m.state.highpass, c.h);
    storePair(m.lastHighpassOut, c.hp);
}

struct Mixing
{
    Q highpassG, dry, wet;
};

inline Mixing mixingOf(const Block& b)
{
    return {splatQ(b.chain.highpassG), splatQ(b.dryGain), splatQ(b.wetGain)};
}

// The offset d of a sample, for the input stage (eight lanes) and the wet sum (two).
struct Offset
{
    V lanes;
    Q pair;
};

inline Offset offsetFor(std::size_t blockIndex)
{
    const float d = offsetAt(blockIndex);
    return {splat(d), splatQ(d)};
}

// The ladder of one sample from the input-stage value u; returns its output y4. kFeedback false
// drops the feedback term u0 = (u - k(1 - g) S) / (1 + k g^4): with k = 0 and S finite it is
// (u -+ 0) / 1 = u, exactly (u is never -0: T + d is never -0, and sat keeps the sign of zero).
template <bool kFeedback>
__attribute__((always_inline)) inline V ladderStep(ChainState& c, const Lanes& k, V u)
{
    V u0 = u;
    if constexpr (kFeedback)
    {
        const V sum = k.g3 * c.s0 + k.g2 * c.s1 + k.g * c.s2 + c.s3;
        u0 = (u - k.feedback * sum) / k.normaliser;
    }
    const V e1 = k.g * (u0 - c.s0);
    const V y1 = c.s0 + e1;
    const V e2 = k.g * (y1 - c.s1);
    const V y2 = c.s1 + e2;
    const V e3 = k.g * (y2 - c.s2);
    const V y3 = c.s2 + e3;
    const V e4 = k.g * (y3 - c.s3);
    const V y4 = c.s3 + e4;
    const V two = splat(2.0f);
    c.s0 = c.s0 + two * e1;
    c.s1 = c.s1 + two * e2;
    c.s2 = c.s2 + two * e3;
    c.s3 = c.s3 + two * e4;
    return y4;
}

// Drive stage, pan and gain of every lane.
__attribute__((always_inline)) inline V voiceOutputs(const Lanes& k, V y4)
{
    return k.panGain * saturate(k.driveGain * y4);
}

// Voice sum, high-pass and output of one sample from its voice outputs and dry frame.
__attribute__((always_inline)) inline void mixStep(ChainState& c, const Mixing& mix, V voices, Q d,
                                                   const float* frame, float* outL, float* outR)
{
    const Q sum = sumVoices(voices);
    const Q total = sum + d;
    const Q v = mix.highpassG * (total - c.h);
    const Q lp = c.h + v;
    c.hp = total - lp;
    c.h = lp + v;

    const Q o = loadPair(frame) * mix.dry + c.hp * mix.wet;
    storeSplit(outL, outR, o);
}

// One sample, start to end.
template <bool kFeedback>
__attribute__((always_inline)) inline void chainStep(ChainState& c, const Lanes& k,
                                                     const Mixing& mix, V u, Q d,
                                                     const float* frame, float* outL, float* outR)
{
    mixStep(c, mix, voiceOutputs(k, ladderStep<kFeedback>(c, k, u)), d, frame, outL, outR);
}

// Tap sums of `count` frames from ring frame w on, through the input stage, into scratch (one
// eight-lane row per frame). Returns true when every tap sum was a zero: then every sample of
// the chunk sees exactly what it would with no step on.
bool runTaps(Memory& m, const Block& b, const Lanes& k, std::size_t w, std::size_t count,
             std::size_t blockIndex)
{
    const Taps t = tapsOf(m, b, w);
    const V first = splat(offsetAt(blockIndex));
    const V second = splat(offsetAt(blockIndex + 1));
    V seen = splat(0.0f);
    for (std::size_t i = 0; i < count; i += 4)
    {
        V frames[4];
        sumTaps(t, i, frames);
        const std::size_t valid = smaller(4, count - i);
        for (std::size_t f = 0; f < valid; ++f)
        {
            seen = orBits(seen, frames[f]);
            const V u = saturate(k.inputGain * (frames[f] + ((f & 1u) != 0 ? second : first)));
            store(m.scratch + kLanes * (i + f), u);
        }
    }
    // Zeros of either sign: the sign bit alone does not count.
    return !anyBitSet(absBits(seen));
}

// What the input stage gives with silent taps: sat(inputGain * (0 + d)), and 0 + d = d.
void writeSilentInput(Memory& m, const Lanes& k, std::size_t count, std::size_t blockIndex)
{
    const V even = saturate(k.inputGain * splat(-kOffset));
    const V odd = saturate(k.inputGain * splat(kOffset));
    for (std::size_t i = 0; i < count; ++i)
        store(m.scratch + kLanes * i, ((blockIndex + i) & 1u) != 0 ? odd : even);
}

// `count` samples whose input-stage values are in scratch from row `row` on.
template <bool kFeedback>
void runChain(Memory& m, const Block& b, const Lanes& k, std::size_t row, std::size_t w,
              std::size_t count, std::size_t blockIndex, float* outL, float* outR)
{
    ChainState c = loadChain(m);
    const Mixing mix = mixingOf(b);
    const Q first = splatQ(offsetAt(blockIndex));
    const Q second = splatQ(offsetAt(blockIndex + 1));
    const float* u = m.scratch + kLanes * row;
    const float* x = m.line + 2 * w;
    std::size_t i = 0;
    for (; i + 2 <= count; i += 2)
    {
        chainStep<kFeedback>(c, k, mix, load(u + kLanes * i), first, x + 2 * i, outL + i, outR + i);
        chainStep<kFeedback>(c, k, mix, load(u + kLanes * (i + 1)), second, x + 2 * (i + 1),
                             outL + i + 1, outR + i + 1);
    }
    if (i < count)
        chainStep<kFeedback>(c, k, mix, load(u + kLanes * i), first, x + 2 * i, outL + i, outR + i);
    storeChain(m, c);
}

// Taps and input stage of frames i .. i + 3 of the chunk into scratch rows i .. i + 3; the tap
// sums of the frames below count are ORed into seen.
__attribute__((always_inline)) inline void inputGroup(Memory& m, const Taps& t, const Lanes& k,
                                                      std::size_t i, std::size_t count,
                                                      const Offset& first, const Offset& second,
                                                      V& seen)
{
    V frames[4];
    sumTaps(t, i, frames);
    const std::size_t valid = smaller(4, count - i);
    for (std::size_t f = 0; f < valid; ++f)
    {
        seen = orBits(seen, frames[f]);
        const V u = saturate(k.inputGain * (frames[f] + ((f & 1u) != 0 ? second : first).lanes));
        store(m.scratch + kLanes * (i + f), u);
    }
}

// The stages of the fused loop before the ladder, for a chunk cut into groups of four frames.
struct InputStages
{
    Memory& m;
    const Taps& t;
    const Lanes& k;
    std::size_t count;
    V seen;

    // One voice's tap sums of the four frames of group g.
    __attribute__((always_inline)) V taps(std::size_t g, std::size_t voice) const
    {
        return voiceTaps(t, voice, 4 * g);
    }

    // The tap sums of group g (one vector per voice) as rows of scratch, one per frame.
    __attribute__((always_inline)) void storeTaps(std::size_t g, V (&voices)[4])
    {
        transposeFrames(voices[0], voices[1], voices[2], voices[3]);
        const std::size_t valid = smaller(4, count - 4 * g);
        for (std::size_t f = 0; f < valid; ++f)
        {
            seen = orBits(seen, voices[f]);
            store(m.scratch + kLanes * (4 * g + f), voices[f]);
        }
    }

    // Input stage of one frame, in place: tap sum T to sat(inputGain (T + d)).
    __attribute__((always_inline)) void inputStage(std::size_t frame, const Offset& d) const
    {
        float* row = m.scratch + kLanes * frame;
        store(row, saturate(k.inputGain * (load(row) + d.lanes)));
    }
};

// Taps, input stage and chain in one loop, software-pipelined by whole groups of four samples:
// the input stage of group g + 1, the ladders of group g, then the drive stage, voice sum and
// high-pass of group g - 1. Without feedback the ladders are short, the loop is limited by the
// amount of work, and this plain order lets the processor overlap the groups by itself.
template <bool kFeedback>
bool runFusedByGroups(Memory& m, const Block& b, const Lanes& k, std::size_t w, std::size_t count,
                      std::size_t blockIndex, float* outL, float* outR)
{
    const Taps t = tapsOf(m, b, w);
    const Offset first = offsetFor(blockIndex);
    const Offset second = offsetFor(blockIndex + 1);
    V seen = splat(0.0f);
    const std::size_t whole = count & ~std::size_t{3};
    if (whole == 0)
    {
        inputGroup(m, t, k, 0, count, first, second, seen);
        runChain<kFeedback>(m, b, k, 0, w, count, blockIndex, outL, outR);
        return !anyBitSet(absBits(seen));
    }

    ChainState c = loadChain(m);
    const Mixing mix = mixingOf(b);
    const float* x = m.line + 2 * w;
    const float* u = m.scratch;
    inputGroup(m, t, k, 0, count, first, second, seen);
    V y[4];
    if (4 < count)
        inputGroup(m, t, k, 4, count, first, second, seen);
    for (std::size_t f = 0; f < 4; ++f)
        y[f] = ladderStep<kFeedback>(c, k, load(u + kLanes * f));
    for (std::size_t i = 4; i < whole; i += 4)
    {
        if (i + 4 < count)
            inputGroup(m, t, k, i + 4, count, first, second, seen);
        const std::size_t p = i - 4;
        V voices[4];
        for (std::size_t f = 0; f < 4; ++f)
        {
            voices[f] = voiceOutputs(k, y[f]);
            y[f] = ladderStep<kFeedback>(c, k, load(u + kLanes * (i + f)));
        }
        for (std::size_t f = 0; f < 4; ++f)
            mixStep(c, mix, voices[f], ((f & 1u) != 0 ? second : first).pair, x + 2 * (p + f),
                    outL + p + f, outR + p + f);
    }
    const std::size_t p = whole - 4;
    for (std::size_t f = 0; f < 4; ++f)
        mixStep(c, mix, voiceOutputs(k, y[f]), ((f & 1u) != 0 ? second : first).pair,
                x + 2 * (p + f), outL + p + f, outR + p + f);
    storeChain(m, c);
    if (whole < count)
        runChain<kFeedback>(m, b, k, whole, w + whole, count - whole, blockIndex + whole,
                            outL + whole, outR + whole);
    return !anyBitSet(absBits(seen));
}

// Taps, input stage and chain in one loop, software-pipelined over groups of four frames and
// interleaved sample by sample. With feedback, each sample's ladder is one long chain of
// dependent operations (about 59 cycles); every step of the loop pairs one ladder with work whose
// operands are all ready: one voice's taps of the group after next, the input stage of one frame
// of the next group, and the drive stage, voice sum and high-pass of one sample of the previous
// group. Whole groups of independent work between the ladders (the order above) left the chain
// waiting for the front end at every group.
template <bool kFeedback>
bool runFusedInterleaved(Memory& m, const Block& b, const Lanes& k, std::size_t w,
                         std::size_t count, std::size_t blockIndex, float* outL, float* outR)
{
    const Taps t = tapsOf(m, b, w);
    const Offset first = offsetFor(blockIndex);
    const Offset second = offsetFor(blockIndex + 1);
    const std::size_t whole = count / 4;
    const std::size_t groups = (count + 3) / 4;
    if (whole == 0)
    {
        V seen = splat(0.0f);
        inputGroup(m, t, k, 0, count, first, second, seen);
        runChain<kFeedback>(m, b, k, 0, w, count, blockIndex, outL, outR);
        return !anyBitSet(absBits(seen));
    }

    InputStages in{m, t, k, count, splat(0.0f)};
    const auto offsetOf = [&](std::size_t f) -> const Offset&
    { return (f & 1u) != 0 ? second : first; };
    ChainState c = loadChain(m);
    const Mixing mix = mixingOf(b);
    const float* x = m.line + 2 * w;
    const float* u = m.scratch;

    V voices[4];
    for (std::size_t v = 0; v < 4; ++v)
        voices[v] = in.taps(0, v);
    in.storeTaps(0, voices);
    for (std::size_t f = 0; f < 4; ++f)
        in.inputStage(f, offsetOf(f));
    if (1 < groups)
    {
        for (std::size_t v = 0; v < 4; ++v)
            voices[v] = in.taps(1, v);
        in.storeTaps(1, voices);
    }
    V y[4];
    for (std::size_t g = 0; g < whole; ++g)
    {
        const bool tapsAhead = g + 2 < groups;
        const bool inputAhead = g + 1 < groups;
#pragma GCC unroll 4
        for (std::size_t f = 0; f < 4; ++f)
        {
            if (tapsAhead)
                voices[f] = in.taps(g + 2, f);
            if (inputAhead)
                in.inputStage(4 * (g + 1) + f, offsetOf(f));
            const V previous = y[f];
            y[f] = ladderStep<kFeedback>(c, k, load(u + kLanes * (4 * g + f)));
            if (g > 0)
            {
                const std::size_t p = 4 * (g - 1) + f;
                mixStep(c, mix, voiceOutputs(k, previous), offsetOf(f).pair, x + 2 * p, outL + p,
                        outR + p);
            }
        }
        if (tapsAhead)
            in.storeTaps(g + 2, voices);
    }
    for (std::size_t f = 0; f < 4; ++f)
    {
        const std::size_t p = 4 * (whole - 1) + f;
        mixStep(c, mix, voiceOutputs(k, y[f]), offsetOf(f).pair, x + 2 * p, outL + p, outR + p);
    }
    storeChain(m, c);
    const std::size_t done = 4 * whole;
    if (done < count)
        runChain<kFeedback>(m, b, k, done, w + done, count - done, blockIndex + done, outL + done,
                            outR + done);
    return !anyBitSet(absBits(in.seen));
}

// Each sample still sees exactly the operations of the definition in its order; only the
// interleaving of independent work differs, chosen by what limits the loop (measured in bench/).
// Returns true when every tap sum was a zero.
template <bool kFeedback>
bool runFused(Memory& m, const Block& b, const Lanes& k, std::size_t w, std::size_t count,
              std::size_t blockIndex, float* outL, float* outR)
{
    if constexpr (kFeedback)
        return runFusedInterleaved<true>(m, b, k, w, count, blockIndex, outL, outR);
    else
        return runFusedByGroups<false>(m, b, k, w, count, blockIndex, outL, outR);
}

bool statesBelow(const State& s, float limit)
{
    const V l = splat(limit);
    return allBelow(load(s.ladder[0]), l) && allBelow(load(s.ladder[1]), l) &&
           allBelow(load(s.ladder[2]), l) && allBelow(load(s.ladder[3]), l);
}

bool feedbackDropsOut(const Memory& m, const Block& b)
{
    return b.feedbackFree && statesBelow(m.state, kFeedbackFreeLimit);
}

void runChainChecked(Memory& m, const Block& b, const Lanes& k, std::size_t row, std::size_t w,
                     std::size_t count, std::size_t blockIndex, float* outL, float* outR)
{
    if (feedbackDropsOut(m, b))
    {
        ++m.counts.feedbackFree;
        runChain<false>(m, b, k, row, w, count, blockIndex, outL, outR);
    }
    else
    {
        ++m.counts.withFeedback;
        runChain<true>(m, b, k, row, w, count, blockIndex, outL, outR);
    }
}

// Bit for bit (a -0 is not a +0 here), without a library call.
bool sameState(const State& a, const State& b)
{
    bool same = !anyBitSet(xorBits(loadQ(a.highpass), loadQ(b.highpass)));
    for (std::size_t stage = 0; stage < kStages; ++stage)
        same = same && !anyBitSet(xorBits(load(a.ladder[stage]), load(b.ladder[stage])));
    return same;
}

// out = x * dry + hp * wet with hp alternating between the cycle's two values.
void fillSettled(Memory& m, const Block& b, std::size_t w, std::size_t count,
                 std::size_t blockIndex, float* outL, float* outR)
{
    const SettledCycle& c = m.cycle;
    const std::size_t first = blockIndex & 1u;
    const float wetL0 = c.highpassOut[first][0] * b.wetGain;
    const float wetL1 = c.highpassOut[first ^ 1u][0] * b.wetGain;
    const float wetR0 = c.highpassOut[first][1] * b.wetGain;
    const float wetR1 = c.highpassOut[first ^ 1u][1] * b.wetGain;
    const Q wetL = quadOf(wetL0, wetL1, wetL0, wetL1);
    const Q wetR = quadOf(wetR0, wetR1, wetR0, wetR1);
    const Q dry = splatQ(b.dryGain);
    const float* x = m.line + 2 * w;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const Q a = loadQ(x + 2 * i);
        const Q c2 = loadQ(x + 2 * i + 4);
        storeQ(outL + i, evenLanes(a, c2) * dry + wetL);
        storeQ(outR + i, oddLanes(a, c2) * dry + wetR);
    }
    for (; i < count; ++i)
    {
        const std::size_t p = i & 1u;
        outL[i] = x[2 * i] * b.dryGain + (p == 0 ? wetL0 : wetL1);
        outR[i] = x[2 * i + 1] * b.dryGain + (p == 0 ? wetR0 : wetR1);
    }
}

// A chunk whose taps are all silent: reuse the settled cycle when the state is on it; else probe
// whether two samples bring the state back (only from an even sample, where the cycle starts).
void runSilent(Memory& m, const Block& b, const Lanes& k, bool inputReady, std::size_t w,
               std::size_t count, std::size_t blockIndex, float* outL, float* outR)
{
    SettledCycle& c = m.cycle;
    if (c.valid && c.chainGeneration == b.chainGeneration &&
        sameState(m.state, c.before[blockIndex & 1u]))
    {
        ++m.counts.settled;
        fillSettled(m, b, w, count, blockIndex, outL, outR);
        const std::size_t next = (blockIndex + count) & 1u;
        m.state = c.before[next];
        m.stateMayBeNonFinite = c.mayBeNonFinite[next];
        return;
    }
    if (!inputReady)
        writeSilentInput(m, k, count, blockIndex);
    if ((blockIndex & 1u) != 0 || count < 2)
    {
        runChainChecked(m, b, k, 0, w, count, blockIndex, outL, outR);
        return;
    }

    const State start = m.state;
    const bool startMayBeNonFinite = m.stateMayBeNonFinite;
    runChainChecked(m, b, k, 0, w, 1, blockIndex, outL, outR);
    const State afterEven = m.state;
    const bool afterEvenMayBeNonFinite = m.stateMayBeNonFinite;
    float evenOut[2];
    std::memcpy(evenOut, m.lastHighpassOut, sizeof evenOut);
    runChainChecked(m, b, k, 1, w + 1, 1, blockIndex + 1, outL + 1, outR + 1);
    if (sameState(m.state, start))
    {
        c.valid = true;
        c.chainGeneration = b.chainGeneration;
        c.before[0] = start;
        c.before[1] = afterEven;
        c.mayBeNonFinite[0] = startMayBeNonFinite;
        c.mayBeNonFinite[1] = afterEvenMayBeNonFinite;
        std::memcpy(c.highpassOut[0], evenOut, sizeof evenOut);
        std::memcpy(c.highpassOut[1], m.lastHighpassOut, sizeof evenOut);
        ++m.counts.settled;
        fillSettled(m, b, w + 2, count - 2, blockIndex + 2, outL + 2, outR + 2);
        const std::size_t next = (blockIndex + count) & 1u;
        m.state = c.before[next];
        m.stateMayBeNonFinite = c.mayBeNonFinite[next];
        return;
    }
    runChainChecked(m, b, k, 2, w + 2, count - 2, blockIndex + 2, outL + 2, outR + 2);
}

void processWith(Memory& m, const Block& b, const float* inL, const float* inR, float* outL,
                 float* outR, std::int32_t n)
{
    const Lanes k = lanesOf(b.chain);
    const bool anyTap = b.longestDelay != 0;
    // A chunk must not read a frame it writes later: with the whole chunk written first, a tap
    // of delay D would see a later sample once the chunk is longer than length - D.
    const std::size_t longest = smaller(kChunkFrames, m.length - b.longestDelay);
    const auto total = static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < total;)
    {
        const std::size_t count = smaller(longest, total - i);
        const std::size_t w = m.writePos;
        writeLine(m, inL + i, inR + i, count);
        if (!anyTap)
            runSilent(m, b, k, false, w, count, i, outL + i, outR + i);
        else if (m.tapsWereSilent)
        {
            m.tapsWereSilent = runTaps(m, b, k, w, count, i);
            if (m.tapsWereSilent)
                runSilent(m, b, k, true, w, count, i, outL + i, outR + i);
            else
                runChainChecked(m, b, k, 0, w, count, i, outL + i, outR + i);
        }
        else if (feedbackDropsOut(m, b))
        {
            ++m.counts.feedbackFree;
            m.tapsWereSilent = runFused<false>(m, b, k, w, count, i, outL + i, outR + i);
        }
        else
        {
            ++m.counts.withFeedback;
            m.tapsWereSilent = runFused<true>(m, b, k, w, count, i, outL + i, outR + i);
        }
        // w < length and count <= kChunkFrames < length: at most one wrap, without a division.
        const std::size_t next = w + count;
        m.writePos = next >= m.length ? next - m.length : next;
        i += count;
    }
}

void saturateWith(const float* in, float* out, std::size_t n)
{
    float lanes[kLanes];
    for (std::size_t i = 0; i < n; i += kLanes)
    {
        const std::size_t count = smaller(kLanes, n - i);
        for (std::size_t j = 0; j < kLanes; ++j)
            lanes[j] = j < count ? in[i + j] : 0.0f;
        store(lanes, saturate(load(lanes)));
        std::memcpy(out + i, lanes, sizeof(float) * count);
    }
}

} // namespace
} // namespace Ryvel::EchoKernel
