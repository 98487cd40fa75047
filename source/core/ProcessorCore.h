// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The plug-in's processing frame without any plug-in format: parameter intake by ID, tempo and
// transport as plain values, bypass, the step clock and its playhead, and the state bytes, around
// the step-echo signal path. Each format's adapter only translates its host's calls into these.
//
// Threads: setup, deactivate and the state calls on the host's control thread; the block calls
// (setParameter, applyParameterChanges, setTempo, process) on its audio thread, where nothing
// here allocates, locks or throws.

#include "core/ParameterLaws.h"
#include "core/StateFormat.h"
#include "core/StepEcho.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

namespace Ryvel
{

class ProcessorCore
{
public:
    // Rates the core sets up for: finite, from kMinSampleRate to kMaxSampleRate.
    // Below 1 Hz the coefficients, which take the rate in single precision, would see a tiny
    // positive rate as 0 and divide by it.
    static constexpr double kMinSampleRate = 1.0;
    // The delay line is the one allocation that grows with the rate (four seconds of stereo
    // floats). The cap bounds it: an instance's line stays within 64 MiB (61 MiB at 2 MHz), so a
    // session of a few dozen instances at the highest rate still fits in memory, and a corrupt
    // setup (1e12 Hz) is refused up front rather than granted by an overcommitting system and
    // paid for when the line is cleared.
    static constexpr double kMaxSampleRate = 2'000'000.0;
    static constexpr std::size_t kDelayLineBudget = std::size_t{64} << 20;
    static_assert(StepEcho::delayLineBytesFor(kMaxSampleRate) <= kDelayLineBudget);
    static bool acceptsSampleRate(double rate) noexcept;

    enum class SetupResult
    {
        Ok,
        Refused,     // not a rate the core accepts; nothing changed
        OutOfMemory, // the delay line could not be allocated; the previous one stays
    };

    ProcessorCore() noexcept;
    ProcessorCore(const ProcessorCore&) = delete;
    ProcessorCore& operator=(const ProcessorCore&) = delete;

    // Where the playhead step is published when it changes (-1 or 0..7), besides playheadStep().
    // The VST 3 editor reads one process-wide value; another format may need none.
    void setPlayheadSink(std::atomic<std::int32_t>* sink) noexcept { playheadSink = sink; }

    SetupResult setup(double rate) noexcept;
    // Clears the delay line and filter states and hides the playhead.
    void deactivate() noexcept;

    // Audio thread. One block's intake: the last value of each parameter (NaN becomes the
    // default, others are limited to 0..1; unknown IDs are ignored), then one coefficient update
    // for what moved. No smoothing: the values hold from the block's first sample.
    // Hosts send many values every block, most of them unchanged: a value equal to the held one
    // costs a look-up and a comparison, inline in the adapter's loop.
    void setParameter(ParamId id, double value) noexcept
    {
        const int index = indexOf(id);
        if (index < 0)
            return;
        // In range, including -0: the value sanitising would give back unchanged.
        if (!(value >= 0.0 && value <= 1.0))
        {
            setParameterAt(index, value);
            return;
        }
        const ValueSlot& slot = valueSlots[static_cast<std::size_t>(index)];
        if (slot.value == nullptr)
        {
            *slot.on = Laws::switchOn(value);
            return;
        }
        const auto x = static_cast<float>(value);
        if (std::bit_cast<std::uint32_t>(x) != std::bit_cast<std::uint32_t>(*slot.value))
        {
            *slot.value = x;
            coeffsMoved |= slot.moved;
        }
    }
    void applyParameterChanges() noexcept;
    // A host tempo in BPM; non-finite values are ignored and the last valid tempo holds. Inline:
    // hosts send it with every block, and it rarely moves.
    void setTempo(double bpm) noexcept
    {
        const auto tempo = static_cast<float>(bpm);
        if (std::isfinite(tempo) && std::fabs(tempo - tempoBpm) > 0.01f)
        {
            tempoBpm = tempo;
            recomputeRate();
        }
    }
    // One block of stereo audio (in and out may be the same buffers, numSamples >= 1). The
    // playhead moves only while `playing`; a transport start restarts the step cycle.
    void process(const float* inL, const float* inR, float* outL, float* outR,
                 std::int32_t numSamples, bool playing) noexcept;

    // The normalised value the processor holds (switches read 0 or 1).
    double parameter(ParamId id) const noexcept;
    StateFormat::Bytes saveState() const noexcept;
    // Fields missing from a short state read as 0; bytes past the layout are ignored.
    void loadState(std::span<const std::uint8_t> bytes) noexcept;

    // Samples an echo can still sound after the input stops: the delay line's length.
    std::uint32_t tailSamples() const noexcept;
    std::int32_t playheadStep() const noexcept { return lastStep; }

    // Inspection for the engine's tests.
    double sampleRate() const { return rate; }
    std::int32_t currentStepSamples() const { return stepSamples; }
    std::size_t delayLineLength() const { return echo.delayLength(); }
    const EchoParams& currentParams() const { return params; }
    bool isBypassed() const { return bypass; }
    StepEcho& signalPath() { return echo; }

private:
    // Catalogue index by parameter ID (-1 for IDs no parameter uses): the IDs are small and
    // sparse, and a search of the catalogue for every value of every block would cost more than
    // the rest of the intake.
    static constexpr std::size_t kIdTableSize = []
    {
        std::size_t size = 0;
        for (const ParamInfo& info : kParams)
            size = std::max<std::size_t>(size, info.id + 1);
        return size;
    }();
    static constexpr std::array<std::int8_t, kIdTableSize> kIndexOfId = []
    {
        static_assert(kNumParams <= 127);
        std::array<std::int8_t, kIdTableSize> table{};
        table.fill(-1);
        for (std::size_t i = 0; i < kParams.size(); ++i)
            table[kParams[i].id] = static_cast<std::int8_t>(i);
        return table;
    }();

    // The catalogue index of `id`, -1 for an ID no parameter uses.
    static int indexOf(ParamId id) noexcept { return id < kIndexOfId.size() ? kIndexOfId[id] : -1; }

    // Per catalogue index: where the value is held (a continuous one, or else a switch's state)
    // and which coefficients it moves (bits of coeffsMoved).
    struct ValueSlot
    {
        float* value = nullptr;
        bool* on = nullptr;
        std::uint32_t moved = 0;
    };

    // Values that sanitising changes: NaN and out of range.
    void setParameterAt(int index, double value) noexcept;
    void resetDelayState() noexcept;
    void recomputeRate() noexcept;
    // Stores the value of catalogue entry `index`; whether the held value changed, bit for bit.
    bool storeAt(std::size_t index, double value) noexcept;
    void advanceStepClock(std::int32_t numSamples) noexcept;
    void publishPlayhead(std::int32_t step) noexcept;

    double rate = 44100.0;
    EchoParams params;
    float tempoBpm = 120.0f;
    bool bypass = false;
    StepEcho echo;
    std::int32_t stepSamples = 512;
    std::uint64_t stepCounter = 0;
    std::int32_t lastStep = -1;
    bool wasPlaying = false;
    // Coefficient inputs moved since the last update: bit v for voice v's filter or resonance.
    static constexpr std::uint32_t kHighpassMoved = 1u << kNumVoices;
    std::uint32_t coeffsMoved = 0;
    std::array<ValueSlot, kNumParams> valueSlots{};
    std::atomic<std::int32_t>* playheadSink = nullptr;
};

} // namespace Ryvel
