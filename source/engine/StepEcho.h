// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The step-echo signal path: four voices, each a stereo delay line of the dry input with up to
// eight taps, an input saturator, a four-pole ladder low-pass, a drive saturator, pan and gain;
// the voice sum is high-passed and crossfaded with the dry input.
//
// All signal arithmetic is single precision and the output is defined to the bit: keep the
// order of every operation (this file and StepEcho.cpp build with -ffp-contract=off).
// Times are in samples at the current rate; voices are 0..3, steps 0..7.

#include "engine/ParameterCatalogue.h"

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

struct DelayVoice
{
    std::vector<float> left;
    std::vector<float> right; // same length as left
    std::size_t writePos = 0;
    std::array<float, 4> ladderLeft{};
    std::array<float, 4> ladderRight{};
};

class StepEcho
{
public:
    StepEcho() = default;
    StepEcho(const StepEcho&) = delete;
    StepEcho& operator=(const StepEcho&) = delete;

    // Four seconds plus 4096 samples at the given rate.
    static std::size_t delayLengthFor(double sampleRate) noexcept;

    // Sizes all eight buffers for the rate (contents are cleared only when the length changes;
    // callers reset afterwards). The new buffers are built aside and swapped in only when all
    // succeeded: on allocation failure this returns false and the previous buffers stay.
    bool allocateDelayLines(double sampleRate) noexcept;
    // Zeroes the delay lines (keeping their length), write positions, ladder and high-pass states.
    void resetDelayState() noexcept;

    void updateFilterCoeffs(int voice, const EchoParams& params, double sampleRate) noexcept;
    void updateHighpassCoeff(const EchoParams& params, double sampleRate) noexcept;
    void updateAllCoeffs(const EchoParams& params, double sampleRate) noexcept;

    bool hasDelayLines() const noexcept { return !voices[0].left.empty(); }
    std::size_t delayLength() const noexcept { return voices[0].left.size(); }

    // Audio thread; no allocation. Input and output may be the same buffers. Requires
    // hasDelayLines() and stepSamples >= 1.
    void process(const EchoParams& params, std::int32_t stepSamples, const float* inL,
                 const float* inR, float* outL, float* outR, std::int32_t numSamples) noexcept;

    const DelayVoice& voice(int v) const { return voices[static_cast<std::size_t>(v)]; }
    float ladderG(int v) const { return filterG[static_cast<std::size_t>(v)]; }
    float ladderK(int v) const { return filterK[static_cast<std::size_t>(v)]; }
    float highpassCoeff() const { return highpassG; }

private:
    void clearNonFiniteStates() noexcept;

    std::array<DelayVoice, kNumVoices> voices;
    std::array<float, kNumVoices> filterG{};
    std::array<float, kNumVoices> filterOneMinusG{};
    std::array<float, kNumVoices> filterG2{};
    std::array<float, kNumVoices> filterG3{};
    std::array<float, kNumVoices> filterG4{};
    std::array<float, kNumVoices> filterK{};
    float highpassG = 0.0f;
    std::array<float, 2> highpassState{};
};

} // namespace Ryvel
