// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The per-sample engine behind StepEcho, shared by its instruction-set variants. Internal to
// source/core (and its tests): StepEcho prepares a Block once per process call and hands it,
// with the Memory it owns, to the variant the CPU runs.
//
// Lanes: the four voices times two channels are eight lanes, voice-major: lane 2v is the left
// channel of voice v, lane 2v + 1 its right. The delay line is one interleaved stereo line (all
// voices write the same dry samples): frame p holds left at 2p and right at 2p + 1.
//
// Every variant computes each lane with exactly the operations, operands and order of the scalar
// definition; vectorising across lanes changes the speed, never a bit of the output.

#include <cstddef>
#include <cstdint>

namespace Ryvel::EchoKernel
{

inline constexpr std::size_t kLanes = 8;
inline constexpr std::size_t kStages = 4;
// Samples processed per pass over the delay line; bounds the scratch memory and how far past its
// end the line is mirrored so that no tap read has to wrap.
inline constexpr std::size_t kChunkFrames = 256;
// Frames after the mirrored region that group-of-four reads may touch but never use.
inline constexpr std::size_t kReadPadFrames = 4;

// Per-lane constants of the voice chain and the high-pass: whatever the recursive states depend
// on. A settled pattern stays valid exactly as long as these do not change.
struct ChainConstants
{
    float g[kLanes];
    float g2[kLanes];
    float g3[kLanes];
    float feedback[kLanes];   // k (1 - g)
    float normaliser[kLanes]; // 1 + k g^4
    float inputGain[kLanes];
    float driveGain[kLanes];
    float panGain[kLanes]; // gain times the channel's pan factor
    float highpassG;
};

struct Block
{
    ChainConstants chain;
    // Bumped by StepEcho whenever `chain` changes bit-wise.
    std::uint64_t chainGeneration;
    float dryGain, wetGain;
    // Active taps of each voice in step order, as delays in frames (1 .. length - 1).
    std::uint32_t tapCount[4];
    std::size_t tapDelay[4][8];
    std::size_t longestDelay; // 0 when no tap is active
    // k == 0 on every voice: the ladder has no feedback term.
    bool feedbackFree;
};

// Ladder stage states (stage-major, then lane) and the high-pass states (left, right). Padded so
// that whole states compare with one memcmp.
struct State
{
    float ladder[kStages][kLanes];
    float highpass[4];
};

// With silence at every tap the voices and the high-pass see only the alternating offset; once
// the state before an even sample comes back after two samples, it repeats for as long as the
// taps stay silent and the constants stay put.
struct SettledCycle
{
    bool valid = false;
    std::uint64_t chainGeneration = 0;
    State before[2];         // before an even and before an odd sample
    bool mayBeNonFinite[2];  // what Memory::stateMayBeNonFinite was with each of them
    float highpassOut[2][2]; // high-pass output (left, right) of an even and an odd sample
};

// How chunks were computed: lets tests see that a shortcut was really taken (and left).
struct PathCounts
{
    std::uint64_t settled = 0;      // chunks filled from a settled cycle
    std::uint64_t feedbackFree = 0; // ladder runs without the feedback term
    std::uint64_t withFeedback = 0; // ladder runs with it
};

struct Memory
{
    float* line = nullptr;    // 2 * (length + kChunkFrames + kReadPadFrames) floats
    std::size_t length = 0;   // frames in the ring; the rest mirrors frames 0 .. kChunkFrames - 1
    std::size_t writePos = 0; // next frame written
    float* scratch = nullptr; // kChunkFrames * kLanes floats
    State state{};
    // False only while every value of `state` is finite; set where the state is written, from
    // the registers, so that StepEcho need not read it back at every block to find out.
    bool stateMayBeNonFinite = false;
    float lastHighpassOut[2]{};
    // The previous chunk's taps were all silent: check the next one before running it, so that
    // a settled cycle can take over.
    bool tapsWereSilent = true;
    SettledCycle cycle;
    PathCounts counts;
};

// Audio thread; no allocation. Requires memory.length > block.longestDelay and n >= 0. Input and
// output may be the same buffers.
using ProcessFn = void (*)(Memory& memory, const Block& block, const float* inL, const float* inR,
                           float* outL, float* outR, std::int32_t n) noexcept;

// The saturator exactly as the kernel evaluates it (lane-wise), for tests of its rewrite.
using SaturateFn = void (*)(const float* in, float* out, std::size_t n) noexcept;

// Every architecture.
void processPortable(Memory& memory, const Block& block, const float* inL, const float* inR,
                     float* outL, float* outR, std::int32_t n) noexcept;
void saturatePortable(const float* in, float* out, std::size_t n) noexcept;

#if defined(__x86_64__)
void processBaseline(Memory& memory, const Block& block, const float* inL, const float* inR,
                     float* outL, float* outR, std::int32_t n) noexcept;
void saturateBaseline(const float* in, float* out, std::size_t n) noexcept;
void processAvx2(Memory& memory, const Block& block, const float* inL, const float* inR,
                 float* outL, float* outR, std::int32_t n) noexcept;
void saturateAvx2(const float* in, float* out, std::size_t n) noexcept;
#endif

} // namespace Ryvel::EchoKernel
