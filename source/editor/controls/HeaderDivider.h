// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The gradient line under the column captions: dark at the left, light at the right.

#include <juce_gui_basics/juce_gui_basics.h>

namespace Ryvel::ui
{

class HeaderDivider : public juce::Component
{
public:
    explicit HeaderDivider(juce::Rectangle<int> bounds);

    void paint(juce::Graphics& g) override;
};

} // namespace Ryvel::ui
