// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include "formats/vst3/ClassIds.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Ryvel::TestHost
{

std::string builtBundle()
{
    if (const char* fromEnv = std::getenv("RYVEL_BUNDLE"))
        return fromEnv;
#ifdef RYVEL_TEST_BUNDLE
    return RYVEL_TEST_BUNDLE;
#else
    return "Ryvel.vst3";
#endif
}

Ref<IPluginFactory> PluginModule::factory() const
{
    auto proc = reinterpret_cast<GetFactoryProc>(symbol("GetPluginFactory"));
    return Ref<IPluginFactory>(proc != nullptr ? proc() : nullptr);
}

int32 PLUGIN_API ParamQueue::getPointCount()
{
    return static_cast<int32>(points.size());
}

tresult PLUGIN_API ParamQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount())
        return kResultFalse;
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult PLUGIN_API ParamQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    points.emplace_back(sampleOffset, value);
    index = getPointCount() - 1;
    return kResultOk;
}

void ParamChanges::add(ParamID id, double value, int32 offset)
{
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    queue->addPoint(offset, value, index);
}

int32 PLUGIN_API ParamChanges::getParameterCount()
{
    return static_cast<int32>(queues.size());
}

IParamValueQueue* PLUGIN_API ParamChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= getParameterCount())
        return nullptr;
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParamChanges::addParameterData(const ParamID& id, int32& index)
{
    for (size_t i = 0; i < queues.size(); ++i)
        if (queues[i].getParameterId() == id)
        {
            index = static_cast<int32>(i);
            return &queues[i];
        }
    queues.emplace_back(id);
    index = getParameterCount() - 1;
    return &queues.back();
}

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    const size_t available = position < data.size() ? data.size() - position : 0;
    const size_t n = std::min(available, static_cast<size_t>(std::max(numBytes, 0)));
    if (n > 0)
        std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (numBytesRead != nullptr)
        *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    const size_t room = position < writeLimit ? writeLimit - position : 0;
    const size_t n = std::min(room, static_cast<size_t>(std::max(numBytes, 0)));
    if (data.size() < position + n)
        data.resize(position + n);
    if (n > 0)
        std::memcpy(data.data() + position, buffer, n);
    position += n;
    if (numBytesWritten != nullptr)
        *numBytesWritten = static_cast<int32>(n);
    return n == static_cast<size_t>(numBytes) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    int64 base = 0;
    if (mode == kIBSeekCur)
        base = static_cast<int64>(position);
    else if (mode == kIBSeekEnd)
        base = static_cast<int64>(data.size());
    if (base + pos < 0)
        return kResultFalse;
    position = static_cast<size_t>(base + pos);
    if (result != nullptr)
        *result = static_cast<int64>(position);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos)
{
    if (pos == nullptr)
        return kInvalidArgument;
    *pos = static_cast<int64>(position);
    return kResultOk;
}

namespace
{
Ref<IComponent> createProcessor(IPluginFactory& factory)
{
    TUID cid;
    Product::toFuid(Product::kProcessorId).toTUID(cid);
    return createInstance<IComponent>(factory, cid);
}
} // namespace

ProcessorDriver::ProcessorDriver(IPluginFactory& factory, double rate, int maxBlock)
    : ProcessorDriver(createProcessor(factory), rate, maxBlock)
{
}

ProcessorDriver::ProcessorDriver(Ref<IComponent> component, double rate, int maxBlock)
    : sampleRate(rate), componentRef(std::move(component))
{
    if (!componentRef || componentRef->initialize(nullptr) != kResultOk)
        return;
    processorRef = componentRef.query<IAudioProcessor>();
    if (!processorRef)
        return;
    SpeakerArrangement stereo[1] = {SpeakerArr::kStereo};
    SpeakerArrangement stereoOut[1] = {SpeakerArr::kStereo};
    processorRef->setBusArrangements(stereo, 1, stereoOut, 1);
    ProcessSetup setup{kRealtime, kSample32, maxBlock, rate};
    setupResult = processorRef->setupProcessing(setup);
    componentRef->setActive(true);
    processorRef->setProcessing(true);
}

ProcessorDriver::~ProcessorDriver()
{
    if (processorRef)
        processorRef->setProcessing(false);
    if (componentRef)
    {
        componentRef->setActive(false);
        componentRef->terminate();
    }
}

void ProcessorDriver::process(const float* inL, const float* inR, float* outL, float* outR,
                              int numSamples, std::optional<Transport> transport)
{
    float* inputs[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* outputs[2] = {outL, outR};
    AudioBusBuffers inBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers32 = inputs;
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outputs;

    ProcessContext context = contextFor(transport);
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = numSamples;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = &changes;
    data.processContext = transport ? &context : nullptr;
    processResult = processorRef->process(data);
    changes.clear();
    if (transport && transport->playing)
        projectTime += numSamples;
}

tresult ProcessorDriver::flush(int numSamples, std::optional<Transport> transport)
{
    ProcessContext context = contextFor(transport);
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = numSamples;
    data.inputParameterChanges = &changes;
    data.processContext = transport ? &context : nullptr;
    processResult = processorRef->process(data);
    changes.clear();
    return processResult;
}

ProcessContext ProcessorDriver::contextFor(const std::optional<Transport>& transport) const
{
    ProcessContext context{};
    if (transport)
    {
        context.sampleRate = sampleRate;
        context.tempo = transport->tempo;
        context.projectTimeSamples = projectTime;
        const uint32 tempoFlag = ProcessContext::kTempoValid;
        const uint32 playingFlag = ProcessContext::kPlaying;
        context.state =
            (transport->tempoValid ? tempoFlag : 0u) | (transport->playing ? playingFlag : 0u);
    }
    return context;
}

void ProcessorDriver::processBuffer(const std::vector<float>& inL, const std::vector<float>& inR,
                                    std::vector<float>& outL, std::vector<float>& outR,
                                    int blockSize, std::optional<Transport> transport)
{
    const size_t total = std::min(inL.size(), inR.size());
    outL.resize(total);
    outR.resize(total);
    for (size_t start = 0; start < total; start += static_cast<size_t>(blockSize))
    {
        const int n = static_cast<int>(std::min(total - start, static_cast<size_t>(blockSize)));
        process(inL.data() + start, inR.data() + start, outL.data() + start, outR.data() + start, n,
                transport);
    }
}

std::vector<std::uint8_t> getState(IComponent& component)
{
    MemoryStream stream;
    component.getState(&stream);
    return stream.data;
}

namespace
{
std::string utf8(const Vst::TChar* text)
{
    std::string out;
    for (; *text != 0; ++text)
    {
        // Titles hold no surrogate pairs; each UTF-16 unit is one code point.
        const auto c = static_cast<std::uint32_t>(*text);
        if (c < 0x80)
            out.push_back(static_cast<char>(c));
        else if (c < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
} // namespace

Ref<IEditController> createController(IPluginFactory& factory, IComponent& component)
{
    TUID controllerId;
    if (component.getControllerClassId(controllerId) != kResultOk)
        return {};
    auto controller = createInstance<IEditController>(factory, controllerId);
    if (!controller || controller->initialize(nullptr) != kResultOk)
        return {};
    return controller;
}

std::vector<PublishedParameter> publishedParameters(IPluginFactory& factory, IComponent& component)
{
    std::vector<PublishedParameter> out;
    auto controller = createController(factory, component);
    if (!controller)
        return out;
    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk)
            out.push_back({info.id, utf8(info.title)});
    }
    controller->terminate();
    return out;
}

} // namespace Ryvel::TestHost
