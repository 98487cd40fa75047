// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/HeaderDivider.h"

namespace Ryvel::ui
{

HeaderDivider::HeaderDivider(juce::Rectangle<int> bounds)
{
    setBounds(bounds);
    setInterceptsMouseClicks(false, false);
}

void HeaderDivider::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    juce::ColourGradient gradient(juce::Colour::fromRGB(31, 32, 36), bounds.getTopLeft(),
                                  juce::Colour::fromRGB(129, 137, 150), bounds.getTopRight(),
                                  false);
    gradient.addColour(0.5, juce::Colour::fromRGB(120, 124, 136));
    g.setGradientFill(gradient);
    g.fillRect(bounds);
}

} // namespace Ryvel::ui
