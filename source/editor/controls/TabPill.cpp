// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/TabPill.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

#include <utility>

namespace Ryvel::ui
{
namespace
{
// Icons are 14 pixels in a 22-pixel pill and pulled 2 pixels towards the divider.
constexpr float kIconToHeight = 14.0f / 22.0f;
constexpr float kIconNudge = 2.0f;
} // namespace

TabPill::TabPill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag)
    : Control(bounds, listener, tag)
{
}

void TabPill::setSelectedPage(int page)
{
    selectedPage = page;
    invalid();
}

void TabPill::setIcons(juce::Image newPatternIdle, juce::Image newPatternActive,
                       juce::Image newControlIdle, juce::Image newControlActive)
{
    patternIdle = std::move(newPatternIdle);
    patternActive = std::move(newPatternActive);
    controlIdle = std::move(newControlIdle);
    controlActive = std::move(newControlActive);
    iconsSet = true;
    invalid();
}

bool TabPill::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    const int half = event.position.x >= static_cast<float>(getWidth()) * 0.5f ? 1 : 0;
    if (half == selectedPage)
        return true;
    selectedPage = half;
    beginEdit();
    setValue(static_cast<float>(half));
    valueChanged();
    endEdit();
    invalid();
    return true;
}

void TabPill::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const float cx = bounds.getCentreX();
    drawPill(g, bounds, kBlack, kOutlineGrey);
    g.setColour(kOutlineGrey);
    g.fillRect(juce::Rectangle<float>(cx - 1.0f, 1.0f, 2.0f, bounds.getHeight() - 2.0f));

    if (iconsSet)
    {
        const float size = bounds.getHeight() * kIconToHeight;
        const float top = (bounds.getHeight() - size) * 0.5f;
        const float inset = (cx - size) * 0.5f;
        drawBitmapStretched(g, selectedPage == 0 ? patternActive : patternIdle,
                            {inset + kIconNudge, top, size, size}, 1.0f);
        drawBitmapStretched(g, selectedPage == 1 ? controlActive : controlIdle,
                            {cx + inset - kIconNudge, top, size, size}, 1.0f);
        return;
    }
    const juce::Font font = makeUiFont(10.0f);
    drawTextLine(g, "PTRN", font, selectedPage == 0 ? kAccent : kOutlineGrey,
                 {0.0f, 0.0f, cx, bounds.getHeight()}, juce::Justification::centred);
    drawTextLine(g, "CTRL", font, selectedPage == 1 ? kAccent : kOutlineGrey,
                 {cx, 0.0f, bounds.getWidth() - cx, bounds.getHeight()},
                 juce::Justification::centred);
}

} // namespace Ryvel::ui
