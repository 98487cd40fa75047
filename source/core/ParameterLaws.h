// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a normalised value becomes the quantity the signal path uses. Single precision unless a
// law says otherwise: the output of the plug-in is defined to the bit, so the precision of each
// step below matters and must not be "improved".

#include <algorithm>
#include <cmath>

namespace Ryvel::Laws
{

// Both on/off thresholds are inclusive: exactly 0.5 is on.
constexpr bool switchOn(double x)
{
    return x >= 0.5;
}

constexpr float driveGain(float x)
{
    return 1.0f + 19.0f * x;
}
constexpr float resoFeedback(float x)
{
    return 3.9f * x;
}
constexpr float resoInputGain(float x)
{
    return 1.0f + 0.5f * x;
}

// Ladder cutoff in Hz: 20 * 1000^x in single precision (x as received, not limited), at most
// 0.49 times the sample rate rounded to single precision.
inline float filterCutoffHz(float x, double sampleRate)
{
    const float fs = static_cast<float>(sampleRate);
    return std::min(0.49f * fs, 20.0f * std::pow(1000.0f, x));
}

// High-pass cutoff in Hz: 20 * 125^h with h limited to 0..1, in double precision, rounded to
// single precision, at most 0.49 times the single-precision sample rate.
inline float highpassCutoffHz(float x, double sampleRate)
{
    const float fs = static_cast<float>(sampleRate);
    const double h = std::clamp(static_cast<double>(x), 0.0, 1.0);
    const float fc = static_cast<float>(20.0 * std::pow(125.0, h));
    return std::min(0.49f * fs, fc);
}

// Equal-power pan: a balance of the voice's own stereo signal.
inline float panLeft(float x)
{
    return std::sqrt(1.0f - x);
}
inline float panRight(float x)
{
    return std::sqrt(x);
}

inline constexpr float kHalfPi = 1.5707964f;
inline float dryGain(float mix)
{
    return std::cos(mix * kHalfPi);
}
inline float wetGain(float mix)
{
    return std::sin(mix * kHalfPi);
}

} // namespace Ryvel::Laws
