// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/RyvelController.h"

#include "core/ParameterLaws.h"
#include "formats/vst3/HostBoundary.h"
#include "formats/vst3/StateStream.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace Ryvel
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

// `text` is `word` (lower-case ASCII) in any letter case.
bool isWord(const TChar* text, const char* word)
{
    for (; *word != 0; ++text, ++word)
        if (*text > 0x7F || std::tolower(static_cast<int>(*text)) != *word)
            return false;
    return *text == 0;
}

// Typed text is read on every system as the SDK reads it on Linux: sscanf's "%lf" (stepped
// parameters "%lld") on the text. The SDK's Windows reading (swscanf compared with EOF) takes a
// text without any number for an uninitialised value.
class TypedParameter : public RangeParameter
{
public:
    using RangeParameter::RangeParameter;

    bool fromString(const TChar* string, ParamValue& valueNormalized) const override
    {
        if (string == nullptr)
            return false;
        // No number has a character beyond ASCII; the scan stops at the first one either way.
        std::string text;
        for (const TChar* c = string; *c != 0 && *c <= 0x7F; ++c)
            text += static_cast<char>(*c);
        if (info.stepCount > 1)
        {
            long long plain = 0;
            if (std::sscanf(text.c_str(), "%lld", &plain) != 1)
                return false;
            valueNormalized = toNormalized(static_cast<ParamValue>(plain));
            return true;
        }
        double plain = 0.0;
        if (std::sscanf(text.c_str(), "%lf", &plain) != 1)
            return false;
        if (plain < getMin())
            plain = getMin();
        else if (plain > getMax())
            plain = getMax();
        valueNormalized = toNormalized(plain);
        return true;
    }
};

// An on/off parameter also reads back the texts it shows: hosts that offer typed entry, and the
// validators' round trip, hand "On" and "Off" back, which the base would read as no number.
class SwitchParameter : public TypedParameter
{
public:
    using TypedParameter::TypedParameter;

    // The SDK's own text says "On" only above 0.5, but exactly 0.5 plays the step (and bypasses):
    // the text follows the processor's threshold.
    void toString(ParamValue valueNormalized, String128 string) const override
    {
        UString(string, 128).assign(Laws::switchOn(valueNormalized) ? STR16("On") : STR16("Off"));
    }

    bool fromString(const TChar* string, ParamValue& valueNormalized) const override
    {
        if (string != nullptr && (isWord(string, "on") || isWord(string, "off")))
        {
            valueNormalized = isWord(string, "on") ? 1.0 : 0.0;
            return true;
        }
        return TypedParameter::fromString(string, valueNormalized);
    }
};

} // namespace

RyvelController::~RyvelController() = default;

FUnknown* RyvelController::createInstance(void* /*context*/)
{
    auto* controller = new (std::nothrow) RyvelController();
    return static_cast<IEditController*>(controller);
}

tresult PLUGIN_API RyvelController::initialize(FUnknown* context)
{
    const tresult result = EditControllerEx1::initialize(context);
    if (result != kResultOk)
        return result;

    try
    {
        for (const ParamInfo& info : kParams)
        {
            const UString128 title(info.title().data());
            // Continuous parameters carry an empty units string, switches none at all.
            const TChar* units = info.isSwitch() ? nullptr : STR16("");
            auto* parameter =
                info.isSwitch()
                    ? new SwitchParameter(title, info.id, units, 0.0, 1.0, info.defaultValue,
                                          info.stepCount, ParameterInfo::kCanAutomate, kRootUnitId)
                    : new TypedParameter(title, info.id, units, 0.0, 1.0, info.defaultValue,
                                         info.stepCount, ParameterInfo::kCanAutomate, kRootUnitId);
            if (info.isBypass())
                parameter->getInfo().flags |= ParameterInfo::kIsBypass;
            parameters.addParameter(parameter);
        }
        // Hosts list parameters under their units, and the root unit is always listed.
        addUnit(new Unit(STR16("Root"), kRootUnitId, kNoParentUnitId));
    }
    catch (const std::bad_alloc&)
    {
        return kOutOfMemory;
    }
    return kResultOk;
}

tresult PLUGIN_API RyvelController::setComponentState(IBStream* state)
{
    if (state == nullptr)
        return kResultFalse;
    StateFormat::Bytes bytes{};
    const std::size_t size = StateStream::read(*state, bytes);
    for (const auto& [id, value] :
         StateFormat::read(std::span<const std::uint8_t>(bytes.data(), size)))
        setParamNormalized(id, value);
    return kResultOk;
}

namespace
{
RyvelController::ViewFactory viewFactory = nullptr;
}

void RyvelController::setViewFactory(ViewFactory factory)
{
    viewFactory = factory;
}

IPlugView* PLUGIN_API RyvelController::createView(FIDString name)
{
    if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0 || viewFactory == nullptr)
        return nullptr;
    return guardHostCall("createView", static_cast<IPlugView*>(nullptr),
                         [this] { return viewFactory(*this); });
}

