// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/RyvelController.h"

#include "engine/StateFormat.h"

#include "pluginterfaces/base/ustring.h"

#include <cmath>
#include <cstring>
#include <new>

namespace Ryvel
{

using namespace Steinberg;
using namespace Steinberg::Vst;

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
                new RangeParameter(title, info.id, units, 0.0, 1.0, info.defaultValue,
                                   info.stepCount, ParameterInfo::kCanAutomate, kRootUnitId);
            if (info.isBypass())
                parameter->getInfo().flags |= ParameterInfo::kIsBypass;
            parameters.addParameter(parameter);
        }
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
    for (const auto& [id, value] : StateFormat::read(*state))
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
    try
    {
        return viewFactory(*this);
    }
    catch (...)
    {
        return nullptr;
    }
}

tresult PLUGIN_API RyvelController::setParamNormalized(ParamID tag, ParamValue value)
{
    // A non-finite value would poison the parameter and, through the editor, its drawing.
    if (!std::isfinite(value))
        return kResultFalse;
    const tresult result = EditControllerEx1::setParamNormalized(tag, value);
    if (result == kResultOk && editor != nullptr)
        editor->updateControlFromParam(tag, getParamNormalized(tag));
    return result;
}

} // namespace Ryvel
