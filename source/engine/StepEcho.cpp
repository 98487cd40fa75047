// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StepEcho.h"

#include "engine/ParameterLaws.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace Ryvel
{

namespace
{

constexpr float kPi = 3.1415927f;
// Alternating offset that keeps filter states away from denormals when the input falls silent;
// the processor changes no floating-point control flags.
constexpr float kAntiDenormal = 1e-20f;

// Odd rational soft clipper: nearly linear for small signals, exactly +-1 at +-3.
inline float saturate(float x) noexcept
{
    const float q = std::clamp(x, -3.0f, 3.0f);
    const float q2 = q * q;
    return q * (q2 + 27.0f) / (9.0f * q2 + 27.0f);
}

struct LadderCoeffs
{
    float g, oneMinusG, g2, g3, g4, k;
};

// One channel of the four-pole ladder: trapezoidal one-pole stages with the global feedback of
// the fourth stage solved in closed form.
inline float runLadder(std::array<float, 4>& s, float u, const LadderCoeffs& c) noexcept
{
    const float sum = c.g3 * s[0] + c.g2 * s[1] + c.g * s[2] + s[3];
    const float u0 = (u - c.k * c.oneMinusG * sum) / (1.0f + c.k * c.g4);
    const float e1 = c.g * (u0 - s[0]);
    const float y1 = s[0] + e1;
    const float e2 = c.g * (y1 - s[1]);
    const float y2 = s[1] + e2;
    const float e3 = c.g * (y2 - s[2]);
    const float y3 = s[2] + e3;
    const float e4 = c.g * (y3 - s[3]);
    const float y4 = s[3] + e4;
    s[0] += 2.0f * e1;
    s[1] += 2.0f * e2;
    s[2] += 2.0f * e3;
    s[3] += 2.0f * e4;
    return y4;
}

bool allFinite(const std::array<float, 4>& s) noexcept
{
    return std::isfinite(s[0]) && std::isfinite(s[1]) && std::isfinite(s[2]) && std::isfinite(s[3]);
}

} // namespace

std::size_t StepEcho::delayLengthFor(double sampleRate) noexcept
{
    return static_cast<std::size_t>(sampleRate * 4.0) + 4096;
}

bool StepEcho::allocateDelayLines(double sampleRate) noexcept
{
    const std::size_t length = delayLengthFor(sampleRate);
    if (length != delayLength())
    {
        std::array<std::vector<float>, 2 * kNumVoices> fresh;
        try
        {
            for (auto& buffer : fresh)
                buffer.assign(length, 0.0f);
        }
        catch (const std::bad_alloc&)
        {
            return false;
        }
        for (std::size_t v = 0; v < voices.size(); ++v)
        {
            voices[v].left.swap(fresh[2 * v]);
            voices[v].right.swap(fresh[2 * v + 1]);
        }
    }
    return true;
}

void StepEcho::resetDelayState() noexcept
{
    for (DelayVoice& v : voices)
    {
        std::fill(v.left.begin(), v.left.end(), 0.0f);
        std::fill(v.right.begin(), v.right.end(), 0.0f);
        v.writePos = 0;
        v.ladderLeft.fill(0.0f);
        v.ladderRight.fill(0.0f);
    }
    highpassState.fill(0.0f);
}

void StepEcho::updateFilterCoeffs(int voice, const EchoParams& params, double sampleRate) noexcept
{
    const auto v = static_cast<std::size_t>(voice);
    const float fs = static_cast<float>(sampleRate);
    const float fc = Laws::filterCutoffHz(params.filter[v], sampleRate);
    const float t = std::tan(fc * kPi / fs);
    const float g = t / (t + 1.0f);
    filterG[v] = g;
    filterOneMinusG[v] = 1.0f - g;
    filterG2[v] = g * g;
    filterG3[v] = filterG2[v] * g;
    filterG4[v] = filterG3[v] * g;
    filterK[v] = Laws::resoFeedback(params.reso[v]);
}

void StepEcho::updateHighpassCoeff(const EchoParams& params, double sampleRate) noexcept
{
    const float fs = static_cast<float>(sampleRate);
    const float fc = Laws::highpassCutoffHz(params.highpass, sampleRate);
    const float t = std::tan(fc * kPi / fs);
    highpassG = t / (1.0f + t);
}

void StepEcho::updateAllCoeffs(const EchoParams& params, double sampleRate) noexcept
{
    for (int v = 0; v < kNumVoices; ++v)
        updateFilterCoeffs(v, params, sampleRate);
    updateHighpassCoeff(params, sampleRate);
}

// A NaN or infinity from the host's input would otherwise stay in the recursive states forever;
// once the bad samples have left the delay lines the plug-in recovers by itself.
void StepEcho::clearNonFiniteStates() noexcept
{
    for (DelayVoice& v : voices)
    {
        if (!allFinite(v.ladderLeft))
            v.ladderLeft.fill(0.0f);
        if (!allFinite(v.ladderRight))
            v.ladderRight.fill(0.0f);
    }
    for (float& h : highpassState)
        if (!std::isfinite(h))
            h = 0.0f;
}

void StepEcho::process(const EchoParams& params, std::int32_t stepSamples, const float* inL,
                       const float* inR, float* outL, float* outR, std::int32_t numSamples) noexcept
{
    clearNonFiniteStates();

    const float dryGain = Laws::dryGain(params.mix);
    const float wetGain = Laws::wetGain(params.mix);
    const std::size_t length = delayLength();
    const auto step = static_cast<std::size_t>(stepSamples);

    std::array<LadderCoeffs, kNumVoices> coeffs;
    std::array<float, kNumVoices> inputGain, driveGain, leftGain, rightGain;
    for (std::size_t v = 0; v < coeffs.size(); ++v)
    {
        coeffs[v] = {filterG[v],  filterOneMinusG[v], filterG2[v],
                     filterG3[v], filterG4[v],        filterK[v]};
        inputGain[v] = Laws::resoInputGain(params.reso[v]);
        driveGain[v] = Laws::driveGain(params.drive[v]);
        leftGain[v] = params.gain[v] * Laws::panLeft(params.pan[v]);
        rightGain[v] = params.gain[v] * Laws::panRight(params.pan[v]);
    }

    for (std::int32_t i = 0; i < numSamples; ++i)
    {
        const float xL = inL[i];
        const float xR = inR[i];
        const float d = (i % 2 == 0) ? -kAntiDenormal : kAntiDenormal;
        float wetL = 0.0f;
        float wetR = 0.0f;

        for (std::size_t v = 0; v < voices.size(); ++v)
        {
            DelayVoice& voice = voices[v];
            const std::size_t w = voice.writePos;
            voice.left[w] = xL;
            voice.right[w] = xR;

            float tapL = 0.0f;
            float tapR = 0.0f;
            for (std::size_t s = 0; s < kNumSteps; ++s)
            {
                if (!params.steps[8 * v + s])
                    continue;
                const std::size_t delay = std::min(length - 1, (s + 1) * step);
                const std::size_t j = (length + w - delay) % length;
                tapL += voice.left[j];
                tapR += voice.right[j];
            }

            const float uL = saturate(inputGain[v] * (tapL + d));
            const float uR = saturate(inputGain[v] * (tapR + d));
            const float yL = runLadder(voice.ladderLeft, uL, coeffs[v]);
            const float yR = runLadder(voice.ladderRight, uR, coeffs[v]);
            wetL += leftGain[v] * saturate(driveGain[v] * yL);
            wetR += rightGain[v] * saturate(driveGain[v] * yR);

            voice.writePos = (w + 1) % length;
        }

        const float wL = wetL + d;
        const float wR = wetR + d;
        const float vL = highpassG * (wL - highpassState[0]);
        const float vR = highpassG * (wR - highpassState[1]);
        const float lpL = highpassState[0] + vL;
        const float lpR = highpassState[1] + vR;
        const float hpL = wL - lpL;
        const float hpR = wR - lpR;
        highpassState[0] = lpL + vL;
        highpassState[1] = lpR + vR;

        outL[i] = xL * dryGain + hpL * wetGain;
        outR[i] = xR * dryGain + hpR * wetGain;
    }
}

} // namespace Ryvel
