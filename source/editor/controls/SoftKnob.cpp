// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/SoftKnob.h"

#include "editor/ui/Drawing.h"

#include <cmath>
#include <utility>

namespace Ryvel::ui
{

SoftKnob::SoftKnob(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                   juce::Image strip)
    : Control(bounds, listener, tag), strip(std::move(strip))
{
}

void SoftKnob::setDefaultValue(float normalized)
{
    defaultValue = std::isfinite(normalized) ? juce::jlimit(0.0f, 1.0f, normalized) : 0.5f;
}

int SoftKnob::frameIndex() const
{
    const float v = getValueNormalized();
    return juce::jlimit(0, kFrameCount - 1, static_cast<int>(static_cast<float>(kFrameCount) * v));
}

void SoftKnob::anchorAt(juce::Point<float> position, bool fine)
{
    anchorPosition = position;
    anchorValue = getValueNormalized();
    anchorFine = fine;
}

void SoftKnob::changeTo(float newValue)
{
    const float before = getValue();
    setValue(getMin() + newValue * (getMax() - getMin()));
    if (getValue() != before)
    {
        valueChanged();
        invalid();
    }
}

bool SoftKnob::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    if (event.doubleClick)
    {
        // The second press of a double click: its first press already opened and closed a
        // drag gesture, so the reset is a gesture of its own.
        dragging = false;
        beginEdit();
        changeTo(defaultValue);
        endEdit();
        return true;
    }
    beginEdit();
    dragging = true;
    anchorAt(event.position, event.shift);
    return true;
}

bool SoftKnob::onMouseMoved(const PointerEvent& event)
{
    if (!dragging)
        return false;
    // Switching fine mode mid-drag re-anchors, so the knob does not jump to where the other
    // speed would have put it.
    if (event.shift != anchorFine)
        anchorAt(event.position, event.shift);
    const juce::Point<float> moved = event.position - anchorPosition;
    const float pixels = moved.x - moved.y;
    const float speed = (event.shift ? kFineFactor : 1.0f) / kDragPixelsForFullRange;
    const float wanted = anchorValue + pixels * speed;
    const float limited = juce::jlimit(0.0f, 1.0f, wanted);
    changeTo(limited);
    // Past an end the anchor follows the pointer, so turning back responds at once.
    if (wanted != limited)
        anchorAt(event.position, event.shift);
    return true;
}

bool SoftKnob::onMouseUp(const PointerEvent&)
{
    if (!dragging)
        return false;
    dragging = false;
    endEdit();
    return true;
}

bool SoftKnob::onMouseWheel(const PointerEvent& event, float notches)
{
    if (!std::isfinite(notches) || notches == 0.0f)
        return false;
    const float step = kWheelStep * (event.shift ? kFineFactor : 1.0f);
    // A wheel turn during a drag belongs to the drag's gesture.
    const bool ownGesture = !dragging;
    if (ownGesture)
        beginEdit();
    changeTo(juce::jlimit(0.0f, 1.0f, getValueNormalized() + notches * step));
    if (ownGesture)
        endEdit();
    else
        anchorAt(event.position, event.shift);
    return true;
}

void SoftKnob::paint(juce::Graphics& g)
{
    if (!strip.isValid())
        return;
    const int frameWidth = strip.getWidth();
    const int frameHeight = strip.getHeight() / kFrameCount;
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    drawImageRegion(g, strip, {0, frameHeight * frameIndex(), frameWidth, frameHeight},
                    getLocalBounds().toFloat(), 1.0f);
}

} // namespace Ryvel::ui
