// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What both benchmark programs need around a timed block: the same input noise, thread CPU
// time and the per-sample counters.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

namespace Ryvel::Bench
{

inline constexpr double kRate = 48000.0;

inline std::vector<float> noise(unsigned seed, std::size_t length)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
    std::vector<float> out(length);
    for (float& x : out)
        x = dist(rng);
    return out;
}

// CPU time of this thread: other work on the machine does not count against the plug-in.
inline double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

inline void setCounters(benchmark::State& state, int blockSize, double seconds)
{
    const auto samples = static_cast<double>(state.iterations()) * blockSize;
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    if (samples > 0.0 && seconds > 0.0)
    {
        state.counters["ns/sample"] = 1e9 * seconds / samples;
        state.counters["realtime"] = samples / kRate / seconds;
    }
}

} // namespace Ryvel::Bench
