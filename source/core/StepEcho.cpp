// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StepEcho.h"

#include "core/ParameterLaws.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace Ryvel
{

namespace
{

using EchoKernel::kChunkFrames;
using EchoKernel::kLanes;
using EchoKernel::kStages;

constexpr float kPi = 3.1415927f;

bool sameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Bit-wise, so a -0 or a NaN counts as a change like any other value. Word by word, each word
// read with its own fixed-size memcpy (a plain load): a call to memcmp, or copies of whole
// objects, would cost more than the comparison, which runs every block.
template <typename T> bool sameBytes(const T& a, const T& b)
{
    static_assert(sizeof(T) % sizeof(std::uint32_t) == 0);
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    std::uint32_t differ = 0;
    for (std::size_t i = 0; i < sizeof(T); i += sizeof(std::uint32_t))
    {
        std::uint32_t u, v;
        std::memcpy(&u, x + i, sizeof u);
        std::memcpy(&v, y + i, sizeof v);
        differ |= u ^ v;
    }
    return differ == 0;
}

// Sets a lane of the block's constants; true when that changed a bit of it.
bool putLane(float& lane, float value)
{
    const bool moved = !sameBits(lane, value);
    lane = value;
    return moved;
}

static_assert(sizeof(EchoParams) ==
                  kNumStepParams * sizeof(bool) + (5 * kNumVoices + 2) * sizeof(float),
              "no padding: the comparison sees values only");

// Only for kernels that kernelSupported accepts.
EchoKernel::ProcessFn kernelFunction(StepEcho::Kernel kernel)
{
#if defined(__x86_64__)
    if (kernel == StepEcho::Kernel::Avx2)
        return EchoKernel::processAvx2;
    if (kernel == StepEcho::Kernel::Baseline)
        return EchoKernel::processBaseline;
#endif
    (void)kernel;
    return EchoKernel::processPortable;
}

// On x86-64 the portable kernel only serves as a cross-check: SSE2 is part of the architecture,
// so the baseline variant always runs, and it is faster.
StepEcho::Kernel fastestKernel()
{
    if (StepEcho::kernelSupported(StepEcho::Kernel::Avx2))
        return StepEcho::Kernel::Avx2;
    if (StepEcho::kernelSupported(StepEcho::Kernel::Baseline))
        return StepEcho::Kernel::Baseline;
    return StepEcho::Kernel::Portable;
}

} // namespace

StepEcho::StepEcho() noexcept : run(EchoKernel::processPortable), active(Kernel::Portable)
{
    useKernel(fastestKernel());
}

bool StepEcho::kernelSupported(Kernel kernel) noexcept
{
    switch (kernel)
    {
    case Kernel::Baseline:
#if defined(__x86_64__)
        return true;
#else
        return false;
#endif
    case Kernel::Avx2:
#if defined(__x86_64__)
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    case Kernel::Portable:
        return true;
    }
    return false;
}

bool StepEcho::useKernel(Kernel kernel) noexcept
{
    if (!kernelSupported(kernel))
        return false;
    active = kernel;
    run = kernelFunction(kernel);
    return true;
}

void StepEcho::saturateAsKernel(Kernel kernel, const float* in, float* out, std::size_t n) noexcept
{
#if defined(__x86_64__)
    if (kernel == Kernel::Avx2 && kernelSupported(kernel))
    {
        EchoKernel::saturateAvx2(in, out, n);
        return;
    }
    if (kernel == Kernel::Baseline)
    {
        EchoKernel::saturateBaseline(in, out, n);
        return;
    }
#endif
    (void)kernel;
    EchoKernel::saturatePortable(in, out, n);
}

bool StepEcho::allocateDelayLines(double sampleRate) noexcept
{
    const std::size_t length = delayLengthFor(sampleRate);
    if (length == memory.length && !line.empty())
        return true;
    std::vector<float> fresh;
    try
    {
        fresh.assign(delayLineBytesFor(sampleRate) / sizeof(float), 0.0f);
        if (scratch.empty())
            scratch.assign(kChunkFrames * kLanes, 0.0f);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    line.swap(fresh);
    memory.line = line.data();
    memory.scratch = scratch.data();
    memory.length = length;
    memory.writePos = 0;
    memory.cycle.valid = false;
    // Tap delays are limited by the length.
    blockValid = false;
    return true;
}

void StepEcho::resetDelayState() noexcept
{
    std::fill(line.begin(), line.end(), 0.0f);
    memory.writePos = 0;
    memory.state = {};
    memory.stateMayBeNonFinite = false;
    std::fill(std::begin(memory.lastHighpassOut), std::end(memory.lastHighpassOut), 0.0f);
    memory.cycle.valid = false;
    memory.tapsWereSilent = true;
}

void StepEcho::updateFilterCoeffs(int voice, const EchoParams& params, double sampleRate) noexcept
{
    updateFilterCoeffs(1u << voice, params, sampleRate);
}

// In phases across the voices (cutoffs, tangents, then the rest), so that the processor overlaps
// the voices' long chains of dependent library calls and divisions instead of running them one
// after the other; each voice still sees the operations of the definition in its order.
void StepEcho::updateFilterCoeffs(std::uint32_t voices, const EchoParams& params,
                                  double sampleRate) noexcept
{
    const float fs = static_cast<float>(sampleRate);
    std::uint32_t retune = 0;
    float tangent[kNumVoices] = {};
    for (std::size_t v = 0; v < voiceCoeffs.size(); ++v)
    {
        const VoiceCoeffs& c = voiceCoeffs[v];
        if ((voices & (1u << v)) != 0 &&
            (!c.valid || !sameBits(params.filter[v], c.filter) || sampleRate != c.sampleRate))
        {
            retune |= 1u << v;
            tangent[v] = Laws::filterCutoffHz(params.filter[v], sampleRate) * kPi / fs;
        }
    }
    for (std::size_t v = 0; v < voiceCoeffs.size(); ++v)
        if ((retune & (1u << v)) != 0)
            tangent[v] = std::tan(tangent[v]);
    for (std::size_t v = 0; v < voiceCoeffs.size(); ++v)
    {
        if ((voices & (1u << v)) == 0)
            continue;
        VoiceCoeffs& c = voiceCoeffs[v];
        if ((retune & (1u << v)) != 0)
        {
            const float t = tangent[v];
            const float g = t / (t + 1.0f);
            c.g = g;
            c.oneMinusG = 1.0f - g;
            c.g2 = g * g;
            c.g3 = c.g2 * g;
            c.g4 = c.g3 * g;
            c.filter = params.filter[v];
            c.sampleRate = sampleRate;
            c.valid = true;
        }
        c.k = Laws::resoFeedback(params.reso[v]);
    }
    pending |= voices;
}

void StepEcho::updateHighpassCoeff(const EchoParams& params, double sampleRate) noexcept
{
    const float fs = static_cast<float>(sampleRate);
    const float fc = Laws::highpassCutoffHz(params.highpass, sampleRate);
    const float t = std::tan(fc * kPi / fs);
    highpassG = t / (1.0f + t);
    pending |= kHighpassPending;
}

void StepEcho::updateAllCoeffs(const EchoParams& params, double sampleRate) noexcept
{
    updateFilterCoeffs((1u << kNumVoices) - 1, params, sampleRate);
    updateHighpassCoeff(params, sampleRate);
}

// A NaN or infinity from the host's input would otherwise stay in the recursive states forever;
// once the bad samples have left the delay line the plug-in recovers by itself. A channel's four
// ladder stages restart together.
void StepEcho::clearNonFiniteStates() noexcept
{
    // Almost always all finite, which the kernel notes as it stores the state: reading the
    // state back here, just after it was stored, would cost more than the rest of a short block.
    if (!memory.stateMayBeNonFinite)
        return;
    memory.stateMayBeNonFinite = false;
    EchoKernel::State& s = memory.state;
    for (std::size_t lane = 0; lane < kLanes; ++lane)
    {
        bool finite = true;
        for (std::size_t stage = 0; stage < kStages; ++stage)
            finite = finite && std::isfinite(s.ladder[stage][lane]);
        if (!finite)
            for (std::size_t stage = 0; stage < kStages; ++stage)
                s.ladder[stage][lane] = 0.0f;
    }
    for (std::size_t c = 0; c < 2; ++c)
        if (!std::isfinite(s.highpass[c]))
            s.highpass[c] = 0.0f;
}

// The two lanes of a voice, for what moved since the block prepared last: its coefficients
// (pending), or one of its values. True when a bit of the lanes changed.
bool StepEcho::prepareVoiceLanes(std::size_t v, const EchoParams& params, bool everything) noexcept
{
    const auto differs =
        [&](const std::array<float, kNumVoices>& now, const std::array<float, kNumVoices>& before)
    { return everything || !sameBits(now[v], before[v]); };
    EchoKernel::ChainConstants& chain = block.chain;
    const std::size_t left = 2 * v, right = left + 1;
    bool moved = false;
    if (everything || (pending & (1u << v)) != 0)
    {
        const VoiceCoeffs& c = voiceCoeffs[v];
        const float feedback = c.k * c.oneMinusG;
        const float normaliser = 1.0f + c.k * c.g4;
        for (std::size_t lane : {left, right})
        {
            moved |= putLane(chain.g[lane], c.g);
            moved |= putLane(chain.g2[lane], c.g2);
            moved |= putLane(chain.g3[lane], c.g3);
            moved |= putLane(chain.feedback[lane], feedback);
            moved |= putLane(chain.normaliser[lane], normaliser);
        }
    }
    if (differs(params.reso, blockParams.reso))
    {
        const float inputGain = Laws::resoInputGain(params.reso[v]);
        moved |= putLane(chain.inputGain[left], inputGain);
        moved |= putLane(chain.inputGain[right], inputGain);
    }
    if (differs(params.drive, blockParams.drive))
    {
        const float driveGain = Laws::driveGain(params.drive[v]);
        moved |= putLane(chain.driveGain[left], driveGain);
        moved |= putLane(chain.driveGain[right], driveGain);
    }
    if (differs(params.gain, blockParams.gain) || differs(params.pan, blockParams.pan))
    {
        moved |= putLane(chain.panGain[left], params.gain[v] * Laws::panLeft(params.pan[v]));
        moved |= putLane(chain.panGain[right], params.gain[v] * Laws::panRight(params.pan[v]));
    }
    return moved;
}

// Parameters change only between blocks, so everything derived from them (pan roots, the mix
// crossfade, products of coefficients, tap delays) is computed here, once, with the operations
// and order of the per-sample definition, and only for what moved.
void StepEcho::prepareBlock(const EchoParams& params, std::int32_t stepSamples) noexcept
{
    if (blockValid && pending == 0 && blockStepSamples == stepSamples &&
        sameBytes(params, blockParams))
        return;
    const bool everything = !blockValid;

    if (everything || !sameBits(params.mix, blockParams.mix))
    {
        block.dryGain = Laws::dryGain(params.mix);
        block.wetGain = Laws::wetGain(params.mix);
    }

    bool chainMoved = false;
    for (std::size_t v = 0; v < voiceCoeffs.size(); ++v)
        chainMoved |= prepareVoiceLanes(v, params, everything);
    if ((everything || (pending & kHighpassPending) != 0) &&
        putLane(block.chain.highpassG, highpassG))
        chainMoved = true;
    if (chainMoved)
    {
        ++block.chainGeneration;
        bool feedbackFree = true;
        for (const VoiceCoeffs& c : voiceCoeffs)
            feedbackFree = feedbackFree && c.k == 0.0f;
        block.feedbackFree = feedbackFree;
    }

    // The taps depend on the pattern and the step length only; automation of the sound leaves
    // them alone.
    if (everything || blockStepSamples != stepSamples ||
        !sameBytes(params.steps, blockParams.steps))
    {
        const std::size_t step = static_cast<std::size_t>(stepSamples);
        block.longestDelay = 0;
        for (std::size_t v = 0; v < voiceCoeffs.size(); ++v)
        {
            std::uint32_t count = 0;
            for (std::size_t s = 0; s < kNumSteps; ++s)
            {
                if (!params.steps[8 * v + s])
                    continue;
                const std::size_t delay = std::min(memory.length - 1, (s + 1) * step);
                block.tapDelay[v][count++] = delay;
                block.longestDelay = std::max(block.longestDelay, delay);
            }
            block.tapCount[v] = count;
        }
    }

    blockParams = params;
    blockStepSamples = stepSamples;
    pending = 0;
    blockValid = true;
}

void StepEcho::process(const EchoParams& params, std::int32_t stepSamples, const float* inL,
                       const float* inR, float* outL, float* outR, std::int32_t numSamples) noexcept
{
    if (numSamples < 1)
        return;
    clearNonFiniteStates();
    prepareBlock(params, stepSamples);
    run(memory, block, inL, inR, outL, outR, numSamples);
}

} // namespace Ryvel
