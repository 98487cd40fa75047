// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/ChevronButton.h"

#include "editor/ui/Drawing.h"

namespace Ryvel::ui
{

ChevronButton::ChevronButton(juce::Rectangle<int> bounds, ControlListener* listener,
                             std::int32_t tag, std::int32_t direction)
    : MomentaryButton(bounds, listener, tag), direction(direction)
{
}

void ChevronButton::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    drawPill(g, bounds, isPressed() ? kOutlineGrey : kBlack, kOutlineGrey);

    const float cx = bounds.getCentreX();
    const float cy = bounds.getCentreY();
    // Pointing left for "previous", right for "next".
    const float tip = direction >= 1 ? 3.0f : -3.0f;
    juce::Path chevron;
    chevron.startNewSubPath(cx - tip, cy - 4.0f);
    chevron.lineTo(cx + tip, cy);
    chevron.lineTo(cx - tip, cy + 4.0f);
    g.setColour(isPressed() ? kBlack : kOutlineGrey);
    g.strokePath(chevron, juce::PathStrokeType(1.6f, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded));
}

} // namespace Ryvel::ui
