// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/Control.h"

#include <cmath>

namespace Ryvel::ui
{
namespace
{
// JUCE reports one click of a wheel on X11 (and roughly on macOS) as 50/256.
constexpr float kWheelDeltaPerNotch = 50.0f / 256.0f;
} // namespace

PointerEvent PointerEvent::from(const juce::MouseEvent& event)
{
    PointerEvent pointer;
    pointer.position = event.position;
    pointer.onlyLeftButton = Control::onlyLeftButton(event);
    pointer.doubleClick = event.getNumberOfClicks() >= 2;
    pointer.shift = event.mods.isShiftDown();
    pointer.ctrlOrCmd = event.mods.isCtrlDown() || event.mods.isCommandDown();
    pointer.alt = event.mods.isAltDown();
    return pointer;
}

Control::Control(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag)
    : listener(listener), tag(tag)
{
    setBounds(bounds);
    setWantsKeyboardFocus(false);
}

void Control::setValue(float newValue)
{
    if (!std::isfinite(newValue))
        newValue = minValue;
    value = juce::jlimit(minValue, maxValue, newValue);
}

float Control::getValueNormalized() const
{
    const float range = maxValue - minValue;
    const float normalized = range > 0.0f ? (value - minValue) / range : 0.0f;
    return std::isfinite(normalized) ? juce::jlimit(0.0f, 1.0f, normalized) : 0.0f;
}

void Control::beginEdit()
{
    editing = true;
    if (listener != nullptr)
        listener->controlBeginEdit(this);
}

void Control::valueChanged()
{
    if (listener != nullptr)
        listener->valueChanged(this);
}

void Control::endEdit()
{
    if (listener != nullptr)
        listener->controlEndEdit(this);
    editing = false;
}

void Control::fire()
{
    beginEdit();
    setValue(1.0f);
    valueChanged();
    endEdit();
    setValue(0.0f);
}

bool Control::onlyLeftButton(const juce::MouseEvent& event)
{
    const auto& mods = event.mods;
    return mods.isLeftButtonDown() && !mods.isMiddleButtonDown() && !mods.isRightButtonDown();
}

void Control::mouseDown(const juce::MouseEvent& event)
{
    onMouseDown(PointerEvent::from(event));
}

void Control::mouseUp(const juce::MouseEvent& event)
{
    onMouseUp(PointerEvent::from(event));
}

void Control::mouseDrag(const juce::MouseEvent& event)
{
    onMouseMoved(PointerEvent::from(event));
}

void Control::mouseWheelMove(const juce::MouseEvent& event, const juce::MouseWheelDetails& wheel)
{
    // Horizontal scrolling turns the control as well; a reversed (natural) scroll direction is
    // undone so that "away from the user" always increases.
    float delta = std::abs(wheel.deltaY) >= std::abs(wheel.deltaX) ? wheel.deltaY : wheel.deltaX;
    if (wheel.isReversed)
        delta = -delta;
    if (!onMouseWheel(PointerEvent::from(event), delta / kWheelDeltaPerNotch))
        juce::Component::mouseWheelMove(event, wheel);
}

} // namespace Ryvel::ui
