// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <random>
#include <vector>

namespace Ryvel::Testing
{

// Deterministic white noise, uniform within +-level.
inline std::vector<float> noise(std::size_t n, unsigned seed, float level = 0.5f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-level, level);
    std::vector<float> out(n);
    for (float& x : out)
        x = dist(rng);
    return out;
}

} // namespace Ryvel::Testing
