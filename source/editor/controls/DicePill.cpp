// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/DicePill.h"

#include "editor/ui/Drawing.h"

namespace Ryvel::ui
{

DicePill::DicePill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag)
    : MomentaryButton(bounds, listener, tag)
{
}

void DicePill::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    drawPill(g, bounds, isPressed() ? kOutlineGrey : kBlack, kOutlineGrey);

    const float cx = bounds.getCentreX();
    const float cy = bounds.getCentreY();
    const juce::Colour ink = isPressed() ? kBlack : kOutlineGrey;
    juce::Path die;
    die.addRoundedRectangle(cx - 5.0f, cy - 5.0f, 10.0f, 10.0f, 1.8f);
    g.setColour(ink);
    g.strokePath(die, juce::PathStrokeType(1.4f, juce::PathStrokeType::curved,
                                           juce::PathStrokeType::rounded));
    constexpr float kPip = 0.95f;
    g.fillEllipse(cx + 2.4f - kPip, cy - 2.4f - kPip, 2.0f * kPip, 2.0f * kPip);
    g.fillEllipse(cx - 2.4f - kPip, cy + 2.4f - kPip, 2.0f * kPip, 2.0f * kPip);
}

} // namespace Ryvel::ui
