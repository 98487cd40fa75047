// SPDX-License-Identifier: GPL-3.0-or-later
#include "public.sdk/source/vst/vstaudioeffect.h"

namespace Steinberg::Vst
{

AudioBus* AudioEffect::addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                     int32 flags)
{
    auto* bus = new AudioBus(name, busType, flags, arr);
    audioInputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

AudioBus* AudioEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                      int32 flags)
{
    auto* bus = new AudioBus(name, busType, flags, arr);
    audioOutputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

static AudioBus* audioBusAt(BusList& list, int32 index)
{
    if (index < 0 || index >= static_cast<int32>(list.size()))
        return nullptr;
    return FCast<AudioBus>(list.at(static_cast<size_t>(index)).get());
}

AudioBus* AudioEffect::getAudioInput(int32 index)
{
    return audioBusAt(audioInputs, index);
}
AudioBus* AudioEffect::getAudioOutput(int32 index)
{
    return audioBusAt(audioOutputs, index);
}

tresult PLUGIN_API AudioEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;
    if (numIns > static_cast<int32>(audioInputs.size()) ||
        numOuts > static_cast<int32>(audioOutputs.size()))
        return kResultFalse;
    if ((numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
        return kInvalidArgument;

    for (int32 i = 0; i < static_cast<int32>(audioInputs.size()); ++i)
    {
        if (AudioBus* bus = getAudioInput(i))
            bus->setArrangement(i < numIns ? inputs[i] : 0);
    }
    for (int32 i = 0; i < static_cast<int32>(audioOutputs.size()); ++i)
    {
        if (AudioBus* bus = getAudioOutput(i))
            bus->setArrangement(i < numOuts ? outputs[i] : 0);
    }
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::getBusArrangement(BusDirection dir, int32 index,
                                                  SpeakerArrangement& arr)
{
    AudioBus* bus = dir == kInput ? getAudioInput(index) : getAudioOutput(index);
    if (bus == nullptr)
        return kInvalidArgument;
    arr = bus->getArrangement();
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API AudioEffect::setupProcessing(ProcessSetup& setup)
{
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
        return kResultFalse;
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API AudioEffect::setProcessing(TBool /*state*/)
{
    return kNotImplemented;
}

} // namespace Steinberg::Vst
