// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The press-and-release behaviour shared by the chevrons, the dice and the text buttons: a press
// only arms the button (drawn inverted); releasing inside fires, releasing outside cancels.
// UI thread only.

#include "editor/ui/Control.h"

namespace Ryvel::ui
{

class MomentaryButton : public Control
{
public:
    MomentaryButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    bool isPressed() const { return pressed; }

    bool onMouseDown(const PointerEvent& event) override;
    bool onMouseUp(const PointerEvent& event) override;

private:
    bool pressed = false;
};

} // namespace Ryvel::ui
