// SPDX-License-Identifier: GPL-3.0-or-later
// Cost per stereo sample of a whole block through the built modules, as a host sees it: the
// VST 3 processor's `process` (Ryvel.so through GetPluginFactory) and the LV2 plug-in's `run`
// (ryvel-dsp.so through lilv), at 48 kHz and 120 BPM, transport playing.
//
// What is timed is the plug-in's call only. The host side is prepared once: the VST 3 parameter
// changes are a ring of 16 blocks' worth of queues built before timing (a block picks one by
// pointer), buffers and ProcessData are built once; the LV2 ports are connected once and
// "sending a value" is writing its control port before `run` (a copy from a ring of 16 blocks'
// worth of port values, a few nanoseconds a block, counted in).
//
// Sending:
// - none: no queue (VST 3: an empty IParameterChanges; LV2: no port written);
// - 8_unchanged: filter and resonance of every voice, the same value every block;
// - 8_changing: the same 8 parameters, a different value every block;
// - all_55_changing: every parameter a different value every block, as the validators'
//   automation test does. Switches move within their side of 0.5 (the steps stay on, or off,
//   bypass stays off), so the load stays what it says.
// With resonance 0 the resonance values are sent but stay 0.
//
// Counters as in StepEchoBench: "ns/sample" is this thread's CPU time per stereo sample.

#include "BenchSupport.h"
#include "Lv2Host.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"
#include "formats/lv2/Lv2Ports.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

using namespace Ryvel;
using namespace Steinberg;
using namespace Steinberg::Vst;

using Bench::kRate;
using Bench::noise;
using Bench::setCounters;
using Bench::threadSeconds;
constexpr double kTempo = 120.0;
// Blocks of distinct values the host cycles through; consecutive blocks always differ.
constexpr std::size_t kRing = 16;
// Longer than the longest tap (8 sixteenths at 120 BPM, one second), so that every tap reads
// audio, not the silence the line starts with, before timing starts.
constexpr std::size_t kWarmUpSamples = 72000;

enum class Format
{
    Vst3,
    Lv2,
};

enum class Load
{
    AllStepsOn,         // 32 taps, resonance 0
    AllStepsOnResonant, // 32 taps, resonance 0.5
    AllStepsOff,
};

enum class Sending
{
    None,
    EightUnchanged,
    EightChanging,
    AllChanging,
};

const char* name(Format format)
{
    return format == Format::Vst3 ? "Vst3" : "Lv2";
}

const char* name(Load load)
{
    switch (load)
    {
    case Load::AllStepsOn:
        return "32_taps_reso_0";
    case Load::AllStepsOnResonant:
        return "32_taps_reso_0.5";
    case Load::AllStepsOff:
        return "all_steps_off";
    }
    return "";
}

const char* name(Sending sending)
{
    switch (sending)
    {
    case Sending::None:
        return "none";
    case Sending::EightUnchanged:
        return "8_unchanged";
    case Sending::EightChanging:
        return "8_changing";
    case Sending::AllChanging:
        return "all_55_changing";
    }
    return "";
}

bool sent(Sending sending, const ParamInfo& info)
{
    switch (sending)
    {
    case Sending::None:
        return false;
    case Sending::EightUnchanged:
    case Sending::EightChanging:
        return info.kind == ParamKind::Filter || info.kind == ParamKind::Reso;
    case Sending::AllChanging:
        return true;
    }
    return false;
}

double resonance(Load load)
{
    return load == Load::AllStepsOnResonant ? 0.5 : 0.0;
}

// The load's setting: the catalogue's defaults, with the steps and resonance of the load.
double settingOf(const ParamInfo& info, Load load)
{
    if (info.kind == ParamKind::Step)
        return load == Load::AllStepsOff ? 0.0 : 1.0;
    if (info.kind == ParamKind::Reso)
        return resonance(load);
    return info.defaultValue;
}

