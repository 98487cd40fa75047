// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ProcessorCore.h"

#include "core/ParameterLaws.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace Ryvel
{

namespace
{

void copyChannel(const float* in, float* out, std::int32_t numSamples)
{
    if (in != out)
        std::memmove(out, in, sizeof(float) * static_cast<std::size_t>(numSamples));
}

// The input to the output unchanged. A host may hand one buffer to an input and the other
// side's output (LV2 allows any input to share any output's buffer), so a channel is never
// written before the other channel's input has been read.
void passThrough(const float* inL, const float* inR, float* outL, float* outR,
                 std::int32_t numSamples)
{
    if (inL == outR && inR == outL)
        std::swap_ranges(outL, outL + numSamples, outR);
    else if (inR == outL)
    {
        copyChannel(inR, outR, numSamples);
        copyChannel(inL, outL, numSamples);
    }
    else
    {
        copyChannel(inL, outL, numSamples);
        copyChannel(inR, outR, numSamples);
    }
}

// Bit-wise, as the intake's shortcut compares: -0 after +0 is a change (the state holds its bits).
bool assign(float& held, double value)
{
    const auto x = static_cast<float>(value);
    if (std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(held))
        return false;
    held = x;
    return true;
}

bool assign(bool& held, bool on)
{
    if (held == on)
        return false;
    held = on;
    return true;
}

} // namespace

bool ProcessorCore::acceptsSampleRate(double rate) noexcept
{
    return std::isfinite(rate) && rate >= kMinSampleRate && rate <= kMaxSampleRate;
}

ProcessorCore::ProcessorCore() noexcept
{
    for (std::size_t i = 0; i < kParams.size(); ++i)
    {
        const ParamInfo& info = kParams[i];
        const auto v = static_cast<std::size_t>(info.voice);
        ValueSlot& slot = valueSlots[i];
        switch (info.kind)
        {
        case ParamKind::Gain:
            slot.value = &params.gain[v];
            break;
        case ParamKind::Pan:
            slot.value = &params.pan[v];
            break;
        case ParamKind::Drive:
            slot.value = &params.drive[v];
            break;
        case ParamKind::Filter:
            slot.value = &params.filter[v];
            slot.moved = 1u << info.voice;
            break;
        case ParamKind::Reso:
            slot.value = &params.reso[v];
            slot.moved = 1u << info.voice;
            break;
        case ParamKind::Mix:
            slot.value = &params.mix;
            break;
        case ParamKind::HighPass:
            slot.value = &params.highpass;
            slot.moved = kHighpassMoved;
            break;
        case ParamKind::Step:
            slot.on = &params.steps[info.id];
            break;
        case ParamKind::Bypass:
            slot.on = &bypass;
            break;
        }
    }
    echo.updateAllCoeffs(params, rate);
}

ProcessorCore::SetupResult ProcessorCore::setup(double newRate) noexcept
{
    if (!acceptsSampleRate(newRate))
        return SetupResult::Refused;
    // Allocate before committing to the rate, so a failure leaves everything as it was.
    if (!echo.allocateDelayLines(newRate))
        return SetupResult::OutOfMemory;
    rate = newRate;
    resetDelayState();
    recomputeRate();
    echo.updateAllCoeffs(params, rate);
    return SetupResult::Ok;
}

void ProcessorCore::deactivate() noexcept
{
    resetDelayState();
    publishPlayhead(-1);
}

std::uint32_t ProcessorCore::tailSamples() const noexcept
{
    return static_cast<std::uint32_t>(StepEcho::delayLengthFor(rate));
}

void ProcessorCore::resetDelayState() noexcept
{
    echo.resetDelayState();
    stepCounter = 0;
    lastStep = -1;
    wasPlaying = false;
}

void ProcessorCore::recomputeRate() noexcept
{
    // Longest allowed step: half a second.
    std::int64_t longest = static_cast<std::int64_t>(rate * 4.0) / 8;
    if (longest < 2)
        longest = 1;
    // A sixteenth note at the tempo, which is limited to 20 BPM in single precision first.
    const double bpm = static_cast<double>(std::max(20.0f, tempoBpm));
    std::int64_t sixteenth = static_cast<std::int64_t>(60.0 / bpm * 0.25 * rate);
    if (sixteenth < 2)
        sixteenth = 1;
    stepSamples = static_cast<std::int32_t>(std::min(longest, sixteenth));
}

bool ProcessorCore::storeAt(std::size_t index, double value) noexcept
{
    const ValueSlot& slot = valueSlots[index];
    return slot.value != nullptr ? assign(*slot.value, value)
                                 : assign(*slot.on, Laws::switchOn(value));
}

double ProcessorCore::parameter(ParamId id) const noexcept
{
    const int index = indexOf(id);
    if (index < 0)
        return 0.0;
    const ValueSlot& slot = valueSlots[static_cast<std::size_t>(index)];
    return slot.value != nullptr ? *slot.value : (*slot.on ? 1.0 : 0.0);
}

void ProcessorCore::setParameterAt(int index, double value) noexcept
{
    const auto i = static_cast<std::size_t>(index);
    if (storeAt(i, sanitizeNormalized(kParams[i].id, value)))
        coeffsMoved |= valueSlots[i].moved;
}

// Once per voice whose filter or resonance moved (both moving still costs one update) and once
// for the high-pass, after all of a block's values are in.
void ProcessorCore::applyParameterChanges() noexcept
{
    if (coeffsMoved == 0)
        return;
    if (const std::uint32_t voices = coeffsMoved & (kHighpassMoved - 1); voices != 0)
        echo.updateFilterCoeffs(voices, params, rate);
    if ((coeffsMoved & kHighpassMoved) != 0)
        echo.updateHighpassCoeff(params, rate);
    coeffsMoved = 0;
}

void ProcessorCore::publishPlayhead(std::int32_t step) noexcept
{
    if (playheadSink != nullptr)
        playheadSink->store(step, std::memory_order_relaxed);
}

// Equivalent to advancing the counter after every sample: (c + 1) mod L applied n times is
// (c + n) mod L, and only the step of the block's last sample can be observed by the editor.
// Blocks are usually far shorter than a step: the divisions run only when the counter wraps or
// leaves the step it was in.
void ProcessorCore::advanceStepClock(std::int32_t numSamples) noexcept
{
    const auto step = static_cast<std::uint64_t>(stepSamples);
    const std::uint64_t cycle = step * 8u;
    std::uint64_t counter = stepCounter + static_cast<std::uint64_t>(numSamples);
    if (counter >= cycle)
        counter %= cycle;
    stepCounter = counter;
    if (lastStep >= 0)
    {
        const std::uint64_t begin = static_cast<std::uint64_t>(lastStep) * step;
        if (counter >= begin && counter - begin < step)
            return;
    }
    const auto now = static_cast<std::int32_t>(counter / step);
    if (now != lastStep)
    {
        lastStep = now;
        publishPlayhead(now);
    }
}

void ProcessorCore::process(const float* inL, const float* inR, float* outL, float* outR,
                            std::int32_t numSamples, bool playing) noexcept
{
    if (playing && !wasPlaying)
    {
        stepCounter = 0;
        lastStep = -1;
    }
    else if (!playing && wasPlaying)
    {
        lastStep = -1;
        publishPlayhead(-1);
    }
    wasPlaying = playing;

    // Before any successful setup there are no delay lines: pass the input through.
    if (bypass || !echo.hasDelayLines())
    {
        passThrough(inL, inR, outL, outR, numSamples);
        return;
    }

    echo.process(params, stepSamples, inL, inR, outL, outR, numSamples);
    if (playing)
        advanceStepClock(numSamples);
}

StateFormat::Bytes ProcessorCore::saveState() const noexcept
{
    return StateFormat::write([this](ParamId id) { return parameter(id); });
}

void ProcessorCore::loadState(std::span<const std::uint8_t> bytes) noexcept
{
    for (const auto& [id, value] : StateFormat::read(bytes))
        storeAt(static_cast<std::size_t>(indexOf(id)), value);
    echo.updateAllCoeffs(params, rate);
}

} // namespace Ryvel
