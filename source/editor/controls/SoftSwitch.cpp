// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/SoftSwitch.h"

#include "editor/ui/Drawing.h"

#include <algorithm>

#include <utility>

namespace Ryvel::ui
{
namespace
{
// The vector fallback darkens a pressed switch by this much per channel.
constexpr int kPressedDarkening = 30;

juce::Colour darkened(juce::Colour c)
{
    const auto channel = [](juce::uint8 v)
    { return static_cast<juce::uint8>(std::max(0, static_cast<int>(v) - kPressedDarkening)); };
    return juce::Colour::fromRGBA(channel(c.getRed()), channel(c.getGreen()), channel(c.getBlue()),
                                  c.getAlpha());
}

bool usable(const juce::Image& image)
{
    return image.isValid() && image.getWidth() > 0;
}
} // namespace

SoftSwitch::SoftSwitch(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                       int voice, int step, juce::Image off, juce::Image on, juce::Image pressed,
                       juce::Image active)
    : Control(bounds, listener, tag), voice(voice), step(step), offImage(std::move(off)),
      onImage(std::move(on)), pressedImage(std::move(pressed)), activeImage(std::move(active))
{
}

void SoftSwitch::triggerFlash()
{
    flashAlpha = 1.0f;
    flashStartMs = clock();
    if (flashTimer == nullptr)
        flashTimer = std::make_unique<UiTimer>(kFlashPeriodMs, [this] { flashTick(); });
    flashTimer->start();
    invalid();
}

void SoftSwitch::flashTick()
{
    const double elapsedMs = clock() - flashStartMs;
    flashAlpha = static_cast<float>(std::min(1.0, 1.0 - elapsedMs / kFlashFadeMs));
    if (flashAlpha <= 0.0f)
    {
        flashAlpha = 0.0f;
        flashTimer->stop();
    }
    invalid();
}

bool SoftSwitch::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    pressed = true;
    beginEdit();
    setValue(isOn() ? 0.0f : 1.0f);
    valueChanged();
    endEdit();
    invalid();
    return true;
}

bool SoftSwitch::onMouseUp(const PointerEvent&)
{
    if (!pressed)
        return false;
    pressed = false;
    invalid();
    return true;
}

void SoftSwitch::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const juce::Image& image = pressed ? pressedImage : (isOn() ? onImage : offImage);
    if (usable(image) && image.getHeight() > 0)
    {
        drawBitmapStretched(g, image, bounds, 1.0f);
        if (flashAlpha > 0.0f && usable(activeImage))
            drawBitmapStretched(g, activeImage, bounds, flashAlpha);
        return;
    }
    const juce::Colour fill = isOn() ? kAccent : kOffFill;
    g.setColour(pressed ? darkened(fill) : fill);
    g.fillRect(bounds);
    g.setColour(kOutlineGrey);
    g.drawRect(bounds, 1.0f);
}

} // namespace Ryvel::ui