// The value sent in block `block` of the ring, for the parameter at catalogue index `index`.
double valueOf(const ParamInfo& info, std::size_t index, Load load, Sending sending,
               std::size_t block)
{
    const bool changing = sending == Sending::EightChanging || sending == Sending::AllChanging;
    if (!changing)
        return settingOf(info, load);
    // 0 <= phase < 1, different in consecutive blocks of the ring and between parameters.
    const double phase = static_cast<double>((block * 5 + index * 3) % kRing) / kRing;
    switch (info.kind)
    {
    case ParamKind::Step:
        return load == Load::AllStepsOff ? 0.49 * phase : 0.5 + 0.49 * phase;
    case ParamKind::Gain:
        return 0.5 + 0.4 * phase;
    case ParamKind::Pan:
        return 0.3 + 0.4 * phase;
    case ParamKind::Drive:
        return 0.3 * phase;
    case ParamKind::Filter:
        return 0.5 + 0.4 * phase;
    case ParamKind::Reso:
        return load == Load::AllStepsOnResonant ? 0.4 + 0.2 * phase : 0.0;
    case ParamKind::Mix:
        return 0.4 + 0.2 * phase;
    case ParamKind::HighPass:
        return 0.3 * phase;
    case ParamKind::Bypass:
        return 0.49 * phase;
    }
    return 0.0;
}

// A queue holding one point, as most hosts send: the value for the whole block.
class OnePointQueue final : public TestHost::HostObject<IParamValueQueue>
{
public:
    ParamID id = 0;
    double value = 0.0;

    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return 1; }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& out) override
    {
        if (index != 0)
            return kResultFalse;
        sampleOffset = 0;
        out = value;
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
};

