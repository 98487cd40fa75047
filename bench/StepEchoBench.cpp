// SPDX-License-Identifier: GPL-3.0-or-later
// Process cost per stereo sample at 48 kHz, for the production path (Ryvel::StepEcho, with each
// kernel variant the CPU runs) and the scalar reference, in the situations that decide its cost:
// how many taps are active, whether the ladder has feedback, and whether coefficients are
// recomputed every block.
//
// Counters: "ns/sample" is CPU time per stereo sample; "realtime" is seconds of audio
// processed per second of CPU (48000 samples = one second). Both include the per-block work
// (gains, coefficient updates), which is why block size matters.

#include "BenchSupport.h"
#include "ReferenceEcho.h"

#include "core/StepEcho.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace
{

using Ryvel::Bench::kRate;
using Ryvel::Bench::setCounters;
using Ryvel::Bench::threadSeconds;
constexpr std::int32_t kStepSamples = 6000; // a sixteenth at 120 BPM and 48 kHz
constexpr std::size_t kInputLength = 48000;

enum class Load
{
    AllStepsOff,
    OneStepPerVoice,
    AllStepsOn,
    AllStepsOnResonant,
    FilterMovingEveryBlock,
};

// The resonance of the static loads; the moving load sweeps around it.
double resonance(Load load)
{
    return load == Load::AllStepsOnResonant ? 0.5 : 0.0;
}

const char* name(Load load)
{
    switch (load)
    {
    case Load::AllStepsOff:
        return "all_steps_off";
    case Load::OneStepPerVoice:
        return "one_step_per_voice";
    case Load::AllStepsOn:
        return "all_32_steps_on";
    case Load::AllStepsOnResonant:
        return "all_32_steps_on_reso_0.5";
    case Load::FilterMovingEveryBlock:
        return "all_32_steps_filter_and_reso_moving";
    }
    return "";
}

bool stepOn(Load load, int voice, int step)
{
    switch (load)
    {
    case Load::AllStepsOff:
        return false;
    case Load::AllStepsOn:
    case Load::AllStepsOnResonant:
    case Load::FilterMovingEveryBlock:
        return true;
    default:
        return step == (2 * voice + 1) % 8; // steps 2, 4, 6, 8
    }
}

// A different cutoff and resonance for every block, inside the musical range.
double sweep(std::uint64_t block, int voice)
{
    return 0.2 +
           0.6 * static_cast<double>((block * 7 + static_cast<std::uint64_t>(voice) * 13) % 64) /
               64.0;
}

std::vector<float> noise(unsigned seed)
{
    return Ryvel::Bench::noise(seed, kInputLength);
}

void production(benchmark::State& state, Ryvel::StepEcho::Kernel kernel, Load load, int blockSize)
{
    Ryvel::EchoParams params;
    for (int v = 0; v < Ryvel::kNumVoices; ++v)
    {
        for (int s = 0; s < Ryvel::kNumSteps; ++s)
            params.steps[static_cast<std::size_t>(8 * v + s)] = stepOn(load, v, s);
        params.reso[static_cast<std::size_t>(v)] = static_cast<float>(resonance(load));
    }
    Ryvel::StepEcho echo;
    if (!echo.useKernel(kernel))
    {
        state.SkipWithError("this CPU cannot run the kernel");
        return;
    }
    if (!echo.allocateDelayLines(kRate))
    {
        state.SkipWithError("no memory for the delay lines");
        return;
    }
    echo.resetDelayState();
    echo.updateAllCoeffs(params, kRate);

    const auto inL = noise(1), inR = noise(2);
    std::vector<float> outL(static_cast<std::size_t>(blockSize)), outR(outL.size());
    std::size_t position = 0;
    std::uint64_t block = 0;
    const double start = threadSeconds();
    for (auto _ : state)
    {
        if (load == Load::FilterMovingEveryBlock)
        {
            for (int v = 0; v < Ryvel::kNumVoices; ++v)
            {
                params.filter[static_cast<std::size_t>(v)] = static_cast<float>(sweep(block, v));
                params.reso[static_cast<std::size_t>(v)] = static_cast<float>(sweep(block + 5, v));
                echo.updateFilterCoeffs(v, params, kRate);
            }
        }
        echo.process(params, kStepSamples, inL.data() + position, inR.data() + position,
                     outL.data(), outR.data(), blockSize);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        position = (position + static_cast<std::size_t>(blockSize)) % (kInputLength - 4096);
        ++block;
    }
    setCounters(state, blockSize, threadSeconds() - start);
}

void reference(benchmark::State& state, Load load, int blockSize)
{
    Ryvel::Reference::ReferenceEcho echo(kRate);
    for (int v = 0; v < 4; ++v)
    {
        for (int s = 0; s < 8; ++s)
            echo.setParameter(static_cast<std::uint32_t>(8 * v + s),
                              stepOn(load, v, s) ? 1.0 : 0.0);
        echo.setParameter(152 + static_cast<std::uint32_t>(v), resonance(load));
    }
    echo.hostTempo(120.0);

    const auto inL = noise(1), inR = noise(2);
    std::vector<float> outL(static_cast<std::size_t>(blockSize)), outR(outL.size());
    std::size_t position = 0;
    std::uint64_t block = 0;
    const double start = threadSeconds();
    for (auto _ : state)
    {
        if (load == Load::FilterMovingEveryBlock)
        {
            for (int v = 0; v < 4; ++v)
            {
                echo.setParameter(148 + static_cast<std::uint32_t>(v), sweep(block, v));
                echo.setParameter(152 + static_cast<std::uint32_t>(v), sweep(block + 5, v));
            }
        }
        echo.process(inL.data() + position, inR.data() + position, outL.data(), outR.data(),
                     blockSize);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        position = (position + static_cast<std::size_t>(blockSize)) % (kInputLength - 4096);
        ++block;
    }
    setCounters(state, blockSize, threadSeconds() - start);
}

} // namespace

int main(int argc, char** argv)
{
    using Kernel = Ryvel::StepEcho::Kernel;
    for (Load load : {Load::AllStepsOff, Load::OneStepPerVoice, Load::AllStepsOn,
                      Load::AllStepsOnResonant, Load::FilterMovingEveryBlock})
        for (int blockSize : {32, 256})
        {
            const std::string suffix = std::string(name(load)) + "/" + std::to_string(blockSize);
            benchmark::RegisterBenchmark(("Reference/" + suffix).c_str(), reference, load,
                                         blockSize);
            if (Ryvel::StepEcho::kernelSupported(Kernel::Baseline))
                benchmark::RegisterBenchmark(("Baseline/" + suffix).c_str(), production,
                                             Kernel::Baseline, load, blockSize);
            if (Ryvel::StepEcho::kernelSupported(Kernel::Avx2))
                benchmark::RegisterBenchmark(("Avx2/" + suffix).c_str(), production, Kernel::Avx2,
                                             load, blockSize);
            benchmark::RegisterBenchmark(("Portable/" + suffix).c_str(), production,
                                         Kernel::Portable, load, blockSize);
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
