// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/PresetPill.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

#include <utility>

namespace Ryvel::ui
{
namespace
{
constexpr float kTextLeft = 11.0f;
// The name stops short of the drop-down mark.
constexpr float kTextRightInset = 23.0f;
} // namespace

PresetPill::PresetPill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag)
    : Control(bounds, listener, tag)
{
}

void PresetPill::setName(std::string newName)
{
    if (newName == name)
        return;
    name = std::move(newName);
    invalid();
}

bool PresetPill::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    doubleClick = event.doubleClick;
    fire();
    return true;
}

void PresetPill::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    drawPill(g, bounds, kBlack, kOutlineGrey);

    const juce::Rectangle<float> textArea(
        kTextLeft, 0.0f, bounds.getWidth() - kTextRightInset - kTextLeft, bounds.getHeight());
    {
        // Long names end at the mark instead of running over it.
        const juce::Graphics::ScopedSaveState saved(g);
        g.reduceClipRegion(textArea.getSmallestIntegerContainer());
        drawTextLine(g, name, makeUiFont(9.0f), kOutlineGrey, textArea,
                     juce::Justification::centredLeft);
    }

    const float r = bounds.getRight();
    const float cy = bounds.getCentreY();
    juce::Path mark;
    mark.addTriangle(r - 15.0f, cy - 2.0f, r - 9.0f, cy - 2.0f, r - 12.0f, cy + 2.0f);
    g.setColour(kOutlineGrey);
    g.fillPath(mark);
}

} // namespace Ryvel::ui
