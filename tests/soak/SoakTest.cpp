// SPDX-License-Identifier: GPL-3.0-or-later
// Sixteen instances of the real module on four threads, each block with fresh automation on every
// parameter, tempo jumps, transport and bypass toggles and re-setups at other sample rates
// between activations. Each thread is the audio thread of its four instances and also makes
// their set-up calls between blocks, as a host serialises them per instance; the instances
// still run concurrently with each other and share the playhead value.
//
// Length: RYVEL_SOAK_SECONDS in the environment, or the CMake option of the same name.

#include "AllocationCounter.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

constexpr int kInstances = 16;
constexpr int kThreads = 4;
constexpr int kMaxBlock = 8192;
constexpr double kRates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};
constexpr double kHighestRate = 192000.0; // the largest delay lines: the memory ceiling
// Noise input within +-1 and every parameter within 0..1: the output stays well below this.
constexpr float kBound = 8.0f;
// Heap held at the end of the run beyond what it held at the start, with every instance set up
// as it was then (bytes asked for, so the figure does not depend on the allocator). Nothing is
// known to be kept: this leaves room for a library's one-time allocation, while a leak of a few
// dozen bytes per re-setup, or of one byte per block, goes past it.
constexpr long kHeapSlack = 1L << 10;

double soakSeconds()
{
    if (const char* text = std::getenv("RYVEL_SOAK_SECONDS"))
        if (const double seconds = std::atof(text); seconds > 0.0)
            return seconds;
    return RYVEL_SOAK_DEFAULT_SECONDS;
}

long peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6) * 1024;
    return 0;
}

struct Instance
{
    Instance(IPluginFactory& factory, unsigned seed)
        : driver(factory, kHighestRate, kMaxBlock), rng(seed)
    {
    }
    ProcessorDriver driver;
    std::mt19937 rng;
    Transport transport;
    bool bypass = false;
};

// What one thread saw; read by the main thread after join.
struct Tally
{
    long blocks = 0;
    long samples = 0;
    long setups = 0;
    long allocationsInProcess = 0;
    long badSamples = 0;
    float outputPeak = 0.0f;
    std::string firstProblem;
};

int blockSize(std::mt19937& rng)
{
    // Every size from 1 to 8192 can come, small ones about as often as large ones.
    const int octave = std::uniform_int_distribution<int>(0, 13)(rng);
    const int low = 1 << octave;
    return std::min(kMaxBlock, std::uniform_int_distribution<int>(low, 2 * low - 1)(rng));
}

void reSetUp(Instance& instance, double rate)
{
    IComponent& component = instance.driver.component();
    IAudioProcessor& processor = instance.driver.processor();
    processor.setProcessing(false);
    component.setActive(false);
    ProcessSetup setup{kRealtime, kSample32, kMaxBlock, rate};
    if (processor.setupProcessing(setup) == kResultOk)
        instance.driver.sampleRate = rate;
    component.setActive(true);
    processor.setProcessing(true);
}

void runBlock(Instance& instance, const std::vector<float>& noise, std::vector<float>& outL,
              std::vector<float>& outR, Tally& tally)
{
    std::mt19937& rng = instance.rng;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int n = blockSize(rng);

    if (unit(rng) < 0.02)
        instance.transport.tempo = std::uniform_real_distribution<double>(20.0, 300.0)(rng);
    if (unit(rng) < 0.005)
        instance.transport.tempoValid = !instance.transport.tempoValid;
    if (unit(rng) < 0.01)
        instance.transport.playing = !instance.transport.playing;
    if (unit(rng) < 0.003)
        instance.bypass = !instance.bypass;

    std::uniform_int_distribution<int> offset(0, n - 1);
    for (const Ryvel::ParamInfo& info : Ryvel::kParams)
        instance.driver.changes.add(
            info.id, info.isBypass() ? (instance.bypass ? 1.0 : 0.0) : unit(rng), offset(rng));

    const std::size_t start =
        std::uniform_int_distribution<std::size_t>(0, noise.size() - kMaxBlock)(rng);
    const float* in = noise.data() + start;
    const float* inR = noise.data() + (noise.size() - kMaxBlock - start);
    const std::optional<Transport> transport =
        unit(rng) < 0.01 ? std::nullopt : std::optional<Transport>(instance.transport);

    const long before = Ryvel::Testing::allocationsOnThisThread();
    instance.driver.process(in, inR, outL.data(), outR.data(), n, transport);
    tally.allocationsInProcess += Ryvel::Testing::allocationsOnThisThread() - before;

    for (int i = 0; i < n; ++i)
        for (const float x : {outL[static_cast<std::size_t>(i)], outR[static_cast<std::size_t>(i)]})
        {
            if (std::isfinite(x) && std::fabs(x) <= kBound)
            {
                tally.outputPeak = std::max(tally.outputPeak, std::fabs(x));
                continue;
            }
            if (tally.badSamples++ == 0)
                tally.firstProblem = "sample " + std::to_string(x) + " at " + std::to_string(i) +
                                     " of a block of " + std::to_string(n) + " at " +
                                     std::to_string(instance.driver.sampleRate) + " Hz";
        }
    ++tally.blocks;
    tally.samples += n;
}

