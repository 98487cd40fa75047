// SPDX-License-Identifier: GPL-3.0-or-later
#include "DemoLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Ryvel::Render
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = DemoLoop::kSampleRate;
// One sixteenth note at 120 BPM.
constexpr int kSixteenth = static_cast<int>(kRate * 60.0 / DemoLoop::kTempo / 4.0);
constexpr int kSixteenthsPerLoop = 32;

// Integer noise: identical on every platform, unlike the standard distributions.
class Noise
{
public:
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state = 0x2545F491u;
};

struct Hit
{
    int sixteenth;
    double velocity;
};

void addKick(DemoLoop& loop, std::size_t at, double velocity)
{
    double phase = 0.0;
    const auto length = static_cast<std::size_t>(0.45 * kRate);
    for (std::size_t i = 0; i < length && at + i < loop.left.size(); ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        // A falling pitch gives the thump; a short decay keeps it tight.
        const double frequency = 45.0 + 110.0 * std::exp(-t / 0.035);
        phase += 2.0 * kPi * frequency / kRate;
        const double x = velocity * 0.9 * std::sin(phase) * std::exp(-t / 0.22);
        loop.left[at + i] += static_cast<float>(x);
        loop.right[at + i] += static_cast<float>(x);
    }
}

void addSnare(DemoLoop& loop, Noise& noise, std::size_t at, double velocity)
{
    const auto length = static_cast<std::size_t>(0.3 * kRate);
    double previous = 0.0;
    for (std::size_t i = 0; i < length && at + i < loop.left.size(); ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        const double n = noise.next();
        const double bright = n - 0.6 * previous; // tilt the noise towards the top
        previous = n;
        const double body = 0.45 * std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.045);
        const double x = velocity * (body + 0.4 * bright * std::exp(-t / 0.09));
        loop.left[at + i] += static_cast<float>(x);
        loop.right[at + i] += static_cast<float>(0.85 * x);
    }
}

void addHat(DemoLoop& loop, Noise& noise, std::size_t at, double velocity, double decay)
{
    const auto length = static_cast<std::size_t>(6.0 * decay * kRate);
    double previous = 0.0, previous2 = 0.0;
    for (std::size_t i = 0; i < length && at + i < loop.left.size(); ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        const double n = noise.next();
        // Second difference: a steep high-pass, only the sizzle remains.
        const double high = n - 2.0 * previous + previous2;
        previous2 = previous;
        previous = n;
        const double x = velocity * 0.12 * high * std::exp(-t / decay);
        loop.left[at + i] += static_cast<float>(0.7 * x);
        loop.right[at + i] += static_cast<float>(x);
    }
}

} // namespace

DemoLoop makeDemoLoop()
{
    DemoLoop loop;
    const auto frames = static_cast<std::size_t>(kSixteenth) * kSixteenthsPerLoop;
    loop.left.assign(frames, 0.0f);
    loop.right.assign(frames, 0.0f);
    Noise noise;

    const Hit kicks[] = {{0, 1.0}, {7, 0.7}, {8, 1.0}, {16, 1.0}, {22, 0.6}, {24, 1.0}, {27, 0.8}};
    const Hit snares[] = {{4, 1.0}, {12, 1.0}, {20, 1.0}, {28, 1.0}, {31, 0.35}};
    for (const Hit& h : kicks)
        addKick(loop, static_cast<std::size_t>(h.sixteenth * kSixteenth), h.velocity);
    for (const Hit& h : snares)
        addSnare(loop, noise, static_cast<std::size_t>(h.sixteenth * kSixteenth), h.velocity);
    for (int s = 0; s < kSixteenthsPerLoop; ++s)
    {
        // Eighth notes with the off-beats accented and opened a little, plus two sixteenths.
        const bool offBeat = s % 4 == 2;
        if (s % 2 == 0)
            addHat(loop, noise, static_cast<std::size_t>(s * kSixteenth), offBeat ? 1.0 : 0.6,
                   offBeat ? 0.06 : 0.025);
        else if (s == 13 || s == 29)
            addHat(loop, noise, static_cast<std::size_t>(s * kSixteenth), 0.45, 0.02);
    }

    float peak = 0.0f;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::fabs(loop.left[i]), std::fabs(loop.right[i])});
    const float scale = static_cast<float>(std::pow(10.0, -3.0 / 20.0)) / peak;
    for (std::size_t i = 0; i < frames; ++i)
    {
        loop.left[i] *= scale;
        loop.right[i] *= scale;
    }
    return loop;
}

} // namespace Ryvel::Render
