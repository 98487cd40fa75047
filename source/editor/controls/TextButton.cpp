// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/TextButton.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

#include <utility>

namespace Ryvel::ui
{

TextButton::TextButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                       std::string label, bool primary)
    : MomentaryButton(bounds, listener, tag), label(std::move(label)), primary(primary)
{
}

void TextButton::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const juce::Colour base = primary ? kAccent : kOutlineGrey;
    drawPill(g, bounds, isPressed() ? base : kBlack, base);
    drawTextLine(g, label, makeUiFont(9.0f), isPressed() ? kBlack : base, bounds,
                 juce::Justification::centred);
}

} // namespace Ryvel::ui
