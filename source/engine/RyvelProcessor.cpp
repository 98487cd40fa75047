// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RyvelProcessor.h"

#include "engine/ParameterLaws.h"
#include "engine/RyvelShared.h"
#include "engine/StateFormat.h"
#include "shell/ClassIds.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace Ryvel
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

// Beyond this no host runs; a larger value is a corrupt setup, not a sample rate.
constexpr double kMaxSampleRate = 768000.0;
// Below this no host runs either, and the coefficients take the rate in single precision, where
// a tiny positive rate becomes 0 and the filters divide by it.
constexpr double kMinSampleRate = 1.0;

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

void copyChannel(const float* in, float* out, int32 numSamples)
{
    if (in != out)
        std::memmove(out, in, sizeof(float) * static_cast<size_t>(numSamples));
}

} // namespace

RyvelProcessor::RyvelProcessor()
{
    setControllerClass(Product::toFuid(Product::kControllerId));
    echo.updateAllCoeffs(params, sampleRate);
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
    const double rate = setup.sampleRate;
    if (!std::isfinite(rate) || rate < kMinSampleRate || rate > kMaxSampleRate)
        return kResultFalse;

    // Allocate before committing to the rate, so a failure leaves everything as it was.
    if (!echo.allocateDelayLines(rate))
        return kOutOfMemory;
    sampleRate = rate;
    resetDelayState();
    recomputeRate();
    echo.updateAllCoeffs(params, sampleRate);
    return AudioEffect::setupProcessing(setup);
}

tresult PLUGIN_API RyvelProcessor::setActive(TBool state)
{
    if (!state)
    {
        resetDelayState();
        RyvelShared::playheadStep.store(-1, std::memory_order_relaxed);
    }
    return AudioEffect::setActive(state);
}

// Hosts that stop processing on silent input must not cut off echoes still in the delay lines.
uint32 PLUGIN_API RyvelProcessor::getTailSamples()
{
    return static_cast<uint32>(StepEcho::delayLengthFor(sampleRate));
}

void RyvelProcessor::resetDelayState() noexcept
{
    echo.resetDelayState();
    stepCounter = 0;
    lastStep = -1;
    wasPlaying = false;
}

void RyvelProcessor::recomputeRate() noexcept
{
    // Longest allowed step: half a second.
    std::int64_t longest = static_cast<std::int64_t>(sampleRate * 4.0) / 8;
    if (longest < 2)
        longest = 1;
    // A sixteenth note at the tempo, which is limited to 20 BPM in single precision first.
    const double bpm = static_cast<double>(std::max(20.0f, tempoBpm));
    std::int64_t sixteenth = static_cast<std::int64_t>(60.0 / bpm * 0.25 * sampleRate);
    if (sixteenth < 2)
        sixteenth = 1;
    stepSamples = static_cast<std::int32_t>(std::min(longest, sixteenth));
}

void RyvelProcessor::storeParam(const ParamInfo& info, double value) noexcept
{
    const auto v = static_cast<std::size_t>(info.voice);
    const auto x = static_cast<float>(value);
    switch (info.kind)
    {
    case ParamKind::Step:
        params.steps[info.id] = Laws::switchOn(value);
        break;
    case ParamKind::Gain:
        params.gain[v] = x;
        break;
    case ParamKind::Pan:
        params.pan[v] = x;
        break;
    case ParamKind::Drive:
        params.drive[v] = x;
        break;
    case ParamKind::Filter:
        params.filter[v] = x;
        break;
    case ParamKind::Reso:
        params.reso[v] = x;
        break;
    case ParamKind::Mix:
        params.mix = x;
        break;
    case ParamKind::HighPass:
        params.highpass = x;
        break;
    case ParamKind::Bypass:
        bypass = Laws::switchOn(value);
        break;
    }
}

double RyvelProcessor::paramValue(const ParamInfo& info) const noexcept
{
    const auto v = static_cast<std::size_t>(info.voice);
    switch (info.kind)
    {
    case ParamKind::Step:
        return params.steps[info.id] ? 1.0 : 0.0;
    case ParamKind::Gain:
        return params.gain[v];
    case ParamKind::Pan:
        return params.pan[v];
    case ParamKind::Drive:
        return params.drive[v];
    case ParamKind::Filter:
        return params.filter[v];
    case ParamKind::Reso:
        return params.reso[v];
    case ParamKind::Mix:
        return params.mix;
    case ParamKind::HighPass:
        return params.highpass;
    case ParamKind::Bypass:
        return bypass ? 1.0 : 0.0;
    }
    return 0.0;
}

