// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Previous (direction below 1) or next preset: a pill with a chevron. UI thread only.

#include "editor/controls/MomentaryButton.h"

namespace Ryvel::ui
{

class ChevronButton : public MomentaryButton
{
public:
    ChevronButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                  std::int32_t direction);

    std::int32_t getDirection() const { return direction; }
    void paint(juce::Graphics& g) override;

private:
    std::int32_t direction;
};

} // namespace Ryvel::ui
