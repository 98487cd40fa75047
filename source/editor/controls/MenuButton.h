// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The actions menu's button: a pill with three bars that fires on press. UI thread only.

#include "editor/ui/Control.h"

namespace Ryvel::ui
{

class MenuButton : public Control
{
public:
    MenuButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    bool onMouseDown(const PointerEvent& event) override;
    void paint(juce::Graphics& g) override;
};

} // namespace Ryvel::ui
