// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/MenuButton.h"

#include "editor/ui/Drawing.h"

namespace Ryvel::ui
{

MenuButton::MenuButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag)
    : Control(bounds, listener, tag)
{
}

bool MenuButton::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    fire();
    return true;
}

void MenuButton::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    drawPill(g, bounds, kBlack, kOutlineGrey);
    const float cx = bounds.getCentreX();
    const float cy = bounds.getCentreY();
    constexpr float kBarHeight = 1.4f;
    g.setColour(kOutlineGrey);
    for (const float offset : {-3.0f, 0.0f, 3.0f})
        g.fillRect(
            juce::Rectangle<float>(cx - 7.0f, cy + offset - kBarHeight * 0.5f, 14.0f, kBarHeight));
}

} // namespace Ryvel::ui