tresult PLUGIN_API RyvelController::setKnobMode(KnobMode mode)
{
    HostKnobMode chosen = HostKnobMode::NotSet;
    switch (mode)
    {
    case kCircularMode:
        chosen = HostKnobMode::Circular;
        break;
    case kRelativCircularMode:
        chosen = HostKnobMode::RelativeCircular;
        break;
    case kLinearMode:
        chosen = HostKnobMode::Linear;
        break;
    default:
        return kResultFalse;
    }
    knobMode = chosen;
    if (editor != nullptr)
        editor->knobModeChanged(chosen);
    return kResultOk;
}

tresult PLUGIN_API RyvelController::setParamNormalized(ParamID tag, ParamValue value)
{
    // A non-finite value would poison the parameter and, through the editor, its drawing.
    if (!std::isfinite(value))
        return kResultFalse;
    // The forward runs the editor's code, and with it the GUI toolkit's.
    return guardHostCall("setParamNormalized",
                         [&]
                         {
                             const tresult result =
                                 EditControllerEx1::setParamNormalized(tag, value);
                             if (result == kResultOk && editor != nullptr)
                                 editor->updateControlFromParam(tag, getParamNormalized(tag));
                             return result;
                         });
}

tresult PLUGIN_API RyvelController::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= getParameterCount())
        return kInvalidArgument;
    return EditControllerEx1::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API RyvelController::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                          String128 string)
{
    if (string == nullptr)
        return kInvalidArgument;
    return EditControllerEx1::getParamStringByValue(tag, valueNormalized, string);
}

tresult PLUGIN_API RyvelController::getParamValueByString(ParamID tag, TChar* string,
                                                          ParamValue& valueNormalized)
{
    if (string == nullptr)
        return kInvalidArgument;
    return EditControllerEx1::getParamValueByString(tag, string, valueNormalized);
}

bool RyvelController::hasUnit(UnitID unitId) const
{
    return std::any_of(units.begin(), units.end(),
                       [unitId](const IPtr<Unit>& unit) { return unit->getID() == unitId; });
}

bool RyvelController::hasProgram(ProgramListID listId, int32 programIndex) const
{
    const ProgramList* list = getProgramList(listId);
    return list != nullptr && programIndex >= 0 && programIndex < list->getCount();
}

tresult PLUGIN_API RyvelController::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex < 0 || unitIndex >= getUnitCount())
        return kInvalidArgument;
    return EditControllerEx1::getUnitInfo(unitIndex, info);
}

tresult PLUGIN_API RyvelController::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
    if (listIndex < 0 || listIndex >= getProgramListCount())
        return kInvalidArgument;
    return EditControllerEx1::getProgramListInfo(listIndex, info);
}

tresult PLUGIN_API RyvelController::getProgramName(ProgramListID listId, int32 programIndex,
                                                   String128 name)
{
    if (name == nullptr || !hasProgram(listId, programIndex))
        return kInvalidArgument;
    return EditControllerEx1::getProgramName(listId, programIndex, name);
}

tresult PLUGIN_API RyvelController::getProgramInfo(ProgramListID listId, int32 programIndex,
                                                   Vst::CString attributeId,
                                                   String128 attributeValue)
{
    if (attributeId == nullptr || attributeValue == nullptr || !hasProgram(listId, programIndex))
        return kInvalidArgument;
    return EditControllerEx1::getProgramInfo(listId, programIndex, attributeId, attributeValue);
}

tresult PLUGIN_API RyvelController::getProgramPitchName(ProgramListID listId, int32 programIndex,
                                                        int16 midiPitch, String128 name)
{
    if (name == nullptr || !hasProgram(listId, programIndex))
        return kInvalidArgument;
    return EditControllerEx1::getProgramPitchName(listId, programIndex, midiPitch, name);
}

tresult PLUGIN_API RyvelController::selectUnit(UnitID unitId)
{
    if (!hasUnit(unitId))
        return kInvalidArgument;
    return EditControllerEx1::selectUnit(unitId);
}

tresult PLUGIN_API RyvelController::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex,
                                                 int32 channel, UnitID& unitId)
{
    if ((type != kAudio && type != kEvent) || (dir != kInput && dir != kOutput) || busIndex < 0)
        return kInvalidArgument;
    return EditControllerEx1::getUnitByBus(type, dir, busIndex, channel, unitId);
}

tresult PLUGIN_API RyvelController::setUnitProgramData(int32 listOrUnitId, int32 programIndex,
                                                       IBStream* data)
{
    // A program index names a program of a list; a negative one means the ID names a unit.
    const bool known =
        programIndex >= 0 ? hasProgram(listOrUnitId, programIndex) : hasUnit(listOrUnitId);
    if (data == nullptr || !known)
        return kInvalidArgument;
    return EditControllerEx1::setUnitProgramData(listOrUnitId, programIndex, data);
}

// The base reads a text message's attribute list without checking that the message has one.
tresult PLUGIN_API RyvelController::notify(IMessage* message)
{
    if (message != nullptr && FIDStringsEqual(message->getMessageID(), "TextMessage") &&
        message->getAttributes() == nullptr)
        return kInvalidArgument;
    return EditControllerEx1::notify(message);
}

} // namespace Ryvel
