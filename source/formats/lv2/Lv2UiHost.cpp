// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/lv2/Lv2UiHost.h"

#include "formats/lv2/Lv2Ports.h"

#include <algorithm>
#include <cmath>

namespace Ryvel::Lv2
{

Lv2UiHost::Lv2UiHost(LV2UI_Write_Function write, LV2UI_Controller controller,
                     const LV2UI_Touch* touch, const LV2UI_Resize* resize)
    : write(write), controller(controller), touchFeature(touch), resizeFeature(resize)
{
    // Hosts send every port's value after instantiating the UI; until then, the defaults.
    for (int i = 0; i < kNumParams; ++i)
        values[static_cast<std::size_t>(i)] = kParams[static_cast<std::size_t>(i)].defaultValue;
}

void Lv2UiHost::portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format,
                          const void* buffer)
{
    if (format != 0 || bufferSize != sizeof(float) || buffer == nullptr)
        return;
    const float portValue = *static_cast<const float*>(buffer);
    if (!std::isfinite(portValue))
        return;
    if (port == kPlayhead)
    {
        const long step = std::lround(portValue);
        playhead = step >= 0 && step < kNumSteps ? static_cast<std::int32_t>(step) : -1;
        return;
    }
    const int index = catalogueIndexOfPort(port);
    if (index < 0)
        return;
    const ParamInfo& info = kParams[static_cast<std::size_t>(index)];
    const double value = std::clamp(normalizedValue(info, portValue), 0.0, 1.0);
    values[static_cast<std::size_t>(index)] = value;
    if (editor != nullptr)
        editor->updateControlFromParam(info.id, value);
}

double Lv2UiHost::paramValue(ParamId id) const
{
    const int index = paramIndex(id);
    return index >= 0 ? values[static_cast<std::size_t>(index)] : 0.0;
}

void Lv2UiHost::touch(ParamId id, bool grabbed)
{
    const int index = paramIndex(id);
    if (touchFeature != nullptr && touchFeature->touch != nullptr && index >= 0)
        touchFeature->touch(touchFeature->handle, paramPort(index), grabbed);
}

void Lv2UiHost::beginEdit(ParamId id)
{
    touch(id, true);
}

bool Lv2UiHost::setParam(ParamId id, double value)
{
    const int index = paramIndex(id);
    if (index < 0 || !std::isfinite(value))
        return false;
    const double accepted = std::clamp(value, 0.0, 1.0);
    values[static_cast<std::size_t>(index)] = accepted;
    if (editor != nullptr)
        editor->updateControlFromParam(id, accepted);
    return true;
}

void Lv2UiHost::performEdit(ParamId id, double value)
{
    const int index = paramIndex(id);
    if (index < 0 || !std::isfinite(value) || write == nullptr)
        return;
    const float port =
        portValue(kParams[static_cast<std::size_t>(index)], std::clamp(value, 0.0, 1.0));
    write(controller, paramPort(index), sizeof port, 0, &port);
}

void Lv2UiHost::endEdit(ParamId id)
{
    touch(id, false);
}

void Lv2UiHost::unregisterEditor(EditorLink* link)
{
    if (editor == link)
        editor = nullptr;
}

bool Lv2UiHost::requestResize(int width, int height)
{
    return resizeFeature != nullptr && resizeFeature->ui_resize != nullptr &&
           resizeFeature->ui_resize(resizeFeature->handle, width, height) == 0;
}

bool Lv2UiHost::attachUiLoop(GuiToolkit::FrameListener& listener)
{
    return GuiToolkit::attachIdleLoop(listener);
}

void Lv2UiHost::detachUiLoop(GuiToolkit::FrameListener& listener)
{
    GuiToolkit::detachIdleLoop(listener);
}

} // namespace Ryvel::Lv2
