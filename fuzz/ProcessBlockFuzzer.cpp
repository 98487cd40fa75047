// SPDX-License-Identifier: GPL-3.0-or-later
// Bytes decoded into what a host may do to a processor, in any order: set-ups at odd or
// impossible rates (also while active), activation and processing toggles, blocks of 1 to 8192
// samples with or without a process context, hostile tempos, parameter queues holding any value
// at any offset for any ID, bypass, and states that are garbage or round trips. With input
// within +-1 the output must stay finite and below 8 (bypass and mix included) whatever came
// before.

#include "TestHost.h"
#include "core/ParameterCatalogue.h"
#include "formats/vst3/RyvelProcessor.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Ryvel::TestHost::MemoryStream;
using Ryvel::TestHost::ParamChanges;
using Ryvel::TestHost::Ref;

namespace
{

constexpr int kMaxBlock = 8192;
// Keeps one input fast enough for the fuzzer to try many; long runs come from many inputs.
constexpr long kSampleBudget = 1 << 15;
constexpr float kBound = 8.0f;

class Bytes
{
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return position >= size; }
    template <typename T> T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), size - std::min(position, size));
        std::memcpy(&value, data + position, n);
        position += sizeof(T);
        return value;
    }
    std::vector<std::uint8_t> takeBlob(std::size_t n)
    {
        const std::size_t start = std::min(position, size);
        const std::size_t end = std::min(start + n, size);
        position = end;
        return {data + start, data + end};
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

double pick(Bytes& bytes, const double* table, std::size_t count)
{
    const auto choice = bytes.take<std::uint8_t>();
    if (choice < count)
        return table[choice];
    if (choice == 255)
        return bytes.take<double>(); // any bit pattern
    return table[choice % count];
}

double sampleRate(Bytes& bytes)
{
    static constexpr double rates[] = {8000.0,
                                       11025.0,
                                       22050.0,
                                       44100.0,
                                       48000.0,
                                       88200.0,
                                       96000.0,
                                       176400.0,
                                       192000.0,
                                       384000.0,
                                       1.0,
                                       3.5,
                                       7999.9,
                                       1e6,
                                       0.0,
                                       -48000.0,
                                       std::numeric_limits<double>::quiet_NaN(),
                                       std::numeric_limits<double>::infinity()};
    return pick(bytes, rates, std::size(rates));
}

double tempo(Bytes& bytes)
{
    static constexpr double tempos[] = {120.0,
                                        60.0,
                                        20.0,
                                        10.0,
                                        300.0,
                                        999.0,
                                        0.0,
                                        -120.0,
                                        120.005,
                                        1e9,
                                        std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        1e-300};
    return pick(bytes, tempos, std::size(tempos));
}

double paramValue(Bytes& bytes)
{
    static constexpr double values[] = {0.0,
                                        1.0,
                                        0.5,
                                        0.25,
                                        0.75,
                                        0.499999,
                                        1e-300,
                                        -1.0,
                                        2.0,
                                        1e300,
                                        std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        std::numeric_limits<double>::denorm_min()};
    return pick(bytes, values, std::size(values));
}

ParamID paramId(Bytes& bytes)
{
    const auto choice = bytes.take<std::uint8_t>();
    if (choice < 4 * Ryvel::kNumParams)
        return Ryvel::kParams[choice % Ryvel::kNumParams].id;
    return bytes.take<std::uint32_t>();
}

void fillInput(Bytes& bytes, std::vector<float>& left, std::vector<float>& right, int n)
{
    const auto kind = bytes.take<std::uint8_t>();
    std::uint32_t seed = bytes.take<std::uint8_t>() + 1u;
    for (int i = 0; i < n; ++i)
    {
        float l = 0.0f;
        switch (kind % 6)
        {
        case 1:
            l = i == 0 ? 1.0f : 0.0f;
            break;
        case 2:
            l = (i / 37) % 2 == 0 ? 1.0f : -1.0f;
            break;
        case 3:
            seed = seed * 1664525u + 1013904223u;
            l = static_cast<float>(static_cast<std::int32_t>(seed)) / 2147483648.0f;
            break;
        case 4:
            l = 1.0f;
            break;
        case 5:
            l = 1e-40f;
            break; // denormal input
        default:
            break;
        }
        left[static_cast<std::size_t>(i)] = l;
        right[static_cast<std::size_t>(i)] = kind % 12 < 6 ? l : -l;
    }
}

struct Host
{
    Host()
        : processor(new Ryvel::RyvelProcessor()), component(processor),
          audio(component.query<IAudioProcessor>())
    {
        component->initialize(nullptr);
        SpeakerArrangement in = SpeakerArr::kStereo, out = SpeakerArr::kStereo;
        audio->setBusArrangements(&in, 1, &out, 1);
        ProcessSetup setup{kRealtime, kSample32, kMaxBlock, rate};
        audio->setupProcessing(setup);
        component->setActive(true);
        audio->setProcessing(true);
    }
    ~Host()
    {
        audio->setProcessing(false);
        component->setActive(false);
        component->terminate();
    }

    void process(Bytes& bytes)
    {
        const int n = 1 + bytes.take<std::uint16_t>() % kMaxBlock;
        const auto flags = bytes.take<std::uint8_t>();
        fillInput(bytes, inL, inR, n);

        const auto queues = bytes.take<std::uint8_t>() % 8;
        for (int q = 0; q < queues; ++q)
        {
            const ParamID id = paramId(bytes);
            const int points = 1 + bytes.take<std::uint8_t>() % 3;
            for (int p = 0; p < points; ++p)
            {
                const auto offsetChoice = bytes.take<std::uint8_t>();
                const std::int32_t offset =
                    offsetChoice == 255 ? bytes.take<std::int32_t>() : offsetChoice % n;
                changes.add(id, paramValue(bytes), offset);
            }
        }

        ProcessContext context{};
        if (flags & 1)
        {
            context.sampleRate = rate;
            context.tempo = tempo(bytes);
            context.projectTimeSamples = projectTime;
            context.state = ((flags & 2) ? ProcessContext::kTempoValid : 0u) |
                            ((flags & 4) ? ProcessContext::kPlaying : 0u);
        }
        // In place, as many hosts do it, or into separate buffers.
        const bool inPlace = flags & 8;
        if (inPlace)
        {
            outL = inL;
            outR = inR;
        }
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {inPlace ? inL.data() : outL.data(),
                             inPlace ? inR.data() : outR.data()};
        AudioBusBuffers inBus{}, outBus{};
        inBus.numChannels = outBus.numChannels = 2;
        inBus.channelBuffers32 = inputs;
        outBus.channelBuffers32 = outputs;

        ProcessData data{};
        data.processMode = (flags & 16) ? kOffline : kRealtime;
        data.symbolicSampleSize = kSample32;
        data.numSamples = n;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        data.inputParameterChanges = &changes;
        data.processContext = (flags & 1) ? &context : nullptr;
        audio->process(data);
        changes.clear();
        projectTime += n;
        budget -= n;

        for (int i = 0; i < n; ++i)
        {
            const float l = outputs[0][i], r = outputs[1][i];
            if (!std::isfinite(l) || !std::isfinite(r) || std::fabs(l) > kBound ||
                std::fabs(r) > kBound)
            {
                std::fprintf(stderr, "output %g %g at %d of a block of %d at %g Hz\n",
                             static_cast<double>(l), static_cast<double>(r), i, n, rate);
                std::abort();
            }
        }
    }

    void setup(Bytes& bytes)
    {
        const auto flags = bytes.take<std::uint8_t>();
        if (flags & 1)
            component->setActive(false);
        const double wanted = sampleRate(bytes);
        ProcessSetup setup{(flags & 2) ? kOffline : kRealtime, kSample32,
                           1 + bytes.take<std::uint16_t>() % kMaxBlock, wanted};
        if (audio->setupProcessing(setup) == kResultOk)
            rate = wanted;
        if (flags & 1)
            component->setActive(true);
    }

    void setState(Bytes& bytes)
    {
        MemoryStream stream(bytes.takeBlob(bytes.take<std::uint8_t>()));
        component->setState(&stream);
    }

    void roundTripState()
    {
        MemoryStream stream;
        component->getState(&stream);
        stream.position = 0;
        component->setState(&stream);
    }

    Ryvel::RyvelProcessor* processor; // owned through `component`
    Ref<IComponent> component;
    Ref<IAudioProcessor> audio;
    ParamChanges changes;
    double rate = 22050.0;
    std::int64_t projectTime = 0;
    long budget = kSampleBudget;
    std::vector<float> inL = std::vector<float>(kMaxBlock), inR = std::vector<float>(kMaxBlock);
    std::vector<float> outL = std::vector<float>(kMaxBlock), outR = std::vector<float>(kMaxBlock);
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bytes bytes(data, size);
    Host host;
    while (!bytes.empty() && host.budget > 0)
    {
        switch (bytes.take<std::uint8_t>() % 10)
        {
        case 0:
            host.setup(bytes);
            break;
        case 1:
            host.component->setActive(bytes.take<std::uint8_t>() & 1);
            break;
        case 2:
            host.audio->setProcessing(bytes.take<std::uint8_t>() & 1);
            break;
        case 3:
            host.changes.add(Ryvel::kBypassId, bytes.take<std::uint8_t>() & 1 ? 1.0 : 0.0);
            break;
        case 4:
            // Automation on every parameter at once, as a host replaying a dense lane.
            for (const Ryvel::ParamInfo& info : Ryvel::kParams)
                host.changes.add(info.id, paramValue(bytes));
            break;
        case 5:
            host.setState(bytes);
            break;
        case 6:
            host.roundTripState();
            break;
        default:
            host.process(bytes);
            break;
        }
    }
    return 0;
}
