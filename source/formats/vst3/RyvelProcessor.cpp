// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/RyvelProcessor.h"

#include "formats/vst3/ClassIds.h"
#include "formats/vst3/RyvelShared.h"
#include "formats/vst3/StateStream.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstring>
#include <new>
#include <span>

namespace Ryvel
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

bool isStereo(SpeakerArrangement arrangement)
{
    return arrangement == SpeakerArr::kStereo;
}

// The channel pair of bus 0, or nulls when the host's buffers are not what the signal path
// relies on (one bus, two channels, 32-bit samples, non-null pointers).
struct StereoPair
{
    float* left = nullptr;
    float* right = nullptr;
    bool valid() const { return left != nullptr && right != nullptr; }
};

StereoPair stereoPairOf(const AudioBusBuffers* buses, int32 numBuses)
{
    if (buses == nullptr || numBuses < 1 || buses[0].numChannels < 2 ||
        buses[0].channelBuffers32 == nullptr)
        return {};
    return {buses[0].channelBuffers32[0], buses[0].channelBuffers32[1]};
}

// A block the signal path cannot run still leaves the host's output defined.
void writeSilence(const ProcessData& data)
{
    if (data.symbolicSampleSize != kSample32 || data.outputs == nullptr || data.numOutputs < 1 ||
        data.outputs[0].channelBuffers32 == nullptr || data.numSamples < 1)
        return;
    for (int32 c = 0; c < data.outputs[0].numChannels; ++c)
        if (float* channel = data.outputs[0].channelBuffers32[c])
            std::memset(channel, 0, sizeof(float) * static_cast<size_t>(data.numSamples));
}

} // namespace

RyvelProcessor::RyvelProcessor()
{
    setControllerClass(Product::toFuid(Product::kControllerId));
    core.setPlayheadSink(&RyvelShared::playheadStep);
}

RyvelProcessor::~RyvelProcessor() = default;

FUnknown* RyvelProcessor::createInstance(void* /*context*/)
{
    auto* processor = new (std::nothrow) RyvelProcessor();
    return static_cast<IAudioProcessor*>(processor);
}

tresult PLUGIN_API RyvelProcessor::initialize(FUnknown* context)
{
    const tresult result = AudioEffect::initialize(context);
    if (result != kResultOk)
        return result;
    try
    {
        addAudioInput(STR16("Stereo In"), SpeakerArr::kStereo);
        addAudioOutput(STR16("Stereo Out"), SpeakerArr::kStereo);
    }
    catch (const std::bad_alloc&)
    {
        return kOutOfMemory;
    }
    return kResultOk;
}

tresult PLUGIN_API RyvelProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                      SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns != 1 || numOuts != 1 || inputs == nullptr || outputs == nullptr ||
        !isStereo(inputs[0]) || !isStereo(outputs[0]))
        return kResultFalse;
    return AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API RyvelProcessor::setupProcessing(ProcessSetup& setup)
{
    switch (core.setup(setup.sampleRate))
    {
    case ProcessorCore::SetupResult::Refused:
        return kResultFalse;
    case ProcessorCore::SetupResult::OutOfMemory:
        return kOutOfMemory;
    case ProcessorCore::SetupResult::Ok:
        break;
    }
    return AudioEffect::setupProcessing(setup);
}

tresult PLUGIN_API RyvelProcessor::setActive(TBool state)
{
    if (!state)
        core.deactivate();
    return AudioEffect::setActive(state);
}

// Hosts that stop processing on silent input must not cut off echoes still in the delay lines.
uint32 PLUGIN_API RyvelProcessor::getTailSamples()
{
    return core.tailSamples();
}

// Last point of each queue wins, from the block's first sample.
void RyvelProcessor::flushParamChanges(IParameterChanges* changes) noexcept
{
    if (changes == nullptr)
        return;
    const int32 numQueues = changes->getParameterCount();
    for (int32 q = 0; q < numQueues; ++q)
    {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr)
            continue;
        const int32 numPoints = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        if (numPoints < 1 || queue->getPoint(numPoints - 1, offset, value) != kResultOk)
            continue;
        core.setParameter(queue->getParameterId(), value);
    }
    core.applyParameterChanges();
}

tresult PLUGIN_API RyvelProcessor::process(ProcessData& data)
{
    flushParamChanges(data.inputParameterChanges);
    const ProcessContext* context = data.processContext;
    if (context != nullptr && (context->state & ProcessContext::kTempoValid) != 0)
        core.setTempo(context->tempo);

    const StereoPair in = stereoPairOf(data.inputs, data.numInputs);
    const StereoPair out = stereoPairOf(data.outputs, data.numOutputs);
    if (data.outputs == nullptr || data.inputs == nullptr || data.numSamples < 1)
        return kResultOk;
    if (data.symbolicSampleSize != kSample32 || !in.valid() || !out.valid())
    {
        writeSilence(data);
        return kResultOk;
    }

    const bool playing = context != nullptr && (context->state & ProcessContext::kPlaying) != 0;
    core.process(in.left, in.right, out.left, out.right, data.numSamples, playing);
    return kResultOk;
}

tresult PLUGIN_API RyvelProcessor::setState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    StateFormat::Bytes bytes{};
    const std::size_t size = StateStream::read(*state, bytes);
    core.loadState(std::span<const std::uint8_t>(bytes.data(), size));
    return kResultOk;
}

tresult PLUGIN_API RyvelProcessor::getState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    return StateStream::write(*state, core.saveState()) ? kResultOk : kResultFalse;
}

} // namespace Ryvel
