// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/MomentaryButton.h"

namespace Ryvel::ui
{

MomentaryButton::MomentaryButton(juce::Rectangle<int> bounds, ControlListener* listener,
                                 std::int32_t tag)
    : Control(bounds, listener, tag)
{
}

bool MomentaryButton::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    pressed = true;
    invalid();
    return true;
}

bool MomentaryButton::onMouseUp(const PointerEvent& event)
{
    if (!pressed)
        return false;
    pressed = false;
    invalid();
    if (getLocalBounds().toFloat().contains(event.position))
        fire();
    return true;
}

} // namespace Ryvel::ui
