// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The header's preset name. A press fires at once; the owner tells a single click (open the
// preset list) from a double click (rename) by wasDoubleClick() while it handles the change.
// UI thread only.

#include "editor/ui/Control.h"

#include <string>

namespace Ryvel::ui
{

class PresetPill : public Control
{
public:
    PresetPill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    void setName(std::string newName);
    const std::string& getName() const { return name; }
    bool wasDoubleClick() const { return doubleClick; }

    bool onMouseDown(const PointerEvent& event) override;
    void paint(juce::Graphics& g) override;

private:
    std::string name = "Init";
    bool doubleClick = false;
};

} // namespace Ryvel::ui
