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

#include "engine/ParameterCatalogue.h"

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
#include <unistd.h>
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
// Sanitizer runtimes keep freed memory in quarantine and shadow it: their RSS says nothing
// about our memory (LeakSanitizer covers leaks there).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif
// Allocator arenas of four threads, thread stacks and the test's own bookkeeping.
constexpr long kMemorySlack = 16L << 20;

double soakSeconds()
{
    if (const char* text = std::getenv("RYVEL_SOAK_SECONDS"))
        if (const double seconds = std::atof(text); seconds > 0.0)
            return seconds;
    return RYVEL_SOAK_DEFAULT_SECONDS;
}

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
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

void reSetUp(Instance& instance)
{
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kRates) - 1);
    const double rate = kRates[pick(instance.rng)];
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

    // All instances start at the highest rate, so the largest memory the run can need is
    // resident before the baseline is taken.
    std::vector<std::unique_ptr<Instance>> instances;
    for (int i = 0; i < kInstances; ++i)
    {
        instances.push_back(std::make_unique<Instance>(*factory.get(), 1000u + i));
        ASSERT_TRUE(instances.back()->driver.ready());
    }

    const double seconds = soakSeconds();
    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::duration<double>(seconds);
    const auto warmedUp = begin + std::chrono::duration<double>(seconds * 0.25);
    std::atomic<bool> stop{false};
    std::array<Tally, kThreads> tallies;
    std::vector<std::thread> threads;
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
                            reSetUp(instance);
                            ++tallies[static_cast<std::size_t>(t)].setups;
                        }
                        runBlock(instance, noise, outL, outR, tallies[static_cast<std::size_t>(t)]);
                    }
            });

    // The main thread only watches memory; the loop ends on the clock, nothing is timed.
    long baseline = residentBytes(), later = 0;
    while (std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long now = residentBytes();
        if (std::chrono::steady_clock::now() < warmedUp)
            baseline = std::max(baseline, now);
        else
            later = std::max(later, now);
    }
    stop = true;
    for (std::thread& thread : threads)
        thread.join();

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
                "RSS after warm-up %.1f MiB, highest later %.1f MiB, peak RSS %.1f MiB\n",
                seconds, kInstances, kThreads, total.blocks, total.samples,
                static_cast<double>(total.samples) / kInstances / 48000.0, total.setups,
                static_cast<double>(total.outputPeak), static_cast<double>(baseline) / mib,
                static_cast<double>(later) / mib, static_cast<double>(peakResidentBytes()) / mib);
    RecordProperty("blocks", std::to_string(total.blocks));
    RecordProperty("peakRssBytes", std::to_string(peakResidentBytes()));

    EXPECT_GT(total.blocks, kInstances);
    EXPECT_EQ(total.badSamples, 0) << total.firstProblem;
    EXPECT_EQ(total.allocationsInProcess, 0);
    EXPECT_GT(total.outputPeak, 0.0f); // the run did produce sound
    if (kMeasureMemory)
    {
        EXPECT_LE(later, baseline + kMemorySlack)
            << "resident memory grew after warm-up: " << baseline << " -> " << later << " bytes";
    }
}

} // namespace