// Last point of each queue wins, from the block's first sample; no smoothing. Coefficients are
// recomputed after all queues are read, once per voice whose filter or resonance moved (both
// moving still costs one update) and once for the high-pass.
void RyvelProcessor::flushParamChanges(IParameterChanges* changes) noexcept
{
    if (changes == nullptr)
        return;
    bool voiceMoved[kNumVoices] = {};
    bool highpassMoved = false;
    const int32 numQueues = changes->getParameterCount();
    for (int32 q = 0; q < numQueues; ++q)
    {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr)
            continue;
        const ParamId id = queue->getParameterId();
        const ParamInfo* info = findParam(id);
        const int32 numPoints = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        if (info == nullptr || numPoints < 1 ||
            queue->getPoint(numPoints - 1, offset, value) != kResultOk)
            continue;
        storeParam(*info, sanitizeNormalized(id, value));
        if (info->kind == ParamKind::Filter || info->kind == ParamKind::Reso)
            voiceMoved[info->voice] = true;
        else if (info->kind == ParamKind::HighPass)
            highpassMoved = true;
    }
    for (int v = 0; v < kNumVoices; ++v)
        if (voiceMoved[v])
            echo.updateFilterCoeffs(v, params, sampleRate);
    if (highpassMoved)
        echo.updateHighpassCoeff(params, sampleRate);
}

void RyvelProcessor::takeTempo(const ProcessContext* context) noexcept
{
    if (context == nullptr || (context->state & ProcessContext::kTempoValid) == 0)
        return;
    const auto tempo = static_cast<float>(context->tempo);
    if (!std::isfinite(tempo))
        return;
    if (std::fabs(tempo - tempoBpm) > 0.01f)
    {
        tempoBpm = tempo;
        recomputeRate();
    }
}

// Equivalent to advancing the counter after every sample: (c + 1) mod L applied n times is
// (c + n) mod L, and only the step of the block's last sample can be observed by the editor.
void RyvelProcessor::advanceStepClock(std::int32_t numSamples) noexcept
{
    const auto cycle = static_cast<std::uint64_t>(stepSamples) * 8u;
    stepCounter = (stepCounter + static_cast<std::uint64_t>(numSamples)) % cycle;
    const auto step =
        static_cast<std::int32_t>(stepCounter / static_cast<std::uint64_t>(stepSamples));
    if (step != lastStep)
    {
        lastStep = step;
        RyvelShared::playheadStep.store(step, std::memory_order_relaxed);
    }
}

tresult PLUGIN_API RyvelProcessor::process(ProcessData& data)
{
    flushParamChanges(data.inputParameterChanges);
    takeTempo(data.processContext);

    const StereoPair in = stereoPairOf(data.inputs, data.numInputs);
    const StereoPair out = stereoPairOf(data.outputs, data.numOutputs);
    if (data.outputs == nullptr || data.inputs == nullptr || data.numSamples < 1)
        return kResultOk;
    if (data.symbolicSampleSize != kSample32 || !in.valid() || !out.valid())
    {
        writeSilence(data);
        return kResultOk;
    }

    const bool playing = data.processContext != nullptr &&
                         (data.processContext->state & ProcessContext::kPlaying) != 0;
    if (playing && !wasPlaying)
    {
        stepCounter = 0;
        lastStep = -1;
    }
    else if (!playing && wasPlaying)
    {
        lastStep = -1;
        RyvelShared::playheadStep.store(-1, std::memory_order_relaxed);
    }
    wasPlaying = playing;

    const int32 n = data.numSamples;
    // Before any successful setup there are no delay lines: pass the input through.
    if (bypass || !echo.hasDelayLines())
    {
        copyChannel(in.left, out.left, n);
        copyChannel(in.right, out.right, n);
        return kResultOk;
    }

    echo.process(params, stepSamples, in.left, in.right, out.left, out.right, n);
    if (playing)
        advanceStepClock(n);
    return kResultOk;
}

tresult PLUGIN_API RyvelProcessor::setState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    for (const auto& [id, value] : StateFormat::read(*state))
        storeParam(*findParam(id), value);
    echo.updateAllCoeffs(params, sampleRate);
    return kResultOk;
}

tresult PLUGIN_API RyvelProcessor::getState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    const bool written =
        StateFormat::write(*state, [this](ParamId id) { return paramValue(*findParam(id)); });
    return written ? kResultOk : kResultFalse;
}

} // namespace Ryvel
