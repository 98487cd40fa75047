// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's answers to host queries about its buses and connection. Every index, bus kind
// and pointer a host passes is checked here before the SDK base sees it: hosts and validators
// probe with out-of-range values, and a wrong "yes" is as bad as a crash.

#include "formats/vst3/RyvelProcessor.h"

#include "pluginterfaces/vst/ivstmessage.h"

namespace Ryvel
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

bool isBusDirection(BusDirection dir)
{
    return dir == kInput || dir == kOutput;
}

} // namespace

int32 PLUGIN_API RyvelProcessor::getBusCount(MediaType type, BusDirection dir)
{
    return isBusDirection(dir) ? AudioEffect::getBusCount(type, dir) : 0;
}

tresult PLUGIN_API RyvelProcessor::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                              BusInfo& bus)
{
    if (!isBusDirection(dir))
        return kInvalidArgument;
    return AudioEffect::getBusInfo(type, dir, index, bus);
}

tresult PLUGIN_API RyvelProcessor::activateBus(MediaType type, BusDirection dir, int32 index,
                                               TBool state)
{
    if (!isBusDirection(dir))
        return kInvalidArgument;
    return AudioEffect::activateBus(type, dir, index, state);
}

tresult PLUGIN_API RyvelProcessor::getBusArrangement(BusDirection dir, int32 index,
                                                     SpeakerArrangement& arr)
{
    if (!isBusDirection(dir))
        return kInvalidArgument;
    return AudioEffect::getBusArrangement(dir, index, arr);
}

tresult PLUGIN_API RyvelProcessor::getControllerClassId(TUID classId)
{
    if (classId == nullptr)
        return kInvalidArgument;
    return AudioEffect::getControllerClassId(classId);
}

tresult PLUGIN_API RyvelProcessor::notify(IMessage* message)
{
    if (message != nullptr && FIDStringsEqual(message->getMessageID(), "TextMessage") &&
        message->getAttributes() == nullptr)
        return kInvalidArgument;
    return AudioEffect::notify(message);
}

} // namespace Ryvel