TEST(Soak, SixteenInstancesOnFourThreadsStayFiniteBoundedAllocationFreeAndFlatInMemory)
{
    PluginModule module(moduleFileInBundle(builtBundle()));
    ASSERT_TRUE(module.loaded()) << module.error();
    Ref<IPluginFactory> factory = module.factory();
    ASSERT_TRUE(factory);

    std::vector<std::unique_ptr<Instance>> instances;
    for (int i = 0; i < kInstances; ++i)
    {
        instances.push_back(std::make_unique<Instance>(*factory.get(), 1000u + i));
        ASSERT_TRUE(instances.back()->driver.ready());
    }
    // One block each first, so that what the host side keeps between blocks (its parameter
    // queues) is in the baseline too.
    std::array<Tally, kThreads> tallies;
    {
        const std::vector<float> silence(kMaxBlock, 0.0f);
        std::vector<float> outL(kMaxBlock), outR(kMaxBlock);
        for (auto& instance : instances)
            runBlock(*instance, silence, outL, outR, tallies[0]);
    }
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    const long heapAtStart = Ryvel::Testing::liveHeapBytes();

    const double seconds = soakSeconds();
    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::duration<double>(seconds);
    std::atomic<bool> stop{false};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                std::mt19937 rng(7u + static_cast<unsigned>(t));
                std::uniform_real_distribution<float> level(-1.0f, 1.0f);
                std::vector<float> noise(4 * kMaxBlock);
                for (float& x : noise)
                    x = level(rng);
                std::vector<float> outL(kMaxBlock), outR(kMaxBlock);
                std::uniform_real_distribution<double> unit(0.0, 1.0);
                while (!stop.load(std::memory_order_relaxed))
                    for (int i = t; i < kInstances; i += kThreads)
                    {
                        Instance& instance = *instances[static_cast<std::size_t>(i)];
                        if (unit(rng) < 0.005)
                        {
                            std::uniform_int_distribution<std::size_t> pick(0,
                                                                            std::size(kRates) - 1);
                            reSetUp(instance, kRates[pick(instance.rng)]);
                            ++tallies[static_cast<std::size_t>(t)].setups;
                        }
                        runBlock(instance, noise, outL, outR, tallies[static_cast<std::size_t>(t)]);
                    }
            });

    // The run ends on the clock; nothing is timed.
    std::this_thread::sleep_until(end);
    stop = true;
    for (std::thread& thread : threads)
        thread.join();
    // Back where they started (a re-setup leaves the delay lines sized for its own rate), the
    // instances should hold what they held then: the difference is what the run kept.
    for (auto& instance : instances)
        reSetUp(*instance, kHighestRate);
    const long heapGrowth = Ryvel::Testing::liveHeapBytes() - heapAtStart;

    Tally total;
    for (const Tally& tally : tallies)
    {
        total.blocks += tally.blocks;
        total.samples += tally.samples;
        total.setups += tally.setups;
        total.allocationsInProcess += tally.allocationsInProcess;
        total.badSamples += tally.badSamples;
        total.outputPeak = std::max(total.outputPeak, tally.outputPeak);
        if (total.firstProblem.empty())
            total.firstProblem = tally.firstProblem;
    }
    const double mib = 1024.0 * 1024.0;
    std::printf("soak: %.0f s, %d instances on %d threads: %ld blocks, %ld samples "
                "(%.1f s of audio per instance at 48 kHz), %ld re-setups, output peak %.3f, "
                "heap %.1f MiB at the start, %+ld bytes at the end, peak RSS %.1f MiB\n",
                seconds, kInstances, kThreads, total.blocks, total.samples,
                static_cast<double>(total.samples) / kInstances / 48000.0, total.setups,
                static_cast<double>(total.outputPeak), static_cast<double>(heapAtStart) / mib,
                heapGrowth, static_cast<double>(peakResidentBytes()) / mib);
    RecordProperty("blocks", std::to_string(total.blocks));
    RecordProperty("peakRssBytes", std::to_string(peakResidentBytes()));

    EXPECT_GT(total.blocks, kInstances);
    EXPECT_EQ(total.badSamples, 0) << total.firstProblem;
    EXPECT_EQ(total.allocationsInProcess, 0);
    EXPECT_GT(total.outputPeak, 0.0f); // the run did produce sound
    EXPECT_LE(heapGrowth, kHeapSlack) << "the run kept heap memory";
}

} // namespace
