// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The randomize button: a pill with a die. UI thread only.

#include "editor/controls/MomentaryButton.h"

namespace Ryvel::ui
{

class DicePill : public MomentaryButton
{
public:
    DicePill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    void paint(juce::Graphics& g) override;
};

} // namespace Ryvel::ui
