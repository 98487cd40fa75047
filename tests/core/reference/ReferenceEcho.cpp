// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReferenceEcho.h"

#include <cmath>

namespace Ryvel::Reference
{

namespace
{

float clip3(float x)
{
    if (x < -3.0f)
        return -3.0f;
    if (x > 3.0f)
        return 3.0f;
    return x;
}

float sat(float x)
{
    const float q = clip3(x);
    return q * (q * q + 27.0f) / (9.0f * (q * q) + 27.0f);
}

bool finite4(const float* s)
{
    for (int i = 0; i < 4; ++i)
        if (!std::isfinite(s[i]))
            return false;
    return true;
}

} // namespace

ReferenceEcho::ReferenceEcho(double sampleRate)
    : rate(sampleRate), fs(static_cast<float>(sampleRate)),
      length(static_cast<std::size_t>(sampleRate * 4.0) + 4096)
{
    for (Voice& v : voices)
    {
        v.left.assign(length, 0.0f);
        v.right.assign(length, 0.0f);
        computeLadder(v);
    }
    computeHighpass();
    computeStepLength();
}

void ReferenceEcho::computeStepLength()
{
    long longest = static_cast<long>(rate * 4.0) / 8;
    if (longest < 2)
        longest = 1;
    const float limited = tempo < 20.0f ? 20.0f : tempo;
    long sixteenth = static_cast<long>(60.0 / static_cast<double>(limited) * 0.25 * rate);
    if (sixteenth < 2)
        sixteenth = 1;
    stepLength = static_cast<int>(sixteenth < longest ? sixteenth : longest);
}

void ReferenceEcho::computeLadder(Voice& v) const
{
    float fc = 20.0f * std::pow(1000.0f, v.filter);
    if (0.49f * fs < fc)
        fc = 0.49f * fs;
    const float t = std::tan(fc * 3.1415927f / fs);
    const float g = t / (t + 1.0f);
    v.g = g;
    v.oneMinusG = 1.0f - g;
    v.g2 = g * g;
    v.g3 = g * g * g;
    v.g4 = g * g * g * g;
    v.k = 3.9f * v.reso;
}

void ReferenceEcho::computeHighpass()
{
    double h = highpass;
    if (h < 0.0)
        h = 0.0;
    if (h > 1.0)
        h = 1.0;
    float fc = static_cast<float>(20.0 * std::pow(125.0, h));
    if (0.49f * fs < fc)
        fc = 0.49f * fs;
    const float t = std::tan(fc * 3.1415927f / fs);
    highpassG = t / (1.0f + t);
}

void ReferenceEcho::setParameter(std::uint32_t id, double value)
{
    // A host may send anything: NaN means the default, the rest is limited to 0..1.
    if (std::isnan(value))
    {
        if (id >= 128 && id <= 131)
            value = 0.7;
        else if ((id >= 136 && id <= 139) || id == 162)
            value = 0.5;
        else if (id >= 148 && id <= 151)
            value = 1.0;
        else
            value = 0.0;
    }
    if (value < 0.0)
        value = 0.0;
    if (value > 1.0)
        value = 1.0;
    const float x = static_cast<float>(value);

    if (id < 32)
        voices[id / 8].steps[id % 8] = value >= 0.5;
    else if (id >= 128 && id <= 131)
        voices[id - 128].gain = x;
    else if (id >= 136 && id <= 139)
        voices[id - 136].pan = x;
    else if (id >= 144 && id <= 147)
        voices[id - 144].drive = x;
    else if (id >= 148 && id <= 151)
    {
        voices[id - 148].filter = x;
        computeLadder(voices[id - 148]);
    }
    else if (id >= 152 && id <= 155)
    {
        voices[id - 152].reso = x;
        computeLadder(voices[id - 152]);
    }
    else if (id == 162)
        mix = x;
    else if (id == 163)
    {
        highpass = x;
        computeHighpass();
    }
    else if (id == 167)
        bypass = value >= 0.5;
}

void ReferenceEcho::hostTempo(double bpm)
{
    const float t = static_cast<float>(bpm);
    if (!std::isfinite(t))
        return;
    // Tempo jitter of a hundredth of a beat per minute does not move the grid.
    if (std::fabs(t - tempo) > 0.01f)
    {
        tempo = t;
        computeStepLength();
    }
}

float ReferenceEcho::runLadder(float* s, float u, const Voice& v) const
{
    const float S = v.g3 * s[0] + v.g2 * s[1] + v.g * s[2] + s[3];
    const float u0 = (u - v.k * v.oneMinusG * S) / (1.0f + v.k * v.g4);
    const float e1 = v.g * (u0 - s[0]);
    const float y1 = s[0] + e1;
    const float e2 = v.g * (y1 - s[1]);
    const float y2 = s[1] + e2;
    const float e3 = v.g * (y2 - s[2]);
    const float y3 = s[2] + e3;
    const float e4 = v.g * (y3 - s[3]);
    const float y4 = s[3] + e4;
    s[0] = s[0] + 2.0f * e1;
    s[1] = s[1] + 2.0f * e2;
    s[2] = s[2] + 2.0f * e3;
    s[3] = s[3] + 2.0f * e4;
    return y4;
}

void ReferenceEcho::process(const float* inL, const float* inR, float* outL, float* outR,
                            int numSamples)
{
    if (numSamples < 1)
        return;
    if (bypass)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const float l = inL[i];
            const float r = inR[i];
            outL[i] = l;
            outR[i] = r;
        }
        return;
    }

    // Recovery from a host's NaN or infinity: recursive states that went non-finite restart
    // from zero at the block boundary.
    for (Voice& v : voices)
    {
        if (!finite4(v.ladderLeft))
            for (float& s : v.ladderLeft)
                s = 0.0f;
        if (!finite4(v.ladderRight))
            for (float& s : v.ladderRight)
                s = 0.0f;
    }
    if (!std::isfinite(highpassLeft))
        highpassLeft = 0.0f;
    if (!std::isfinite(highpassRight))
        highpassRight = 0.0f;

    const float dryGain = std::cos(mix * 1.5707964f);
    const float wetGain = std::sin(mix * 1.5707964f);

    for (int i = 0; i < numSamples; ++i)
    {
        const float xL = inL[i];
        const float xR = inR[i];
        const float d = (i % 2 == 0) ? -1e-20f : 1e-20f;
        float wetL = 0.0f;
        float wetR = 0.0f;

        for (Voice& v : voices)
        {
            const std::size_t w = v.writePos;
            v.left[w] = xL;
            v.right[w] = xR;

            float tL = 0.0f;
            float tR = 0.0f;
            for (int s = 0; s < 8; ++s)
            {
                if (!v.steps[s])
                    continue;
                std::size_t delay =
                    static_cast<std::size_t>(s + 1) * static_cast<std::size_t>(stepLength);
                if (delay > length - 1)
                    delay = length - 1;
                const std::size_t j = (length + w - delay) % length;
                tL = tL + v.left[j];
                tR = tR + v.right[j];
            }

            const float inputGain = 1.0f + 0.5f * v.reso;
            const float uL = sat(inputGain * (tL + d));
            const float uR = sat(inputGain * (tR + d));
            const float y4L = runLadder(v.ladderLeft, uL, v);
            const float y4R = runLadder(v.ladderRight, uR, v);
            const float driveGain = 1.0f + 19.0f * v.drive;
            const float yL = sat(driveGain * y4L);
            const float yR = sat(driveGain * y4R);
            wetL = wetL + v.gain * std::sqrt(1.0f - v.pan) * yL;
            wetR = wetR + v.gain * std::sqrt(v.pan) * yR;

            v.writePos = (w + 1) % length;
        }

        const float WL = wetL + d;
        const float WR = wetR + d;
        const float vL = highpassG * (WL - highpassLeft);
        const float vR = highpassG * (WR - highpassRight);
        const float lpL = highpassLeft + vL;
        const float lpR = highpassRight + vR;
        const float hpL = WL - lpL;
        const float hpR = WR - lpR;
        highpassLeft = lpL + vL;
        highpassRight = lpR + vR;

        outL[i] = xL * dryGain + hpL * wetGain;
        outR[i] = xR * dryGain + hpR * wetGain;
    }
}

} // namespace Ryvel::Reference
