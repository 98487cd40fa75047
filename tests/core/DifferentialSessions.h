// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Randomised host sessions for the differential tests, and their output through the scalar
// reference: rates from 8 to 192 kHz, blocks of 1 to 8192 samples, every parameter family moving
// (out-of-range and NaN values included), every value sent again unchanged, tempo jumps,
// transport and bypass changes, no process context, in-place buffers, long silences, resonance 0,
// and NaN, infinite, subnormal, offset-sized and huge input. Any adapter that drives the processing
// core runs them and must match the reference bit for bit.
//
// RYVEL_DIFFERENTIAL_SESSIONS=n asks for n sessions instead of the quick default.

#include "TestHost.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Ryvel::Differential
{

using TestHost::Transport;

struct Change
{
    std::uint32_t id;
    double value;
};

struct BlockPlan
{
    int size;
    std::vector<Change> changes;
    std::optional<Transport> transport;
};

struct Session
{
    unsigned seed;
    double rate;
    bool inPlace;
    std::vector<BlockPlan> blocks;
    std::vector<float> left, right;
};

// Per test: 12 sessions, or RYVEL_DIFFERENTIAL_SESSIONS.
std::size_t sessionCount();
// The same session for the same seed, on every run and machine.
Session makeSession(unsigned seed);

inline bool sameBits(float a, float b)
{
    // NaN payloads are not defined: any NaN matches any NaN.
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

struct Outputs
{
    std::vector<float> left, right;
};

Outputs renderReference(const Session& s);

// The first sample where `actual` differs from `expected`, with its block, or an empty string.
std::string firstMismatch(const Session& s, const Outputs& actual, const Outputs& expected);

} // namespace Ryvel::Differential
