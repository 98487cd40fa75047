// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The step-echo signal path: four voices reading taps from a stereo delay line of the dry input,
// each with up to eight taps, an input saturator, a four-pole ladder low-pass, a drive
// saturator, pan and gain; the voice sum is high-passed and crossfaded with the dry input.
//
// All signal arithmetic is single precision and the output is defined to the bit: the kernels
// (StepEchoKernel*.cpp) keep the order of every operation of the scalar definition and build
// with -ffp-contract=off. Times are in samples at the current rate; voices are 0..3, steps 0..7.
//
// The four voices always hold the same dry samples, so they share one interleaved stereo line of
// delayLength() frames; a tap never reaches further back than delayLength() - 1.

#include "core/ParameterCatalogue.h"
#include "core/StepEchoKernel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ryvel
{

// The processor's parameter values, normalised, as it holds them.
struct EchoParams
{
    std::array<bool, kNumStepParams> steps{}; // index 8 * voice + step
    std::array<float, kNumVoices> gain{0.7f, 0.7f, 0.7f, 0.7f};
    std::array<float, kNumVoices> pan{0.5f, 0.5f, 0.5f, 0.5f};
    std::array<float, kNumVoices> drive{};
    std::array<float, kNumVoices> filter{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, kNumVoices> reso{};
    float mix = 0.5f;
    float highpass = 0.0f;
};

class StepEcho
{
public:
    // Instruction-set variants of the per-sample kernel; all give the same bits.
    enum class Kernel
    {
        Baseline, // x86-64 baseline (SSE2); x86-64 only
        Avx2,     // x86-64 with AVX2
        Portable, // plain C++ for any CPU: the one in use elsewhere than x86-64
    };

    StepEcho() noexcept;
    StepEcho(const StepEcho&) = delete;
    StepEcho& operator=(const StepEcho&) = delete;

    // Four seconds plus 4096 samples at the given rate.
    static constexpr std::size_t delayLengthFor(double sampleRate) noexcept
    {
        return static_cast<std::size_t>(sampleRate * 4.0) + 4096;
    }
    // The memory the line of that rate takes: two floats a frame, plus the frames the kernel
    // mirrors past the end and its read pad.
    static constexpr std::size_t delayLineBytesFor(double sampleRate) noexcept
    {
        return 2 * sizeof(float) *
               (delayLengthFor(sampleRate) + EchoKernel::kChunkFrames + EchoKernel::kReadPadFrames);
    }

    static bool kernelSupported(Kernel kernel) noexcept;
    // The kernel in use: the fastest one this CPU runs, unless pinned by useKernel (tests and
    // benchmarks). Returns false, changing nothing, when the CPU cannot run it or the build
    // does not contain it.
    Kernel kernel() const noexcept { return active; }
    bool useKernel(Kernel kernel) noexcept;

    // Sizes the delay line for the rate (its contents are cleared only when the length changes;
    // callers reset afterwards). The new line is built aside and swapped in only when that
    // succeeded: on allocation failure this returns false and the previous line stays.
    bool allocateDelayLines(double sampleRate) noexcept;
    // Zeroes the delay line (keeping its length), the write position, ladder and high-pass states.
    void resetDelayState() noexcept;

    // A resonance-only change costs no tangent: g is recomputed only when the voice's filter
    // value or the rate differs from the ones it was computed for.
    void updateFilterCoeffs(int voice, const EchoParams& params, double sampleRate) noexcept;
    // The same for several voices at once: bit v of `voices` for voice v.
    void updateFilterCoeffs(std::uint32_t voices, const EchoParams& params,
                            double sampleRate) noexcept;
    void updateHighpassCoeff(const EchoParams& params, double sampleRate) noexcept;
    void updateAllCoeffs(const EchoParams& params, double sampleRate) noexcept;

    bool hasDelayLines() const noexcept { return !line.empty(); }
    std::size_t delayLength() const noexcept { return memory.length; }

    // Audio thread; no allocation. Input and output may be the same buffers. Requires
    // hasDelayLines() and stepSamples >= 1.
    void process(const EchoParams& params, std::int32_t stepSamples, const float* inL,
                 const float* inR, float* outL, float* outR, std::int32_t numSamples) noexcept;

    float ladderG(int v) const { return voiceCoeffs[static_cast<std::size_t>(v)].g; }
    float ladderK(int v) const { return voiceCoeffs[static_cast<std::size_t>(v)].k; }
    float highpassCoeff() const { return highpassG; }

    // Tests only: which paths the kernel took so far, and its saturator on its own.
    using PathCounts = EchoKernel::PathCounts;
    const PathCounts& pathCounts() const { return memory.counts; }
    static void saturateAsKernel(Kernel kernel, const float* in, float* out,
                                 std::size_t n) noexcept;

private:
    struct VoiceCoeffs
    {
        float g = 0, oneMinusG = 0, g2 = 0, g3 = 0, g4 = 0, k = 0;
        // What g was computed from.
        float filter = 0;
        double sampleRate = 0;
        bool valid = false;
    };

    void clearNonFiniteStates() noexcept;
    void prepareBlock(const EchoParams& params, std::int32_t stepSamples) noexcept;
    bool prepareVoiceLanes(std::size_t voice, const EchoParams& params, bool everything) noexcept;

    std::vector<float> line;
    std::vector<float> scratch;
    EchoKernel::Memory memory;
    EchoKernel::ProcessFn run;
    Kernel active;

    std::array<VoiceCoeffs, kNumVoices> voiceCoeffs{};
    float highpassG = 0.0f;
    // Coefficients updated since the block was prepared: bit v for voice v, and the high-pass.
    static constexpr std::uint32_t kHighpassPending = 1u << kNumVoices;
    std::uint32_t pending = 0;

    // The block prepared last and the values it was prepared from; valid after the first
    // process call, until the delay line is reallocated.
    EchoKernel::Block block{};
    bool blockValid = false;
    EchoParams blockParams;
    std::int32_t blockStepSamples = 0;
};

} // namespace Ryvel