// Room for every parameter, filled before timing; the plug-in only reads it.
class FixedChanges final : public TestHost::HostObject<IParameterChanges>
{
public:
    void add(ParamID id, double value)
    {
        queues[count].id = id;
        queues[count].value = value;
        ++count;
    }
    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(count); }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) override
    {
        return index >= 0 && static_cast<std::size_t>(index) < count
                   ? &queues[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override
    {
        return nullptr;
    }

private:
    std::array<OnePointQueue, kNumParams> queues{};
    std::size_t count = 0;
};

// Loaded once for the whole run: benchmark functions run several times each, and only a fresh
// instance matters to them.
TestHost::PluginModule& vst3Module()
{
    static TestHost::PluginModule module(TestHost::moduleFileInBundle(TestHost::builtBundle()));
    return module;
}

Lv2Host::Bundle& lv2Bundle()
{
    static Lv2Host::Bundle bundle(Lv2Host::builtBundle());
    return bundle;
}

void throughVst3(benchmark::State& state, Load load, Sending sending, int blockSize)
{
    TestHost::PluginModule& module = vst3Module();
    if (!module.loaded())
    {
        state.SkipWithError(("cannot load Ryvel.so: " + module.error()).c_str());
        return;
    }
    auto factory = module.factory();
    if (!factory)
    {
        state.SkipWithError("no factory");
        return;
    }
    TestHost::ProcessorDriver driver(*factory.get(), kRate, blockSize);
    if (!driver.ready())
    {
        state.SkipWithError("the processor did not set up");
        return;
    }
    for (const ParamInfo& info : kParams)
        driver.changes.add(info.id, settingOf(info, load));
    driver.flush();

    auto ring = std::make_unique<std::array<FixedChanges, kRing>>();
    for (std::size_t b = 0; b < kRing; ++b)
        for (std::size_t i = 0; i < kParams.size(); ++i)
            if (sent(sending, kParams[i]))
                (*ring)[b].add(kParams[i].id, valueOf(kParams[i], i, load, sending, b));

    auto inL = noise(1, static_cast<std::size_t>(blockSize));
    auto inR = noise(2, static_cast<std::size_t>(blockSize));
    std::vector<float> outL(inL.size()), outR(inL.size());
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    AudioBusBuffers inBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers32 = inputs;
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outputs;
    ProcessContext context{};
    context.sampleRate = kRate;
    context.tempo = kTempo;
    context.state = ProcessContext::kTempoValid | ProcessContext::kPlaying;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = blockSize;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.processContext = &context;
    IAudioProcessor& processor = driver.processor();

    std::size_t block = 0;
    for (std::size_t done = 0; done < kWarmUpSamples; done += static_cast<std::size_t>(blockSize))
    {
        data.inputParameterChanges = &(*ring)[block++ % kRing];
        processor.process(data);
    }
    const double start = threadSeconds();
    for (auto _ : state)
    {
        data.inputParameterChanges = &(*ring)[block++ % kRing];
        processor.process(data);
        benchmark::DoNotOptimize(outputs);
        benchmark::ClobberMemory();
    }
    setCounters(state, blockSize, threadSeconds() - start);
}

void throughLv2(benchmark::State& state, Load load, Sending sending, int blockSize)
{
    Lv2Host::Bundle& bundle = lv2Bundle();
    if (!bundle.loaded())
    {
        state.SkipWithError(("cannot load Ryvel.lv2: " + bundle.error()).c_str());
        return;
    }
    Lv2Host::PluginDriver driver(bundle, kRate);
    if (!driver.ready())
    {
        state.SkipWithError("the plug-in did not instantiate");
        return;
    }
    for (const ParamInfo& info : kParams)
        driver.setParameter(info.id, settingOf(info, load));

    // The sent ports and, per block of the ring, their values.
    std::vector<float*> ports;
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < kParams.size(); ++i)
        if (sent(sending, kParams[i]))
        {
            ports.push_back(&driver.controlPort(Lv2::paramPort(static_cast<int>(i))));
            indices.push_back(i);
        }
    std::vector<float> ring(kRing * ports.size());
    for (std::size_t b = 0; b < kRing; ++b)
        for (std::size_t p = 0; p < ports.size(); ++p)
        {
            const ParamInfo& info = kParams[indices[p]];
            ring[b * ports.size() + p] =
                Lv2::portValue(info, valueOf(info, indices[p], load, sending, b));
        }

    auto inL = noise(1, static_cast<std::size_t>(blockSize));
    auto inR = noise(2, static_cast<std::size_t>(blockSize));
    std::vector<float> outL(inL.size()), outR(inL.size());
    driver.prepare(inL.data(), inR.data(), outL.data(), outR.data(),
                   TestHost::Transport{kTempo, true, true});

    const std::size_t count = ports.size();
    std::size_t block = 0;
    auto send = [&]
    {
        const float* values = ring.data() + (block++ % kRing) * count;
        for (std::size_t p = 0; p < count; ++p)
            *ports[p] = values[p];
    };
    for (std::size_t done = 0; done < kWarmUpSamples; done += static_cast<std::size_t>(blockSize))
    {
        send();
        driver.run(blockSize);
    }
    const double start = threadSeconds();
    for (auto _ : state)
    {
        send();
        driver.run(blockSize);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    setCounters(state, blockSize, threadSeconds() - start);
}

} // namespace

int main(int argc, char** argv)
{
    for (Format format : {Format::Vst3, Format::Lv2})
        for (Load load : {Load::AllStepsOnResonant, Load::AllStepsOn, Load::AllStepsOff})
            for (Sending sending : {Sending::None, Sending::EightUnchanged, Sending::EightChanging,
                                    Sending::AllChanging})
                for (int blockSize : {16, 32, 64, 256})
                {
                    const std::string title = std::string(name(format)) + "/" + name(load) + "/" +
                                              name(sending) + "/" + std::to_string(blockSize);
                    if (format == Format::Vst3)
                        benchmark::RegisterBenchmark(title.c_str(), throughVst3, load, sending,
                                                     blockSize);
                    else
                        benchmark::RegisterBenchmark(title.c_str(), throughLv2, load, sending,
                                                     blockSize);
                }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
